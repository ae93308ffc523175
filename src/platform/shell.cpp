#include "shell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace tarvolin::platform {

namespace {

QString withoutTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QUrl toUrl(const QString& target) {
    const QUrl url(target);
    if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(target);
}

class DesktopShell final : public Shell {
public:
    QString documentsFolder() const override {
        return withoutTrailingSeparator(
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    }
    QString localDataFolder() const override {
        return withoutTrailingSeparator(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    }
    QString executablePath() const override { return QCoreApplication::applicationFilePath(); }
    QString executableFolder() const override {
        return withoutTrailingSeparator(QCoreApplication::applicationDirPath()) + u'/';
    }
    bool openUrl(const QString& target) override {
        const QUrl url = toUrl(target);
        if (QDesktopServices::openUrl(url))
            return true;
        return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
    }
    // The desktop's file manager selects the file; without one, the folder is opened. The
    // call does not wait: starting a file manager can take seconds.
    bool showInFolder(const QString& filePath) override {
        const QString folder = QFileInfo(filePath).absolutePath();
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return openUrl(folder);
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
        auto* watcher =
            new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [this, folder](QDBusPendingCallWatcher* finished) {
                             if (refused(*finished))
                                 openUrl(folder);
                             finished->deleteLater();
                         });
        return true;
    }

private:
    // Only a refusal: a file manager that is slow to answer may still show the file, and
    // opening the folder as well would give the user two windows.
    static bool refused(const QDBusPendingCall& call) {
        if (!call.isError())
            return false;
        const QDBusError::ErrorType type = call.error().type();
        return type != QDBusError::NoReply && type != QDBusError::Timeout;
    }
};

DesktopShell desktopShell;
Shell* currentShell = &desktopShell;

} // namespace

Shell& shell() {
    return *currentShell;
}

ScopedShellOverride::ScopedShellOverride(Shell& replacement) : previous_(currentShell) {
    currentShell = &replacement;
}

ScopedShellOverride::~ScopedShellOverride() {
    currentShell = previous_;
}

} // namespace tarvolin::platform
