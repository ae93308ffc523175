#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;
class QTimer;
class QWidget;

namespace tarvolin::service {
class Sessione;
}

namespace tarvolin::tickets {

class TForm_Ticket;
class TForm_TicketList;

// The main window's ticket button: its two glyphs and its blinking timer.
struct PulsanteTicket {
    QAbstractButton* BtTicket = nullptr;
    QLabel* ImageTicket1 = nullptr; // normal glyph
    QLabel* ImageTicket2 = nullptr; // highlighted glyph
    QTimer* TimerTicket = nullptr;
};

// Shows a window and brings it forward.
void MostraFinestra(QWidget* finestra);

// The support tickets: the ticket button, the list window and the open ticket windows, and
// what the service server says about them.
class GestioneTicket : public QObject {
    Q_OBJECT
public:
    GestioneTicket(service::Sessione& servizio, PulsanteTicket pulsante,
                   std::function<QString()> emailCliente, QObject* parent = nullptr);
    ~GestioneTicket() override;

    // Open ticket windows.
    QList<QPointer<TForm_Ticket>> FinestreTicket;
    // Which glyph the blinking showed last.
    bool TicketEvidenziato = false;

    TForm_TicketList& Lista() const { return *lista_; }
    service::Sessione& Servizio() const { return servizio_; }
    QString EmailCliente() const { return emailCliente_(); }
    TForm_Ticket* Finestra(const QString& idTicket) const;
    // A new registered window; a new ticket's title is editable.
    TForm_Ticket* ApriFinestra(const QString& idTicket, const QString& email,
                               const QString& titolo);

    void BtTicketClick();
    void TimerTicketTimer();
    void FermaLampeggio();

    void ListaRicevuta(const QString& records);         // "#0210"
    void MessaggioRicevuto(const QString& payload);     // "#0201"
    void ConversazioneRicevuta(const QString& payload); // "#0202"

private:
    void glifo(bool evidenziato);

    service::Sessione& servizio_;
    PulsanteTicket pulsante_;
    std::function<QString()> emailCliente_;
    std::unique_ptr<TForm_TicketList> lista_;
};

} // namespace tarvolin::tickets
