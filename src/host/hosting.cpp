#include "hosting.h"

#include "common/ansi.h"
#include "common/synccall.h"
#include "net/client.h"
#include "net/profili.h"
#include "queue/intake.h"

namespace tarvolin::host {

QStringList RigheHosting(const QByteArray& corpo) {
    return queue::DividiRighe(FromAnsi(corpo));
}

bool HostConosciuto(const QStringList& listaHosting, const QString& link) {
    QString url = link;
    url.replace(u'\\', u'/');
    QString host;
    const qsizetype schema = url.indexOf(QLatin1String("://"));
    if (schema >= 0) {
        host = url.mid(schema + 3);
        host = host.left(host.indexOf(u'/')); // left(-1) keeps the whole text
        host = host.mid(host.lastIndexOf(u'@') + 1);
        host = host.left(host.indexOf(u':'));
    }
    if (!host.contains(QLatin1String("www")))
        host.prepend(QLatin1String("www."));
    for (const QString& voce : listaHosting) {
        if (!voce.isEmpty() && host.contains(voce))
            return true;
    }
    return false;
}

TLoadHosting::TLoadHosting(QString sitoProduttore, Applica applica)
    : sito_(std::move(sitoProduttore)), applica_(std::move(applica)) {}

void TLoadHosting::Avvia(const QString& sitoProduttore, Applica applica) {
    auto* loader = new TLoadHosting(sitoProduttore, std::move(applica));
    QObject::connect(loader, &QThread::finished, loader, &QObject::deleteLater);
    loader->start();
}

void TLoadHosting::run() {
    net::ArchivioCookie cookie; // allowed, but kept by nobody else
    net::ClientHttp client(net::ProfiloSitoProduttore(&cookie));
    const net::Risposta risposta = client.Get(sito_ + QStringLiteral("/hosting.ini"));
    if (!risposta.ok)
        return;
    // Split here, so a huge file never holds up the window.
    const QStringList righe = RigheHosting(risposta.corpo);
    ChiamataSincronizzata([&] { applica_(righe); });
}

} // namespace tarvolin::host
