#include "support/fake_file_server.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <iterator>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvolin::test {
namespace {

constexpr qint64 kSize = 100000;
constexpr quint32 kSeed = 7;

QByteArray generati(qint64 primo, qint64 ultimo) {
    return FakeFileServer::bytesGenerati(kSeed, primo, ultimo - primo + 1);
}

TEST(FakeFileServerTest, AnswersRangesAndFaults) {
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
    const auto con = [](auto modifica) {
        Guasti g;
        modifica(g);
        return g;
    };
    const std::string altro = server.url("/altro.bin").toStdString();
    const struct {
        const char* nome;
        Guasti guasti;
        std::string range;
        int stato;
        qint64 primo;
        qint64 ultimo; // below primo: no body
        std::string contentRange;
        bool conLunghezza;
        std::string location;
    } casi[] = {
        {"whole", {}, "", 200, 0, kSize - 1, "", true, ""},
        {"closed range", {}, "bytes=10-19", 206, 10, 19, "bytes 10-19/100000", true, ""},
        {"open range",
         {},
         "bytes=99990-",
         206,
         99990,
         kSize - 1,
         "bytes 99990-99999/100000",
         true,
         ""},
        {"one past the end",
         {},
         "bytes=50000-100000",
         206,
         50000,
         kSize - 1,
         "bytes 50000-99999/100000",
         true,
         ""},
        {"suffix", {}, "bytes=-5", 206, kSize - 5, kSize - 1, "bytes 99995-99999/100000", true, ""},
        {"start at size", {}, "bytes=100000-", 416, 0, -1, "bytes */100000", true, ""},
        {"range ignored", con([](Guasti& g) { g.ignoraRange = true; }), "bytes=10-19", 200, 0,
         kSize - 1, "", true, ""},
        {"status", con([](Guasti& g) { g.stato = 503; }), "", 503, 0, -1, "", true, ""},
        {"redirect", con([](Guasti& g) { g.redirectA = "/altro.bin"; }), "", 302, 0, -1, "", true,
         altro},
        {"chunked", con([](Guasti& g) { g.senzaLunghezza = SenzaLunghezza::Chunked; }), "bytes=10-",
         206, 10, kSize - 1, "bytes 10-99999/100000", false, ""},
        {"close delimited", con([](Guasti& g) { g.senzaLunghezza = SenzaLunghezza::Chiusura; }), "",
         200, 0, kSize - 1, "", false, ""},
    };
    httplib::Client client("127.0.0.1", server.porta());
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        server.imposta("/f.bin", c.guasti);
        httplib::Headers headers;
        if (!c.range.empty())
            headers.emplace("Range", c.range);
        const auto res = client.Get("/f.bin", headers);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.stato);
        EXPECT_EQ(QByteArray::fromStdString(res->body),
                  c.ultimo < c.primo ? QByteArray() : generati(c.primo, c.ultimo));
        EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange);
        EXPECT_EQ(res->has_header("Content-Length"), c.conLunghezza);
        EXPECT_EQ(res->get_header_value("Location"), c.location);
        const RichiestaFile logged = server.richieste().last();
        EXPECT_EQ(logged.range.toStdString(), c.range);
        EXPECT_EQ(logged.stato, c.stato);
    }
    EXPECT_EQ(server.conteggio("/f.bin"), static_cast<int>(std::size(casi)));
}

// The raw response up to the server's close; empty when nothing listens.
std::string scambio(int porta, const std::string& richiesta) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<quint16>(porta));
    std::string risposta;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, richiesta.data(), richiesta.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(richiesta.size())) {
        char buffer[16384];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            risposta.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return risposta;
}

QByteArray corpo(const std::string& risposta) {
    const size_t fine = risposta.find("\r\n\r\n");
    return fine == std::string::npos ? QByteArray()
                                     : QByteArray::fromStdString(risposta.substr(fine + 4));
}

TEST(FakeFileServerTest, DropsConnectionsAndComesBack) {
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
    Guasti guasti;
    guasti.interrompiDopo = 1000;
    guasti.volte = 1;
    server.imposta("/f.bin", guasti);

    // Keep-alive asked for: only the drop can end this exchange in time.
    const std::string tagliata = scambio(server.porta(), "GET /f.bin HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_NE(tagliata.find("Content-Length: 100000\r\n"), std::string::npos);
    EXPECT_EQ(corpo(tagliata), generati(0, 999));
    const std::string ripresa = "GET /f.bin HTTP/1.1\r\nHost: x\r\nRange: bytes=1000-100000\r\n"
                                "Connection: close\r\n\r\n";
    EXPECT_EQ(corpo(scambio(server.porta(), ripresa)), generati(1000, kSize - 1));
    const QList<RichiestaFile> log = server.richieste();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].byteInviati, 1000);
    EXPECT_EQ(log[1].byteInviati, kSize - 1000);
    EXPECT_EQ(log[1].stato, 206);

    const int porta = server.porta();
    const std::string breve = "GET /f.bin HTTP/1.1\r\nHost: x\r\nRange: bytes=0-9\r\n"
                              "Connection: close\r\n\r\n";
    server.ferma();
    EXPECT_EQ(scambio(porta, breve), "");
    server.riavvia();
    EXPECT_EQ(server.porta(), porta);
    EXPECT_EQ(corpo(scambio(porta, breve)), generati(0, 9));
}

} // namespace
} // namespace tarvolin::test
