#include "common/deployment.h"

#include <QMap>

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <ostream>

namespace tarvolin {
namespace {

Deployment from(const QMap<QString, QString>& vars) {
    return deploymentFrom(
        [&vars](const char* name) { return vars.value(QString::fromLatin1(name)); });
}

TEST(Deployment, DefaultsWithAnEmptyEnvironment) {
    const Deployment d = from({});
    EXPECT_EQ(d.serviceHost, QStringLiteral("service.tarvolin.invalid"));
    EXPECT_EQ(d.servicePort, 11368);
    EXPECT_EQ(d.makerSite, QStringLiteral("http://www.tarvolin.invalid"));
    EXPECT_EQ(d.makerMarker, QStringLiteral("tarvolin.invalid_"));
    EXPECT_EQ(d.hostSites, QStringList({"https://www.easybytez.com", "https://www.easybytez.eu",
                                        "https://www.easybytez.me"}));
    EXPECT_EQ(d.hostDomains, QStringList({"easybytez.com", "easybytez.eu", "easybytez.me"}));
    EXPECT_EQ(d.linkFolderDomains, QStringList({"filecrypt.cc", "filecrypt.co"}));
    EXPECT_EQ(d.dlcService, QStringLiteral("http://dcrypt.it"));
}

TEST(Deployment, ServiceAddressFromTheEnvironment) {
    const Deployment d = from({{"TARVOLIN_SERVICE", "127.0.0.1:5555"}});
    EXPECT_EQ(d.serviceHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(d.servicePort, 5555);
    EXPECT_EQ(from({{"TARVOLIN_SERVICE", "localhost:65535"}}).servicePort, 65535);
}

TEST(Deployment, UnusableServiceAddressKeepsTheDefault) {
    for (const char* bad : {"127.0.0.1", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:70000",
                            "127.0.0.1:-1", "127.0.0.1:port", ":5555"}) {
        const Deployment d = from({{"TARVOLIN_SERVICE", QString::fromLatin1(bad)}});
        EXPECT_EQ(d.serviceHost, QStringLiteral("service.tarvolin.invalid")) << bad;
        EXPECT_EQ(d.servicePort, 11368) << bad;
    }
}

TEST(Deployment, HostSitesGiveDomainsWithoutSchemePortOrWww) {
    const Deployment d =
        from({{"TARVOLIN_HOST_SITES",
               "http://127.0.0.1:8080/; http://localhost:8081 ;;http://www.x.test"}});
    EXPECT_EQ(d.hostSites,
              QStringList({"http://127.0.0.1:8080", "http://localhost:8081", "http://www.x.test"}));
    EXPECT_EQ(d.hostDomains, QStringList({"127.0.0.1", "localhost", "x.test"}));
}

TEST(Deployment, MakerMarkerDropsWwwAndPort) {
    const Deployment d = from({{"TARVOLIN_MAKER_SITE", "http://www.maker.test:9000/"}});
    EXPECT_EQ(d.makerSite, QStringLiteral("http://www.maker.test:9000"));
    EXPECT_EQ(d.makerMarker, QStringLiteral("maker.test_"));
}

TEST(Deployment, BlankValuesCountAsUnset) {
    const Deployment d = from({{"TARVOLIN_SERVICE", "  "},
                               {"TARVOLIN_MAKER_SITE", "   "},
                               {"TARVOLIN_HOST_SITES", " ; "},
                               {"TARVOLIN_LINKFOLDER_DOMAINS", ";"},
                               {"TARVOLIN_DLC_SERVICE", " "}});
    const Deployment defaults = from({});
    EXPECT_EQ(d.serviceHost, defaults.serviceHost);
    EXPECT_EQ(d.makerSite, defaults.makerSite);
    EXPECT_EQ(d.makerMarker, defaults.makerMarker);
    EXPECT_EQ(d.hostSites, defaults.hostSites);
    EXPECT_EQ(d.linkFolderDomains, defaults.linkFolderDomains);
    EXPECT_EQ(d.dlcService, defaults.dlcService);
}

TEST(Deployment, SurroundingBlanksAreIgnored) {
    const Deployment d = from({{"TARVOLIN_SERVICE", " 127.0.0.1:5555 "},
                               {"TARVOLIN_DLC_SERVICE", " http://127.0.0.1:7000/ "}});
    EXPECT_EQ(d.serviceHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(d.servicePort, 5555);
    EXPECT_EQ(d.dlcService, QStringLiteral("http://127.0.0.1:7000"));
}

TEST(Deployment, LinkFolderDomainsAndDlcServiceFromTheEnvironment) {
    const Deployment d = from({{"TARVOLIN_LINKFOLDER_DOMAINS", "folders.test; other.test"},
                               {"TARVOLIN_DLC_SERVICE", "http://127.0.0.1:7000//"}});
    EXPECT_EQ(d.linkFolderDomains, QStringList({"folders.test", "other.test"}));
    EXPECT_EQ(d.dlcService, QStringLiteral("http://127.0.0.1:7000"));
    // Containers come from the first domain over https unless a root is named.
    EXPECT_EQ(d.linkFolderDlcRoot, QStringLiteral("https://folders.test"));
    EXPECT_EQ(from({}).linkFolderDlcRoot, QStringLiteral("https://filecrypt.cc"));
    EXPECT_EQ(from({{"TARVOLIN_LINKFOLDER_DLC_ROOT", "http://127.0.0.1:7001/"}}).linkFolderDlcRoot,
              QStringLiteral("http://127.0.0.1:7001"));
}

} // namespace
} // namespace tarvolin
