#include "support/fake_service_server.h"

#include "common/deployment.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "support/qt_print.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tarvolin::test {
namespace {

const QByteArray kEnd = "%#the%#end%#";

// The other side of the wire, kept as plain as the program's peer would be.
class Client {
public:
    explicit Client(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }

    void write(const QByteArray& bytes) {
        ASSERT_EQ(::send(fd_, bytes.constData(), bytes.size(), MSG_NOSIGNAL), bytes.size());
    }

    // Reads until `count` bytes have arrived, EOF or the timeout, whichever comes first; a zero
    // timeout takes only what is already there.
    QByteArray read(qsizetype count, int timeoutMs = 2000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (received_.size() < count && !eof_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (!receiveOnce(std::max<int>(0, static_cast<int>(left.count()))))
                break;
        }
        const QByteArray out = received_.left(count);
        received_.remove(0, out.size());
        return out;
    }

    // What a single receive brings, waiting for it up to the timeout.
    QByteArray readSome(int timeoutMs = 2000) {
        if (received_.isEmpty())
            receiveOnce(timeoutMs);
        return std::exchange(received_, {});
    }

    bool readEof(int timeoutMs = 2000) {
        read(1 << 20, timeoutMs);
        return eof_;
    }

private:
    bool receiveOnce(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            eof_ = true;
        else
            received_.append(buffer, n);
        return true;
    }

    int fd_;
    bool connected_ = false;
    bool eof_ = false;
    QByteArray received_;
};

QByteArray aes(bool encrypt, const QByteArray& in) {
    const QByteArray key = QByteArray::fromHex(kAesKeyHex);
    const QByteArray iv = QByteArray::fromHex(kAesIvHex);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        &EVP_CIPHER_CTX_free);
    EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr,
                      reinterpret_cast<const unsigned char*>(key.constData()),
                      reinterpret_cast<const unsigned char*>(iv.constData()), encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    QByteArray out(in.size() + 16, '\0');
    int n = 0;
    int tail = 0;
    EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n,
                     reinterpret_cast<const unsigned char*>(in.constData()),
                     static_cast<int>(in.size()));
    EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + n, &tail);
    out.resize(n + tail);
    return out;
}

QByteArray plaintextOf(const QByteArray& wire) {
    EXPECT_TRUE(wire.endsWith(kEnd));
    return aes(false, wire.chopped(kEnd.size()));
}

TEST(FakeServiceCodec, FramesMatchTheWireFormat) {
    // Ciphertext produced by the openssl command-line tool from the same plaintext and key.
    const QByteArray golden =
        QByteArray::fromHex("bae7061f7293736b85b2594492fdfc3599d4a335d03779fafcb367cf74d42e28");
    const QByteArray wire = FakeServiceServer::encodeFrame("#0661", "K");
    EXPECT_EQ(wire, golden + kEnd);
    EXPECT_EQ(plaintextOf(wire), QByteArray("0000000000000006#0661K") + QByteArray(10, '\0'));

    // Upper-case hex length; a text that fills the last block exactly gets no padding block.
    const QByteArray sixteen = FakeServiceServer::encodeFrame("#0664", "ABCDEFGHIJK");
    EXPECT_EQ(plaintextOf(sixteen), QByteArray("0000000000000010#0664ABCDEFGHIJK"));
    const QByteArray hex = FakeServiceServer::encodeFrame("#0664", QByteArray(21, 'x'));
    EXPECT_EQ(plaintextOf(hex).left(16), QByteArray("000000000000001A"));
    EXPECT_EQ(plaintextOf(hex).size(), 48);

    // Bytes above 0x7F are one byte each, not UTF-8.
    EXPECT_EQ(plaintextOf(FakeServiceServer::encodeFrame("#0670", "\x80\xE9")).left(16),
              QByteArray("0000000000000007"));

    // Every frame starts the chain again at the IV, so equal first blocks encrypt alike.
    EXPECT_EQ(FakeServiceServer::encodeFrame("#0661", "J").left(16), golden.left(16));
}

