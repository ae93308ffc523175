// The main window's service windows: support tickets, searches and notes.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "auxiliary/formmemo.h"
#include "auxiliary/memo.h"
#include "common_ui/icone.h"
#include "queue/database.h"
#include "search/gestionericerca.h"
#include "service/dispatcher.h"
#include "service/sessione.h"
#include "tickets/formticketlist.h"
#include "tickets/gestioneticket.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace tarvolin::app {

void TForm1::creaFinestreServizio() {
    const QSize lato(48, 48);
    ImageTicket1->setPixmap(IconaPulsante(QStringLiteral("!"), QColor(220, 140, 20)).pixmap(lato));
    ImageTicket2->setPixmap(IconaPulsante(QStringLiteral("!"), QColor(230, 30, 30)).pixmap(lato));
    ticket_ = std::make_unique<tickets::GestioneTicket>(
        *Servizio, tickets::PulsanteTicket{BtTicket, ImageTicket1, ImageTicket2, TimerTicket},
        [this] { return opzioni_ != nullptr ? opzioni_->EmailCliente->text() : QString(); });
    ticket_->FermaLampeggio();
    ricerche_ = std::make_unique<search::GestioneRicerca>(
        *Servizio,
        search::TForm_Ricerca::Coda{
            *Code, [this] { return opzioni_ != nullptr && opzioni_->AutoExtract->isChecked(); }},
        this);
    memo_ = std::make_unique<auxiliary::TForm_Memo>([this](const QString& t) { SalvaMemo(t); });

    connect(BtTicket, &QToolButton::clicked, this, &TForm1::BtTicketClick);
    connect(BtScibile, &QToolButton::clicked, this, &TForm1::BtScibileClick);
    connect(BtMemo, &QToolButton::clicked, this, &TForm1::BtMemoClick);
    connect(Servizio, &service::Sessione::Disconnesso, this,
            [this] { ticket_->Lista().BtRispondiTicket->setEnabled(true); });
    Messaggi->ListaTicket = [this](const QString& p) { ticket_->ListaRicevuta(p); };
    Messaggi->MessaggioTicket = [this](const QString& p) { ticket_->MessaggioRicevuto(p); };
    Messaggi->ConversazioneTicket = [this](const QString& p) { ticket_->ConversazioneRicevuta(p); };
    Messaggi->RisultatiRicerca = [this](const QString& p) { ricerche_->RisultatiRicevuti(p); };
    Messaggi->RicercaRifiutata = [this](const QString& p) { ricerche_->RicercaRifiutata(p); };
}

void TForm1::BtTicketClick() {
    ticket_->BtTicketClick();
}

void TForm1::BtScibileClick() {
    ricerche_->BtScibileClick();
}

void TForm1::BtMemoClick() {
    if (!memo_->isVisible())
        memo_->Carica(database_ ? auxiliary::LeggiMemo(*database_) : std::nullopt);
    memo_->show();
    memo_->raise();
    memo_->activateWindow();
}

void TForm1::SalvaMemo(const QString& testo) {
    if (database_)
        auxiliary::SalvaMemo(*database_, testo);
}

} // namespace tarvolin::app
