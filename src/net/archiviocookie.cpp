#include "net/cookie.h"

#include "net/dominio.h"

#include <algorithm>
#include <mutex>

namespace tarvolin::net {

namespace {

bool Scaduto(const std::optional<QDateTime>& scade, const QDateTime& adesso) {
    return scade && *scade <= adesso;
}

QString PercorsoRichiesta(const QUrl& url) {
    const QString percorso = url.path(QUrl::FullyEncoded);
    return percorso.isEmpty() ? QStringLiteral("/") : percorso;
}

// Header values travel as bytes; Latin-1 keeps every byte of a received value as it came.
QList<Cookie> LeggiTutti(const QList<QByteArray>& righe, const QUrl& sito) {
    QList<Cookie> cookie;
    for (const QByteArray& riga : righe) {
        if (auto c = LeggiSetCookie(QString::fromLatin1(riga), sito))
            cookie.append(std::move(*c));
    }
    return cookie;
}

} // namespace

ArchivioCookie::Voce ArchivioCookie::CreaVoce(Cookie cookie, const QDateTime& adesso) {
    Voce v;
    v.chiaveDominio = dominio::Canonico(cookie.dominio);
    v.scade = cookie.maxAge >= 0 ? std::optional(adesso.addSecs(cookie.maxAge)) : cookie.scadenza;
    v.cookie = std::move(cookie);
    return v;
}

void ArchivioCookie::InserisciBloccato(Voce voce) {
    auto stessa = std::find_if(voci_.begin(), voci_.end(), [&](const Voce& v) {
        return v.cookie.nome == voce.cookie.nome && v.chiaveDominio == voce.chiaveDominio &&
               v.cookie.percorso == voce.cookie.percorso;
    });
    if (stessa != voci_.end())
        *stessa = std::move(voce);
    else
        voci_.push_back(std::move(voce));
}

void ArchivioCookie::TogliBloccato(const Voce& voce) {
    std::erase_if(voci_, [&](const Voce& v) {
        return v.cookie.nome == voce.cookie.nome && v.chiaveDominio == voce.chiaveDominio &&
               v.cookie.percorso == voce.cookie.percorso;
    });
}

QStringList ArchivioCookie::Righe(const QString& parteDominio) const {
    std::shared_lock lettura(blocco_);
    QStringList righe;
    for (const Voce& v : voci_) {
        if (v.cookie.dominio.contains(parteDominio))
            righe.append(RigaSetCookie(v.cookie));
    }
    return righe;
}

void ArchivioCookie::Rimuovi(const QString& parteDominio) {
    std::unique_lock scrittura(blocco_);
    std::erase_if(voci_, [&](const Voce& v) { return v.cookie.dominio.contains(parteDominio); });
}

bool ArchivioCookie::Aggiungi(const QString& riga, const QUrl& sito) {
    auto cookie = LeggiSetCookie(riga, sito);
    if (!cookie)
        return false;
    Voce voce = CreaVoce(std::move(*cookie), QDateTime::currentDateTimeUtc());
    std::unique_lock scrittura(blocco_);
    InserisciBloccato(std::move(voce));
    return true;
}

void ArchivioCookie::AggiungiRighe(const QStringList& righe, const QUrl& sito) {
    const QDateTime adesso = QDateTime::currentDateTimeUtc();
    std::vector<Voce> nuove;
    for (const QString& riga : righe) {
        if (riga.contains(QStringLiteral("-10000 ")))
            continue;
        if (auto cookie = LeggiSetCookie(riga, sito))
            nuove.push_back(CreaVoce(std::move(*cookie), adesso));
    }
    std::unique_lock scrittura(blocco_);
    for (Voce& v : nuove)
        InserisciBloccato(std::move(v));
}

QByteArray ArchivioCookie::IntestazioneCookie(const QUrl& url) const {
    const QString host = url.host().toLower();
    const QString percorso = PercorsoRichiesta(url);
    const bool https = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QDateTime adesso = QDateTime::currentDateTimeUtc();

    std::vector<const Cookie*> scelti;
    std::shared_lock lettura(blocco_);
    for (const Voce& v : voci_) {
        const bool dominioOk = v.cookie.soloHost ? host == v.chiaveDominio
                                                 : dominio::Corrisponde(host, v.chiaveDominio);
        if (dominioOk && !Scaduto(v.scade, adesso) && (https || !v.cookie.sicuro) &&
            dominio::PercorsoCorrisponde(percorso, v.cookie.percorso))
            scelti.push_back(&v.cookie);
    }
    // Longer paths first, as browsers send them; store order among equals.
    std::stable_sort(scelti.begin(), scelti.end(), [](const Cookie* a, const Cookie* b) {
        return a->percorso.size() > b->percorso.size();
    });
    QByteArray valore;
    for (const Cookie* c : scelti) {
        if (!valore.isEmpty())
            valore += "; ";
        valore += c->nome.toLatin1() + '=' + c->valore.toLatin1();
    }
    return valore;
}

void ArchivioCookie::Ricevuti(const QList<QByteArray>& setCookie, const QUrl& url) {
    if (setCookie.isEmpty())
        return;
    const QDateTime adesso = QDateTime::currentDateTimeUtc();
    QList<Cookie> cookie = LeggiTutti(setCookie, url);
    std::unique_lock scrittura(blocco_);
    for (Cookie& c : cookie) {
        Voce voce = CreaVoce(std::move(c), adesso);
        if (Scaduto(voce.scade, adesso))
            TogliBloccato(voce);
        else
            InserisciBloccato(std::move(voce));
    }
}

qsizetype ArchivioCookie::Conta() const {
    std::shared_lock lettura(blocco_);
    return voci_.size();
}

} // namespace tarvolin::net
