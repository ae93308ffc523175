#include "sources/filecrypt.h"

#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/synccall.h"
#include "net/client.h"
#include "net/profili.h"

#include <QMetaObject>

namespace tarvolin::sources {

namespace {

net::Profilo ProfiloCartella(net::ArchivioCookie& cookie) {
    net::Profilo profilo;
    profilo.intestazioni = {
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"Accept", net::kAcceptBrowser},
        {"Accept-Language", net::kAcceptLanguage},
        {"User-Agent", net::kUserAgentChrome92},
        {"sec-ch-ua", R"("Chromium";v="94", "Google Chrome";v="94", ";Not A Brand";v="99")"},
        {"sec-ch-ua-mobile", "?0"},
        {"sec-ch-ua-platform", R"("Windows")"},
        {"Sec-Fetch-Dest", "document"},
        {"Sec-Fetch-Mode", "navigate"},
        {"Sec-Fetch-Site", "none"},
        {"Sec-Fetch-User", "?1"},
        {"Upgrade-Insecure-Requests", "1"}};
    profilo.timeoutLetturaMs = 60000;
    profilo.cookie = &cookie;
    return profilo;
}

} // namespace

QString UrlContenitore(const QString& radice, const QString& id) {
    return radice + QStringLiteral("/DLC/") + id + QStringLiteral(".dlc");
}

TFileCrypt::TFileCrypt(QString url, QString radiceContenitori, QPointer<QObject> dialogo,
                       Contenitore contenitore)
    : url_(std::move(url)), radice_(std::move(radiceContenitori)), dialogo_(std::move(dialogo)),
      contenitore_(std::move(contenitore)) {}

void TFileCrypt::Avvia(const QString& url, const QString& radiceContenitori,
                       QPointer<QObject> dialogo, Contenitore contenitore) {
    auto* importa =
        new TFileCrypt(url, radiceContenitori, std::move(dialogo), std::move(contenitore));
    QObject::connect(importa, &QThread::finished, importa, &QObject::deleteLater);
    importa->start();
}

void TFileCrypt::run() {
    QByteArray testo;
    try {
        // Cookies the folder page sets go back with the container request, and nowhere else.
        net::ArchivioCookie cookie;
        net::ClientHttp client(ProfiloCartella(cookie));
        testo = client.Get(url_).corpo;
        const QByteArray id =
            EstraiTesto(testo, QByteArrayLiteral("DownloadDLC('"), QByteArrayLiteral("'"));
        testo = id.isEmpty() ? QByteArray()
                             : client.Get(UrlContenitore(radice_, QString::fromUtf8(id))).corpo;
    } catch (...) {
        qCDebug(lcSorgenti) << "link folder not read";
        testo.clear(); // the dialog still closes
    }
    ChiamataSincronizzata([this, &testo] { Fine(testo); });
}

void TFileCrypt::Fine(const QByteArray& contenitore) {
    if (!contenitore.isEmpty())
        contenitore_(contenitore);
    // A window's close() is a slot: this file stays free of the widgets module.
    if (!dialogo_.isNull())
        QMetaObject::invokeMethod(dialogo_.data(), "close", Qt::DirectConnection);
}

} // namespace tarvolin::sources
