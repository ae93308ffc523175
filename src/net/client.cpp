#include "net/client.h"

#include "net/curl_handle.h"
#include "net/passo.h"
#include "net/richiesta_http.h"

namespace tarvolin::net {

namespace {

// Fewer, larger reads from the socket: at 64 KiB a fast local transfer spent twice the system
// time in receive calls.
constexpr long kBufferRicezione = 512 * 1024;

// What every request of the client shares; the per-request settings are the hop's.
void ConfiguraFisso(CURL* h, const Profilo& profilo, char* erroreCurl) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // Neither the environment nor anything else may route requests through a proxy.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed by the client, so that each hop reads and stores its own cookies.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(profilo.timeoutLetturaMs));
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kBufferRicezione);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, erroreCurl);
}

bool DiventaGet(long stato) {
    return stato == 301 || stato == 302 || stato == 303;
}

} // namespace

struct ClientHttp::Stato {
    Profilo profilo;
    curl::EasyPtr easy;
    char erroreCurl[CURL_ERROR_SIZE] = {};
};

ClientHttp::ClientHttp(Profilo profilo) : stato_(std::make_unique<Stato>()) {
    stato_->profilo = std::move(profilo);
    stato_->easy = curl::NuovoEasy();
    if (stato_->easy)
        ConfiguraFisso(stato_->easy.get(), stato_->profilo, stato_->erroreCurl);
}

ClientHttp::~ClientHttp() = default;

Risposta ClientHttp::Esegui(const Richiesta& richiesta) {
    Risposta risposta;
    if (!stato_->easy) {
        risposta.errore = QStringLiteral("libcurl non disponibile");
        return risposta;
    }
    const QByteArray modulo =
        richiesta.corpoModulo.value_or(dettaglio::CodificaModulo(richiesta.campi));
    const bool post = richiesta.corpoModulo.has_value() || !richiesta.campi.isEmpty();
    dettaglio::Passo passo{stato_->easy.get(),
                           stato_->erroreCurl,
                           stato_->profilo,
                           richiesta,
                           QUrl(richiesta.url),
                           post,
                           modulo};
    for (int redirect = 0;; ++redirect) {
        const dettaglio::EsitoPasso esito = dettaglio::EseguiPasso(passo, risposta);
        if (!esito.redirect)
            return risposta;
        if (redirect >= stato_->profilo.massimoRedirect) {
            risposta.errore = QString::fromLatin1(curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS));
            return risposta;
        }
        // As browsers do: a form answered by 301, 302 or 303 leads to a plain GET.
        if (passo.post && DiventaGet(risposta.stato))
            passo.post = false;
        passo.url = esito.verso;
    }
}

Risposta ClientHttp::Get(const QString& url) {
    Richiesta richiesta;
    richiesta.url = url;
    return Esegui(richiesta);
}

Risposta ClientHttp::Post(const QString& url, const QList<QPair<QString, QString>>& campi) {
    Richiesta richiesta;
    richiesta.url = url;
    richiesta.campi = campi;
    return Esegui(richiesta);
}

} // namespace tarvolin::net
