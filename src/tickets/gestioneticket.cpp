#include "gestioneticket.h"

#include "service/dispatcher.h"
#include "service/sessione.h"
#include "tickets/formticket.h"
#include "tickets/formticketlist.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tarvolin::tickets {

void MostraFinestra(QWidget* finestra) {
    finestra->show();
    finestra->raise();
    finestra->activateWindow();
}

GestioneTicket::GestioneTicket(service::Sessione& servizio, PulsanteTicket pulsante,
                               std::function<QString()> emailCliente, QObject* parent)
    : QObject(parent), servizio_(servizio), pulsante_(pulsante),
      emailCliente_(std::move(emailCliente)), lista_(std::make_unique<TForm_TicketList>(*this)) {
    connect(pulsante_.TimerTicket, &QTimer::timeout, this, &GestioneTicket::TimerTicketTimer);
}

GestioneTicket::~GestioneTicket() {
    for (const QPointer<TForm_Ticket>& finestra : std::exchange(FinestreTicket, {}))
        delete finestra.data();
}

TForm_Ticket* GestioneTicket::Finestra(const QString& idTicket) const {
    for (const QPointer<TForm_Ticket>& finestra : FinestreTicket) {
        if (finestra && finestra->IdTicket == idTicket)
            return finestra;
    }
    return nullptr;
}

TForm_Ticket* GestioneTicket::ApriFinestra(const QString& idTicket, const QString& email,
                                           const QString& titolo) {
    auto* finestra = new TForm_Ticket(servizio_, idTicket);
    finestra->VoucherTxt->setText(servizio_.CodiceIdentificativo());
    finestra->EmailTxt->setText(email);
    finestra->TitoloTxt->setText(titolo);
    connect(finestra, &TForm_Ticket::ConversazioneCaricata, lista_.get(),
            [this] { lista_->BtRispondiTicket->setEnabled(true); });
    connect(finestra, &TForm_Ticket::Chiusa, this, [this](TForm_Ticket* chiusa) {
        FinestreTicket.removeIf(
            [chiusa](const QPointer<TForm_Ticket>& f) { return f.isNull() || f == chiusa; });
    });
    FinestreTicket.append(finestra);
    return finestra;
}

void GestioneTicket::glifo(bool evidenziato) {
    const QLabel* immagine = evidenziato ? pulsante_.ImageTicket2 : pulsante_.ImageTicket1;
    pulsante_.BtTicket->setIcon(QIcon(immagine->pixmap()));
    TicketEvidenziato = evidenziato;
}

void GestioneTicket::FermaLampeggio() {
    pulsante_.TimerTicket->stop();
    glifo(false);
}

void GestioneTicket::TimerTicketTimer() {
    glifo(!TicketEvidenziato);
}

void GestioneTicket::BtTicketClick() {
    const QString codice = servizio_.CodiceIdentificativo();
    if (codice.isEmpty())
        return;
    FermaLampeggio();
    if (!servizio_.Connesso())
        return;
    pulsante_.BtTicket->setEnabled(false);
    servizio_.senddata(QStringLiteral("#0210"), codice);
}

void GestioneTicket::ListaRicevuta(const QString& records) {
    lista_->AggiornaListaTicket(records);
    pulsante_.BtTicket->setEnabled(true);
    MostraFinestra(lista_.get());
}

void GestioneTicket::MessaggioRicevuto(const QString& payload) {
    const auto [id, resto] = service::LeggiCampo(payload);
    if (TForm_Ticket* finestra = Finestra(id)) {
        const auto [mittente, messaggio] = service::LeggiCampo(resto);
        finestra->AggiungiMessaggio(mittente, messaggio);
        MostraFinestra(finestra);
        return;
    }
    if (FinestreTicket.isEmpty())
        pulsante_.TimerTicket->start();
}

void GestioneTicket::ConversazioneRicevuta(const QString& payload) {
    const auto [id, dopoId] = service::LeggiCampo(payload);
    const auto [email, dopoEmail] = service::LeggiCampo(dopoId);
    const auto [titolo, conversazione] = service::LeggiCampo(dopoEmail);
    TForm_Ticket* finestra = Finestra(id);
    if (finestra == nullptr)
        finestra = ApriFinestra(id, email, titolo);
    finestra->CaricaTicket(conversazione);
    MostraFinestra(finestra);
}

} // namespace tarvolin::tickets
