// Host link resolution against a local copy of the host's site, with the usage reports going
// to a local service server.
#include "common/clock.h"
#include "common/statoprocesso.h"
#include "host/easybytez.h"
#include "net/client.h"
#include "net/cookie.h"
#include "service/sessione.h"
#include "support/fake_host_site.h"
#include "support/fake_service_server.h"

#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::host;
using tarvolin::test::FakeHostSite;
using tarvolin::test::FakeServiceServer;
using tarvolin::test::FileOspitato;
using tarvolin::test::FilePage;
using tarvolin::test::LinkAnswer;

namespace {

TEST(CodificaLinkDiretto, ComponentsEncodedColonKept) {
    const struct {
        QByteArray href;
        const char* atteso;
    } casi[] = {
        {"http://h:81/d/t/My File.rar", "http://h:81/d/t/My%20File.rar"},
        {"http://h/d/Ep\xEA\x9E\x89 1.rar", "http://h/d/Ep%EA%9E%89%201.rar"},
        {"http://u:p@h/a+b%{}|^`[]\"<>*\\.zip?x=a+b&y=c d#frag",
         "http://h/a%2Bb%25%7B%7D%7C%5E%60%5B%5D%22%3C%3E%2A%5C.zip?x=a+b&y=c%20d"},
        {"http://h/caff\xC3\xA8.rar", "http://h/caff%C3%A8.rar"},
        {"http://h/\xE4\xB8\xAD.rar", "http://h/%E4%B8%AD.rar"}, // beyond the single-byte set
        {"", ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(CodificaLinkDiretto(c.href), c.atteso) << c.href.toStdString();
}

class Easybytez : public ::testing::Test {
protected:
    Easybytez() {
        Processo().UsoSegnalato = false;
        autoConnect_.setInterval(10);
        wakeUp_.setInterval(3600000);
        sessione_.ImpostaServer("127.0.0.1", servizio_.port());
        autoConnect_.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !servizio_.frames().isEmpty(); }, 5000));
        accesso_.senddata = [this](const QString& c, const QString& p) {
            sessione_.senddata(c, p);
        };
        sito_.addFile(
            FileOspitato::generated("abc123", "Serie Ep\xEA\x9E\x89 01.part1.rar", 300000));
    }

    EsitoLink risolvi(const QByteArray& id, const QString& password = {},
                      const QString& email = FakeHostSite::kEmail,
                      const QString& passwordAccount = FakeHostSite::kPassword) {
        return GeneraLinkDiretto(accesso_, sito_.link(id), password, email, passwordAccount,
                                 testoCookie_);
    }
    QStringList frameServizio() {
        QTest::qWait(50);
        QStringList out;
        for (const auto& f : servizio_.frames()) {
            if (f.code == "#0670" || f.code == "#0667")
                out << QString::fromLatin1(f.code + f.payload);
        }
        return out;
    }

    clock::ScopedSpeedUp veloce_{100};
    FakeHostSite sito_;
    FakeServiceServer servizio_;
    QTimer autoConnect_, inviaCodice_, wakeUp_;
    service::Sessione sessione_{&autoConnect_, &inviaCodice_, &wakeUp_};
    net::ArchivioCookie cookie_;
    AccessoHost accesso_{sito_.radice(), &cookie_, {}, {}};
    QString testoCookie_ = "prima\r\n";
};

TEST_F(Easybytez, LogsInOnceThenResolvesWithTheSameCookies) {
    const EsitoLink primo = risolvi("abc123");
    EXPECT_TRUE(primo.loggato);
    EXPECT_EQ(primo.risultato.section('/', 0, 4) + '/',
              sito_.radice() + "/d/" + primo.risultato.section('/', 4, 4) + '/');
    EXPECT_TRUE(primo.risultato.endsWith("/Serie%20Ep%EA%9E%89%2001.part1.rar"));
    const QString email = FakeHostSite::kEmail;
    EXPECT_EQ(frameServizio(), QStringList({"#0670" + email, "#0667" + email}));
    // The host cookies, appended one per line in Set-Cookie form.
    const QStringList righe = testoCookie_.split("\r\n");
    ASSERT_EQ(righe.size(), 4);
    EXPECT_EQ(righe.first(), "prima");
    const QRegularExpression forma(
        "^(xfss|login)=[^;]+; Path=/; Domain=\\.easybytez\\.localhost(; HttpOnly)?; "
        "Max-Age=2592000; Expires=(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d-[A-Z][a-z]{2}-\\d{4} "
        "\\d\\d:\\d\\d:\\d\\d GMT$");
    EXPECT_TRUE(forma.match(righe[1]).hasMatch()) << righe[1].toStdString();
    EXPECT_TRUE(forma.match(righe[2]).hasMatch()) << righe[2].toStdString();
    EXPECT_TRUE(righe[3].isEmpty());

    // The login form and the download form, field by field in order.
    const auto login = sito_.loginAttempts();
    ASSERT_EQ(login.size(), 1);
    QByteArrayList nomi;
    for (const auto& [nome, valore] : login.first().fields)
        nomi << nome;
    EXPECT_EQ(nomi, QByteArrayList({"op", "login", "rand", "password"}));
    nomi.clear();
    const auto moduli = sito_.downloadForms();
    for (const auto& [nome, valore] : moduli.first().fields)
        nomi << nome;
    EXPECT_EQ(nomi, QByteArrayList({"op", "id", "rand", "method_premium", "down_direct"}));
    const auto pagina = sito_.requests().first();
    QByteArrayList intestazioni;
    for (const auto& [nome, valore] : pagina.headers)
        intestazioni << nome;
    EXPECT_EQ(intestazioni,
              QByteArrayList({"Host", "Accept", "Accept-Language", "User-Agent", "Content-Type"}));

    // Already logged in: no login, no report, the cookie text untouched; the link works.
    const QString cookiePrima = testoCookie_;
    const EsitoLink secondo = risolvi("abc123");
    EXPECT_FALSE(secondo.loggato);
    EXPECT_EQ(testoCookie_, cookiePrima);
    EXPECT_EQ(sito_.loginAttempts().size(), 1);
    EXPECT_EQ(frameServizio().size(), 2);
    net::ClientHttp client({});
    const net::Risposta file = client.Get(secondo.risultato);
    EXPECT_TRUE(file.ok) << file.errore.toStdString();
    EXPECT_EQ(file.corpo, FakeHostSite::patternBytes(0, 300000));
}

