#pragma once

#include "engine/attivi.h"
#include "engine/velocita.h"
#include "host/easybytez.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace tarvolin::net {
class ClientHttp;
struct Risposta;
} // namespace tarvolin::net

namespace tarvolin::motore {

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
    };
    EsitoPassata passata(net::ClientHttp& client);
    EsitoPassata risolvi();
    EsitoPassata sonda(net::ClientHttp& client, net::Risposta& risposta);
    EsitoPassata trasferisci(net::ClientHttp& client, FileParziale& file, int stato);
    // The file has exactly the announced length and is on the disk: move it and record it.
    void completa();
    void dopoIlCiclo(qint64 tentativi);
    // The archive of a complete group, extracted by the worker whose file completed it.
    void Estrazione();
    bool riceviBlocco(FileParziale& file, const char* dati, size_t n);
    void segnala(const QString& codice, const QString& payload);
    void sulPrincipale(const std::function<void(ProgrammaMotore&)>& fn);
    bool terminato() const { return isInterruptionRequested(); }
    void contaByte(qint64 delta);
    void azzeraByte(qint64 scaricati, qint64 mancanti);
    QString percorsoParziale() const;

    ParametriDownload p_;
    AmbienteMotore a_;
    QMutex bloccoUrl_;
    QString UrlServizio;
    QString UrlCorrente;
    QString NomeFile;
    QString Sottocartella;
    QString TestoStato;
    QString CookieLogin;
    qint64 OffsetRipresa = 0;
    bool linkHost_ = false;
    bool ricominciaDaZero_ = false;
    int erroreScrittura_ = 0;
    qint64 bloccoCorrente_ = 0;
    Cadenza cadenza_;
};

// The service's "#0333" answer, "id|url", handed to every running worker of that row.
void InstradaLinkServizio(DownloadAttivi& attivi, const QString& payload);

} // namespace tarvolin::motore
