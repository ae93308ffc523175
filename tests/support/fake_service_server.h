#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A stand-in for the Tarvolin service server on 127.0.0.1. Its frame codec is written apart from
// the program's own, so that a fault in either one shows up as a mismatch instead of cancelling
// out. It runs on its own thread with plain sockets, so it keeps answering while the caller's
// thread (the Qt main thread included) is blocked.
namespace tarvolin::test {

struct FrameRicevuto {
    QByteArray code;    // first 5 bytes of the message, e.g. "#0666"
    QByteArray payload; // the rest of the message
    QByteArray raw;     // the ciphertext as received, without the terminator
    bool decodificato = false;
};

class FakeServiceServer {
public:
    using Reply = QList<QPair<QByteArray, QByteArray>>; // (code, payload) frames to answer with
    using ReplyFn = std::function<Reply(const FrameRicevuto&)>;

    static constexpr const char* kTerminator = "%#the%#end%#";
    static constexpr qsizetype kMaxPendingBytes = 64 * 1024 * 1024;

    // Listens at once; throws std::runtime_error when the port cannot be bound.
    explicit FakeServiceServer(quint16 port = 0);
    ~FakeServiceServer();
    FakeServiceServer(const FakeServiceServer&) = delete;
    FakeServiceServer& operator=(const FakeServiceServer&) = delete;

    quint16 port() const { return port_; }
    QString address() const; // "127.0.0.1:<port>", the form TARVOLIN_SERVICE takes
    int connections() const;
    bool connected() const;
    QList<FrameRicevuto> frames() const;
    bool waitForFrames(int count, int timeoutMs);
    bool waitForConnection(int count, int timeoutMs);

    // These write to the client connected at the moment of the call and return false when there
    // is none; wait for the connection first.
    bool send(const QByteArray& code, const QByteArray& payload);
    bool sendSplit(const QByteArray& code, const QByteArray& payload, int pieces, int pauseMs);
    bool sendRaw(const QByteArray& bytes);
    void closeClient(); // the server goes on listening

    // Runs on the server's thread when a decoded frame with `code` arrives; what it returns is sent
    // back before the frame becomes visible to frames() and the waits. A later call for the same
    // code replaces the earlier one.
    void onFrame(const QByteArray& code, ReplyFn reply);
    // Runs on the server's thread for every frame, decoded or not, before any scripted reply.
    void onEveryFrame(std::function<void(const FrameRicevuto&)> observer);

    // The frame as it travels: ciphertext followed by the terminator.
    static QByteArray encodeFrame(const QByteArray& code, const QByteArray& payload);

private:
    class Fd;
    void run();
    void acceptClient();
    void handleChunk(const QByteArray& chunk, const std::shared_ptr<Fd>& from);
    bool writeTo(const std::shared_ptr<Fd>& client, const QByteArray& bytes);
    std::shared_ptr<Fd> currentClient() const;

    std::unique_ptr<Fd> listener_;
    std::unique_ptr<Fd> wakeRead_;
    std::unique_ptr<Fd> wakeWrite_;
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<Fd> client_;
    QList<FrameRicevuto> frames_;
    int connections_ = 0;
    QHash<QByteArray, ReplyFn> replies_;
    std::function<void(const FrameRicevuto&)> observer_;

    // Held for a whole frame, so that replies and sends from other threads never interleave.
    std::mutex writeMutex_;

    std::thread thread_;
};

} // namespace tarvolin::test
