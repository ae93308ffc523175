#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Fixed values of this build, some of which the environment may redirect so that tests and
// local demos can point the real program at servers on this machine.
namespace tarvolin {

// The project's version as the program shows and sends it, minor and patch in two digits:
// 6.4.0 is "6.04.00".
extern const char* const kVersione;
inline constexpr const char* kNomeProgramma = "Tarvolin";
inline constexpr const char* kClasseFinestra =
    "PcycPCHcCaxldeou1NOuHQvCruDEWt9Gu0UGwZj91D6urW7rUH3E";
inline constexpr const char* kChiaveImpostazioni = "pW7dRt3QxN9bLz2M";
inline constexpr const char* kChiaveUid = "7K2QX9TB4MRW8ZJN";
inline constexpr const char* kAesKeyHex =
    "b7345097fccee0b81a41aedf9798bfea31e7dc0624a040f39da7c9fb6760fbe9";
inline constexpr const char* kAesIvHex = "b1ee3179b9ad8fafd3f7cfe895949b80";
// The maker's Telegram channel, shown and opened from the main window.
inline constexpr const char* kCanaleTelegram = "https://t.me/tarvolin_news";

struct Deployment {
    QString serviceHost;
    quint16 servicePort = 0;
    QString makerSite;       // scheme://host[:port], no trailing slash
    QStringList hostSites;   // primary first, then the alternates
    QStringList hostDomains; // hostSites without scheme and "www."
    QStringList linkFolderDomains;
    QString linkFolderDlcRoot; // where "/DLC/" containers come from: https on the first domain
    QString dlcService;
    QString makerMarker; // maker host without "www.", then "_"
};

// Values as read from the environment at first use; they do not change during a run.
const Deployment& deployment();

// Builds the values from an environment lookup; exposed so tests can feed their own.
Deployment deploymentFrom(const std::function<QString(const char*)>& env);

QString dominioDaSito(const QString& siteRoot);

} // namespace tarvolin
