#include "support/fake_host_site.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <set>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarvolin::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReadTimeoutMs = 5000;
// Long, so that a client whose bandwidth limit pauses reading is not cut off.
constexpr int kWriteTimeoutMs = 60000;
constexpr int kKeepAliveMs = 5000;
constexpr int kPollSliceMs = 50;
constexpr int kRequestsPerConnection = 100;
constexpr size_t kThreads = 32;
constexpr size_t kRecvChunk = 16 * 1024;
constexpr size_t kSendChunk = 64 * 1024;
constexpr const char* kHtml = "text/html; charset=UTF-8";

// A socket stream that keeps the bytes handed to httplib for the current request, so that its
// headers can be logged in the order they arrived.
class RecordingStream final : public httplib::Stream {
public:
    RecordingStream(int sock, const std::atomic<bool>& stopping)
        : sock_(sock), stopping_(stopping) {}

    bool is_readable() const override {
        return pos_ < buffer_.size() || waitFor(POLLIN, kReadTimeoutMs);
    }
    bool is_writable() const override { return waitFor(POLLOUT, kWriteTimeoutMs); }

    ssize_t read(char* ptr, size_t size) override {
        if (pos_ == buffer_.size() && !fill())
            return -1;
        const size_t n = std::min(size, buffer_.size() - pos_);
        std::memcpy(ptr, buffer_.data() + pos_, n);
        consumed_.append(buffer_, pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!waitFor(POLLOUT, kWriteTimeoutMs))
            return -1;
        return ::send(sock_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(&::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(&::getsockname, ip, port);
    }
    socket_t socket() const override { return sock_; }

    bool waitForRequest() const { return pos_ < buffer_.size() || waitFor(POLLIN, kKeepAliveMs); }
    void startRequest() {
        consumed_.clear();
        recorded_ = false;
    }
    const std::string& consumed() const { return consumed_; }
    bool recorded() const { return recorded_; }
    void setRecorded() { recorded_ = true; }

private:
    bool fill() {
        if (!waitFor(POLLIN, kReadTimeoutMs))
            return false;
        buffer_.resize(kRecvChunk);
        const ssize_t n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
        buffer_.resize(n > 0 ? static_cast<size_t>(n) : 0);
        pos_ = 0;
        return n > 0;
    }

    // Waits in short slices so that a stopping server never waits out a whole timeout.
    bool waitFor(short events, int timeoutMs) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!stopping_ && Clock::now() < deadline) {
            pollfd p{sock_, events, 0};
            const int ready = ::poll(&p, 1, kPollSliceMs);
            if (ready != 0)
                return ready > 0;
        }
        return false;
    }

    template <typename Fn> void address(Fn fn, std::string& ip, int& port) const {
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        char text[INET_ADDRSTRLEN] = {};
        if (fn(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
            ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text) != nullptr) {
            ip = text;
            port = ntohs(addr.sin_port);
        }
    }

    int sock_;
    const std::atomic<bool>& stopping_;
    std::string buffer_;
    size_t pos_ = 0;
    std::string consumed_;
    bool recorded_ = false;
};

// The connection being served on this thread; handlers run inside it.
thread_local RecordingStream* tCurrent = nullptr;

class CurrentStream {
public:
    explicit CurrentStream(RecordingStream* stream) { tCurrent = stream; }
    ~CurrentStream() { tCurrent = nullptr; }
    CurrentStream(const CurrentStream&) = delete;
    CurrentStream& operator=(const CurrentStream&) = delete;
};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

CampiModulo headersOnWire(const std::string& raw) {
    const std::string head = raw.substr(0, raw.find("\r\n\r\n"));
    CampiModulo headers;
    size_t start = head.find('\n');
    while (start != std::string::npos) {
        const size_t end = head.find('\n', start + 1);
        const std::string line = head.substr(start + 1, end - start - 1);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            headers.append({QByteArray::fromStdString(line.substr(0, colon)),
                            QByteArray::fromStdString(trimmed(line.substr(colon + 1)))});
        start = end;
    }
    return headers;
}

