#pragma once

#include "engine/attivi.h"
#include "engine/registrofile.h"
#include "engine/velocita.h"
#include "host/easybytez.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tarvolin::net {
class ClientHttp;
struct Risposta;
} // namespace tarvolin::net

namespace tarvolin::engine {

class FileParziale;
class ProgrammaMotore;
class RegistroEstrazioni;

// What every worker shares of the program.
struct AmbienteMotore {
    ProgrammaMotore* programma = nullptr;
    DownloadAttivi* attivi = nullptr;                   // whose locks guard the counters
    host::AccessoHost accesso;                          // host site, shared cookies, service link
    QStringList dominiHost;                             // links with one of these are host links
    std::function<bool(const QString&)> hostConosciuto; // main thread
    QString marcatoreProduttore;
    RegistroEstrazioni* estrazioni = nullptr; // archives being extracted
    RegistroFile* file = nullptr;             // partial and finished files being written
};

// What the scheduler hands one worker.
struct ParametriDownload {
    QString IdRiga, Link, CartellaTemp, CartellaCompletati;
    QString PasswordLink, PasswordArchivio, Gruppo;
    bool Estrai = false, SaltaRev = false, NascondiCompletati = false, SempreCartella = false;
    QString AccountEmail, AccountPassword;
};

// One download on its own thread: resolves the link, probes it, resumes or starts the partial
// file, receives the body at its share of the cap, moves the finished file and records the
// outcome. Up to three counted failures.
class TDownload : public QThread, public StatoDownload {
    Q_OBJECT
public:
    TDownload(ParametriDownload parametri, AmbienteMotore ambiente);
    ~TDownload() override;

    // The service's answer to "#0333" for this row (main thread).
    void ImpostaUrlServizio(const QString& url);

    const ParametriDownload& Parametri() const { return p_; }

protected:
    void run() override;

private:
    enum class Esito { Avanti, Contato, Termina, Fermo };
    struct EsitoPassata {
        Esito esito = Esito::Avanti;
        int pausaMs = 0;
        bool spazio = false; // counted because the disk is full
    };
    // Why the transfer's answer was not taken into the partial file.
    enum class Rifiuto { Nessuno, NonIlFile, PaginaWeb, ErroreHttp };
    EsitoPassata passata(net::ClientHttp& client);
    EsitoPassata risolvi();
    EsitoPassata sonda(net::ClientHttp& client, net::Risposta& risposta);
    EsitoPassata giudicaSonda(const net::Risposta& risposta, int stato);
    EsitoPassata apriParziale(std::unique_ptr<FileParziale>& file);
    EsitoPassata trasferisci(net::ClientHttp& client, FileParziale& file);
    bool accettaCorpo(const net::Risposta& r, FileParziale& file);
    EsitoPassata giudicaTrasferimento(const net::Risposta& risposta, FileParziale& file);
    // The partial file to use: this row's own, or the common one unless another row writes it
    // or another link started it. Empty when none can be held now.
    QString sceltaParziale();
    // Restarts a partial file that is not the start of the server's file as the probe shows it.
    void controllaRipresa(FileParziale& file);
    EsitoPassata spazioInsufficiente();
    // Not counted: a pause that grows with each such pass (`volta` from 0), so it never loops
    // hot.
    EsitoPassata senzaProgresso(int volta);
    // All bytes are in: flushed, moved to the completed folder and recorded.
    EsitoPassata finisci(FileParziale& file);
    EsitoPassata completa();
    EsitoPassata nonSpostato(const QString& motivo);
    // The name the finished file takes under `cartellaBase`, held for this row; empty when none
    // is free. A RAR volume takes the number its group took.
    QString nomeLibero(const QString& cartellaBase, bool sottocartella);
    bool nomeOccupato(const QString& percorso, const QString& nome, int n);
    bool setLibero(const QString& cartellaBase, const QString& nome, int n, int numeroGruppo);
    std::optional<int> numeroDelGruppo(const QString& cartellaBase);
    QString chiaveGruppo() const;
    void dopoIlCiclo(qint64 tentativi);
    // The archive of a complete group, extracted by the worker whose file completed it.
    void Estrazione();
    bool riceviBlocco(FileParziale& file, const char* dati, size_t n);
    void segnala(const QString& codice, const QString& payload);
    void sulPrincipale(const std::function<void(ProgrammaMotore&)>& fn);
    // For what must reach the row and the database even while the window closes.
    void sulPrincipaleGarantito(const std::function<void(ProgrammaMotore&)>& fn);
    void mostraStato(const QString& testo);
    // Sleeps a program interval, cut short when the thread must end.
    void pausa(int ms);
    bool terminato() const { return isInterruptionRequested(); }
    void contaByte(qint64 delta);
    void azzeraByte(qint64 scaricati, qint64 mancanti);

    ParametriDownload p_;
    AmbienteMotore a_;
    Prenotazioni prenotazioni_;
    std::mutex bloccoUrl_;
    QString UrlServizio;
    QString UrlCorrente;
    QString NomeFile;
    QString Sottocartella;
    QString TestoStato;
    QString CookieLogin;
    QString parziale_;             // this row's partial file
    QByteArray validatoreSonda_;   // the probe's strong ETag, else its Last-Modified
    QByteArray validatoreRipresa_; // the one kept with the partial file since its first byte
    qint64 OffsetRipresa = 0;
    qint64 giaSuDisco_ = 0;          // the partial file's bytes before this transfer
    qint64 inizioTrasferimento_ = 0; // where it began writing
    bool linkHost_ = false;          // resolved through the host's pages
    bool risolto_ = false;           // resolved through the host's pages or the service
    Rifiuto rifiuto_ = Rifiuto::Nessuno;
    int erroreScrittura_ = 0;
    int diversi_ = 0;        // passes that found the server's file changed
    int senzaProgresso_ = 0; // passes in a row that brought no new byte
    bool spazio_ = false;    // the last counted failure was a full disk
    std::atomic<bool> trasferendo_{false};
    qint64 bloccoCorrente_ = 0;
    Cadenza cadenza_;
};

// The service's "#0333" answer, "id|url", handed to every running worker of that row.
void InstradaLinkServizio(DownloadAttivi& attivi, const QString& payload);

} // namespace tarvolin::engine
