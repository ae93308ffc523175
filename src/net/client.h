#pragma once

#include "net/cookie.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The program's HTTP/1.1 client: blocking, one per thread, never through a proxy, TLS verified
// against the system store.
namespace tarvolin::net {

struct Profilo {
    QList<QPair<QByteArray, QByteArray>> intestazioni; // sent in this order and spelling
    int timeoutLetturaMs = 60000; // no byte received for this long fails the transfer
    int massimoRedirect = 15;
    ArchivioCookie* cookie = nullptr; // nullptr: no cookies kept
    // Asked about once a second and on every block, also while nothing arrives; true aborts the
    // request under way, so a thread that must end is not held by a server that hangs.
    std::function<bool()> annulla;
};

struct Risposta {
    bool ok = false; // transport succeeded, body complete, status below 400
    QString errore;  // why not, when !ok
    long stato = 0;  // status of the final response, 0 if none arrived
    QByteArray corpo;
    QString urlFinale;                                 // after redirects, percent-encoded
    QList<QPair<QByteArray, QByteArray>> intestazioni; // of the final response, as received

    QByteArray Intestazione(const QByteArray& nome) const; // first value, any letter case
    qint64 ContentLength() const;                          // -1 when absent or invalid
};

struct Richiesta {
    QString url;
    // Not empty: a URL-encoded form POST of these fields in this order; the profile's
    // Content-Type is replaced where it stands (appended when it has none).
    QList<QPair<QString, QString>> campi;
    // Set: a form POST of this body, already encoded by the caller; `campi` is then unused.
    std::optional<QByteArray> corpoModulo;
    std::optional<QByteArray> range; // the Range header value, e.g. "bytes=100-199"
    QList<QPair<QByteArray, QByteArray>> intestazioni; // sent after Range, in this order
    // When set, the body of a final response below 400 goes here instead of Risposta::corpo
    // (error pages still go to corpo); false aborts.
    std::function<bool(const char*, size_t)> scrivi;
    // Once, when the headers of the final response are in and before any body byte; false stops
    // there, and the request then counts as successful with an empty body.
    std::function<bool(const Risposta&)> inizioCorpo;
    // As body bytes of a final response below 400 arrive, with the total so far; false aborts.
    std::function<bool(qint64 ricevuti)> progresso;
    qint64 limiteCorpo = 16 * 1024 * 1024; // of a body read into memory
};

class ClientHttp {
public:
    explicit ClientHttp(Profilo profilo);
    ~ClientHttp();
    ClientHttp(const ClientHttp&) = delete;
    ClientHttp& operator=(const ClientHttp&) = delete;

    Risposta Esegui(const Richiesta& richiesta); // GET, or POST when campi is not empty
    Risposta Get(const QString& url);
    Risposta Post(const QString& url, const QList<QPair<QString, QString>>& campi);

private:
    struct Stato;
    std::unique_ptr<Stato> stato_;
};

} // namespace tarvolin::net
