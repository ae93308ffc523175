#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Only the fakes' own sources need the whole server header.
namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// Stand-ins for the file host's web site and (in fake_maker_site.h) the maker's web site, on
// 127.0.0.1, each on its own threads so they keep answering while the caller's thread is blocked.
namespace tarvolin::test {

using CampiModulo = QList<QPair<QByteArray, QByteArray>>;

// One request as it came off the wire.
struct RichiestaRicevuta {
    QByteArray method;
    QByteArray target;   // as on the request line: still percent-encoded, query included
    CampiModulo headers; // in the order received, names as sent
    QByteArray body;

    // First header of that name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// An HTTP server on 127.0.0.1 that logs every request with its headers in the order received
// (httplib itself keeps them sorted by name). Both fake sites are built on it.
class RecordingHttpServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    RecordingHttpServer();
    ~RecordingHttpServer();
    RecordingHttpServer(const RecordingHttpServer&) = delete;
    RecordingHttpServer& operator=(const RecordingHttpServer&) = delete;

    // Routes are matched in the order they were added; add them all before start(). The server
    // neither compresses answers nor applies Range headers: a handler does that itself.
    void get(const std::string& pattern, Handler handler);
    void post(const std::string& pattern, Handler handler);

    // Throws std::runtime_error when the port cannot be bound.
    void start(quint16 port);
    void stop();
    int port() const { return port_; }

    QList<RichiestaRicevuta> requests() const;
    void clearRequests();
    // Runs on a server thread for every request, before the handler answers it.
    void onRequest(std::function<void(const RichiestaRicevuta&)> observer);

private:
    class Server;
    Handler recorded(Handler handler);
    void record(const httplib::Request& req);

    std::unique_ptr<Server> server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    QList<RichiestaRicevuta> requests_;
    std::function<void(const RichiestaRicevuta&)> observer_;
};

// What the file page shows a logged-in visitor.
enum class FilePage {
    Download,             // the download form
    NotAvailable,         // "<h1>File not available</h1>"
    NotFound,             // "<h2>File Not Found</h2>"
    NotAvailableAndLimit, // the missing marker and the download-limit marker together
    IncorrectLogin,       // "Incorrect Login or Password", without any login having been posted
    NoMarkers,            // a page with no marker and no form
    Huge,                 // FakeHostSite::kHugePageBytes of filler, streamed, no marker
};

// What the download form answers when the form is valid.
enum class LinkAnswer {
    Link,              // "This direct link will be ..." with the link
    NoMarker,          // no "This direct link will be"
    MarkerWithoutHref, // the marker, but no href before the next </span>
    Huge,              // FakeHostSite::kHugePageBytes of filler, streamed
};

struct FileOspitato {
    QByteArray id;               // [A-Za-z0-9]+
    QByteArray name;             // UTF-8, may hold spaces and U+A789
    QByteArray content;          // ignored when generatedSize >= 0
    qint64 generatedSize = -1;   // served as patternBytes(), so a huge file costs no memory
    QByteArray downloadPassword; // empty: the file is not protected
    FilePage page = FilePage::Download;
    LinkAnswer answer = LinkAnswer::Link;
    bool linkWithWrongPassword = false; // the ">Wrong password<" page also carries the link
    QByteArray type;                    // Content-Type of the download; empty: a binary file

