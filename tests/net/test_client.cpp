#include "net/client.h"

#include "server_prova.h"
#include "sito_prova.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

namespace tarvolin::net {
namespace {

using Campi = QList<QPair<QString, QString>>;
using Intestazioni = QList<QPair<QByteArray, QByteArray>>;

Richiesta Modulo(const QString& url, const Campi& campi) {
    Richiesta r;
    r.url = url;
    r.campi = campi;
    return r;
}

TEST(IntestazioniRichiesta, OrdineEGrafiaDelProfiloSenzaAggiunteDiCurl) {
    const Intestazioni navigatore = {
        {"Accept", "text/html,*/*;q=0.8"},      {"Content-Type", "text/html; charset=ISO-8859-1"},
        {"sec-ch-ua", "\"Chromium\";v=\"94\""}, {"User-Agent", "Mozilla/5.0 (X11)"},
        {"Connection", "keep-alive"},
    };
    const Intestazioni senzaAccept = {{"User-Agent", "UA"}, {"accept-language", "it-IT"}};
    const QString grande(1536 * 1024, QLatin1Char('v'));
    const struct {
        const char* nome;
        Intestazioni profilo;
        Campi campi;
        std::optional<QByteArray> range;
        bool cookie;
        QStringList righe; // "Host" stands for the server's Host line
    } casi[] = {
        {"GET",
         navigatore,
         {},
         std::nullopt,
         false,
         {"GET /p HTTP/1.1", "Host", "Accept: text/html,*/*;q=0.8",
          "Content-Type: text/html; charset=ISO-8859-1", "sec-ch-ua: \"Chromium\";v=\"94\"",
          "User-Agent: Mozilla/5.0 (X11)", "Connection: keep-alive"}},
        {"POST",
         navigatore,
         {{"a", "1"}},
         std::nullopt,
         false,
         {"POST /p HTTP/1.1", "Host", "Accept: text/html,*/*;q=0.8",
          "Content-Type: application/x-www-form-urlencoded", "sec-ch-ua: \"Chromium\";v=\"94\"",
          "User-Agent: Mozilla/5.0 (X11)", "Connection: keep-alive", "Content-Length: 3"}},
        {"GET senza Accept, con Range e Cookie",
         senzaAccept,
         {},
         "bytes=100-",
         true,
         {"GET /p HTTP/1.1", "Host", "User-Agent: UA", "accept-language: it-IT",
          "Range: bytes=100-", "Cookie: s=1"}},
        {"POST senza Content-Type",
         senzaAccept,
         {{"b", "2"}},
         std::nullopt,
         false,
         {"POST /p HTTP/1.1", "Host", "User-Agent: UA", "accept-language: it-IT",
          "Content-Type: application/x-www-form-urlencoded", "Content-Length: 3"}},
        {"POST oltre 1 MiB",
         senzaAccept,
         {{"g", grande}},
         std::nullopt,
         false,
         {"POST /p HTTP/1.1", "Host", "User-Agent: UA", "accept-language: it-IT",
          "Content-Type: application/x-www-form-urlencoded", "Content-Length: 1572866"}},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.nome);
        prova::ServerGrezzo server;
        ArchivioCookie archivio;
        if (caso.cookie) {
            ASSERT_TRUE(archivio.Aggiungi("s=1", QUrl(server.Url("/"))));
        }
        ClientHttp client(Profilo{caso.profilo, 5000, 15, &archivio, {}});
        Richiesta r = Modulo(server.Url("/p"), caso.campi);
        r.range = caso.range;
        const Risposta risposta = client.Esegui(r);
        EXPECT_TRUE(risposta.ok) << risposta.errore.toStdString();
        EXPECT_EQ(risposta.corpo, "ok");

        const auto ricevute = server.Ricevute();
        ASSERT_EQ(ricevute.size(), 1u);
        QStringList attese = caso.righe;
        attese.replace(1, "Host: " + QUrl(server.Url("/")).authority());
        EXPECT_EQ(QString::fromLatin1(ricevute[0].testa).split("\r\n"), attese);
        if (!caso.campi.isEmpty()) {
            EXPECT_EQ(ricevute[0].corpo.size(), caso.righe.last().mid(16).toLongLong());
        }
    }
}

class ClientHttpTest : public prova::SitoTest {};

TEST_F(ClientHttpTest, CampiDelModuloInOrdineECodificati) {
    const struct {
        Campi campi;
        QByteArray corpo;
    } casi[] = {
        {{{"a", "1"}, {"b", "2"}}, "a=1&b=2"},
        {{{"b", "2"}, {"a", "1"}}, "b=2&a=1"},
        {{{"op", "login"}, {"login", "mario rossi@x.it"}, {"password", "p&s=w+d%;"}},
         "op=login&login=mario%20rossi%40x.it&password=p%26s%3Dw%2Bd%25%3B"},
        {{{"vuoto", ""}, {"città", "è~._-"}}, "vuoto=&citt%C3%A0=%C3%A8~._-"},
    };
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        const Risposta r = client.Post(server_.Url("/eco"), caso.campi);
        EXPECT_TRUE(r.ok) << r.errore.toStdString();
        EXPECT_EQ(r.corpo, caso.corpo);
    }
}

