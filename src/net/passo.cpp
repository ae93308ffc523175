#include "net/passo.h"

#include "common/diagnostica.h"
#include "net/curl_handle.h"
#include "net/richiesta_http.h"

#include <algorithm>
#include <chrono>

namespace tarvolin::net::dettaglio {

namespace {

using Orologio = std::chrono::steady_clock;

// Headers are small; a peer that never ends them must not fill memory.
constexpr qint64 kLimiteIntestazioni = 1024 * 1024;

enum class Arresto {
    Nessuno,
    InizioCorpo, // the caller had what it wanted: not a failure
    Interrotto,
    OltreLimite,
    Scrittura,
    TempoScaduto,
    IntestazioniOltreLimite,
    Eccezione,
};

QString TestoArresto(Arresto a) {
    switch (a) {
    case Arresto::Interrotto:
        return QStringLiteral("interrotto");
    case Arresto::OltreLimite:
        return QStringLiteral("corpo oltre il limite");
    case Arresto::Scrittura:
        return QStringLiteral("scrittura non riuscita");
    case Arresto::TempoScaduto:
        return QStringLiteral("tempo di lettura scaduto");
    case Arresto::IntestazioniOltreLimite:
        return QStringLiteral("intestazioni oltre il limite");
    case Arresto::Eccezione:
        return QStringLiteral("errore interno");
    case Arresto::Nessuno:
    case Arresto::InizioCorpo:
        break;
    }
    return {};
}

bool StatoRedirect(long stato) {
    return stato == 301 || stato == 302 || stato == 303 || stato == 307 || stato == 308;
}

long LeggiStato(QByteArrayView rigaStato) {
    const qsizetype spazio = rigaStato.indexOf(' ');
    if (spazio < 0)
        return 0;
    QByteArrayView resto = rigaStato.sliced(spazio + 1);
    const qsizetype fine = resto.indexOf(' ');
    return resto.first(fine < 0 ? resto.size() : fine).toLong();
}

class Trasferimento {
public:
    Trasferimento(const Passo& passo, Risposta& risposta) : passo_(passo), risposta_(risposta) {}
    EsitoPasso Esegui();

private:
    static size_t SuIntestazione(char* dati, size_t, size_t n, void* io);
    static size_t SuCorpo(char* dati, size_t, size_t n, void* io);
    static int SuAvanzamento(void* io, curl_off_t, curl_off_t dl, curl_off_t, curl_off_t ul);

    bool Intestazione(QByteArrayView riga);
    bool FineIntestazioni();
    bool Corpo(const char* dati, size_t n);
    bool Avanzamento(curl_off_t dl, curl_off_t ul);
    void Configura(curl_slist* intestazioni);
    EsitoPasso Conclusione(CURLcode rc);