QByteArray fromStd(const std::string& text) {
    return QByteArray::fromStdString(text);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// RecordingHttpServer

QByteArray RichiestaRicevuta::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

class RecordingHttpServer::Server final : public httplib::Server {
public:
    std::atomic<bool> stopping{false};
    std::atomic<bool> listenReturned{false};

private:
    bool process_and_close_socket(socket_t sock) override {
        {
            RecordingStream stream(sock, stopping);
            CurrentStream current(&stream);
            for (int served = 0; served < kRequestsPerConnection && stream.waitForRequest();
                 ++served) {
                stream.startRequest();
                bool closed = false;
                const bool last = served + 1 == kRequestsPerConnection;
                if (!process_request(stream, last, closed, prepare) || closed)
                    break;
            }
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return true;
    }

    // Handlers answer ranges themselves, and bodies go out exactly as the fake stores them.
    static void prepare(httplib::Request& req) {
        req.ranges.clear();
        req.headers.erase("Accept-Encoding");
    }
};

RecordingHttpServer::RecordingHttpServer() : server_(std::make_unique<Server>()) {
    server_->set_keep_alive_max_count(kRequestsPerConnection);
    // Headers and body go out in separate writes: without this a client waits out a delayed ACK.
    server_->set_tcp_nodelay(true);
    server_->new_task_queue = [] {
        return std::make_unique<httplib::ThreadPool>(kThreads).release();
    };
    // Requests that reached no handler (404, or refused by httplib itself) are logged here.
    server_->set_logger([this](const httplib::Request& req, const httplib::Response&) {
        if (tCurrent != nullptr && !tCurrent->recorded())
            record(req);
    });
}

RecordingHttpServer::~RecordingHttpServer() {
    stop();
}

RecordingHttpServer::Handler RecordingHttpServer::recorded(Handler handler) {
    return
        [this, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
            record(req);
            handler(req, res);
        };
}

void RecordingHttpServer::get(const std::string& pattern, Handler handler) {
    server_->Get(pattern, recorded(std::move(handler)));
}

void RecordingHttpServer::post(const std::string& pattern, Handler handler) {
    server_->Post(pattern, recorded(std::move(handler)));
}

void RecordingHttpServer::start(quint16 port) {
    port_ = port == 0 ? server_->bind_to_any_port("127.0.0.1")
                      : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        server_->listenReturned = true;
    });
    // httplib ignores stop() until its accept loop runs.
    while (!server_->is_running() && !server_->listenReturned)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void RecordingHttpServer::stop() {
    if (!thread_.joinable())
        return;
    server_->stopping = true;
    server_->stop();
    thread_.join();
}

void RecordingHttpServer::record(const httplib::Request& req) {
    RichiestaRicevuta request;
    request.method = fromStd(req.method);
    request.target = fromStd(req.target);
    request.body = fromStd(req.body);
    if (tCurrent != nullptr) {
        request.headers = headersOnWire(tCurrent->consumed());
        tCurrent->setRecorded();
    }
    std::function<void(const RichiestaRicevuta&)> observer;
    {
        std::lock_guard lock(mutex_);
        requests_.append(request);
        observer = observer_;
    }
    if (observer)
        observer(request);
}

QList<RichiestaRicevuta> RecordingHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RecordingHttpServer::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void RecordingHttpServer::onRequest(std::function<void(const RichiestaRicevuta&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

// ---------------------------------------------------------------------------------------------
// Files and forms

namespace {

// One 64-bit mix per 8 bytes: cheap enough for a GiB, and no short period, so a download that
// resumes at the wrong offset cannot match by accident.
quint64 patternWord(quint64 index) {
    quint64 x = index + 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

} // namespace

FileOspitato FileOspitato::generated(QByteArray id, QByteArray name, qint64 size) {
    FileOspitato file;
    file.id = std::move(id);
    file.name = std::move(name);
    file.generatedSize = size;
    return file;
}

qint64 FileOspitato::size() const {
    return generatedSize >= 0 ? generatedSize : content.size();
}

QByteArray FileOspitato::bytes(qint64 offset, qint64 length) const {
    if (generatedSize < 0)
        return content.mid(offset, length);
    return FakeHostSite::patternBytes(offset, std::min(length, generatedSize - offset));
}

QByteArray FakeHostSite::patternBytes(qint64 offset, qint64 length) {
    QByteArray bytes(std::max<qint64>(length, 0), Qt::Uninitialized);
    char* out = bytes.data();
    for (qint64 i = 0; i < bytes.size();) {
        const auto at = static_cast<quint64>(offset + i);
        const quint64 word = patternWord(at / 8);
        for (quint64 shift = at % 8; shift < 8 && i < bytes.size(); ++shift, ++i)
            out[i] = static_cast<char>(word >> (8 * shift));
    }
    return bytes;
}

CampiModulo FakeHostSite::parseForm(const QByteArray& body) {
    CampiModulo fields;
    for (const QByteArray& pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        const auto decode = [](QByteArray text) {
            return QByteArray::fromPercentEncoding(text.replace('+', ' '));
        };
        fields.append({decode(pair.left(equals < 0 ? pair.size() : equals)),
                       equals < 0 ? QByteArray() : decode(pair.mid(equals + 1))});
    }
    return fields;
}

// ---------------------------------------------------------------------------------------------
// Pages

namespace {

const std::string kFillerLine =
    "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</p>\n";

std::optional<QByteArray> field(const CampiModulo& fields, const QByteArray& name) {
    for (const auto& [key, value] : fields) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string layout(const std::string& title, bool loggedIn, const std::string& content) {
    const std::string menu = loggedIn ? "<a href=\"/?op=my_account\">My Account</a> | "
                                        "<a href=\"/?op=logout\">Logout</a>"
                                      : "<a href=\"/?op=registration\"><b>Sign Up</b></a> | "
                                        "<a href=\"/login.html\">Login</a>";
    return "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>" + escapeHtml(title) +
           "</title></head>\n<body>\n<div id=\"top\"><a href=\"/\">Easybytez</a> " + menu +
           "</div>\n<div id=\"content\">\n" + content + "\n</div>\n</body></html>\n";
}

std::string bareHtml(const std::string& content) {
    return "<!DOCTYPE html>\n<html><head><title>Page</title></head><body>\n" + content +
           "\n</body></html>\n";
}

std::string hidden(const std::string& name, const std::string& value) {
    return "<input type=\"hidden\" name=\"" + name + "\" value=\"" + value + "\">\n";
}

std::string loginFormHtml(const std::string& root, const std::string& rand) {
    return "<h2>Login</h2>\n<form method=\"POST\" action=\"" + root + "/\" name=\"FL\">\n" +
           hidden("op", "login") + hidden("redirect", "") + hidden("rand", rand) +
           "Username: <input type=\"text\" name=\"login\">\n"
           "Password: <input type=\"password\" name=\"password\">\n"
           "<input type=\"submit\" value=\"Login\">\n</form>";
}

std::string downloadFormHtml(const FileOspitato& file, const std::string& rand) {
    std::string form = "<h2>Download File <span>" + escapeHtml(file.name.toStdString()) +
                       "</span></h2>\n<p>Size: " + std::to_string(file.size()) +
                       " bytes</p>\n<form name=\"F1\" method=\"POST\" action=\"\">\n" +
                       hidden("op", "download2") + hidden("id", file.id.toStdString()) +
                       hidden("rand", rand) + hidden("referer", "") + hidden("method_free", "") +
                       hidden("method_premium", "1") + hidden("down_direct", "1");
    if (!file.downloadPassword.isEmpty())
        form += "Password: <input type=\"password\" name=\"password\">\n";
    return form + "<input type=\"submit\" value=\"Create Download Link\">\n</form>";
}

std::string directLinkHtml(const std::string& url, const std::string& name) {
    return "<span>This direct link will be available for your IP next 8 hours<br><span><a "
           "href=\"" +
           url + "\">" + escapeHtml(name) + "</a></span></span>";
}

const char* const kNotAvailable = "<h1>File not available</h1>\n<p>The file was removed.</p>";
const char* const kNotFound = "<h2>File Not Found</h2>\n<p>The file expired.</p>";
const char* const kLimit = "<div class=\"err\">You have reached the download-limit: 20000 Mb "
                           "for last 1 days</div>";
const char* const kIncorrectLogin = "<div class=\"err\">Incorrect Login or Password</div>";
const char* const kWrongPassword = "<div class=\"err\">Wrong password</div>";

void streamBytes(httplib::Response& res, qint64 length, const char* type,
                 std::function<QByteArray(qint64, qint64)> source) {
    if (length <= 0) {
        res.set_content(std::string(), type);
        return;
    }
    res.set_content_provider(
        static_cast<size_t>(length), type,
        [source = std::move(source)](size_t offset, size_t left, httplib::DataSink& sink) {
            const QByteArray block = source(static_cast<qint64>(offset),
                                            static_cast<qint64>(std::min(left, kSendChunk)));
            return sink.write(block.constData(), static_cast<size_t>(block.size()));
        });
}

void streamHugePage(httplib::Response& res) {
    streamBytes(res, FakeHostSite::kHugePageBytes, kHtml, [](qint64 offset, qint64 length) {
        QByteArray block;
        block.reserve(length + static_cast<qint64>(kFillerLine.size()));
        auto at = static_cast<size_t>(offset) % kFillerLine.size();
        while (block.size() < length) {
            block.append(kFillerLine.data() + at, static_cast<qsizetype>(kFillerLine.size() - at));
            at = 0;
        }
        block.truncate(length);
        return block;
    });
}

std::string netscapeDate(std::time_t when) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&when, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d-%s-%04d %02d:%02d:%02d GMT", days[tm.tm_wday],
                  tm.tm_mday, months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return text;
}

std::string cookieLine(const std::string& name, const std::string& value, bool httpOnly) {
    const std::time_t expires = std::time(nullptr) + FakeHostSite::kCookieMaxAge;
    return name + "=" + value + "; Path=/; Domain=" + FakeHostSite::kCookieDomain +
           (httpOnly ? "; HttpOnly" : "") +
           "; Max-Age=" + std::to_string(FakeHostSite::kCookieMaxAge) +
           "; Expires=" + netscapeDate(expires);
}

std::string malformedExpiresLine(const std::string& name, const std::string& value) {
    return name + "=" + value + "; Path=/; Domain=" + FakeHostSite::kCookieDomain +
           "; HttpOnly; Expires=Someday, 99-Foo-20X9 25:61:99 GMT";
}

std::string bigCookieLine() {
    return "pad=" + std::string(FakeHostSite::kBigCookieBytes, 'A') +
           "; Path=/; Domain=" + FakeHostSite::kCookieDomain;
}

std::string cookieValue(const httplib::Request& req, const std::string& name) {
    for (size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string line = req.get_header_value("Cookie", i);
        size_t start = 0;
        while (start <= line.size()) {
            const size_t end = std::min(line.find(';', start), line.size());
            const std::string pair = trimmed(line.substr(start, end - start));
            if (pair.rfind(name + "=", 0) == 0)
                return pair.substr(name.size() + 1);
            start = end + 1;
        }
    }
    return {};
}

struct ByteRange {
    qint64 first = 0;
    qint64 last = 0;
};

// A single range "bytes=a-b", "bytes=a-" or "bytes=-n"; nothing for anything else or for a
// range that misses the file.
std::optional<ByteRange> parseRange(const std::string& value, qint64 size) {
    static const std::string prefix = "bytes=";
    if (value.rfind(prefix, 0) != 0)
        return std::nullopt;
    const std::string intervallo = value.substr(prefix.size());
    const size_t dash = intervallo.find('-');
    const auto number = [](const std::string& digits) -> std::optional<qint64> {
        if (digits.empty() || digits.size() > 18 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return std::stoll(digits);
    };
    if (dash == std::string::npos)
        return std::nullopt;
    const auto from = number(intervallo.substr(0, dash));
    const std::string tail = intervallo.substr(dash + 1);
    const auto to = number(tail);
    if (!from) {
        if (!to || *to == 0 || size == 0)
            return std::nullopt;
        return ByteRange{std::max<qint64>(0, size - *to), size - 1};
    }
    if ((!tail.empty() && !to) || *from >= size || (to && *to < *from))
        return std::nullopt;
    return ByteRange{*from, to ? std::min(*to, size - 1) : size - 1};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// FakeHostSite

struct FakeHostSite::State {
    std::map<std::string, std::string> accounts; // e-mail -> password
    std::set<std::string> limited;
    std::map<std::string, std::string> sessions; // xfss -> e-mail
    std::set<std::string> rands;
    std::map<std::string, QByteArray> tokens; // direct-link token -> file id
    std::map<QByteArray, FileOspitato> files;
    LoginPage loginPage = LoginPage::Normal;
    LoginCookies loginCookies = LoginCookies::Normal;
    QList<ModuloRicevuto> logins;
    QList<ModuloRicevuto> forms;
    QList<RichiestaDownload> downloads;
    std::mt19937_64 random{std::random_device{}()};
};

FakeHostSite::FakeHostSite(quint16 port) : state_(std::make_unique<State>()) {
    state_->accounts[kEmail] = kPassword;
    addRoutes();
    server_.start(port);
}

FakeHostSite::~FakeHostSite() {
    server_.stop();
}

QString FakeHostSite::radice() const {
    return QString::fromStdString(root());
}

std::string FakeHostSite::root() const {
    return std::string("http://") + kHost + ":" + std::to_string(server_.port());
}

QString FakeHostSite::link(const QByteArray& id) const {
    return radice() + "/" + QString::fromUtf8(id);
}

void FakeHostSite::setAccount(const QByteArray& email, const QByteArray& password) {
    std::lock_guard lock(mutex_);
    state_->accounts.clear();
    state_->accounts[email.toStdString()] = password.toStdString();
}

void FakeHostSite::addAccount(const QByteArray& email, const QByteArray& password) {
    std::lock_guard lock(mutex_);
    state_->accounts[email.toStdString()] = password.toStdString();
}

void FakeHostSite::setLimitReached(const QByteArray& email, bool reached) {
    std::lock_guard lock(mutex_);
    if (reached)
        state_->limited.insert(email.toStdString());
    else
        state_->limited.erase(email.toStdString());
}

void FakeHostSite::forgetSessions() {
    std::lock_guard lock(mutex_);
    state_->sessions.clear();
}

void FakeHostSite::addFile(const FileOspitato& file) {
    std::lock_guard lock(mutex_);
    state_->files[file.id] = file;
}

void FakeHostSite::removeFile(const QByteArray& id) {
    std::lock_guard lock(mutex_);
    state_->files.erase(id);
}

std::optional<FileOspitato> FakeHostSite::file(const QByteArray& id) const {
    std::lock_guard lock(mutex_);
    const auto it = state_->files.find(id);
    return it == state_->files.end() ? std::nullopt : std::optional(it->second);
}

void FakeHostSite::setLoginPage(LoginPage page) {
    std::lock_guard lock(mutex_);
    state_->loginPage = page;
}

void FakeHostSite::setLoginCookies(LoginCookies cookies) {
    std::lock_guard lock(mutex_);
    state_->loginCookies = cookies;
}

QList<ModuloRicevuto> FakeHostSite::loginAttempts() const {
    std::lock_guard lock(mutex_);
    return state_->logins;
}

QList<ModuloRicevuto> FakeHostSite::downloadForms() const {
    std::lock_guard lock(mutex_);
    return state_->forms;
}

QList<RichiestaDownload> FakeHostSite::downloads() const {
    std::lock_guard lock(mutex_);
    return state_->downloads;
}

void FakeHostSite::clearLogs() {
    server_.clearRequests();
    std::lock_guard lock(mutex_);
    state_->logins.clear();
    state_->forms.clear();
    state_->downloads.clear();
}

void FakeHostSite::onRequest(std::function<void(const RichiestaRicevuta&)> observer) {
    server_.onRequest(std::move(observer));
}

std::string FakeHostSite::randomText() {
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 2);
    std::string text(32, ' ');
    for (char& c : text)
        c = alphabet[pick(state_->random)];
    return text;
}

std::string FakeHostSite::issueRand() {
    std::string rand = randomText();
    state_->rands.insert(rand);
    return rand;
}

std::string FakeHostSite::sessionEmail(const httplib::Request& req) const {
    const auto session = state_->sessions.find(cookieValue(req, "xfss"));
    if (session == state_->sessions.end() || !state_->accounts.count(session->second))
        return {};
    return session->second;
}

void FakeHostSite::addRoutes() {
    using namespace std::placeholders;
    server_.get("/", std::bind(&FakeHostSite::homePage, this, _1, _2));
    server_.get("/login.html", std::bind(&FakeHostSite::loginPage, this, _1, _2));
    server_.post("/", std::bind(&FakeHostSite::loginForm, this, _1, _2));
    addHostileRoutes();
    server_.get(R"(/d/([^/]+)/(.+))", std::bind(&FakeHostSite::fileContent, this, _1, _2));
    server_.get(R"(/([A-Za-z0-9]+))", std::bind(&FakeHostSite::filePage, this, _1, _2));
    server_.post(R"(/([A-Za-z0-9]+))", std::bind(&FakeHostSite::downloadForm, this, _1, _2));
}

void FakeHostSite::addHostileRoutes() {
    server_.get("/hostile/huge",
                [](const httplib::Request&, httplib::Response& res) { streamHugePage(res); });
    server_.get("/hostile/nomarkers", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(bareHtml("<p>Nothing to see here.</p>"), kHtml);
    });
    server_.get("/hostile/bigcookie", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", bigCookieLine());
        res.set_content(bareHtml("<p>A big cookie.</p>"), kHtml);
    });
    server_.get("/hostile/badexpires", [this](const httplib::Request&, httplib::Response& res) {
        std::string session;
        {
            std::lock_guard lock(mutex_);
            session = randomText();
        }
        res.set_header("Set-Cookie", malformedExpiresLine("xfss", session));
        res.set_content(bareHtml("<p>A cookie with a broken date.</p>"), kHtml);
    });
}

void FakeHostSite::homePage(const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex_);
    res.set_content(layout("Easybytez", !sessionEmail(req).empty(), "<h2>Welcome</h2>"), kHtml);
}

void FakeHostSite::loginPage(const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex_);
    switch (state_->loginPage) {
    case LoginPage::Huge:
        streamHugePage(res);
        return;
    case LoginPage::NoMarkers:
        res.set_content(bareHtml("<p>Maintenance.</p>"), kHtml);
        return;
    case LoginPage::Normal:
        res.set_content(
            layout("Login", !sessionEmail(req).empty(), loginFormHtml(root(), issueRand())), kHtml);
        return;
    }
}

void FakeHostSite::loginForm(const httplib::Request& req, httplib::Response& res) {
    const QByteArray body = fromStd(req.body);
    const CampiModulo fields = parseForm(body);
    const QByteArray email = field(fields, "login").value_or(QByteArray());
    const QByteArray rand = field(fields, "rand").value_or(QByteArray());
    const QByteArray password = field(fields, "password").value_or(QByteArray());

    std::lock_guard lock(mutex_);
    state_->logins.append({fromStd(req.target), fields, body});
    const auto account = state_->accounts.find(email.toStdString());
    const bool accepted =
        field(fields, "op") == "login" && state_->rands.erase(rand.toStdString()) > 0 &&
        account != state_->accounts.end() && account->second == password.toStdString();
    if (!accepted) {
        res.set_content(layout("Login", false,
                               std::string(kIncorrectLogin) + loginFormHtml(root(), issueRand())),
                        kHtml);
        return;
    }
    const std::string session = randomText();
    state_->sessions[session] = account->first;
    if (state_->loginCookies == LoginCookies::MalformedExpires)
        res.set_header("Set-Cookie", malformedExpiresLine("xfss", session));
    else
        res.set_header("Set-Cookie", cookieLine("xfss", session, true));
    res.set_header("Set-Cookie", cookieLine("login", account->first, false));
    if (state_->loginCookies == LoginCookies::BigExtraCookie)
        res.set_header("Set-Cookie", bigCookieLine());
    res.set_content(
        layout("My Account", true,
               "<h2>My Account</h2>\n<p>Logged in as " + escapeHtml(account->first) + ".</p>"),
        kHtml);
}

void FakeHostSite::filePage(const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex_);
    const std::string email = sessionEmail(req);
    const auto file = state_->files.find(fromStd(req.matches[1]));
    if (file == state_->files.end()) {
        res.set_content(layout("File not available", !email.empty(), kNotAvailable), kHtml);
        return;
    }
    const FileOspitato& f = file->second;
    const bool loggedIn = !email.empty();
    switch (f.page) {
    case FilePage::NotAvailable:
        res.set_content(layout("File not available", loggedIn, kNotAvailable), kHtml);
        return;
    case FilePage::NotFound:
        res.set_content(layout("File Not Found", loggedIn, kNotFound), kHtml);
        return;
    case FilePage::NotAvailableAndLimit:
        res.set_content(layout("File", loggedIn, std::string(kLimit) + "\n" + kNotAvailable),
                        kHtml);
        return;
    case FilePage::IncorrectLogin:
        res.set_content(layout("File", loggedIn, kIncorrectLogin), kHtml);
        return;
    case FilePage::NoMarkers:
        res.set_content(bareHtml("<p>Please come back later.</p>"), kHtml);
        return;
    case FilePage::Huge:
        streamHugePage(res);
        return;
    case FilePage::Download:
        break;
    }
    const std::string content = loggedIn && state_->limited.count(email)
                                    ? std::string(kLimit)
                                    : downloadFormHtml(f, issueRand());
    res.set_content(layout("Download " + f.name.toStdString(), loggedIn, content), kHtml);
}

void FakeHostSite::downloadForm(const httplib::Request& req, httplib::Response& res) {
    const QByteArray id = fromStd(req.matches[1]);
    const QByteArray body = fromStd(req.body);
    const CampiModulo fields = parseForm(body);

    std::unique_lock lock(mutex_);
    state_->forms.append({fromStd(req.target), fields, body});
    const std::string email = sessionEmail(req);
    const auto file = state_->files.find(id);
    const bool valid = !email.empty() && file != state_->files.end() &&
                       file->second.page == FilePage::Download && !state_->limited.count(email) &&
                       field(fields, "op") == "download2" && field(fields, "id") == id &&
                       state_->rands.erase(field(fields, "rand").value_or("").toStdString()) > 0;
    if (!valid) {
        // As a browser would see it: the page the form came from, again.
        lock.unlock();
        filePage(req, res);
        return;
    }
    const FileOspitato f = file->second;
    const std::string name = f.name.toStdString();
    const auto linkHtml = [&] {
        const std::string token = randomText();
        state_->tokens[token] = f.id;
        return directLinkHtml(root() + "/d/" + token + "/" + name, name);
    };
    const std::optional<QByteArray> password = field(fields, "password");
    if (!f.downloadPassword.isEmpty() && password != f.downloadPassword) {
        const std::string link = f.linkWithWrongPassword ? linkHtml() + "\n" : std::string();
        res.set_content(layout("Download " + name, true,
                               link + kWrongPassword + "\n" + downloadFormHtml(f, issueRand())),
                        kHtml);
        return;
    }
    switch (f.answer) {
    case LinkAnswer::Link:
        res.set_content(layout("Download " + name, true, linkHtml()), kHtml);
        return;
    case LinkAnswer::NoMarker:
        res.set_content(layout("Download " + name, true, "<p>Your link is on its way.</p>"), kHtml);
        return;
    case LinkAnswer::MarkerWithoutHref:
        res.set_content(layout("Download " + name, true,
                               "<span>This direct link will be available for your IP next 8 "
                               "hours<br><span>Link expired</span></span> <a href=\"/\">Home</a>"),
                        kHtml);
        return;
    case LinkAnswer::Huge:
        streamHugePage(res);
        return;
    }
}

void FakeHostSite::fileContent(const httplib::Request& req, httplib::Response& res) {
    RichiestaDownload request{fromStd(req.target), fromStd(req.get_header_value("Range")), 404};
    std::optional<FileOspitato> found;
    {
        std::lock_guard lock(mutex_);
        const auto token = state_->tokens.find(req.matches[1]);
        if (token != state_->tokens.end()) {
            const auto file = state_->files.find(token->second);
            if (file != state_->files.end() && file->second.name == fromStd(req.matches[2]))
                found = file->second;
        }
    }
    const auto finish = [&](int status) {
        request.status = status;
        res.status = status;
        std::lock_guard lock(mutex_);
        state_->downloads.append(request);
    };
    if (!found) {
        finish(404);
        res.set_content("File not found\n", "text/plain");
        return;
    }
    const qint64 size = found->size();
    res.set_header("Accept-Ranges", "bytes");
    res.set_header("Content-Disposition",
                   "attachment; filename=\"" + found->name.toStdString() + "\"");
    ByteRange range{0, size - 1};
    if (req.has_header("Range")) {
        const auto parsed = parseRange(req.get_header_value("Range"), size);
        if (!parsed) {
            finish(416);
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        }
        range = *parsed;
        res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                            std::to_string(range.last) + "/" +
                                            std::to_string(size));
        finish(206);
    } else {
        finish(200);
    }
    streamBytes(res, range.last - range.first + 1,
                found->type.isEmpty() ? "application/octet-stream" : found->type.constData(),
                [file = *found, first = range.first](qint64 offset, qint64 length) {
                    return file.bytes(first + offset, length);
                });
}

} // namespace tarvolin::test
