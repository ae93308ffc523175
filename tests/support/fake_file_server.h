#pragma once

#include "support/fake_host_site.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace tarvolin::test {

// How a response without Content-Length ends.
enum class SenzaLunghezza {
    No,      // Content-Length is sent
    Chunked, // Transfer-Encoding: chunked
    Chiusura // the server closes the connection after the last byte
};

// Faults for one path; they combine, except that a redirect, a `stato` answer or an error page
// replaces the file. The first `dopo` requests see none of them (the file is served plainly,
// with its name, type and pace); from then on `volte` limits every fault except ignoraRange,
// redirectA and senzaLunghezza, which hit every later request.
struct Guasti {
    bool ignoraRange = false;      // 200 with the whole body, and no Accept-Ranges
    int stato = 0;                 // answered with no body instead of the file; 0: the file
    int dopo = 0;                  // the first N requests are served clean
    int volte = -1;                // the counted faults hit only the N requests after `dopo`
    qint64 interrompiDopo = -1;    // the connection closes after this many body bytes
    std::optional<quint32> varia;  // each cut falls instead in [N/2, 3N/2), from this seed
    QByteArray contentDisposition; // sent as is
    QByteArray redirectA;          // 302 to this path on the server, or to this full URL
    qint64 lento = 0;              // body bytes per second; 0: as fast as the socket takes them
    SenzaLunghezza senzaLunghezza = SenzaLunghezza::No;
    QByteArray tipo; // Content-Type of the file; empty: application/octet-stream

    // 200, text/html, this body with its own length, instead of the file: an expired link.
    QByteArray paginaErrore;
    bool paginaSoloSuRipresa = false; // the page only for a Range starting past byte 0

    // A 206 whose Content-Range lies: its first and last byte are moved by scartoInizio and the
    // total by scartoTotale, while the bytes are those asked for. scartoNascosto instead moves
    // the bytes sent (past the end: the pattern goes on, or zeros) under a truthful header.
    qint64 scartoInizio = 0;
    qint64 scartoTotale = 0;
    qint64 scartoNascosto = 0;

    // The body runs this many bytes past its announced end, chunked (or close-delimited when
    // senzaLunghezza says so); headers keep the true sizes.
    qint64 byteInPiu = 0;

    // Each request sees a new ETag and Last-Modified, as if the file were replaced between
    // requests (its bytes stay the same). Otherwise they follow the content.
    bool etagVariabile = false;

    // The response stops for bloccaMs, the connection open: before its headers (bloccaPrima) or
    // after bloccaDopo body bytes. ferma() and the destructor end every stop at once.
    qint64 bloccaDopo = -1;
    bool bloccaPrima = false;
    int bloccaMs = 30000;
};

struct RichiestaFile {
    QByteArray metodo;
    QByteArray path;    // raw target, as on the request line
    QByteArray range;   // the Range header, empty when absent
    QByteArray ifRange; // the If-Range header, empty when absent
    int stato = 0;
    qint64 byteInviati = 0; // body bytes written so far
};

// A file server on 127.0.0.1 for the download engine's tests, with faults per path. Paths are
// given decoded ("/a b.bin"); url() encodes them. GET and HEAD only. A Range that httplib itself
// cannot parse is refused by httplib with 416 and is not logged. Every file answer carries a
// strong ETag and a Last-Modified; a ranged request whose If-Range matches neither gets the
// whole file with 200.
class FakeFileServer {
public:
    // Listens at once; throws std::runtime_error when the port cannot be bound.
    explicit FakeFileServer(quint16 port = 0);
    ~FakeFileServer();
    FakeFileServer(const FakeFileServer&) = delete;
    FakeFileServer& operator=(const FakeFileServer&) = delete;

    int porta() const { return port_; }
    QString radice() const; // "http://127.0.0.1:PORT"
    QString url(const QByteArray& path) const;

    // Replacing a file keeps its faults; a transfer under way keeps the bytes it started with.
    void aggiungi(const QByteArray& path, QByteArray contenuto);
    void aggiungiGenerato(const QByteArray& path, qint64 size, quint32 seed);
    void cambiaContenuto(const QByteArray& path, QByteArray nuovo) {
        aggiungi(path, std::move(nuovo));
    }
    void imposta(const QByteArray& path, const Guasti& guasti); // `volte` counts from here

    QList<RichiestaFile> richieste() const;
    int conteggio(const QByteArray& path) const; // requests for that path since azzera()
    void azzera();                               // also restarts every `volte` count

    // Stopping drops every connection; restarting listens on the same port again.
    void ferma();
    void riavvia();

    static QByteArray bytesGenerati(quint32 seed, qint64 offset, qint64 len);

private:
    struct Stato;
    void avvia(quint16 port);
    void servi(const httplib::Request& req, httplib::Response& res);
    bool attendi(int ms); // false when ferma() cut the wait short

    mutable std::mutex mutex_;
    std::condition_variable svegliaFermi_;
    bool fermo_ = false; // set by ferma(): stopped responses go on and new ones do not stop
    std::unique_ptr<Stato> stato_;
    int port_ = 0;
    std::unique_ptr<RecordingHttpServer> server_; // last, so that it stops before the state goes
};

} // namespace tarvolin::test
