#include "sources/dlc.h"

#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/synccall.h"
#include "net/client.h"
#include "net/profili.h"
#include "queue/intake.h"

#include <QFile>
#include <QFileInfo>

namespace tarvolin::sources {

std::optional<QByteArray> LeggiFile(const QString& percorso, qint64 limite) {
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > limite)
        return QByteArray();
    // The size may change under us: never take more than the limit allows.
    QByteArray testo = file.read(limite + 1);
    if (testo.isEmpty() && file.error() != QFileDevice::NoError)
        return std::nullopt;
    if (testo.size() > limite)
        return QByteArray();
    return testo;
}

void LeggiContenitori(const QStringList& percorsi,
                      const std::function<void(const QByteArray&)>& avvia) {
    for (const QString& percorso : percorsi) {
        if (!QFileInfo(percorso).isFile())
            continue;
        const std::optional<QByteArray> testo = LeggiFile(percorso);
        if (!testo)
            return;
        if (!testo->isEmpty())
            avvia(*testo);
    }
}

QByteArray CorpoDecodifica(const QByteArray& contenitore) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray corpo("content=");
    corpo.reserve(corpo.size() + contenitore.size() * 3);
    for (const char c : contenitore) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '*' || b == '-' || b == '.' || b == '_') {
            corpo += c;
        } else if (b == ' ') {
            corpo += '+';
        } else {
            corpo += '%';
            corpo += kHex[b >> 4];
            corpo += kHex[b & 0x0F];
        }
    }
    return corpo;
}

std::optional<QString> LinkDaRisposta(const QByteArray& risposta) {
    QString elenco = QString::fromUtf8(
        EstraiTesto(risposta, QByteArrayLiteral("\"links\": ["), QByteArrayLiteral("]")));
    elenco.replace(u'"', QStringLiteral("\r\n"));
    if (elenco.isEmpty())
        return std::nullopt;
    QString testo;
    for (const QString& riga : queue::DividiRighe(elenco)) {
        if (riga.startsWith(QLatin1String("http")) || riga.startsWith(QLatin1String("www")))
            testo += riga + QStringLiteral("\r\n");
    }
    return testo;
}

QString ErroreDlc() {
    return QStringLiteral("Si è verificato un errore con questo file dlc");
}

TDlcContainer::TDlcContainer(QString servizio, QByteArray contenitore, Esito esito)
    : servizio_(std::move(servizio)), contenitore_(std::move(contenitore)),
      esito_(std::move(esito)) {}

void TDlcContainer::Avvia(const QString& servizio, const QByteArray& contenitore, Esito esito) {
    auto* decodifica = new TDlcContainer(servizio, contenitore, std::move(esito));
    QObject::connect(decodifica, &QThread::finished, decodifica, &QObject::deleteLater);
    decodifica->start();
}

void TDlcContainer::run() {
    // A failed request is an empty reply: the result step runs whatever happened, so the
    // button comes back.
    try {
        net::ArchivioCookie cookie;
        net::Profilo profilo;
        profilo.intestazioni = {
            {"Connection", "keep-alive"},
            {"Accept",
             "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8"},
            {"User-Agent", net::kUserAgentChrome92}};
        profilo.timeoutLetturaMs = 45000;
        profilo.cookie = &cookie;
        net::ClientHttp client(std::move(profilo));
        net::Richiesta richiesta;
        richiesta.url = servizio_ + QStringLiteral("/decrypt/paste");
        richiesta.corpoModulo = CorpoDecodifica(contenitore_);
        const net::Risposta risposta = client.Esegui(richiesta);
        if (risposta.ok)
            risposta_ = risposta.corpo;
    } catch (...) {
        qCDebug(lcSorgenti) << "container decoding failed";
        risposta_.clear();
    } // the connection closes before the result is shown
    ChiamataSincronizzata([this] { esito_(risposta_); });
}

} // namespace tarvolin::sources
