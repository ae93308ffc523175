#include "form1.h"

#include "app/formopzioni.h"
#include "common/deployment.h"
#include "queue/formadd.h"
#include "queue/listecoda.h"
#include "sources/appunti.h"
#include "sources/dlc.h"
#include "sources/filecrypt.h"
#include "sources/trascinamento.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

namespace tarvolin::app {

void TForm1::collegaSorgenti() {
    catturaAppunti_ = new sources::CatturaAppunti(
        [this] { return ListaHosting; },
        [this](const QString& testo) { apriAggiungiConOpzioni(testo, true); }, this);
    connect(TimerCatchLink, &QTimer::timeout, this, &TForm1::TimerCatchLinkTimer);

    connect(JdBt, &QToolButton::clicked, this, &TForm1::JdBtClick);

    new sources::RicevitoreFile(this, [this](const QStringList& p) { FileTrascinati(p); });
    connect(Code, &queue::ListeCoda::CartellaLinkRichiesta, this, &TForm1::EstraFileCrypt);
}

queue::TForm_Add* TForm1::apriAggiungiConOpzioni(const QString& testo, bool standAlone) {
    return queue::ApriAggiungi(
        *Code, [this] { return opzioni_ != nullptr && opzioni_->AutoExtract->isChecked(); },
        standAlone, true, testo);
}

void TForm1::TimerCatchLinkTimer() {
    catturaAppunti_->Tick();
}

void TForm1::JdBtClick() {
    // Made on first use: a file dialog costs every start its file-system model.
    if (opendlc == nullptr) {
        opendlc = new QFileDialog(this);
        opendlc->setObjectName(QStringLiteral("opendlc"));
        opendlc->setFileMode(QFileDialog::ExistingFile);
        opendlc->setNameFilter(QStringLiteral("dlc (*.dlc)"));
        connect(opendlc, &QFileDialog::fileSelected, this, &TForm1::ApriFileDlc);
    }
    opendlc->open();
}

void TForm1::ApriFileDlc(const QString& percorso) {
    const std::optional<QByteArray> testo = sources::LeggiFile(percorso);
    if (!testo || testo->isEmpty())
        return;
    JdBt->setEnabled(false);
    AvviaDecodificaDlc(*testo);
}

void TForm1::FileTrascinati(const QStringList& percorsi) {
    sources::LeggiContenitori(percorsi, [this](const QByteArray& testo) {
        JdBt->setEnabled(false);
        AvviaDecodificaDlc(testo);
    });
}

void TForm1::AvviaDecodificaDlc(const QByteArray& contenitore) {
    sources::TDlcContainer::Avvia(deployment().dlcService, contenitore,
                                  [finestra = QPointer<TForm1>(this)](const QByteArray& risposta) {
                                      if (finestra)
                                          finestra->RisultatoDlc(risposta);
                                  });
}

void TForm1::RisultatoDlc(const QByteArray& risposta) {
    const auto riattiva = qScopeGuard([this] { JdBt->setEnabled(true); });
    apriAggiungiConOpzioni(sources::LinkDaRisposta(risposta).value_or(sources::ErroreDlc()), false);
}

void TForm1::EstraFileCrypt(const QString& url, queue::TForm_Add* dialogo) {
    sources::TFileCrypt::Avvia(url, deployment().linkFolderDlcRoot, QPointer<QObject>(dialogo),
                               [finestra = QPointer<TForm1>(this)](const QByteArray& contenitore) {
                                   if (finestra)
                                       finestra->AvviaDecodificaDlc(contenitore);
                               });
}

} // namespace tarvolin::app