TEST_F(Easybytez, ClassificationOrder) {
    auto file = [](const char* id, FilePage pagina, LinkAnswer risposta = LinkAnswer::Link,
                   QByteArray password = {}, bool linkConPasswordErrata = false) {
        FileOspitato f = FileOspitato::generated(id, "f.rar", 10);
        f.page = pagina;
        f.answer = risposta;
        f.downloadPassword = password;
        f.linkWithWrongPassword = linkConPasswordErrata;
        return f;
    };
    sito_.addFile(file("both", FilePage::NotAvailableAndLimit));
    sito_.addFile(file("gone", FilePage::NotFound));
    sito_.addFile(file("locked", FilePage::Download, LinkAnswer::Link, "segreta", true));
    sito_.addFile(file("nomark", FilePage::Download, LinkAnswer::NoMarker));
    sito_.addFile(file("nohref", FilePage::Download, LinkAnswer::MarkerWithoutHref));
    sito_.addFile(file("badlogin", FilePage::IncorrectLogin));
    ASSERT_FALSE(risolvi("abc123").risultato.isEmpty()); // logged in from here on

    const struct {
        const char* id;
        const char* password;
        const char* atteso;
    } casi[] = {
        {"both", "", "NOTAVAILABLE"},
        {"gone", "", "NOTAVAILABLE"},
        {"missing", "", "NOTAVAILABLE"},
        {"locked", "sbagliata", "PASSERROR"},
        {"locked", "", "PASSERROR"},
        {"nomark", "", ""},
        {"nohref", "", ""},
        {"badlogin", "", "LOGINERROR"},
    };
    for (const auto& c : casi) {
        const EsitoLink esito = risolvi(c.id, c.password);
        EXPECT_EQ(esito.risultato, c.atteso) << c.id;
        EXPECT_FALSE(esito.loggato) << c.id;
    }
    EXPECT_TRUE(risolvi("locked", "segreta").risultato.startsWith(sito_.radice() + "/d/"));
    const auto ultimo = sito_.downloadForms().last().fields;
    EXPECT_EQ(ultimo.last(), qMakePair(QByteArray("password"), QByteArray("segreta")));

    sito_.setLimitReached(FakeHostSite::kEmail, true);
    EXPECT_EQ(risolvi("abc123").risultato, "DOWNLOADLIMIT");
    EXPECT_EQ(sito_.loginAttempts().size(), 1);
}

TEST_F(Easybytez, RejectedLoginAndUnreachableHost) {
    const EsitoLink rifiutato = risolvi("abc123", {}, FakeHostSite::kEmail, "wrong");
    EXPECT_EQ(rifiutato.risultato, "LOGINERROR");
    EXPECT_TRUE(rifiutato.loggato);
    EXPECT_EQ(testoCookie_, "prima\r\n");
    EXPECT_EQ(frameServizio(), QStringList({QString("#0670") + FakeHostSite::kEmail}));

    accesso_.sitoBase = "http://www.easybytez.localhost:1";
    const EsitoLink irraggiungibile = GeneraLinkDiretto(
        accesso_, "http://www.easybytez.localhost:1/abc123", {}, "a", "b", testoCookie_);
    EXPECT_EQ(irraggiungibile.risultato, "");
    EXPECT_TRUE(irraggiungibile.loggato == false);
}

TEST_F(Easybytez, HostilePagesAndCookiesEndInAResult) {
    // A 50 MB login page cannot be read: the form goes out empty and is refused.
    sito_.setLoginPage(FakeHostSite::LoginPage::Huge);
    EXPECT_EQ(risolvi("abc123").risultato, "LOGINERROR");
    EXPECT_EQ(sito_.loginAttempts().last().fields.value(0).second, "");

    // A login answer with a megabyte cookie is refused whole; a date that is no date is dropped
    // and the login holds.
    sito_.setLoginPage(FakeHostSite::LoginPage::Normal);
    sito_.setLoginCookies(FakeHostSite::LoginCookies::BigExtraCookie);
    EXPECT_EQ(risolvi("abc123").risultato, "");
    EXPECT_FALSE(testoCookie_.contains("pad="));
    sito_.setLoginCookies(FakeHostSite::LoginCookies::MalformedExpires);
    EXPECT_FALSE(risolvi("abc123").risultato.isEmpty());
    EXPECT_TRUE(cookie_.Righe("easybytez").first().startsWith("xfss="));

    FileOspitato enorme = FileOspitato::generated("huge", "h.rar", 1);
    enorme.page = FilePage::Huge;
    sito_.addFile(enorme);
    EXPECT_EQ(risolvi("huge").risultato, "");
}

} // namespace
