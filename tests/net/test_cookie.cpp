#include "net/cookie.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

namespace tarvolin::net {
namespace {

QDateTime Utc(int anno, int mese, int giorno, int ora, int minuto, int secondo) {
    return QDateTime(QDate(anno, mese, giorno), QTime(ora, minuto, secondo), Qt::UTC);
}

Cookie Crea(QString nome, QString valore, QString dominio, QString percorso) {
    Cookie c;
    c.nome = std::move(nome);
    c.valore = std::move(valore);
    c.dominio = std::move(dominio);
    c.percorso = std::move(percorso);
    return c;
}

void AttesoUguale(const Cookie& letto, const Cookie& atteso, const std::string& caso) {
    SCOPED_TRACE(caso);
    EXPECT_EQ(letto.nome, atteso.nome);
    EXPECT_EQ(letto.valore, atteso.valore);
    EXPECT_EQ(letto.dominio, atteso.dominio);
    EXPECT_EQ(letto.percorso, atteso.percorso);
    EXPECT_EQ(letto.sicuro, atteso.sicuro);
    EXPECT_EQ(letto.soloHttp, atteso.soloHttp);
    EXPECT_EQ(letto.soloHost, atteso.soloHost);
    EXPECT_EQ(letto.maxAge, atteso.maxAge);
    EXPECT_EQ(letto.scadenza, atteso.scadenza);
}

TEST(RigaSetCookie, AttributiPresentiNellOrdineFisso) {
    Cookie tutti = Crea("sid", "x y", ".easybytez.com", "/");
    tutti.sicuro = tutti.soloHttp = true;
    tutti.maxAge = 3600;
    tutti.scadenza = Utc(2031, 3, 7, 9, 5, 2);
    Cookie soloScadenza = Crea("a", "", "", "");
    soloScadenza.scadenza = Utc(1970, 1, 1, 0, 0, 0);
    Cookie etaZero = Crea("b", "2", "www.easybytez.com", "/dir");
    etaZero.maxAge = 0;
    etaZero.soloHost = true; // not part of the line

    const struct {
        Cookie cookie;
        QString riga;
    } casi[] = {
        {Crea("a", "1", "", ""), "a=1"},
        {tutti, "sid=x y; Path=/; Domain=.easybytez.com; Secure; HttpOnly; Max-Age=3600; "
                "Expires=Fri, 07-Mar-2031 09:05:02 GMT"},
        {soloScadenza, "a=; Expires=Thu, 01-Jan-1970 00:00:00 GMT"},
        {etaZero, "b=2; Path=/dir; Domain=www.easybytez.com; Max-Age=0"},
    };
    for (const auto& caso : casi)
        EXPECT_EQ(RigaSetCookie(caso.cookie), caso.riga);
}

TEST(RigaSetCookie, RilettaDaLeggiSetCookieDaLoStessoCookie) {
    const QUrl sito("https://www.easybytez.com/login.html");
    Cookie completo = Crea("xfss", "k9=z", ".easybytez.com", "/");
    completo.sicuro = completo.soloHttp = true;
    completo.maxAge = 86400;
    completo.scadenza = Utc(2040, 12, 31, 23, 59, 59);
    Cookie senzaPunto = Crea("lang", "italian", "easybytez.com", "/file");
    senzaPunto.scadenza = Utc(2001, 2, 3, 4, 5, 6);
    for (const Cookie& c : {completo, senzaPunto, Crea("a", "", "www.easybytez.com", "/")}) {
        const auto letto = LeggiSetCookie(RigaSetCookie(c), sito);
        ASSERT_TRUE(letto.has_value()) << RigaSetCookie(c).toStdString();
        AttesoUguale(*letto, c, RigaSetCookie(c).toStdString());
    }
}

TEST(LeggiSetCookie, AttributiDateEDominio) {
    const QUrl www("http://www.easybytez.com/dir/pagina.html");
    Cookie hostOnly = Crea("sid", "abc", "www.easybytez.com", "/dir");
    hostOnly.soloHost = true;
    Cookie completo = Crea("sid", "abc", ".easybytez.com", "/x");
    completo.sicuro = completo.soloHttp = true;
    completo.maxAge = 60;
    completo.scadenza = Utc(1994, 11, 6, 8, 49, 37);
    Cookie dataSolo = Crea("d", "1", "www.easybytez.com", "/dir");
    dataSolo.soloHost = true;
    dataSolo.scadenza = completo.scadenza;
    Cookie dataMalformata = Crea("a", "1", "www.easybytez.com", "/p");
    dataMalformata.soloHost = true;
    Cookie etaNegativa = dataMalformata;
    etaNegativa.maxAge = 0;
    Cookie spazi = Crea("a", "1 2", "easybytez.com", "/x");
    Cookie valoreConUguali = Crea("tok", "a=b==", "www.easybytez.com", "/dir");
    valoreConUguali.soloHost = true;

    const struct {
        QString riga;
        std::optional<Cookie> atteso;
    } casi[] = {
        {"sid=abc", hostOnly},
        {"sid=abc; path=/x; DOMAIN=.easybytez.com; secure; HTTPONLY; max-age=60; "
         "EXPIRES=Sun, 06 Nov 1994 08:49:37 GMT",
         completo},
        {"d=1; Expires=Sunday, 06-Nov-94 08:49:37 GMT", dataSolo},
        {"d=1; Expires=Sun Nov  6 08:49:37 1994", dataSolo},
        {"d=1; Expires=Sun, 06-Nov-1994 08:49:37 GMT", dataSolo},
        {"a=1; Expires=domani; Path=/p; Max-Age=presto", dataMalformata},
        {"a=1; Path=/p; Max-Age=-5", etaNegativa},
        {"  a =  1 2 ;Domain = easybytez.com ;  Path = /x ", spazi},
        {"tok=a=b==; Path=relativo", valoreConUguali},
        {"a=1; Domain=altrosito.com", std::nullopt},
        {"a=1; Domain=sybytez.com", std::nullopt},
        {"a=1; Domain=.com", std::nullopt},
        {"solonome; Path=/", std::nullopt},
        {"=valore", std::nullopt},
        {"", std::nullopt},
        {"a=1\r\nX-Iniettata: 1", std::nullopt},
    };
    for (const auto& caso : casi) {
        const auto letto = LeggiSetCookie(caso.riga, www);
        ASSERT_EQ(letto.has_value(), caso.atteso.has_value()) << caso.riga.toStdString();
        if (letto)
            AttesoUguale(*letto, *caso.atteso, caso.riga.toStdString());
    }
}

TEST(LeggiSetCookie, PercorsoPredefinitoDallUrl) {
    const struct {
        const char* url;
        const char* percorso;
    } casi[] = {
        {"http://h.it", "/"},
        {"http://h.it/", "/"},
        {"http://h.it/pagina", "/"},
        {"http://h.it/a/b/", "/a/b"},
        {"http://h.it/a/b/c.html?x=/y", "/a/b"},
    };
    for (const auto& caso : casi) {
        const auto c = LeggiSetCookie("a=1", QUrl(caso.url));
        ASSERT_TRUE(c.has_value()) << caso.url;
        EXPECT_EQ(c->percorso, caso.percorso) << caso.url;
    }
}

TEST(LeggiSetCookie, RigheOltre64KiBRifiutate) {
    const QUrl sito("http://h.it/");
    const auto riga = [](qsizetype lunghezza) -> QString {
        return QStringLiteral("a=") + QString(lunghezza - 2, QLatin1Char('v'));
    };
    EXPECT_TRUE(LeggiSetCookie(riga(64 * 1024), sito).has_value());
    EXPECT_FALSE(LeggiSetCookie(riga(64 * 1024 + 1), sito).has_value());
    EXPECT_FALSE(LeggiSetCookie(riga(1024 * 1024), sito).has_value());
}

} // namespace
} // namespace tarvolin::net