    static FileOspitato generated(QByteArray id, QByteArray name, qint64 size);
    qint64 size() const;
    QByteArray bytes(qint64 offset, qint64 length) const;
};

// A form post as received: fields decoded, in the order sent.
struct ModuloRicevuto {
    QByteArray target;
    CampiModulo fields;
    QByteArray body; // raw
};

struct RichiestaDownload {
    QByteArray target; // raw, still percent-encoded
    QByteArray range;  // the Range header, empty when absent
    int status = 0;
};

// The file host's site at http://www.easybytez.localhost:PORT (libcurl resolves *.localhost to
// the loopback address itself). Routes:
//   GET  /                 home page
//   GET  /login.html       login form with hidden op=login and a fresh rand
//   POST /                 login form: sets the xfss and login cookies, or "Incorrect Login..."
//   GET  /<id>             file page ("<b>Sign Up</b>" for visitors without a session)
//   POST /<id>             download form: the direct link, or ">Wrong password<"
//   GET  /d/<token>/<name> the file, with single byte ranges (httplib itself answers 416 to a
//                          Range it cannot parse, and that request reaches only requests())
//   GET  /hostile/huge, /hostile/nomarkers, /hostile/bigcookie, /hostile/badexpires
class FakeHostSite {
public:
    static constexpr const char* kHost = "www.easybytez.localhost";
    static constexpr const char* kCookieDomain = ".easybytez.localhost";
    static constexpr const char* kEmail = "demo@easybytez.localhost";
    static constexpr const char* kPassword = "demo-password";
    static constexpr qint64 kHugePageBytes = 50LL * 1024 * 1024;
    static constexpr int kBigCookieBytes = 1024 * 1024;
    static constexpr int kCookieMaxAge = 2592000;

    enum class LoginPage { Normal, Huge, NoMarkers };
    enum class LoginCookies {
        Normal,
        BigExtraCookie,   // also a Set-Cookie line of kBigCookieBytes
        MalformedExpires, // xfss comes with an Expires that is no date, and no Max-Age
    };

    // Listens at once; throws std::runtime_error when the port cannot be bound.
    explicit FakeHostSite(quint16 port = 0);
    ~FakeHostSite();
    FakeHostSite(const FakeHostSite&) = delete;
    FakeHostSite& operator=(const FakeHostSite&) = delete;

    int porta() const { return server_.port(); }
    QString radice() const; // "http://www.easybytez.localhost:PORT"
    QString link(const QByteArray& id) const;

    // The site starts with one account, kEmail / kPassword.
    void setAccount(const QByteArray& email, const QByteArray& password); // the only one
    void addAccount(const QByteArray& email, const QByteArray& password);
    void setLimitReached(const QByteArray& email, bool reached);
    void forgetSessions(); // every xfss cookie issued so far stops counting as logged in

    void addFile(const FileOspitato& file); // replaces a file with the same id
    void removeFile(const QByteArray& id);  // its page then reports it missing
    std::optional<FileOspitato> file(const QByteArray& id) const;

    void setLoginPage(LoginPage page);
    void setLoginCookies(LoginCookies cookies);

    QList<RichiestaRicevuta> requests() const { return server_.requests(); }
    QList<ModuloRicevuto> loginAttempts() const;
    QList<ModuloRicevuto> downloadForms() const;
    QList<RichiestaDownload> downloads() const;
    void clearLogs();
    void onRequest(std::function<void(const RichiestaRicevuta&)> observer);

    // URL-encoded form fields in order, '+' read as a space.
    static CampiModulo parseForm(const QByteArray& body);
    // The content of generated files: byte i of a file is byte i of this endless pattern.
    static QByteArray patternBytes(qint64 offset, qint64 length);

private:
    struct State;
    void addRoutes();
    void homePage(const httplib::Request& req, httplib::Response& res);
    void loginPage(const httplib::Request& req, httplib::Response& res);
    void loginForm(const httplib::Request& req, httplib::Response& res);
    void filePage(const httplib::Request& req, httplib::Response& res);
    void downloadForm(const httplib::Request& req, httplib::Response& res);
    void fileContent(const httplib::Request& req, httplib::Response& res);
    void addHostileRoutes();
    std::string sessionEmail(const httplib::Request& req) const; // caller holds mutex_
    std::string randomText();                                    // caller holds mutex_
    std::string issueRand();                                     // caller holds mutex_
    std::string root() const;

    mutable std::mutex mutex_;
    std::unique_ptr<State> state_;
    RecordingHttpServer server_; // last, so that it stops before the state goes
};

} // namespace tarvolin::test