TEST(FakeServiceServer, RecordsFramesInOrderHoweverTheyAreWritten) {
    FakeServiceServer server;
    Client client(server.port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(server.waitForConnection(1, 2000));
    EXPECT_EQ(server.address(), QStringLiteral("127.0.0.1:%1").arg(server.port()));

    client.write(FakeServiceServer::encodeFrame("#0666", "FREEUSER|abc"));
    // One byte per write, with pauses over the terminator so that it spans several reads.
    const QByteArray split = FakeServiceServer::encodeFrame("#0661", "K");
    for (qsizetype i = 0; i < split.size(); ++i) {
        client.write(split.mid(i, 1));
        if (i >= split.size() - kEnd.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    client.write(FakeServiceServer::encodeFrame("#0670", "caf\xE9 \x80") +
                 FakeServiceServer::encodeFrame("#0999", ""));
    client.write("not a frame" + kEnd);
    client.write(QByteArray(32, '\x55') + kEnd);
    // A length larger than the text: the message is all that follows the header.
    client.write(aes(true, QByteArray("0000000000000040#0672AB") + QByteArray(9, '\0')) + kEnd);
    client.write(aes(true, QByteArray("00000000000000G6#0661K") + QByteArray(10, '\0')) + kEnd);

    ASSERT_TRUE(server.waitForFrames(8, 2000));
    const QList<FrameRicevuto> frames = server.frames();
    ASSERT_EQ(frames.size(), 8);

    struct Expected {
        QByteArray code;
        QByteArray payload;
    };
    const Expected decoded[] = {
        {"#0666", "FREEUSER|abc"}, {"#0661", "K"}, {"#0670", "caf\xE9 \x80"}, {"#0999", ""}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(frames[i].decodificato);
        EXPECT_EQ(frames[i].code, decoded[i].code);
        EXPECT_EQ(frames[i].payload, decoded[i].payload);
        EXPECT_EQ(frames[i].raw + kEnd,
                  FakeServiceServer::encodeFrame(decoded[i].code, decoded[i].payload));
    }
    EXPECT_FALSE(frames[4].decodificato);
    EXPECT_EQ(frames[4].raw, QByteArray("not a frame"));
    EXPECT_FALSE(frames[5].decodificato);
    EXPECT_EQ(frames[5].raw, QByteArray(32, '\x55'));
    EXPECT_TRUE(frames[6].decodificato);
    EXPECT_EQ(frames[6].code, QByteArray("#0672"));
    EXPECT_EQ(frames[6].payload, QByteArray("AB") + QByteArray(9, '\0'));
    EXPECT_FALSE(frames[7].decodificato);
}

TEST(FakeServiceServer, WhatItSendsReachesTheClientThenEof) {
    FakeServiceServer server;
    EXPECT_FALSE(server.send("#0666", "OK")); // nobody to send to yet
    Client client(server.port());
    ASSERT_TRUE(server.waitForConnection(1, 2000));
    EXPECT_TRUE(server.connected());

    const QByteArray first = FakeServiceServer::encodeFrame("#0663", "DEMO-0001");
    const QByteArray second = FakeServiceServer::encodeFrame("#0680", QByteArray(40, 'z'));
    EXPECT_TRUE(server.send("#0663", "DEMO-0001"));
    EXPECT_EQ(client.read(first.size()), first);
    // Long pauses, so that the first receive cannot catch the whole frame.
    bool splitSent = false;
    std::thread sender([&] { splitSent = server.sendSplit("#0680", QByteArray(40, 'z'), 3, 60); });
    const QByteArray firstPiece = client.readSome();
    QByteArray rest = client.read(second.size() - firstPiece.size());
    sender.join();
    EXPECT_TRUE(splitSent);
    EXPECT_GT(firstPiece.size(), 0);
    EXPECT_LT(firstPiece.size(), second.size());
    EXPECT_EQ(firstPiece + rest, second);
    EXPECT_TRUE(server.sendRaw("\x01garbage" + kEnd.left(5)));
    EXPECT_EQ(client.read(13), QByteArray("\x01garbage%#the"));

    server.closeClient();
    EXPECT_FALSE(server.connected());
    EXPECT_TRUE(client.readEof());
    EXPECT_FALSE(server.send("#0666", "OK"));
}

TEST(FakeServiceServer, ScriptedRepliesAnswerOnlyTheirCode) {
    FakeServiceServer server;
    server.onFrame("#0666", [](const FrameRicevuto& frame) {
        // Slow, so that a frame recorded before its reply is written would show below.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return FakeServiceServer::Reply{{"#0663", "ID-" + frame.payload}, {"#0666", "OK"}};
    });
    Client client(server.port());
    ASSERT_TRUE(server.waitForConnection(1, 2000));

    client.write(FakeServiceServer::encodeFrame("#0999", "noise"));
    client.write(FakeServiceServer::encodeFrame("#0666", "FREEUSER|x"));
    ASSERT_TRUE(server.waitForFrames(2, 2000));
    EXPECT_EQ(server.frames()[1].code, QByteArray("#0666"));

    // Already there once the frame is visible; anything sent for #0999 would come first.
    const QByteArray expected = FakeServiceServer::encodeFrame("#0663", "ID-FREEUSER|x") +
                                FakeServiceServer::encodeFrame("#0666", "OK");
    EXPECT_EQ(client.read(expected.size(), 0), expected);
}

TEST(FakeServiceServer, KeepsListeningAfterAClientGoes) {
    FakeServiceServer server;
    {
        Client first(server.port());
        ASSERT_TRUE(server.waitForConnection(1, 2000));
        server.closeClient();
        EXPECT_TRUE(first.readEof());
    }

    Client second(server.port());
    ASSERT_TRUE(server.waitForConnection(2, 2000));
    EXPECT_EQ(server.connections(), 2);
    EXPECT_TRUE(server.connected());

    // A newcomer replaces the current client, which is closed.
    {
        Client third(server.port());
        ASSERT_TRUE(server.waitForConnection(3, 2000));
        EXPECT_TRUE(second.readEof());
        third.write(FakeServiceServer::encodeFrame("#0661", "K"));
        ASSERT_TRUE(server.waitForFrames(1, 2000));
        EXPECT_EQ(server.frames()[0].payload, QByteArray("K"));
    }

    // The client hanging up on its own is noticed too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (server.connected() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(server.connected());
}

} // namespace
} // namespace tarvolin::test
