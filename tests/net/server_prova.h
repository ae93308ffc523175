#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace tarvolin::net::prova {

// A cpp-httplib server on 127.0.0.1, run on its own thread once its routes are in.
class ServerHttp {
public:
    ServerHttp();
    ~ServerHttp();
    ServerHttp(const ServerHttp&) = delete;
    ServerHttp& operator=(const ServerHttp&) = delete;

    httplib::Server& Rotte() { return *server_; }
    void Avvia();
    QString Url(const QString& percorso) const;
    // For handlers that stall: returns when the server is ending or `massimo` has passed.
    void AttendiFine(std::chrono::milliseconds massimo);

private:
    std::unique_ptr<httplib::Server> server_;
    int porta_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable fine_;
    bool finito_ = false;
};

// Records each request exactly as it arrived, header order included (cpp-httplib keeps
// headers in a sorted map), and answers "ok".
class ServerGrezzo {
public:
    struct Ricevuta {
        QByteArray testa; // request line and headers, without the blank line
        QByteArray corpo;
    };
    ServerGrezzo();
    ~ServerGrezzo();
    ServerGrezzo(const ServerGrezzo&) = delete;
    ServerGrezzo& operator=(const ServerGrezzo&) = delete;

    QString Url(const QString& percorso) const;
    std::vector<Ricevuta> Ricevute() const;

private:
    void Servi();
    void Rispondi(int connessione);

    int ascolto_ = -1;
    int porta_ = 0;
    std::atomic<bool> fine_{false};
    mutable std::mutex mutex_;
    std::vector<Ricevuta> ricevute_;
    std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on.
int PortaChiusa();

} // namespace tarvolin::net::prova
