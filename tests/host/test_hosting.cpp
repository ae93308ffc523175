// Which links belong to the host, and the loader of the maker's list.
#include "host/hosting.h"
#include "support/fake_maker_site.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::host;
using tarvolin::test::FakeMakerSite;

namespace {

TEST(HostConosciuto, BareHostAgainstTheListInOrder) {
    const QStringList lista = {"www.easybytez.com", "easybytez.eu", "zippy"};
    const struct {
        QStringList lista;
        const char* link;
        bool atteso;
    } casi[] = {
        {lista, "http://www.easybytez.com/abc", true},
        {lista, "http://easybytez.com/abc", true}, // tested as www.easybytez.com
        {lista, "https://WWW.EASYBYTEZ.COM/abc", false},
        {lista, "http://cdn.easybytez.eu/x", true},
        {lista, "http://user:pw@www.easybytez.com:8080/abc", true},
        {lista, "http://a@b@www.zippyshare.com/x", true}, // up to the last at-sign
        {lista, "http:\\\\www.easybytez.com\\abc", true},
        {lista, "www.easybytez.com/abc", false}, // no scheme: the host is "www." alone
        {{"www."}, "no scheme at all", true},
        {lista, "http://other.org/www.easybytez.com", false}, // the path is not the host
        {{}, "http://www.easybytez.com/abc", false},
        {{"", "easybytez.com "}, "http://www.easybytez.com/abc", false}, // empty and padded
    };
    for (const auto& c : casi)
        EXPECT_EQ(HostConosciuto(c.lista, c.link), c.atteso) << c.link;
}

TEST(RigheHosting, EveryLineEndAndNothingTrimmed) {
    EXPECT_EQ(RigheHosting("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(RigheHosting("a\r\n\r\n b \n"), QStringList({"a", "", " b "}));
    EXPECT_EQ(RigheHosting(""), QStringList());
}

// Runs a loader against the fake site and waits for it to end; nullopt when it handed nothing.
std::optional<QStringList> carica(const QString& sito) {
    std::optional<QStringList> ricevute;
    bool finito = false;
    auto* loader = new TLoadHosting(sito, [&](const QStringList& righe) { ricevute = righe; });
    QObject::connect(loader, &QThread::finished, loader, [&, loader] {
        finito = true;
        loader->deleteLater();
    });
    loader->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return finito; }, 20000));
    return ricevute;
}

TEST(TLoadHosting, ListArrivesOnceWholeOrNotAtAll) {
    FakeMakerSite sito;
    EXPECT_EQ(carica(sito.radice()), RigheHosting(FakeMakerSite::defaultHostingList()));
    const auto richiesta = sito.requests().value(0);
    EXPECT_EQ(richiesta.target, "/hosting.ini");
    EXPECT_EQ(richiesta.header("Accept-Encoding"), "gzip, deflate");

    sito.serveManyHostingLines(100000);
    const std::optional<QStringList> molte = carica(sito.radice());
    ASSERT_TRUE(molte.has_value());
    EXPECT_EQ(molte->size(), 100000);
    EXPECT_TRUE(HostConosciuto(*molte, "http://www.easybytez.localhost:1/x"));

    sito.serveBinaryHostingList();
    EXPECT_TRUE(carica(sito.radice()).has_value());

    sito.setHostingStatus(404);
    EXPECT_FALSE(carica(sito.radice()).has_value());
    EXPECT_FALSE(carica("http://127.0.0.1:1").has_value());
}

} // namespace
