#include "support/fake_file_server.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <iterator>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarvolin::test {
namespace {

constexpr qint64 kSize = 100000;
constexpr quint32 kSeed = 7;

QByteArray generati(qint64 primo, qint64 ultimo) {
    return FakeFileServer::bytesGenerati(kSeed, primo, ultimo - primo + 1);
}

Guasti con(const std::function<void(Guasti&)>& modifica) {
    Guasti g;
    modifica(g);
    return g;
}

// One GET of /f.bin under `guasti`, with `range` as its Range header unless it is empty.
httplib::Result chiedi(httplib::Client& client, FakeFileServer& server, const Guasti& guasti,
                       const std::string& range) {
    server.imposta("/f.bin", guasti);
    httplib::Headers headers;
    if (!range.empty())
        headers.emplace("Range", range);
    return client.Get("/f.bin", headers);
}

TEST(FakeFileServerTest, AnswersRangesAndFaults) {
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
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
        const auto res = chiedi(client, server, c.guasti, c.range);
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

// A raw client socket; reads give up after `attesaMs` without a byte.
int connetti(int porta, int attesaMs) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const timeval timeout{attesaMs / 1000, (attesaMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<quint16>(porta));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What arrives until the server closes, or until it goes quiet.
std::string leggi(int fd) {
    std::string risposta;
    char buffer[16384];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        risposta.append(buffer, static_cast<size_t>(n));
    return risposta;
}

// As leggi(), but a quiet spell ends it only once `basta` holds of what came, or after 10 s: a
// loaded machine may pause between the server's writes.
std::string leggiFinche(int fd, const std::function<bool(const std::string&)>& basta) {
    std::string risposta;
    char buffer[16384];
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            risposta.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0 || basta(risposta) || std::chrono::steady_clock::now() > limite)
            return risposta;
    }
}

bool invia(int fd, const std::string& richiesta) {
    return ::send(fd, richiesta.data(), richiesta.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(richiesta.size());
}

// The raw response up to the server's close; empty when nothing listens.
std::string scambio(int porta, const std::string& richiesta) {
    const int fd = connetti(porta, 10000);
    if (fd < 0)
        return {};
    const std::string risposta = invia(fd, richiesta) ? leggi(fd) : std::string();
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

// A body that ends before the cut replaces nothing; the cut one brings the old bytes, and then
// the new file comes whole under a new version, cut no more. Replacing only the head keeps the
// bytes around the cut.
TEST(FakeFileServerTest, ReplacesTheFileAtItsFirstDrop) {
    const struct {
        const char* nome;
        qint64 soloTesta;
        QByteArray nuovo;
    } casi[] = {
        {"whole file", 0, FakeFileServer::bytesGenerati(kSeed + 1, 0, kSize)},
        {"head only", 4096,
         FakeFileServer::bytesGenerati(kSeed + 1, 0, 4096) + generati(4096, kSize - 1)},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        FakeFileServer server;
        server.aggiungiGenerato("/f.bin", kSize, kSeed);
        server.imposta("/f.bin", con([&](Guasti& g) {
                           g.interrompiDopo = 20000;
                           g.sostituisciDopoCaduta = kSeed + 1;
                           g.sostituisciSoloTesta = c.soloTesta;
                       }));
        httplib::Client client("127.0.0.1", server.porta());
        const auto prima = client.Get("/f.bin", {{"Range", "bytes=0-9"}});
        ASSERT_TRUE(prima);
        EXPECT_EQ(QByteArray::fromStdString(prima->body), generati(0, 9));
        const std::string intera = "GET /f.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        EXPECT_EQ(corpo(scambio(server.porta(), intera)), generati(0, 19999));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int volta = 0; volta < 2; ++volta) {
            const auto dopo = client.Get("/f.bin");
            ASSERT_TRUE(dopo);
            EXPECT_EQ(QByteArray::fromStdString(dopo->body), c.nuovo);
            EXPECT_NE(dopo->get_header_value("ETag"), prima->get_header_value("ETag"));
            EXPECT_NE(dopo->get_header_value("Last-Modified"),
                      prima->get_header_value("Last-Modified"));
        }
        const QList<RichiestaFile> log = server.richieste();
        ASSERT_EQ(log.size(), 4);
        EXPECT_GE(log[2].ms - log[1].ms, 100);
    }
}

TEST(FakeFileServerTest, LiesAboutTheBody) {
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
    const QByteArray pagina = "<html><body>Link expired</body></html>";
    const struct {
        const char* nome;
        Guasti guasti;
        std::string range;
        int stato;
        QByteArray corpo;
        std::string contentRange;
        std::string tipo;
        bool conLunghezza;
    } casi[] = {
        {"error page", con([&](Guasti& g) { g.paginaErrore = pagina; }), "bytes=0-", 200, pagina,
         "", "text/html", true},
        {"page only on resume, fresh", con([&](Guasti& g) {
             g.paginaErrore = pagina;
             g.paginaSoloSuRipresa = true;
         }),
         "bytes=0-", 206, generati(0, kSize - 1), "bytes 0-99999/100000",
         "application/octet-stream", true},
        {"page only on resume, resumed", con([&](Guasti& g) {
             g.paginaErrore = pagina;
             g.paginaSoloSuRipresa = true;
         }),
         "bytes=500-", 200, pagina, "", "text/html", true},
        {"lying start", con([](Guasti& g) { g.scartoInizio = 4096; }), "bytes=10-19", 206,
         generati(10, 19), "bytes 4106-4115/100000", "application/octet-stream", true},
        {"lying total", con([](Guasti& g) { g.scartoTotale = -1; }), "bytes=10-19", 206,
         generati(10, 19), "bytes 10-19/99999", "application/octet-stream", true},
        {"hidden shift", con([](Guasti& g) { g.scartoNascosto = 3; }), "bytes=10-19", 206,
         generati(13, 22), "bytes 10-19/100000", "application/octet-stream", true},
        {"longer body, chunked", con([](Guasti& g) { g.byteInPiu = 7; }), "bytes=99990-", 206,
         generati(99990, kSize + 6), "bytes 99990-99999/100000", "application/octet-stream", false},
        {"longer body, closed", con([](Guasti& g) {
             g.byteInPiu = 7;
             g.senzaLunghezza = SenzaLunghezza::Chiusura;
         }),
         "", 200, generati(0, kSize + 6), "", "application/octet-stream", false},
        {"content type", con([](Guasti& g) { g.tipo = "application/zip"; }), "", 200,
         generati(0, kSize - 1), "", "application/zip", true},
    };
    httplib::Client client("127.0.0.1", server.porta());
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        const auto res = chiedi(client, server, c.guasti, c.range);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.stato);
        EXPECT_EQ(QByteArray::fromStdString(res->body), c.corpo);
        EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange);
        EXPECT_EQ(res->get_header_value("Content-Type"), c.tipo);
        EXPECT_EQ(res->has_header("Content-Length"), c.conLunghezza);
    }
}

