#include "net/dominio.h"

namespace tarvolin::net::dominio {

namespace {

bool IndirizzoIp(const QString& host) {
    if (host.contains(QLatin1Char(':')))
        return true;
    for (QChar c : host) {
        if (!c.isDigit() && c != QLatin1Char('.'))
            return false;
    }
    return !host.isEmpty();
}

} // namespace

QString Canonico(const QString& dominio) {
    QString d = dominio.toLower();
    if (d.startsWith(QLatin1Char('.')))
        d.remove(0, 1);
    return d;
}

bool Corrisponde(const QString& host, const QString& dominio) {
    if (host == dominio)
        return !host.isEmpty();
    return host.size() > dominio.size() + 1 && host.endsWith(dominio) &&
           host.at(host.size() - dominio.size() - 1) == QLatin1Char('.') && !IndirizzoIp(host);
}

bool PercorsoCorrisponde(const QString& percorso, const QString& percorsoCookie) {
    if (percorso == percorsoCookie)
        return true;
    if (!percorso.startsWith(percorsoCookie))
        return false;
    return percorsoCookie.endsWith(QLatin1Char('/')) ||
           percorso.at(percorsoCookie.size()) == QLatin1Char('/');
}

QString PercorsoPredefinito(const QString& percorsoUrl) {
    if (!percorsoUrl.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    const qsizetype ultima = percorsoUrl.lastIndexOf(QLatin1Char('/'));
    return ultima == 0 ? QStringLiteral("/") : percorsoUrl.left(ultima);
}

} // namespace tarvolin::net::dominio