TEST_F(ClientHttpTest, RedirectSeguitiFinoAlMassimoDelProfilo) {
    const struct {
        int massimo;
        int salti;
        bool ok;
    } casi[] = {{15, 15, true}, {15, 16, false}, {0, 0, true}, {0, 1, false}, {3, 3, true}};
    for (const auto& caso : casi) {
        SCOPED_TRACE(testing::Message() << caso.massimo << " " << caso.salti);
        Profilo profilo;
        profilo.massimoRedirect = caso.massimo;
        ClientHttp client(profilo);
        const Risposta r = client.Get(server_.Url(QStringLiteral("/salta/%1").arg(caso.salti)));
        EXPECT_EQ(r.ok, caso.ok) << r.errore.toStdString();
        if (caso.ok) {
            EXPECT_EQ(r.corpo, "fine");
            EXPECT_EQ(r.urlFinale, server_.Url("/salta/0"));
        } else {
            EXPECT_EQ(r.stato, 302);
            EXPECT_FALSE(r.errore.isEmpty());
        }
    }
}

TEST_F(ClientHttpTest, MetodoEIndirizzoDopoUnRedirect) {
    const struct {
        QString percorso;
        Campi campi;
        QByteArray corpo;
        QString finale;
    } casi[] = {
        {"/modulo/301", {{"a", "1"}}, "GET ", "/dove"},
        {"/modulo/302", {{"a", "1"}}, "GET ", "/dove"},
        {"/modulo/303", {{"a", "1"}}, "GET ", "/dove"},
        {"/modulo/307", {{"a", "1"}}, "POST a=1", "/dove"},
        {"/modulo/308", {{"a", "1"}}, "POST a=1", "/dove"},
        {"/relativo/a/b", {}, "c", "/relativo/a/c"},
    };
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        const Risposta r = client.Esegui(Modulo(server_.Url(caso.percorso), caso.campi));
        EXPECT_TRUE(r.ok) << caso.percorso.toStdString() << r.errore.toStdString();
        EXPECT_EQ(r.corpo, caso.corpo) << caso.percorso.toStdString();
        EXPECT_EQ(r.urlFinale, server_.Url(caso.finale));
    }
}

TEST_F(ClientHttpTest, CookieDiUnRedirectInviatoAlPassoSeguente) {
    ArchivioCookie archivio;
    Profilo profilo;
    profilo.cookie = &archivio;
    ClientHttp client(profilo);
    const Risposta r = client.Get(server_.Url("/imposta"));
    EXPECT_TRUE(r.ok) << r.errore.toStdString();
    EXPECT_EQ(r.corpo, "sessione=abc");
    EXPECT_EQ(archivio.Righe("127.0.0.1"), QStringList{"sessione=abc; Path=/; Domain=127.0.0.1"});

    ClientHttp senzaArchivio(Profilo{});
    EXPECT_EQ(senzaArchivio.Get(server_.Url("/imposta")).corpo, "");
}

TEST_F(ClientHttpTest, RangeInviatoAncheDopoUnRedirect) {
    const QByteArray dati = prova::DatiProva();
    const struct {
        const char* percorso;
        QByteArray range;
        QByteArray corpo;
    } casi[] = {
        {"/dati", "bytes=100-199", dati.mid(100, 100)},
        {"/dati", "bytes=990-", dati.mid(990)},
        {"/salto-dati", "bytes=0-9", dati.left(10)},
    };
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        Richiesta r;
        r.url = server_.Url(caso.percorso);
        r.range = caso.range;
        const Risposta risposta = client.Esegui(r);
        EXPECT_TRUE(risposta.ok) << risposta.errore.toStdString();
        EXPECT_EQ(risposta.stato, 206) << caso.range.constData();
        EXPECT_EQ(risposta.corpo, caso.corpo) << caso.range.constData();
        EXPECT_EQ(risposta.ContentLength(), caso.corpo.size());
    }
}

} // namespace
} // namespace tarvolin::net