TEST(FakeFileServerTest, CountsCleanAndFaultyRequests) {
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
    const struct {
        const char* nome;
        Guasti guasti;
        std::vector<int> stati; // one request after another, each asking "bytes=10-"
    } casi[] = {
        {"status after two, once",
         con([](Guasti& g) {
             g.stato = 503;
             g.dopo = 2;
             g.volte = 1;
         }),
         {206, 206, 503, 206}},
        {"page twice",
         con([](Guasti& g) {
             g.paginaErrore = "x";
             g.volte = 2;
         }),
         {200, 200, 206}},
        {"ranges ignored after one, for good",
         con([](Guasti& g) {
             g.ignoraRange = true;
             g.dopo = 1;
             g.volte = 1;
         }),
         {206, 200, 200}},
    };
    httplib::Client client("127.0.0.1", server.porta());
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        server.imposta("/f.bin", c.guasti);
        std::vector<int> stati;
        for (size_t i = 0; i < c.stati.size(); ++i) {
            const auto res = client.Get("/f.bin", {{"Range", "bytes=10-"}});
            stati.push_back(res ? res->status : 0);
        }
        EXPECT_EQ(stati, c.stati);
    }

    // The count of clean requests starts again with azzera().
    server.imposta("/f.bin", con([](Guasti& g) {
                       g.stato = 503;
                       g.dopo = 1;
                   }));
    ASSERT_EQ(client.Get("/f.bin")->status, 200);
    ASSERT_EQ(client.Get("/f.bin")->status, 503);
    server.azzera();
    EXPECT_EQ(client.Get("/f.bin")->status, 200);
}

