#include "net/cookie.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

namespace tarvolin::net {
namespace {

const QUrl kWww("http://www.easybytez.com/");

TEST(ArchivioCookie, IntestazioneSecondoDominioPercorsoSicurezzaEScadenza) {
    ArchivioCookie archivio;
    ASSERT_TRUE(archivio.Aggiungi("host=1", kWww));
    ASSERT_TRUE(archivio.Aggiungi("dom=2; Domain=.easybytez.com; Path=/", kWww));
    ASSERT_TRUE(archivio.Aggiungi("sicuro=3; Domain=easybytez.com; Path=/; Secure",
                                  QUrl("https://www.easybytez.com/")));
    ASSERT_TRUE(archivio.Aggiungi("profondo=4; Path=/file/abc", kWww));
    ASSERT_TRUE(
        archivio.Aggiungi("scaduto=5; Path=/; Expires=Thu, 01-Jan-1970 00:00:00 GMT", kWww));
    ASSERT_TRUE(archivio.Aggiungi("eta=6; Path=/; Max-Age=0", kWww));
    ASSERT_TRUE(archivio.Aggiungi("futuro=7; Path=/; Expires=Fri, 01-Jan-2100 00:00:00 GMT", kWww));
    ASSERT_TRUE(archivio.Aggiungi("altro=8", QUrl("http://filecrypt.cc/")));

    const struct {
        const char* url;
        QByteArray atteso;
    } casi[] = {
        {"http://www.easybytez.com/", "host=1; dom=2; futuro=7"},
        {"https://www.easybytez.com/", "host=1; dom=2; sicuro=3; futuro=7"},
        {"http://WWW.EasyBytez.com/", "host=1; dom=2; futuro=7"},
        {"http://easybytez.com/", "dom=2"},
        {"http://dl.www.easybytez.com/", "dom=2"},
        {"http://www.easybytez.com/file/abc/x", "profondo=4; host=1; dom=2; futuro=7"},
        {"http://www.easybytez.com/file/abc", "profondo=4; host=1; dom=2; futuro=7"},
        {"http://www.easybytez.com/file/abcd", "host=1; dom=2; futuro=7"},
        {"http://noteasybytez.com/", ""},
        {"http://filecrypt.cc/x", "altro=8"},
        {"http://sub.filecrypt.cc/x", ""},
    };
    for (const auto& caso : casi)
        EXPECT_EQ(archivio.IntestazioneCookie(QUrl(caso.url)), caso.atteso) << caso.url;
}

TEST(ArchivioCookie, RigheERimuoviPerParteDelDominio) {
    const auto riempi = [](ArchivioCookie& a) {
        a.Aggiungi("a=1", kWww);
        a.Aggiungi("b=2; Domain=.easybytez.com; Path=/", kWww);
        a.Aggiungi("c=3; Domain=.EasyBytez.com; Path=/", kWww);
        a.Aggiungi("d=4", QUrl("http://filecrypt.cc/"));
    };
    const struct {
        QString parte;
        QStringList righe;
        QStringList restanti;
    } casi[] = {
        {"easybytez",
         {"a=1; Path=/; Domain=www.easybytez.com", "b=2; Path=/; Domain=.easybytez.com"},
         {"c=3; Path=/; Domain=.EasyBytez.com", "d=4; Path=/; Domain=filecrypt.cc"}},
        {"filecrypt",
         {"d=4; Path=/; Domain=filecrypt.cc"},
         {"a=1; Path=/; Domain=www.easybytez.com", "b=2; Path=/; Domain=.easybytez.com",
          "c=3; Path=/; Domain=.EasyBytez.com"}},
        {"nessuno",
         {},
         {"a=1; Path=/; Domain=www.easybytez.com", "b=2; Path=/; Domain=.easybytez.com",
          "c=3; Path=/; Domain=.EasyBytez.com", "d=4; Path=/; Domain=filecrypt.cc"}},
    };
    for (const auto& caso : casi) {
        ArchivioCookie archivio;
        riempi(archivio);
        EXPECT_EQ(archivio.Righe(caso.parte), caso.righe) << caso.parte.toStdString();
        archivio.Rimuovi(caso.parte);
        EXPECT_EQ(archivio.Righe(QString()), caso.restanti) << caso.parte.toStdString();
    }
}

TEST(ArchivioCookie, AggiungiRigheSaltaScartaESostituisce) {
    ArchivioCookie archivio;
    archivio.AggiungiRighe({"a=1; Path=/", "vecchio=1; Path=/; Max-Age=-10000 ", "senzauguale",
                            "x=1; Domain=altrosito.com", "b=2; Path=/", "a=3; Path=/",
                            "a=4; Path=/file", "b=5; Domain=www.easybytez.com; Path=/"},
                           kWww);
    EXPECT_EQ(archivio.Righe("easybytez"),
              QStringList({"a=3; Path=/; Domain=www.easybytez.com",
                           "b=5; Path=/; Domain=www.easybytez.com",
                           "a=4; Path=/file; Domain=www.easybytez.com"}));
    EXPECT_FALSE(archivio.Aggiungi("senzauguale", kWww));
    EXPECT_EQ(archivio.Conta(), 3);
}

TEST(ArchivioCookie, RicevutiSostituisconoEScadenzeCancellano) {
    ArchivioCookie archivio;
    const struct {
        QList<QByteArray> setCookie;
        QByteArray intestazione;
    } passi[] = {
        {{"a=1; Path=/", "b=2; Path=/"}, "a=1; b=2"},
        {{"a=3; Path=/"}, "a=3; b=2"},
        {{"b=; Path=/; Max-Age=0"}, "a=3"},
        {{"a=9; Path=/file"}, "a=9; a=3"},
        {{"a=x; Path=/; Expires=Thu, 01-Jan-1970 00:00:00 GMT"}, "a=9"},
        {{"c=1; Domain=easybytez.com; Path=/", "c=2; Domain=.easybytez.com; Path=/"}, "a=9; c=2"},
        {{"c=; Domain=easybytez.com; Path=/; Max-Age=-1", "malformato"}, "a=9"},
    };
    for (const auto& passo : passi) {
        archivio.Ricevuti(passo.setCookie, kWww);
        EXPECT_EQ(archivio.IntestazioneCookie(QUrl("http://www.easybytez.com/file/1")),
                  passo.intestazione)
            << passo.setCookie.join(" | ").toStdString();
    }
}

} // namespace
} // namespace tarvolin::net
