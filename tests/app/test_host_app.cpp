// The program's host side at start: the maker's host list and the stored login of the personal
// account, against local sites named in the environment as a user's deployment would be.
#include "app/form1.h"
#include "host/tokenhost.h"
#include "queue/database.h"
#include "queue/schema.h"
#include "siti_app.h"
#include "support/app_fixture.h"
#include "support/fake_maker_site.h"
#include "support/qt_print.h"

#include <QDir>
#include <QTest>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

// Deployment values are read once per process, so the sites exist before any test starts.
std::unique_ptr<FakeMakerSite> gSitoProduttore;

class Siti : public ::testing::Environment {
public:
    void SetUp() override {
        gSitoProduttore = std::make_unique<FakeMakerSite>();
        qputenv("TARVOLIN_MAKER_SITE", gSitoProduttore->radice().toUtf8());
        qputenv("TARVOLIN_HOST_SITES", "http://www.easybytez.localhost:1");
    }
    void TearDown() override { gSitoProduttore.reset(); }
};
const auto* const kSiti = ::testing::AddGlobalTestEnvironment(new Siti);

} // namespace

FakeMakerSite& tarvolin::test::SitoProduttore() {
    return *gSitoProduttore;
}

namespace {

class HostApp : public AppFixture {};

TEST_F(HostApp, StartLoadsTheHostListAndThePersonalAccountsStoredLogin) {
    QDir().mkpath(installedData());
    {
        queue::Database db(installedData() + "database.opt");
        queue::CreaTabelle(db);
        host::SalvaToken(db, "xfss=abc; Path=/; Domain=.easybytez.localhost\r\n", host::kPortale,
                         "me@x.it");
    }
    WriteAll(installedIni(), "[generale]\neasyaccount=me@x.it\neasypassword=pw\n");
    TForm1& f = start().Form1();
    EXPECT_EQ(f.AccountEmail, "me@x.it");
    EXPECT_EQ(f.IdCookieManager1.Righe("easybytez"),
              QStringList({"xfss=abc; Path=/; Domain=.easybytez.localhost"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.ListaHosting.isEmpty(); }, 10000));
    EXPECT_TRUE(f.HostConosciuto("https://easybytez.localhost/abc"));
    EXPECT_FALSE(f.HostConosciuto("https://other.org/abc"));

    // A new identification code forgets every host login.
    f.NuovoCodice("NEW-CODE");
    EXPECT_TRUE(f.IdCookieManager1.Righe("easybytez").isEmpty());
    EXPECT_TRUE(f.AccountEmail.isEmpty());
    EXPECT_EQ(f.Db()->Query("SELECT * FROM table_token").RowCount(), 0);
}

} // namespace
