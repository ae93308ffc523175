#include "server_prova.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tarvolin::net::prova {

namespace {

class Descrittore {
public:
    explicit Descrittore(int fd) : fd_(fd) {}
    ~Descrittore() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descrittore(const Descrittore&) = delete;
    Descrittore& operator=(const Descrittore&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Binds a TCP socket to 127.0.0.1 on a free port; returns the socket and sets `porta`.
int SocketLocale(int& porta) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in indirizzo{};
    indirizzo.sin_family = AF_INET;
    indirizzo.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t lunghezza = sizeof(indirizzo);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&indirizzo), sizeof(indirizzo)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&indirizzo), &lunghezza) != 0)
        throw std::runtime_error("socket di prova");
    porta = ntohs(indirizzo.sin_port);
    return fd;
}

bool Leggibile(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

} // namespace

ServerHttp::ServerHttp() : server_(std::make_unique<httplib::Server>()) {
    server_->set_tcp_nodelay(true); // applies to the sockets bound after it
    server_->set_keep_alive_timeout(1);
    server_->set_keep_alive_max_count(1000);
    porta_ = server_->bind_to_any_port("127.0.0.1");
}

ServerHttp::~ServerHttp() {
    {
        std::lock_guard lock(mutex_);
        finito_ = true;
    }
    fine_.notify_all();
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

void ServerHttp::Avvia() {
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() does nothing until the server runs.
    while (!server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

QString ServerHttp::Url(const QString& percorso) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(porta_).arg(percorso);
}

void ServerHttp::AttendiFine(std::chrono::milliseconds massimo) {
    std::unique_lock lock(mutex_);
    fine_.wait_for(lock, massimo, [this] { return finito_; });
}

ServerGrezzo::ServerGrezzo() {
    ascolto_ = SocketLocale(porta_);
    ::listen(ascolto_, 8);
    thread_ = std::thread([this] { Servi(); });
}

ServerGrezzo::~ServerGrezzo() {
    fine_ = true;
    thread_.join();
    ::close(ascolto_);
}

QString ServerGrezzo::Url(const QString& percorso) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(porta_).arg(percorso);
}

std::vector<ServerGrezzo::Ricevuta> ServerGrezzo::Ricevute() const {
    std::lock_guard lock(mutex_);
    return ricevute_;
}

void ServerGrezzo::Servi() {
    while (!fine_) {
        if (!Leggibile(ascolto_, 20))
            continue;
        const Descrittore connessione(::accept4(ascolto_, nullptr, nullptr, SOCK_CLOEXEC));
        if (connessione.get() >= 0)
            Rispondi(connessione.get());
    }
}

void ServerGrezzo::Rispondi(int connessione) {
    QByteArray dati;
    qsizetype fineTesta = -1;
    qsizetype attesi = -1;
    char buffer[65536];
    while (attesi < 0 || dati.size() < attesi) {
        if (!Leggibile(connessione, 2000))
            return;
        const ssize_t n = ::recv(connessione, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        dati.append(buffer, n);
        if (fineTesta < 0 && (fineTesta = dati.indexOf("\r\n\r\n")) >= 0) {
            const QByteArray testa = dati.left(fineTesta).toLower();
            const qsizetype cl = testa.indexOf("\r\ncontent-length:");
            const qint64 lunghezza = cl < 0
                                         ? 0
                                         : testa.mid(cl + 17, testa.indexOf('\r', cl + 2) - cl - 17)
                                               .trimmed()
                                               .toLongLong();
            attesi = fineTesta + 4 + lunghezza;
        }
    }
    {
        std::lock_guard lock(mutex_);
        ricevute_.push_back({dati.left(fineTesta), dati.mid(fineTesta + 4)});
    }
    static const char kRisposta[] =
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
    (void)::send(connessione, kRisposta, sizeof(kRisposta) - 1, MSG_NOSIGNAL);
}

int PortaChiusa() {
    int porta = 0;
    const Descrittore fd(SocketLocale(porta));
    return porta;
}

} // namespace tarvolin::net::prova
