#include "support/fake_service_server.h"

#include "common/deployment.h"

#include <openssl/evp.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>

namespace tarvolin::test {

class FakeServiceServer::Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

namespace {

constexpr int kTerminatorSize = 12;
constexpr int kBlock = 16;
constexpr int kHeaderSize = 16;
constexpr int kCodeSize = 5;

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const QByteArray& key() {
    static const QByteArray k = QByteArray::fromHex(kAesKeyHex);
    return k;
}

const QByteArray& iv() {
    static const QByteArray v = QByteArray::fromHex(kAesIvHex);
    return v;
}

// One context per frame: the sender restarts the chain at the IV for every frame.
bool runCipher(bool encrypt, const QByteArray& in, QByteArray& out) {
    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx)
        return false;
    const auto* k = reinterpret_cast<const unsigned char*>(key().constData());
    const auto* v = reinterpret_cast<const unsigned char*>(iv().constData());
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, k, v, encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    out.resize(in.size() + kBlock);
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &written,
                         reinterpret_cast<const unsigned char*>(in.constData()),
                         static_cast<int>(in.size())) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + written,
                           &tail) != 1)
        return false;
    out.resize(written + tail);
    return true;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

FrameRicevuto decodeChunk(const QByteArray& chunk) {
    FrameRicevuto frame;
    frame.raw = chunk;
    if (chunk.isEmpty() || chunk.size() % kBlock != 0)
        return frame;
    QByteArray plain;
    if (!runCipher(false, chunk, plain) || plain.size() < kHeaderSize)
        return frame;
    const QByteArray header = plain.left(kHeaderSize);
    for (char c : header) {
        if (!isHexDigit(c))
            return frame;
    }
    bool ok = false;
    const qulonglong n = header.toULongLong(&ok, 16);
    if (!ok)
        return frame;
    const qsizetype available = plain.size() - kHeaderSize;
    const qsizetype length =
        n < static_cast<qulonglong>(available) ? static_cast<qsizetype>(n) : available;
    const QByteArray message = plain.mid(kHeaderSize, length);
    frame.code = message.left(kCodeSize);
    frame.payload = message.mid(kCodeSize);
    frame.decodificato = true;
    return frame;
}

} // namespace

FakeServiceServer::FakeServiceServer(quint16 port) {
    const auto makeFd = [](int fd, const char* what) {
        if (fd < 0)
            throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
        return std::make_unique<Fd>(fd);
    };
    listener_ = makeFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), "socket");
    const int one = 1;
    // A demo restarted at once must get its fixed port back despite TIME_WAIT.
    ::setsockopt(listener_->get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(listener_->get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("bind 127.0.0.1:" + std::to_string(port) + ": " +
                                 std::strerror(errno));
    if (::listen(listener_->get(), 8) != 0)
        throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
    socklen_t len = sizeof addr;
    ::getsockname(listener_->get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    wakeRead_ = std::make_unique<Fd>(pipeFds[0]);
    wakeWrite_ = std::make_unique<Fd>(pipeFds[1]);

    thread_ = std::thread([this] { run(); });
}

FakeServiceServer::~FakeServiceServer() {
    stopping_ = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite_->get(), &byte, 1);
    thread_.join();
    closeClient();
}

QString FakeServiceServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

int FakeServiceServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool FakeServiceServer::connected() const {
    std::lock_guard lock(mutex_);
    return client_ != nullptr;
}

QList<FrameRicevuto> FakeServiceServer::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

bool FakeServiceServer::waitForFrames(int count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return frames_.size() >= count; });
}

bool FakeServiceServer::waitForConnection(int count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return connections_ >= count; });
}

std::shared_ptr<FakeServiceServer::Fd> FakeServiceServer::currentClient() const {
    std::lock_guard lock(mutex_);
    return client_;
}

