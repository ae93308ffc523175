#include "easybytez.h"

#include "common/ansi.h"
#include "common/clock.h"
#include "common/funzioni.h"
#include "common/statoprocesso.h"
#include "host/tokenhost.h"
#include "net/client.h"
#include "net/profili.h"

namespace tarvolin::host {

namespace {

const QByteArray kColonModificatore = "\xEA\x9E\x89"; // U+A789 in UTF-8
const QString kSegnaposto = QStringLiteral(":::");

QString valoreForm(const QByteArray& pagina, const char* nome) {
    return FromAnsi(
        EstraiTesto(pagina, QByteArray("name=\"") + nome + "\" value=\"", QByteArray("\"")));
}

// Scheme, host and port stay as they are; path and query are encoded; user information and
// fragment are left out.
QString codificaPerComponenti(const QString& url) {
    const qsizetype fineSchema = url.indexOf(QLatin1String("://"));
    if (fineSchema < 0)
        return CodificaPercentuale(url.left(url.indexOf(u'#')), true);
    const QString schema = url.left(fineSchema);
    QString resto = url.mid(fineSchema + 3);
    resto = resto.left(resto.indexOf(u'#'));
    qsizetype fineAutorita = resto.size();
    for (const QChar fine : {QChar(u'/'), QChar(u'?')}) {
        const qsizetype i = resto.indexOf(fine);
        if (i >= 0 && i < fineAutorita)
            fineAutorita = i;
    }
    QString autorita = resto.left(fineAutorita);
    autorita = autorita.mid(autorita.lastIndexOf(u'@') + 1);
    const QString percorsoEQuery = resto.mid(fineAutorita);
    const qsizetype domanda = percorsoEQuery.indexOf(u'?');
    const QString percorso = domanda < 0 ? percorsoEQuery : percorsoEQuery.left(domanda);
    const QString query = domanda < 0 ? QString() : percorsoEQuery.mid(domanda + 1);
    QString out = schema + QStringLiteral("://") + autorita + CodificaPercentuale(percorso, true);
    if (!query.isEmpty())
        out += u'?' + CodificaPercentuale(query, false);
    return out;
}

net::Profilo profiloHost(net::ArchivioCookie* cookie, std::function<bool()> annulla) {
    net::Profilo profilo;
    profilo.annulla = std::move(annulla);
    profilo.intestazioni = {{"Accept", net::kAcceptBrowser},
                            {"Accept-Language", net::kAcceptLanguage},
                            {"User-Agent", net::kUserAgent},
                            {"Content-Type", "text/html; charset=ISO-8859-1"}};
    profilo.cookie = cookie;
    return profilo;
}

// One call's walk through the host's pages: the latest body every marker test reads.
class Percorso {
public:
    explicit Percorso(const AccessoHost& accesso)
        : client_(profiloHost(accesso.cookie, accesso.annulla)) {}

    // A failed request leaves the page as it was.
    bool Get(const QString& url) { return prendi(client_.Get(url)); }
    bool Post(const QString& url, const QList<QPair<QString, QString>>& campi) {
        return prendi(client_.Post(url, campi));
    }
    // The page becomes whatever body came back, even of a failed request.
    void PostQualunque(const QString& url, const QList<QPair<QString, QString>>& campi) {
        pagina = client_.Post(url, campi).corpo;
    }
    bool Contiene(const char* marcatore) const { return pagina.contains(marcatore); }

    QByteArray pagina;

private:
    bool prendi(net::Risposta risposta) {
        if (!risposta.ok)
            return false;
        pagina = std::move(risposta.corpo);
        return true;
    }
    net::ClientHttp client_;
};

void segnala(const AccessoHost& accesso, const QString& codice, const QString& email) {
    if (accesso.senddata)
        accesso.senddata(codice, email); // never fails visibly
}

} // namespace

QString CodificaLinkDiretto(QByteArray href) {
    href.replace(kColonModificatore, kSegnaposto.toLatin1());
    // Characters beyond the single-byte set keep their UTF-8 bytes: as "?" they would cut the
    // path at a false query.
    QString url = QString::fromUtf8(href);
    if (!url.isEmpty())
        url = codificaPerComponenti(url);
    url.replace(kSegnaposto, QStringLiteral("%EA%9E%89"));
    return url;
}

EsitoLink GeneraLinkDiretto(const AccessoHost& accesso, const QString& link,
                            const QString& passwordDownload, const QString& email,
                            const QString& password, QString& testoCookie) {
    EsitoLink esito;
    Percorso percorso(accesso);
    percorso.Get(link);

    if (!Processo().UsoSegnalato.exchange(true))
        segnala(accesso, QStringLiteral("#0670"), email);

    if (percorso.Contiene("<b>Sign Up</b>")) {
        QString rand, op;
        if (percorso.Get(accesso.sitoBase + QStringLiteral("/login.html"))) {
            rand = valoreForm(percorso.pagina, "rand");
            op = valoreForm(percorso.pagina, "op");
        }
        percorso.Post(accesso.sitoBase, {{QStringLiteral("op"), op},
                                         {QStringLiteral("login"), email},
                                         {QStringLiteral("rand"), rand},
                                         {QStringLiteral("password"), password}});
        esito.loggato = true;
        if (!percorso.Contiene("Incorrect Login or Password"))
            segnala(accesso, QStringLiteral("#0667"), email);
    }
    if (percorso.Contiene("Incorrect Login or Password")) {
        esito.risultato = QString::fromLatin1(kLoginError);
        return esito;
    }
    if (esito.loggato) {
        clock::Attendi(1000); // the new login takes effect on the host
        if (accesso.cookie != nullptr) {
            for (const QString& riga : accesso.cookie->Righe(QString::fromLatin1(kPortale)))
                testoCookie += riga + QStringLiteral("\r\n");
        }
        percorso.Get(link);
    }
    if (percorso.Contiene("<h1>File not available</h1>") ||
        percorso.Contiene("<h2>File Not Found</h2>")) {
        esito.risultato = QString::fromLatin1(kNotAvailable);
        return esito;
    }
    if (percorso.Contiene("You have reached the download-limit")) {
        esito.risultato = QString::fromLatin1(kDownloadLimit);
        return esito;
    }

    QList<QPair<QString, QString>> campi = {
        {QStringLiteral("op"), valoreForm(percorso.pagina, "op")},
        {QStringLiteral("id"), valoreForm(percorso.pagina, "id")},
        {QStringLiteral("rand"), valoreForm(percorso.pagina, "rand")},
        {QStringLiteral("method_premium"), QStringLiteral("1")},
        {QStringLiteral("down_direct"), QStringLiteral("1")}};
    if (!passwordDownload.isEmpty())
        campi.append({QStringLiteral("password"), passwordDownload});
    percorso.PostQualunque(link, campi);

    const QByteArray blocco =
        EstraiTesto(percorso.pagina, QByteArray("This direct link will be"), QByteArray("</span>"));
    const QString url = CodificaLinkDiretto(EstraiTesto(blocco, QByteArray("href=\""), "\""));
    esito.risultato = percorso.Contiene(">Wrong password<") ? QString::fromLatin1(kPassError) : url;
    return esito;
}

} // namespace tarvolin::host
