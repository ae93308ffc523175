// The main window's side of the end-of-queue action: its menu, its countdown panel and the
// check every worker runs at its end.
#include "app/form1.h"
#include "app/notifiche.h"
#include "engine/altermine.h"
#include "engine/programmacoda.h"
#include "queue/listecoda.h"
#include "queue/righe.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvolin::app {

void TForm1::creaAlTermine() {
    PopupOperazioniAlTermine = new QMenu(this);
    PopupOperazioniAlTermine->setObjectName(QStringLiteral("PopupOperazioniAlTermine"));
    PopupOperazioniAlTermine->addAction(QStringLiteral("Al termine dei download :"));
    auto* scelte = new QActionGroup(PopupOperazioniAlTermine);
    struct Voce {
        QAction** azione;
        const char* nome;
        const char* testo;
        int codice;
    };
    for (const Voce& v :
         {Voce{&Nonfarenulla1, "Nonfarenulla1", "Non fare nulla", engine::NonFareNulla},
          Voce{&Arrestailsistema1, "Arrestailsistema1", "Arresta il sistema",
               engine::ArrestaSistema},
          Voce{&MettiinStandby1, "MettiinStandby1", "Metti in Standby", engine::Standby},
          Voce{&ChiudiTarvolin1, "ChiudiTarvolin1", "Chiudi Tarvolin", engine::ChiudiProgramma}}) {
        QAction* a = PopupOperazioniAlTermine->addAction(QString::fromUtf8(v.testo));
        a->setObjectName(QString::fromLatin1(v.nome));
        a->setCheckable(true);
        a->setData(v.codice);
        scelte->addAction(a);
        *v.azione = a;
    }
    Nonfarenulla1->setChecked(true);
    creaPannelloAlTermine();

    engine::OperazioneAlTermine::Ambiente ambiente;
    ambiente.Scelta = [scelte] {
        const QAction* scelta = scelte->checkedAction();
        return scelta != nullptr ? scelta->data().toInt() : int{engine::NonFareNulla};
    };
    ambiente.CodaVuota = [this] { return Code->Db() != nullptr && queue::CodaVuota(*Code->Db()); };
    ambiente.Etichetta = [this](const QString& testo) { SecondiRestantiAlTermine->setText(testo); };
    ambiente.MostraPannello = [this] { mostraAlCentro(PanelAlTermine); };
    ambiente.Chiudi = [this] { ChiudiTarvolin2Click(); };
    AlTermine = new engine::OperazioneAlTermine(std::move(ambiente), *Estrazioni, this);
    programmaCoda_->Fine = [this] {
        AlTermine->Controlla();
        notifiche_->FineDownload(codaFerma());
    };
    connect(BtOperazioneAlTermine, &QToolButton::clicked, this,
            &TForm1::BtOperazioneAlTermineClick);
    connect(BtAnnullaAlTermine, &QPushButton::clicked, this, &TForm1::BtAnnullaAlTermineClick);
}

void TForm1::creaPannelloAlTermine() {
    auto* layout = new QVBoxLayout(PanelAlTermine);
    SecondiRestantiAlTermine =
        new QLabel(QStringLiteral("Tra 60 secondi il computer "), PanelAlTermine);
    SecondiRestantiAlTermine->setObjectName(QStringLiteral("SecondiRestantiAlTermine"));
    SecondiRestantiAlTermine->setAlignment(Qt::AlignCenter);
    QFont grande = SecondiRestantiAlTermine->font();
    grande.setBold(true);
    grande.setPointSize(grande.pointSize() + 4);
    SecondiRestantiAlTermine->setFont(grande);
    auto* nota = new QLabel(QStringLiteral("Puoi annullare questa operazione cliccando di seguito"),
                            PanelAlTermine);
    nota->setAlignment(Qt::AlignCenter);
    BtAnnullaAlTermine = new QPushButton(QStringLiteral(" Annulla operazione"), PanelAlTermine);
    BtAnnullaAlTermine->setObjectName(QStringLiteral("BtAnnullaAlTermine"));
    layout->addWidget(SecondiRestantiAlTermine);
    layout->addWidget(nota);
    layout->addWidget(BtAnnullaAlTermine, 0, Qt::AlignCenter);
}

void TForm1::BtOperazioneAlTermineClick() {
    PopupOperazioniAlTermine->popup(
        BtOperazioneAlTermine->mapToGlobal(QPoint(1, BtOperazioneAlTermine->height())));
}

void TForm1::BtAnnullaAlTermineClick() {
    AlTermine->Annulla();
    Nonfarenulla1->setChecked(true);
    PanelAlTermine->hide();
}

} // namespace tarvolin::app
