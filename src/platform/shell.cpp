#include "shell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace tarvolin::platform {

namespace {

QString withoutTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith('/'))
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
        return withoutTrailingSeparator(QCoreApplication::applicationDirPath()) + '/';
    }
    bool openUrl(const QString& target) override {
        const QUrl url = toUrl(target);
        if (QDesktopServices::openUrl(url))
            return true;
        return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
    }
    // The desktop's file manager selects the file; without one, the folder is opened.
    bool showInFolder(const QString& filePath) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.FileManager1"),
                QStringLiteral("/org/freedesktop/FileManager1"),
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
            call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
            if (bus.call(call, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage)
                return true;
        }
        return openUrl(QFileInfo(filePath).absolutePath());
    }
};

DesktopShell desktopShell;
Shell* current = &desktopShell;

} // namespace

Shell& shell() {
    return *current;
}

ScopedShellOverride::ScopedShellOverride(Shell& replacement) : previous_(current) {
    current = &replacement;
}

ScopedShellOverride::~ScopedShellOverride() {
    current = previous_;
}

} // namespace tarvolin::platform