    const Passo& passo_;
    Risposta& risposta_;
    Arresto arresto_ = Arresto::Nessuno;
    bool intestazioniFinite_ = false;
    bool redirect_ = false;
    bool versoScrivi_ = false;
    qint64 byteIntestazioni_ = 0;
    qint64 byteCorpo_ = 0;
    QList<QByteArray> setCookie_;
    Orologio::time_point ultimaAttivita_ = Orologio::now();
    curl_off_t ultimoDl_ = 0;
    curl_off_t ultimoUl_ = 0;
};

// Exceptions must not cross libcurl's C frames: they stop the transfer instead.
size_t Trasferimento::SuIntestazione(char* dati, size_t, size_t n, void* io) {
    auto* t = static_cast<Trasferimento*>(io);
    try {
        return t->Intestazione(QByteArrayView(dati, qsizetype(n))) ? n : 0;
    } catch (...) {
        qCDebug(lcRete) << "an exception in a header handler stopped the transfer";
        t->arresto_ = Arresto::Eccezione;
        return 0;
    }
}

size_t Trasferimento::SuCorpo(char* dati, size_t, size_t n, void* io) {
    auto* t = static_cast<Trasferimento*>(io);
    try {
        return t->Corpo(dati, n) ? n : 0;
    } catch (...) {
        qCDebug(lcRete) << "an exception in a body handler stopped the transfer";
        t->arresto_ = Arresto::Eccezione;
        return 0;
    }
}

int Trasferimento::SuAvanzamento(void* io, curl_off_t, curl_off_t dl, curl_off_t, curl_off_t ul) {
    return static_cast<Trasferimento*>(io)->Avanzamento(dl, ul) ? 0 : 1;
}

bool Trasferimento::Intestazione(QByteArrayView riga) {
    ultimaAttivita_ = Orologio::now();
    if (intestazioniFinite_)
        return true; // trailers of a chunked body
    byteIntestazioni_ += riga.size();
    if (byteIntestazioni_ > kLimiteIntestazioni) {
        arresto_ = Arresto::IntestazioniOltreLimite;
        return false;
    }
    while (riga.endsWith('\n') || riga.endsWith('\r'))
        riga.chop(1);
    if (riga.startsWith("HTTP/")) { // a new response: an interim 1xx may precede the real one
        risposta_.intestazioni.clear();
        setCookie_.clear();
        risposta_.stato = LeggiStato(riga);
        return true;
    }
    if (riga.isEmpty())
        return risposta_.stato / 100 == 1 || FineIntestazioni();
    if ((riga.front() == ' ' || riga.front() == '\t') && !risposta_.intestazioni.isEmpty()) {
        risposta_.intestazioni.last().second += ' ' + riga.trimmed().toByteArray();
        return true;
    }
    const qsizetype duepunti = riga.indexOf(':');
    if (duepunti <= 0)
        return true;
    QByteArray nome = riga.first(duepunti).toByteArray();
    QByteArray valore = riga.sliced(duepunti + 1).trimmed().toByteArray();
    if (StessoNome(nome, "Set-Cookie"))
        setCookie_.append(valore);
    risposta_.intestazioni.append({std::move(nome), std::move(valore)});
    return true;
}

bool Trasferimento::FineIntestazioni() {
    intestazioniFinite_ = true;
    if (passo_.profilo.cookie)
        passo_.profilo.cookie->Ricevuti(setCookie_, passo_.url);
    redirect_ = StatoRedirect(risposta_.stato) && !risposta_.Intestazione("Location").isEmpty();
    if (redirect_)
        return true;
    const Richiesta& r = passo_.richiesta;
    risposta_.urlFinale = QString::fromLatin1(passo_.url.toEncoded());
    versoScrivi_ = r.scrivi && risposta_.stato < 400;
    if (r.inizioCorpo && !r.inizioCorpo(risposta_)) {
        arresto_ = Arresto::InizioCorpo;
        return false;
    }
    // Checked after inizioCorpo: a probe of a large file never reads its body.
    const qint64 annunciati = risposta_.ContentLength();
    if (!versoScrivi_ && annunciati > r.limiteCorpo) {
        arresto_ = Arresto::OltreLimite;
        return false;
    }
    if (!versoScrivi_ && annunciati > 0)
        risposta_.corpo.reserve(annunciati);
    return true;
}

bool Trasferimento::Corpo(const char* dati, size_t n) {
    ultimaAttivita_ = Orologio::now();
    if (!intestazioniFinite_ && !FineIntestazioni())
        return false;
    const Richiesta& r = passo_.richiesta;
    byteCorpo_ += qint64(n);
    if (redirect_) { // drained so that the connection stays usable, but never kept
        if (byteCorpo_ <= r.limiteCorpo)
            return true;
        arresto_ = Arresto::OltreLimite;
        return false;
    }
    if (versoScrivi_) {
        if (!r.scrivi(dati, n)) {
            arresto_ = Arresto::Scrittura;
            return false;
        }
    } else if (byteCorpo_ > r.limiteCorpo) {
        risposta_.corpo = QByteArray();
        arresto_ = Arresto::OltreLimite;
        return false;
    } else {
        risposta_.corpo.append(dati, qsizetype(n));
    }
    if (risposta_.stato < 400 && r.progresso && !r.progresso(byteCorpo_)) {
        arresto_ = Arresto::Interrotto;
        return false;
    }
    return true;
}

bool Trasferimento::Avanzamento(curl_off_t dl, curl_off_t ul) {
    if (passo_.profilo.annulla && passo_.profilo.annulla()) {
        arresto_ = Arresto::Interrotto;
        return false;
    }
    const auto adesso = Orologio::now();
    if (dl != ultimoDl_ || ul != ultimoUl_) {
        ultimoDl_ = dl;
        ultimoUl_ = ul;
        ultimaAttivita_ = adesso;
        return true;
    }
    if (adesso - ultimaAttivita_ < std::chrono::milliseconds(passo_.profilo.timeoutLetturaMs))
        return true;
    arresto_ = Arresto::TempoScaduto;
    return false;
}

void Trasferimento::Configura(curl_slist* intestazioni) {
    CURL* h = passo_.easy;
    curl_easy_setopt(h, CURLOPT_URL, passo_.url.toEncoded().constData());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, intestazioni);
    if (passo_.post) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(passo_.modulo.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, passo_.modulo.constData());
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Trasferimento::SuIntestazione);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Trasferimento::SuCorpo);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Trasferimento::SuAvanzamento);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

EsitoPasso Trasferimento::Esegui() {
    risposta_ = Risposta();
    const QByteArray cookie = passo_.profilo.cookie
                                  ? passo_.profilo.cookie->IntestazioneCookie(passo_.url)
                                  : QByteArray();
    const curl::ListaPtr intestazioni =
        curl::Lista(RigheIntestazione(passo_.profilo, passo_.post, passo_.richiesta, cookie));
    Configura(intestazioni.get());
    passo_.erroreCurl[0] = '\0';
    ultimaAttivita_ = Orologio::now();
    const CURLcode rc = curl_easy_perform(passo_.easy);
    // The header list dies with this hop; the handle must not keep pointing at it.
    curl_easy_setopt(passo_.easy, CURLOPT_HTTPHEADER, nullptr);
    return Conclusione(rc);
}

EsitoPasso Trasferimento::Conclusione(CURLcode rc) {
    if (arresto_ != Arresto::Nessuno && arresto_ != Arresto::InizioCorpo) {
        risposta_.errore = TestoArresto(arresto_);
        return {};
    }
    if (rc != CURLE_OK && arresto_ != Arresto::InizioCorpo) {
        risposta_.errore = *passo_.erroreCurl ? QString::fromLocal8Bit(passo_.erroreCurl)
                                              : QString::fromLatin1(curl_easy_strerror(rc));
        return {};
    }
    if (redirect_) {
        const QUrl location(QString::fromUtf8(risposta_.Intestazione("Location")));
        return {true, passo_.url.resolved(location)};
    }
    risposta_.ok = risposta_.stato < 400;
    if (!risposta_.ok)
        risposta_.errore = QStringLiteral("HTTP %1").arg(risposta_.stato);
    return {};
}

} // namespace

EsitoPasso EseguiPasso(const Passo& passo, Risposta& risposta) {
    return Trasferimento(passo, risposta).Esegui();
}

} // namespace tarvolin::net::dettaglio
