#pragma once

#include "common/messaggio.h"

#include <QObject>
#include <QString>

#include <functional>

namespace tarvolin::service {

class Sessione;

// The first field of a payload and what remains after its "|"; without a "|" the field is
// empty and the remainder is the whole text.
std::pair<QString, QString> LeggiCampo(const QString& testo);

// The two texts of a suspension of `minuti` minutes: the message and the status bar.
std::pair<QString, QString> TestiSospensione(int minuti);

// A host account slot "e-mail:password": the text before the first ":" and at most 100
// characters after it; without ":" the e-mail is empty.
std::pair<QString, QString> LeggiSlot(const QString& payload);

// Hands every message from the service server to its handler. Handlers that only talk to the
// server or show a message live here; the ones that change the program's windows are given by
// the main window.
class Dispatcher : public QObject {
    Q_OBJECT
public:
    explicit Dispatcher(Sessione& sessione, QObject* parent = nullptr);

    // Shows a message to the user and returns once it has been read.
    std::function<void(const Messaggio&)> Avviso;
    std::function<void(const QString& codice)> NuovoCodice;                  // "#0663"
    std::function<void()> LoginConfermato;                                   // "#0666"
    std::function<void(const QString& email, const QString& password)> Slot; // "#0669"
    std::function<void()> EmailAggiornata;                                   // "#0710"
    std::function<void()> AggiornamentoObbligatorio;                         // "#0665"
    std::function<void(const QString& payload)> LinkServizio;                // "#0333"
    std::function<void(const QString& records)> ListaTicket;                 // "#0210"
    std::function<void(const QString& payload)> MessaggioTicket;             // "#0201"
    std::function<void(const QString& payload)> ConversazioneTicket;         // "#0202"
    std::function<void(const QString& payload)> RisultatiRicerca;            // "#0777"
    std::function<void(const QString& payload)> RicercaRifiutata;            // "#0771"

    void OnRead(const QString& messaggio);

signals:
    void TestoStato(const QString& testo);

private:
    void instrada(const QString& code, const QString& payload);
    void sospensione(const QString& payload);
    void avvisa(const QString& didascalia, const QString& testo, Icona icona);

    Sessione& sessione_;
};

} // namespace tarvolin::service
