#include "avvisi.h"

#include "common/ansi.h"
#include "common/funzioni.h"
#include "common/synccall.h"
#include "net/client.h"
#include "net/profili.h"

namespace tarvolin::auxiliary {

namespace {

// One banner pair; false when its picture was named but could not be fetched.
bool ScaricaCoppia(net::ClientHttp& client, const QString& sito, const QString& testo, int n,
                   QImage& immagine, QString& link) {
    const QString numero = QString::number(n);
    const QString percorso = EstraiTesto(
        testo, QStringLiteral("image") + numero + QStringLiteral("=\""), QStringLiteral("\""));
    if (percorso.isEmpty())
        return true;
    const net::Risposta risposta = client.Get(sito + u'/' + percorso);
    if (!risposta.ok)
        return false;
    // Decoded here, so the window only swaps a ready picture in.
    immagine = QImage::fromData(risposta.corpo, "BMP");
    link = EstraiTesto(testo, QStringLiteral("link") + numero + QStringLiteral("=\""),
                       QStringLiteral("\""));
    return true;
}

template <typename Loader> void AvviaAutoliberante(Loader* loader) {
    QObject::connect(loader, &QThread::finished, loader, &QObject::deleteLater);
    loader->start();
}

} // namespace

std::optional<Banner> ScaricaBanner(net::ClientHttp& client, const QString& sito) {
    const net::Risposta risposta = client.Get(sito + QStringLiteral("/banner.ini"));
    if (!risposta.ok)
        return std::nullopt;
    const QString testo = FromAnsi(risposta.corpo);
    Banner banner;
    if (!ScaricaCoppia(client, sito, testo, 1, banner.immagine1, banner.link1) ||
        !ScaricaCoppia(client, sito, testo, 2, banner.immagine2, banner.link2))
        return std::nullopt;
    return banner;
}

QString LinkConVoucher(QString link, const QString& codice) {
    return link.replace(QStringLiteral("[VOUCHER]"), codice);
}

std::optional<QString> TestoInfo(const net::Risposta& risposta) {
    if (!risposta.ok || risposta.stato != 200)
        return std::nullopt;
    QString testo = FromAnsi(ToAnsi(QString::fromUtf8(risposta.corpo)));
    testo.replace(u'\n', QStringLiteral("\r\n"));
    if (testo.isEmpty())
        return std::nullopt;
    return testo;
}

TLoadBanner::TLoadBanner(QString sito, Applica applica)
    : sito_(std::move(sito)), applica_(std::move(applica)) {}

void TLoadBanner::Avvia(const QString& sito, Applica applica) {
    AvviaAutoliberante(new TLoadBanner(sito, std::move(applica)));
}

void TLoadBanner::run() {
    net::ArchivioCookie cookie;
    net::ClientHttp client(net::ProfiloSitoProduttore(&cookie));
    if (const std::optional<Banner> banner = ScaricaBanner(client, sito_))
        ChiamataSincronizzata([&] { applica_(*banner); });
}

TLoadInfo::TLoadInfo(QString sito, Mostra mostra)
    : sito_(std::move(sito)), mostra_(std::move(mostra)) {}

void TLoadInfo::Avvia(const QString& sito, Mostra mostra) {
    AvviaAutoliberante(new TLoadInfo(sito, std::move(mostra)));
}

void TLoadInfo::run() {
    net::ArchivioCookie cookie;
    net::ClientHttp client(net::ProfiloSitoProduttore(&cookie));
    if (const std::optional<QString> testo =
            TestoInfo(client.Get(sito_ + QStringLiteral("/infoscreen.ini"))))
        ChiamataSincronizzata([&] { mostra_(*testo); });
}

} // namespace tarvolin::auxiliary
