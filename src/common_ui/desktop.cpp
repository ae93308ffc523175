#include "desktop.h"

#include "platform/shell.h"

#include <QProcess>

namespace tarvolin {

QString CartellaDocumenti() {
    return platform::shell().documentsFolder();
}

QString CartellaDatiLocali() {
    return platform::shell().localDataFolder();
}

QString BrowserPredefinito() {
    const QString browser = qEnvironmentVariable("BROWSER").split(u':').value(0).trimmed();
    return browser.isEmpty() ? QStringLiteral("xdg-open") : browser;
}

bool ApriIndirizzo(const QString& destinazione) {
    if (platform::shell().openUrl(destinazione))
        return true;
    if (!destinazione.startsWith(QLatin1String("http:"), Qt::CaseInsensitive))
        return false;
    return QProcess::startDetached(BrowserPredefinito(), {destinazione});
}

} // namespace tarvolin
