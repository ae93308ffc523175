#pragma once

#include "support/fake_host_site.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <mutex>

namespace tarvolin::test {

// How a file's body goes out.
enum class Invio {
    Intero,         // with its Content-Length
    SenzaLunghezza, // chunked, no length declared
    Troncato,       // its whole length declared, then the connection drops half way
};

// One file of the maker's site, served as it is.
struct Risorsa {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/plain";
    CampiModulo headers; // extra answer headers, e.g. a Content-Encoding for a body stored packed
    Invio invio = Invio::Intero;
};

// The maker's web site at http://127.0.0.1:PORT: every GET is answered from a table of paths, so
// a new file of the site is one more setResource(). A path missing from the table gets 404.
class FakeMakerSite {
public:
    static constexpr const char* kHostingPath = "/hosting.ini";

    // Listens at once; throws std::runtime_error when the port cannot be bound. Serves
    // defaultHostingList() at kHostingPath.
    explicit FakeMakerSite(quint16 port = 0);
    ~FakeMakerSite();
    FakeMakerSite(const FakeMakerSite&) = delete;
    FakeMakerSite& operator=(const FakeMakerSite&) = delete;

    int porta() const { return server_.port(); }
    QString radice() const; // "http://127.0.0.1:PORT"

    void setResource(const QByteArray& path, const Risorsa& resource);
    void removeResource(const QByteArray& path);

    void setHostingList(const QByteArray& body); // with status 200
    void setHostingStatus(int status);           // keeps the body
    void serveManyHostingLines(int count = 100000);
    void serveBinaryHostingList();

    // CR LF lines naming the fake host site.
    static QByteArray defaultHostingList();
    // `count` lines; only the last names the fake host site.
    static QByteArray manyHostingLines(int count);
    // Every byte value, NUL, CR and LF included, in a fixed order.
    static QByteArray binaryBytes();

    QList<RichiestaRicevuta> requests() const { return server_.requests(); }
    void clearRequests() { server_.clearRequests(); }
    void onRequest(std::function<void(const RichiestaRicevuta&)> observer);

private:
    void serve(const httplib::Request& req, httplib::Response& res) const;

    mutable std::mutex mutex_;
    std::map<QByteArray, Risorsa> resources_;
    RecordingHttpServer server_; // last, so that it stops before the table goes
};

} // namespace tarvolin::test
