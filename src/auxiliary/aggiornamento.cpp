#include "aggiornamento.h"

#include "common/synccall.h"
#include "net/client.h"
#include "net/profili.h"

#include <QFile>

namespace tarvolin::auxiliary {

namespace {

net::Profilo profiloAggiornamento(net::ArchivioCookie* cookie) {
    net::Profilo profilo;
    profilo.intestazioni = {
        {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,"
                   "image/apng,*/*;q=0.8,application/signed-exchange;v=b3;q=0.9"},
        {"Accept-Encoding", "gzip, deflate, br"},
        {"Accept-Language", net::kAcceptLanguage},
        {"User-Agent", net::kUserAgentChrome92},
        {"Connection", "keep-alive"}};
    profilo.cookie = cookie;
    return profilo;
}

const QString kPrefisso = QStringLiteral("Aggiornamento del software in corso : ");

} // namespace

std::optional<QString> TestoAvanzamento(qint64 ricevuti, qint64 atteso) {
    if (atteso <= 0)
        return std::nullopt;
    const double percento = static_cast<double>(ricevuti) * 100.0 / static_cast<double>(atteso);
    return kPrefisso + QString::number(percento, 'f', 1) + u'%';
}

TAggiornaApplicazione::TAggiornaApplicazione(QString sito, QString cartellaTemp,
                                             AzioniAggiornamento azioni)
    : sito_(std::move(sito)), cartellaTemp_(std::move(cartellaTemp)), azioni_(std::move(azioni)) {}

QPointer<TAggiornaApplicazione> TAggiornaApplicazione::Avvia(const QString& sito,
                                                             const QString& cartellaTemp,
                                                             AzioniAggiornamento azioni) {
    auto* aggiornamento = new TAggiornaApplicazione(sito, cartellaTemp, std::move(azioni));
    connect(aggiornamento, &QThread::finished, aggiornamento, &QObject::deleteLater);
    aggiornamento->start();
    return aggiornamento;
}

void TAggiornaApplicazione::run() {
    const QString file = cartellaTemp_ + QString::fromLatin1(kFileInstallatore);
    // A cut or failed download is never opened: it came over plain HTTP and may be anything.
    if (scarica(file))
        ChiamataSincronizzata([&] { azioni_.apri(file); });
    else
        ChiamataSincronizzata(azioni_.mostraErrore);
    ChiamataSincronizzata(azioni_.termina);
}

bool TAggiornaApplicazione::scarica(const QString& file) {
    QFile installatore(file);
    if (!installatore.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    net::ArchivioCookie cookie;
    net::ClientHttp client(profiloAggiornamento(&cookie));
    qint64 dichiarati = -1;
    net::Richiesta richiesta;
    richiesta.url = sito_ + QStringLiteral("/download/Setup.exe");
    richiesta.inizioCorpo = [&](const net::Risposta& intestazioni) {
        if (intestazioni.stato >= 400)
            return true;
        dichiarati = intestazioni.ContentLength();
        atteso_ = std::max<qint64>(0, dichiarati);
        ChiamataSincronizzata([&] {
            azioni_.mostraAvanzamento(kPrefisso + QStringLiteral("0.0%"));
            azioni_.mostraPannello();
        });
        return true;
    };
    richiesta.scrivi = [&](const char* dati, size_t n) {
        return installatore.write(dati, qint64(n)) == qint64(n);
    };
    richiesta.progresso = [&](qint64 ricevuti) {
        ricevuti_ = ricevuti;
        if (++notifiche_ < 5)
            return true;
        notifiche_ = 0;
        if (const std::optional<QString> testo = TestoAvanzamento(ricevuti_, atteso_))
            ChiamataSincronizzata([&] { azioni_.mostraAvanzamento(*testo); });
        return true;
    };
    const net::Risposta risposta = client.Esegui(richiesta);
    const bool scritto = installatore.flush();
    return risposta.ok && scritto && (dichiarati < 0 || installatore.size() == dichiarati);
}

} // namespace tarvolin::auxiliary
