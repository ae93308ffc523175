// The main window's side of the service session: the identification code, the host account
// slots and the update demand.
#include "app/avvio.h"
#include "app/form1.h"
#include "app/formopzioni.h"
#include "common/diagnostica.h"
#include "common/statoprocesso.h"
#include "common_ui/clic.h"
#include "common_ui/finestre.h"
#include "common_ui/messagebox.h"
#include "host/hosting.h"
#include "host/tokenhost.h"
#include "queue/database.h"
#include "queue/token.h"
#include "service/dispatcher.h"
#include "service/sessione.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace tarvolin::app {

void TForm1::collegaServizio() {
    Servizio = new service::Sessione(TimerAutoConnect, TimerInviaCodiceVoucher, WakeUpTimer, this);
    Messaggi = new service::Dispatcher(*Servizio, this);
    Messaggi->Avviso = [](const Messaggio& m) {
        MostraMessaggio(nullptr, m.testo, m.didascalia, m.icona);
    };
    Servizio->CodiceIdentificativo = [this] { return CodiceIdentificativo; };
    Servizio->VelocitaTotale = [this] { return VelocitaTotale; };
    Servizio->LeggiUid = [this] {
        return database_ ? queue::LeggiUid(*database_) : QStringLiteral("NULL");
    };
    connect(Servizio, &service::Sessione::TestoStato, StatusBar1,
            [this](const QString& t) { StatusBar1->showMessage(t); });
    connect(Messaggi, &service::Dispatcher::TestoStato, StatusBar1,
            [this](const QString& t) { StatusBar1->showMessage(t); });
    connect(Servizio, &service::Sessione::Disconnesso, this, [this] {
        AccountEmail.clear();
        AccountPassword.clear();
        BtTicket->setEnabled(true);
        if (opzioni_ != nullptr)
            opzioni_->BtAggiornaEmail->setEnabled(true);
    });
    Messaggi->NuovoCodice = [this](const QString& codice) { NuovoCodice(codice); };
    Messaggi->LoginConfermato = [this] { LoginConfermato(); };
    Messaggi->Slot = [this](const QString& e, const QString& p) { SlotRicevuto(e, p); };
    Messaggi->AggiornamentoObbligatorio = [this] { AggiornamentoObbligatorio(); };
    Messaggi->EmailAggiornata = [this] {
        if (opzioni_ != nullptr)
            opzioni_->BtAggiornaEmail->setEnabled(true);
    };
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    AlClic(LabelCodiceIdentificativo, [this] { LabelCodiceIdentificativoClick(); });
}

void TForm1::mostraAlCentro(QWidget* pannello) {
    pannello->move((width() - pannello->width()) / 2, (height() - pannello->height()) / 2);
    pannello->raise();
    pannello->show();
}

void TForm1::NuovoCodice(const QString& codice) {
    CodiceIdentificativo = codice;
    LabelCodiceIdentificativo->setText(QStringLiteral("Codice : ") + codice);
    SaveVoucher(codice);
    NewVoucherReceived->setPlainText(codice);
    mostraAlCentro(PanelNewVoucher);
    // A new identity starts without the host logins of the old one.
    IdCookieManager1.Rimuovi(QString::fromLatin1(host::kPortale));
    if (database_) {
        try {
            queue::EliminaTokenHost(*database_);
        } catch (const queue::DatabaseError& e) {
            qCDebug(lcApp) << "host logins not removed:" << e.what();
        }
    }
    AccountEmail.clear();
    AccountPassword.clear();
}

void TForm1::LoginConfermato() {
    LabelCodiceIdentificativo->setText(QStringLiteral("Codice : ") + CodiceIdentificativo);
    if (CodiceIdentificativo != NewVoucherReceived->toPlainText()) {
        SaveVoucher(CodiceIdentificativo);
        NewVoucherReceived->setPlainText(CodiceIdentificativo);
    }
    Processo().LoginInAttesa = false;
}

void TForm1::SlotRicevuto(const QString& email, const QString& password) {
    if (opzioni_ != nullptr && !opzioni_->PersonalEmailEasybytez->text().isEmpty()) {
        CaricaPersonalEasybytez();
        return;
    }
    AccountEmail = email;
    AccountPassword = password;
    CaricaCookieDauid(AccountEmail);
}

void TForm1::CaricaPersonalEasybytez() {
    if (opzioni_ == nullptr)
        return;
    const QString personale = opzioni_->PersonalEmailEasybytez->text();
    if (personale.isEmpty() || personale == AccountEmail)
        return;
    AccountEmail = personale;
    AccountPassword = opzioni_->PersonalPasswordEasybytez->text();
    CaricaCookieDauid(AccountEmail);
}

void TForm1::CaricaCookieDauid(const QString& email) {
    if (database_)
        host::CaricaToken(*database_, IdCookieManager1, QString::fromLatin1(host::kPortale),
                          SitoBase, email);
}

bool TForm1::HostConosciuto(const QString& link) const {
    return host::HostConosciuto(ListaHosting, link);
}

void TForm1::AggiornamentoObbligatorio() {
    Servizio->Sospendi();
    StatoProcesso& stato = Processo();
    stato.AggiornamentoRichiesto = true;
    for (qsizetype i = FinestreAggiungi().size() - 1; i >= 0; --i) {
        if (QWidget* dialogo = FinestreAggiungi().value(i))
            dialogo->close();
    }
    // The question must show above the windows that stay on top.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowFlags() & Qt::WindowStaysOnTopHint) {
            const bool visibile = w->isVisible();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, false);
            w->setVisible(visibile);
        }
    }
    if (MostraMessaggio(this,
                        QStringLiteral("E' necessario aggiornare la versione di Tarvolin per poter "
                                       "continuare, effettuare adesso l'aggiornamento automatico?"),
                        QStringLiteral("Conferma"), Icona::Avviso,
                        Pulsanti::SiNo) == Risposta::Si) {
        AggiornaVersione();
        return;
    }
    MostraMessaggio(this,
                    QStringLiteral("Tarvolin verrà chiuso poichè la versione dev'essere "
                                   "obbligatoriamente aggiornata!"),
                    QStringLiteral("Attenzione"), Icona::Avviso);
    TerminaApplicazione();
}

void TForm1::BitBtn1Click() {
    PanelNewVoucher->hide();
    if (opzioni_ == nullptr || !opzioni_->EmailCliente->text().isEmpty())
        return;
    opzioni_->show();
    opzioni_->raise();
    opzioni_->EvidenziaEmail();
    opzioni_->TimerColor->start();
}

void TForm1::LabelCodiceIdentificativoClick() {
    if (CodiceIdentificativo.isEmpty())
        return;
    NewVoucherReceived->setPlainText(CodiceIdentificativo);
    mostraAlCentro(PanelNewVoucher);
}

} // namespace tarvolin::app