bool FakeServiceServer::writeTo(const std::shared_ptr<Fd>& client, const QByteArray& bytes) {
    if (!client)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(client->get(), bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool FakeServiceServer::send(const QByteArray& code, const QByteArray& payload) {
    return sendRaw(encodeFrame(code, payload));
}

bool FakeServiceServer::sendSplit(const QByteArray& code, const QByteArray& payload, int pieces,
                                  int pauseMs) {
    const QByteArray frame = encodeFrame(code, payload);
    const auto client = currentClient();
    if (!client)
        return false;
    const qsizetype count = std::clamp<qsizetype>(pieces, 1, frame.size());
    std::lock_guard writing(writeMutex_);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype from = frame.size() * i / count;
        const qsizetype to = frame.size() * (i + 1) / count;
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        if (!writeTo(client, frame.mid(from, to - from)))
            return false;
    }
    return true;
}

bool FakeServiceServer::sendRaw(const QByteArray& bytes) {
    const auto client = currentClient();
    std::lock_guard writing(writeMutex_);
    return writeTo(client, bytes);
}

void FakeServiceServer::closeClient() {
    std::shared_ptr<Fd> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(client_);
    }
    // shutdown rather than close: the server thread may be polling this descriptor, and the
    // client must see EOF now, not when the last reference goes.
    if (old)
        ::shutdown(old->get(), SHUT_RDWR);
}

void FakeServiceServer::onFrame(const QByteArray& code, ReplyFn reply) {
    std::lock_guard lock(mutex_);
    replies_.insert(code, std::move(reply));
}

void FakeServiceServer::onEveryFrame(std::function<void(const FrameRicevuto&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

QByteArray FakeServiceServer::encodeFrame(const QByteArray& code, const QByteArray& payload) {
    const QByteArray text = code + payload;
    QByteArray plain =
        QByteArray::number(text.size(), 16).toUpper().rightJustified(kHeaderSize, '0');
    plain += text;
    if (plain.size() % kBlock != 0)
        plain.append(kBlock - plain.size() % kBlock, '\0');
    QByteArray cipher;
    if (!runCipher(true, plain, cipher))
        throw std::runtime_error("AES-256-CBC encryption failed");
    return cipher + kTerminator;
}

void FakeServiceServer::acceptClient() {
    const int fd = ::accept4(listener_->get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    auto client = std::make_shared<Fd>(fd);
    // A client that stops reading must not hang the test that drives this server.
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    std::shared_ptr<Fd> old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(client_, client);
        ++connections_;
    }
    if (old)
        ::shutdown(old->get(), SHUT_RDWR);
    changed_.notify_all();
}

void FakeServiceServer::handleChunk(const QByteArray& chunk, const std::shared_ptr<Fd>& from) {
    const FrameRicevuto frame = decodeChunk(chunk);
    ReplyFn reply;
    std::function<void(const FrameRicevuto&)> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
        if (frame.decodificato)
            reply = replies_.value(frame.code);
    }
    if (observer)
        observer(frame);
    if (reply) {
        for (const auto& [code, payload] : reply(frame)) {
            std::lock_guard writing(writeMutex_);
            writeTo(from, encodeFrame(code, payload));
        }
    }
    {
        std::lock_guard lock(mutex_);
        frames_.append(frame);
    }
    changed_.notify_all();
}

void FakeServiceServer::run() {
    // The reader keeps its own reference: a client replaced or closed from another thread stays a
    // valid descriptor here until its EOF has been read.
    std::shared_ptr<Fd> reading;
    QByteArray pending;
    qsizetype searchFrom = 0;
    const QByteArray terminator(kTerminator);
    char buffer[64 * 1024];

    while (!stopping_) {
        const auto current = currentClient();
        if (current && current != reading) {
            reading = current;
            pending.clear();
            searchFrom = 0;
        }
        pollfd fds[3] = {{wakeRead_->get(), POLLIN, 0},
                         {listener_->get(), POLLIN, 0},
                         {reading ? reading->get() : -1, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents) {
            while (::read(wakeRead_->get(), buffer, sizeof buffer) > 0) {
            }
        }
        if (fds[1].revents & POLLIN)
            acceptClient();
        if (reading && fds[2].revents) {
            const ssize_t n = ::recv(reading->get(), buffer, sizeof buffer, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) {
                {
                    std::lock_guard lock(mutex_);
                    if (client_ == reading)
                        client_.reset();
                }
                reading.reset();
                pending.clear();
                searchFrom = 0;
                continue;
            }
            pending.append(buffer, n);
            qsizetype at;
            while ((at = pending.indexOf(terminator, searchFrom)) >= 0) {
                handleChunk(pending.left(at), reading);
                pending.remove(0, at + kTerminatorSize);
                searchFrom = 0;
            }
            // A terminator may straddle two reads, so look again from just before the end.
            searchFrom = std::max<qsizetype>(0, pending.size() - (kTerminatorSize - 1));
            if (pending.size() > kMaxPendingBytes) {
                pending.clear();
                searchFrom = 0;
            }
        }
    }
}

} // namespace tarvolin::test
