#include "deployment.h"

#include <QUrl>

namespace tarvolin {

const char* const kVersione = TARVOLIN_VERSIONE;

namespace {

QStringList splitList(const QString& text) {
    QStringList out;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            out << trimmed;
    }
    return out;
}

QString withoutTrailingSlash(QString root) {
    while (root.endsWith(u'/'))
        root.chop(1);
    return root;
}

} // namespace

QString dominioDaSito(const QString& siteRoot) {
    QString host = QUrl(siteRoot).host();
    if (host.isEmpty())
        host = siteRoot;
    if (host.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        host.remove(0, 4);
    return host;
}

Deployment deploymentFrom(const std::function<QString(const char*)>& env) {
    Deployment d;
    d.serviceHost = QStringLiteral("service.tarvolin.invalid");
    d.servicePort = 11368;
    const QString service = env("TARVOLIN_SERVICE").trimmed();
    const int colon = service.lastIndexOf(u':');
    if (colon > 0) {
        bool ok = false;
        const uint port = service.mid(colon + 1).toUInt(&ok);
        if (ok && port > 0 && port <= 65535) {
            d.serviceHost = service.left(colon);
            d.servicePort = static_cast<quint16>(port);
        }
    }

    // A blank value is as good as unset: an empty maker site would make the marker a bare "_".
    const QString maker = env("TARVOLIN_MAKER_SITE").trimmed();
    d.makerSite = withoutTrailingSlash(
        maker.isEmpty() ? QStringLiteral("http://www.tarvolin.invalid") : maker);

    QStringList sites = splitList(env("TARVOLIN_HOST_SITES"));
    if (sites.isEmpty())
        sites = {QStringLiteral("https://www.easybytez.com"),
                 QStringLiteral("https://www.easybytez.eu"),
                 QStringLiteral("https://www.easybytez.me")};
    for (QString& s : sites)
        s = withoutTrailingSlash(s);
    d.hostSites = sites;
    for (const QString& s : sites)
        d.hostDomains << dominioDaSito(s);

    d.linkFolderDomains = splitList(env("TARVOLIN_LINKFOLDER_DOMAINS"));
    if (d.linkFolderDomains.isEmpty())
        d.linkFolderDomains = {QStringLiteral("filecrypt.cc"), QStringLiteral("filecrypt.co")};

    const QString radiceDlc = env("TARVOLIN_LINKFOLDER_DLC_ROOT").trimmed();
    d.linkFolderDlcRoot = withoutTrailingSlash(
        radiceDlc.isEmpty() ? QStringLiteral("https://") + d.linkFolderDomains.value(0)
                            : radiceDlc);

    const QString dlc = env("TARVOLIN_DLC_SERVICE").trimmed();
    d.dlcService = withoutTrailingSlash(dlc.isEmpty() ? QStringLiteral("http://dcrypt.it") : dlc);

    d.makerMarker = dominioDaSito(d.makerSite) + u'_';
    return d;
}

const Deployment& deployment() {
    static const Deployment values =
        deploymentFrom([](const char* name) { return qEnvironmentVariable(name); });
    return values;
}

} // namespace tarvolin