TEST(FakeFileServerTest, IfRangeGetsTheWholeFileOnceTheVersionChanged) {
    FakeFileServer server;
    enum class Validatore { Etag, EtagDebole, Data };
    const struct {
        const char* nome;
        std::function<void(FakeFileServer&)> poi; // between the first request and the resume
        Validatore validatore;
        int stato;
        bool nuovaVersione = true;
    } casi[] = {
        {"same ETag", [](FakeFileServer&) {}, Validatore::Etag, 206, false},
        {"same date", [](FakeFileServer&) {}, Validatore::Data, 206, false},
        {"weak ETag", [](FakeFileServer&) {}, Validatore::EtagDebole, 200, false},
        {"content replaced, ETag",
         [](FakeFileServer& s) { s.aggiungiGenerato("/f.bin", kSize, kSeed + 1); },
         Validatore::Etag, 200},
        {"content replaced, date",
         [](FakeFileServer& s) { s.cambiaContenuto("/f.bin", QByteArray(kSize, 'x')); },
         Validatore::Data, 200},
        {"ETag changing on every request",
         [](FakeFileServer& s) {
             s.imposta("/f.bin", con([](Guasti& g) { g.etagVariabile = true; }));
         },
         Validatore::Etag, 200},
    };
    httplib::Client client("127.0.0.1", server.porta());
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        server.aggiungiGenerato("/f.bin", kSize, kSeed);
        server.imposta("/f.bin", {});
        const auto prima = client.Get("/f.bin", {{"Range", "bytes=0-9"}});
        ASSERT_TRUE(prima);
        const std::string etag = prima->get_header_value("ETag");
        ASSERT_EQ(etag.front(), '"');
        ASSERT_FALSE(prima->get_header_value("Last-Modified").empty());
        c.poi(server);
        const std::string ifRange = c.validatore == Validatore::Etag ? etag
                                    : c.validatore == Validatore::EtagDebole
                                        ? "W/" + etag
                                        : prima->get_header_value("Last-Modified");
        const auto ripresa = client.Get("/f.bin", {{"Range", "bytes=10-"}, {"If-Range", ifRange}});
        ASSERT_TRUE(ripresa);
        EXPECT_EQ(ripresa->status, c.stato);
        EXPECT_EQ(ripresa->body.size(), static_cast<size_t>(c.stato == 200 ? kSize : kSize - 10));
        EXPECT_EQ(ripresa->get_header_value("ETag") != etag, c.nuovaVersione);
        EXPECT_EQ(ripresa->get_header_value("Last-Modified") !=
                      prima->get_header_value("Last-Modified"),
                  c.nuovaVersione);
        EXPECT_EQ(server.richieste().last().ifRange.toStdString(), ifRange);
    }
}

TEST(FakeFileServerTest, TwoFilesUnderOneNameKeepTheirOwnBytes) {
    FakeFileServer server;
    const Guasti nome =
        con([](Guasti& g) { g.contentDisposition = "attachment; filename=\"a.bin\""; });
    server.aggiungiGenerato("/1/a.bin", kSize, kSeed);
    server.aggiungiGenerato("/2/a.bin", kSize, kSeed + 1);
    server.imposta("/1/a.bin", nome);
    server.imposta("/2/a.bin", nome);
    httplib::Client client("127.0.0.1", server.porta());
    const auto uno = client.Get("/1/a.bin");
    const auto due = client.Get("/2/a.bin");
    ASSERT_TRUE(uno && due);
    EXPECT_EQ(uno->get_header_value("Content-Disposition"), "attachment; filename=\"a.bin\"");
    EXPECT_EQ(due->get_header_value("Content-Disposition"), "attachment; filename=\"a.bin\"");
    EXPECT_EQ(QByteArray::fromStdString(uno->body), generati(0, kSize - 1));
    EXPECT_EQ(QByteArray::fromStdString(due->body),
              FakeFileServer::bytesGenerati(kSeed + 1, 0, kSize));
    EXPECT_NE(uno->get_header_value("ETag"), due->get_header_value("ETag"));
}

TEST(FakeFileServerTest, StallsHoldTheConnectionUntilStopped) {
    using std::chrono::milliseconds;
    const struct {
        const char* nome;
        bool prima;
        qint64 dopo;
        QByteArray primaDellaSosta; // the body received before the server goes quiet
    } casi[] = {
        {"before the headers", true, -1, {}},
        {"after headers only", false, 0, {}},
        {"mid body", false, 1000, generati(0, 999)},
    };
    const std::string richiesta = "GET /f.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        FakeFileServer server;
        server.aggiungiGenerato("/f.bin", kSize, kSeed);
        Guasti guasti;
        guasti.bloccaPrima = c.prima;
        guasti.bloccaDopo = c.dopo;
        server.imposta("/f.bin", guasti); // the default 30 s: only ferma() can end it in time
        const int fd = connetti(server.porta(), 500);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(invia(fd, richiesta));
        const std::string finoAllaSosta = leggiFinche(fd, [&](const std::string& r) {
            return c.prima || (r.find("\r\n\r\n") != std::string::npos &&
                               corpo(r).size() >= c.primaDellaSosta.size());
        });
        EXPECT_EQ(finoAllaSosta.empty(), c.prima);
        EXPECT_EQ(corpo(finoAllaSosta), c.primaDellaSosta);

        const auto inizio = std::chrono::steady_clock::now();
        server.ferma();
        EXPECT_LT(std::chrono::steady_clock::now() - inizio, milliseconds(5000));
        EXPECT_EQ(corpo(finoAllaSosta + leggi(fd)).size(), c.primaDellaSosta.size());
        ::close(fd);
    }

    // A short stop ends by itself and the body goes on.
    FakeFileServer server;
    server.aggiungiGenerato("/f.bin", kSize, kSeed);
    server.imposta("/f.bin", con([](Guasti& g) {
                       g.bloccaDopo = 1000;
                       g.bloccaMs = 200;
                   }));
    const auto inizio = std::chrono::steady_clock::now();
    EXPECT_EQ(corpo(scambio(server.porta(), richiesta)), generati(0, kSize - 1));
    EXPECT_GE(std::chrono::steady_clock::now() - inizio, milliseconds(200));
}

} // namespace
} // namespace tarvolin::test
