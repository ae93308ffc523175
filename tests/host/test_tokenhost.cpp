// Host logins kept in the database between runs.
#include "common/clock.h"
#include "common/deployment.h"
#include "common/funzioni.h"
#include "host/easybytez.h"
#include "host/tokenhost.h"
#include "net/cookie.h"
#include "queue/database.h"
#include "queue/schema.h"
#include "support/fake_host_site.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::host;
using tarvolin::test::FakeHostSite;
using tarvolin::test::FileOspitato;

namespace {

const QString kSito = "http://www.easybytez.localhost";

class TokenHost : public ::testing::Test {
protected:
    TokenHost() { queue::CreaTabelle(db_); }

    QStringList righe() {
        QStringList out;
        const queue::RowSet rs = db_.Query("SELECT valuelist, uid FROM table_token ORDER BY id");
        for (int i = 0; i < rs.RowCount(); ++i)
            out << XorHexDecode(rs.Value(i, "uid"), kChiaveUid) + " " +
                       XorHexDecode(rs.Value(i, "valuelist"), kChiaveUid);
        return out;
    }

    QTemporaryDir dir_;
    queue::Database db_{dir_.path() + "/database.opt"};
    net::ArchivioCookie cookie_;
};

TEST_F(TokenHost, SecondAccountGetsARowThenTheFirstOverwritesBoth) {
    SalvaToken(db_, "uno", kPortale, "a@x.it");
    SalvaToken(db_, "due", kPortale, "b@x.it");
    EXPECT_EQ(righe(), QStringList({"a@x.it uno", "b@x.it due"}));
    SalvaToken(db_, "tre", kPortale, "a@x.it");
    EXPECT_EQ(righe(), QStringList({"a@x.it tre", "a@x.it tre"}));
}

TEST_F(TokenHost, LoadingReplacesTheHostCookies) {
    cookie_.Aggiungi("vecchio=1; Domain=.easybytez.localhost", kSito);
    cookie_.Aggiungi("altro=1", QUrl("http://other.org/"));
    SalvaToken(db_,
               "a=1; Path=/; Domain=.easybytez.localhost\r\n"
               "b=2; Path=/; Domain=.easybytez.localhost; Max-Age=-10000 \r\n"
               "not a cookie\r\n"
               "c=3; Path=/; Domain=.easybytez.localhost\r\n",
               kPortale, "a@x.it");
    CaricaToken(db_, cookie_, kPortale, kSito, "a@x.it");
    EXPECT_EQ(cookie_.Righe("easybytez"),
              QStringList({"a=1; Path=/; Domain=.easybytez.localhost",
                           "c=3; Path=/; Domain=.easybytez.localhost"}));

    // A corrupt text loads the lines before the first bad pair.
    const QString buono = XorHexEncode("a=1; Domain=.easybytez.localhost\r\nc=3", kChiaveUid);
    db_.Execute("UPDATE table_token SET valuelist = ?", {buono.left(buono.size() - 6) + "ZZ00"});
    CaricaToken(db_, cookie_, kPortale, kSito, "a@x.it");
    EXPECT_EQ(cookie_.Righe("easybytez"),
              QStringList({"a=1; Path=/; Domain=.easybytez.localhost"}));

    // An account without a stored login drops every host login.
    SalvaToken(db_, "x=1", kPortale, "b@x.it");
    CaricaToken(db_, cookie_, kPortale, kSito, "nessuno@x.it");
    EXPECT_TRUE(cookie_.Righe("easybytez").isEmpty());
    EXPECT_EQ(cookie_.Righe("other.org").size(), 1);
    EXPECT_TRUE(righe().isEmpty());
}

TEST_F(TokenHost, ALoginStoredByOneRunServesTheNext) {
    clock::ScopedSpeedUp veloce(100);
    FakeHostSite sito;
    sito.addFile(FileOspitato::generated("abc123", "a.rar", 10));
    const AccessoHost primaEsecuzione{sito.radice(), &cookie_, {}, {}};
    QString testo;
    ASSERT_TRUE(GeneraLinkDiretto(primaEsecuzione, sito.link("abc123"), {}, FakeHostSite::kEmail,
                                  FakeHostSite::kPassword, testo)
                    .loggato);
    SalvaToken(db_, testo, kPortale, FakeHostSite::kEmail);

    net::ArchivioCookie nuovo;
    CaricaToken(db_, nuovo, kPortale, sito.radice(), FakeHostSite::kEmail);
    const AccessoHost secondaEsecuzione{sito.radice(), &nuovo, {}, {}};
    QString testo2;
    const EsitoLink esito =
        GeneraLinkDiretto(secondaEsecuzione, sito.link("abc123"), {}, FakeHostSite::kEmail,
                          FakeHostSite::kPassword, testo2);
    EXPECT_FALSE(esito.loggato);
    EXPECT_TRUE(esito.risultato.startsWith(sito.radice() + "/d/"));
    EXPECT_EQ(sito.loginAttempts().size(), 1);
}

} // namespace
