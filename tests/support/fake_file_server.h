#pragma once

#include "support/fake_host_site.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

// Faults for one path; they combine, except that a redirect or a `stato` answer has no body.
struct Guasti {
    bool ignoraRange = false;      // 200 with the whole body, and no Accept-Ranges
    int stato = 0;                 // answered with no body instead of the file; 0: the file
    int volte = -1;                // `stato` and `interrompiDopo` hit only the first N requests
    qint64 interrompiDopo = -1;    // the connection closes after this many body bytes
    std::optional<quint32> varia;  // each cut falls instead in [N/2, 3N/2), from this seed
    QByteArray contentDisposition; // sent as is
    QByteArray redirectA;          // 302 to this path on the server, or to this full URL
    qint64 lento = 0;              // body bytes per second; 0: as fast as the socket takes them
    SenzaLunghezza senzaLunghezza = SenzaLunghezza::No;
};

struct RichiestaFile {
    QByteArray metodo;
    QByteArray path;  // raw target, as on the request line
    QByteArray range; // the Range header, empty when absent
    int stato = 0;
    qint64 byteInviati = 0; // body bytes written so far
};

// A file server on 127.0.0.1 for the download engine's tests, with faults per path. Paths are
// given decoded ("/a b.bin"); url() encodes them. GET and HEAD only. A Range that httplib itself
// cannot parse is refused by httplib with 416 and is not logged.
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

    mutable std::mutex mutex_;
    std::unique_ptr<Stato> stato_;
    int port_ = 0;
    std::unique_ptr<RecordingHttpServer> server_; // last, so that it stops before the state goes
};

} // namespace tarvolin::test
