#include "support/fake_file_server.h"

#include <httplib.h>

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>

namespace tarvolin::test {

namespace {

using Clock = std::chrono::steady_clock;
using Contatore = std::shared_ptr<std::atomic<qint64>>;

constexpr qint64 kBlocco = 64 * 1024;
constexpr qint64 kBloccoLentoMax = 16 * 1024;
// A paced body goes out in about this many blocks a second, so progress looks steady.
constexpr qint64 kBlocchiLentiAlSecondo = 20;
constexpr const char* kTipo = "application/octet-stream";
// Last-Modified dates fall in the three years from 2020-01-01.
constexpr qint64 kEpoca = 1577836800;
constexpr quint64 kSecondiData = 3ULL * 365 * 86400;

quint64 mescola(quint64 x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// No short period, so a transfer resumed at the wrong offset cannot match by accident.
quint64 parola(quint32 seed, quint64 index) {
    return mescola(index + 0x9E3779B97F4A7C15ULL * (static_cast<quint64>(seed) + 1));
}

struct Contenuto {
    QByteArray dati;
    qint64 generato = -1;
    quint32 seme = 0;
    quint64 impronta = 0; // tells one content from another, for ETag and Last-Modified
    qint64 testa = 0;     // the first bytes, generated from semeTesta instead
    quint32 semeTesta = 0;

    static Contenuto daDati(QByteArray dati) {
        const quint64 h = qHash(QByteArrayView(dati), 0);
        return {dati, -1, 0, mescola(h ^ static_cast<quint64>(dati.size()))};
    }
    static Contenuto generatoDa(qint64 size, quint32 seme) {
        return {{}, size, seme, mescola(parola(seme, 0) ^ static_cast<quint64>(size))};
    }
    // Another version, with only the first `n` bytes changed.
    Contenuto conTesta(quint32 nuovoSeme, qint64 n) const {
        Contenuto c = *this;
        c.testa = std::min(n, size());
        c.semeTesta = nuovoSeme;
        c.impronta = mescola(impronta ^ parola(nuovoSeme, static_cast<quint64>(c.testa)));
        return c;
    }

    qint64 size() const { return generato >= 0 ? generato : dati.size(); }
    // Always `len` bytes: outside stored data they are zeros, so a body that runs past the end
    // keeps its length.
    QByteArray bytes(qint64 offset, qint64 len) const {
        QByteArray out;
        if (generato >= 0) {
            out = FakeFileServer::bytesGenerati(seme, offset, len);
        } else {
            out = QByteArray(std::max<qint64>(len, 0), '\0');
            const qint64 da = std::max<qint64>(offset, 0);
            const qint64 a = std::min<qint64>(offset + len, dati.size());
            if (da < a)
                std::memcpy(out.data() + (da - offset), dati.constData() + da,
                            static_cast<size_t>(a - da));
        }
        const qint64 da = std::max<qint64>(offset, 0);
        const qint64 a = std::min<qint64>(offset + len, testa);
        if (da < a)
            std::memcpy(out.data() + (da - offset),
                        FakeFileServer::bytesGenerati(semeTesta, da, a - da).constData(),
                        static_cast<size_t>(a - da));
        return out;
    }
};

struct Versione {
    std::string etag;
    std::string data;
};

// `variante` 0 is the content's own version; any other number a replacement of it.
Versione versione(const Contenuto& contenuto, quint64 variante) {
    char etag[24];
    std::snprintf(etag, sizeof etag, "\"%016llx\"",
                  static_cast<unsigned long long>(mescola(contenuto.impronta ^ mescola(variante))));
    // One second more per variant, so consecutive ones never share a date.
    const qint64 secondi =
        kEpoca + static_cast<qint64>(contenuto.impronta % kSecondiData + variante);
    const QString data = QLocale::c().toString(QDateTime::fromSecsSinceEpoch(secondi, Qt::UTC),
                                               u"ddd, dd MMM yyyy hh:mm:ss 'GMT'");
    return {etag, data.toStdString()};
}

// An entity tag must match strongly, so a weak one never does; a date must be the very
// Last-Modified text.
bool ifRangeValido(const std::string& ifRange, const Versione& v) {
    const QByteArray valore = QByteArray::fromStdString(ifRange).trimmed();
    if (valore.startsWith('"') || valore.startsWith("W/"))
        return valore.toStdString() == v.etag;
    return valore.toStdString() == v.data;
}

struct Percorso {
    std::optional<Contenuto> contenuto;
    Guasti guasti;
    int richieste = 0;       // since azzera()
    int richiesteGuasti = 0; // since imposta() or azzera()
    bool sostituito = false; // by sostituisciDopoCaduta, since imposta()
};

struct Voce {
    RichiestaFile richiesta;
    Contatore inviati;
};

struct Intervallo {
    enum Tipo { Intero, Parte, Fuori } tipo = Intero;
    qint64 primo = 0;
    qint64 ultimo = -1;
};

std::optional<qint64> numero(const std::string& cifre) {
    if (cifre.empty() || cifre.size() > 18 ||
        cifre.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(cifre);
}

// A single range "bytes=a-b", "bytes=a-" or "bytes=-n"; anything else is ignored, as a server
// that does not understand it would.
Intervallo intervallo(const std::string& valore, qint64 size) {
    const Intervallo intero{Intervallo::Intero, 0, size - 1};
    static const std::string prefisso = "bytes=";
    const size_t trattino = valore.find('-');
    if (valore.rfind(prefisso, 0) != 0 || trattino == std::string::npos)
        return intero;
    const auto da = numero(valore.substr(prefisso.size(), trattino - prefisso.size()));
    const std::string coda = valore.substr(trattino + 1);
    const auto a = numero(coda);
    if (!da) {
        if (!a)
            return intero;
        if (*a == 0 || size == 0)
            return {Intervallo::Fuori};
        return {Intervallo::Parte, std::max<qint64>(0, size - *a), size - 1};
    }
    if ((!coda.empty() && !a) || (a && *a < *da))
        return intero;
    if (*da >= size)
        return {Intervallo::Fuori};
    // A last byte past the end is clamped: clients ask "bytes=offset-size" for the rest.
    return {Intervallo::Parte, *da, a ? std::min(*a, size - 1) : size - 1};
}

qint64 taglio(const Guasti& guasti, bool colpita, int numeroRichiesta) {
    const qint64 n = guasti.interrompiDopo;
    if (n < 0 || !colpita)
        return -1;
    if (!guasti.varia || n < 2)
        return n;
    const quint64 caso = parola(*guasti.varia, static_cast<quint64>(numeroRichiesta));
    return n / 2 + static_cast<qint64>(caso % static_cast<quint64>(n));
}

// A stop in the middle of a body: after how many bytes, and the wait itself, false when the
// server is going down.
struct Sosta {
    qint64 dopo = -1;
    std::function<bool()> attendi;
};

// Called once, when the connection is dropped at its cut.
using AllaCaduta = std::function<void()>;

// One response body: where it starts in the file, where the connection is to be dropped, how
// fast it goes.
class Trasmissione {
public:
    Trasmissione(Contenuto contenuto, qint64 primo, qint64 lunghezza, qint64 taglio, qint64 lento,
                 Contatore inviati, Sosta sosta, AllaCaduta allaCaduta)
        : contenuto_(std::move(contenuto)), primo_(primo), lunghezza_(lunghezza), taglio_(taglio),
          lento_(lento), inviati_(std::move(inviati)), sosta_(std::move(sosta)),
          allaCaduta_(std::move(allaCaduta)) {}

    bool finita(qint64 offset) const { return offset >= lunghezza_; }

    // False once the connection is to be dropped, or is gone.
    bool invia(qint64 offset, httplib::DataSink& sink) {
        if (taglio_ >= 0 && offset >= taglio_) {
            if (allaCaduta_)
                std::exchange(allaCaduta_, nullptr)();
            return false;
        }
        if (sosta_.dopo >= 0 && offset >= sosta_.dopo) {
            sosta_.dopo = -1;
            if (!sosta_.attendi())
                return false;
        }
        qint64 n = std::min(lunghezza_ - offset, blocco());
        if (taglio_ >= 0)
            n = std::min(n, taglio_ - offset);
        if (sosta_.dopo >= 0)
            n = std::min(n, sosta_.dopo - offset);
        if (!inizio_)
            inizio_ = Clock::now();
        const QByteArray dati = contenuto_.bytes(primo_ + offset, n);
        if (!sink.write(dati.constData(), static_cast<size_t>(dati.size())))
            return false;
        *inviati_ += dati.size();
        if (lento_ > 0)
            std::this_thread::sleep_until(
                *inizio_ + std::chrono::nanoseconds((offset + n) * 1000000000LL / lento_));
        return true;
    }

private:
    qint64 blocco() const {
        return lento_ > 0 ? std::clamp<qint64>(lento_ / kBlocchiLentiAlSecondo, 1, kBloccoLentoMax)
                          : kBlocco;
    }

    Contenuto contenuto_;
    qint64 primo_;
    qint64 lunghezza_;
    qint64 taglio_;
    qint64 lento_;
    Contatore inviati_;
    Sosta sosta_;
    AllaCaduta allaCaduta_;
    std::optional<Clock::time_point> inizio_;
};

void corpo(httplib::Response& res, std::shared_ptr<Trasmissione> t, qint64 lunghezza,
           SenzaLunghezza modo, const std::string& tipo) {
    if (modo == SenzaLunghezza::No) {
        if (lunghezza == 0) {
            res.set_content(std::string(), tipo);
            return;
        }
        res.set_content_provider(static_cast<size_t>(lunghezza), tipo,
                                 [t](size_t offset, size_t, httplib::DataSink& sink) {
                                     return t->invia(static_cast<qint64>(offset), sink);
                                 });
        return;
    }
    const bool chiudi = modo == SenzaLunghezza::Chiusura;
    const auto fornitore = [t, chiudi](size_t offset, httplib::DataSink& sink) {
        if (!t->finita(static_cast<qint64>(offset)))
            return t->invia(static_cast<qint64>(offset), sink);
        if (chiudi)
            return false; // the close is what ends the body
        sink.done();
        return true;
    };
    if (chiudi) {
        res.set_header("Connection", "close");
        res.set_content_provider(tipo, fornitore);
    } else {
        res.set_chunked_content_provider(tipo, fornitore);
    }
}

// What the requests within `dopo` get: the file as it is, under its own name, type and pace.
Guasti pulito(const Guasti& guasti) {
    Guasti p;
    p.contentDisposition = guasti.contentDisposition;
    p.tipo = guasti.tipo;
    p.lento = guasti.lento;
    return p;
}

} // namespace

struct FakeFileServer::Stato {
    std::map<QByteArray, Percorso> percorsi;
    QList<Voce> voci;
};

FakeFileServer::FakeFileServer(quint16 port) : stato_(std::make_unique<Stato>()) {
    avvia(port);
}

FakeFileServer::~FakeFileServer() {
    ferma();
}

void FakeFileServer::avvia(quint16 port) {
    {
        std::lock_guard lock(mutex_);
        fermo_ = false;
    }
    auto server = std::make_unique<RecordingHttpServer>();
    server->get(".*",
                [this](const httplib::Request& req, httplib::Response& res) { servi(req, res); });
    server->start(port);
    port_ = server->port();
    server_ = std::move(server);
}

void FakeFileServer::ferma() {
    {
        std::lock_guard lock(mutex_);
        fermo_ = true;
    }
    svegliaFermi_.notify_all(); // stopping waits for every response under way
    if (server_)
        server_->stop();
    server_.reset();
}

void FakeFileServer::riavvia() {
    ferma();
    avvia(static_cast<quint16>(port_));
}

QString FakeFileServer::radice() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

QString FakeFileServer::url(const QByteArray& path) const {
    return radice() + QString::fromLatin1(path.toPercentEncoding("/"));
}

void FakeFileServer::aggiungi(const QByteArray& path, QByteArray contenuto) {
    std::lock_guard lock(mutex_);
    stato_->percorsi[path].contenuto = Contenuto::daDati(std::move(contenuto));
}

void FakeFileServer::aggiungiGenerato(const QByteArray& path, qint64 size, quint32 seed) {
    std::lock_guard lock(mutex_);
    stato_->percorsi[path].contenuto = Contenuto::generatoDa(size, seed);
}

void FakeFileServer::imposta(const QByteArray& path, const Guasti& guasti) {
    std::lock_guard lock(mutex_);
    Percorso& percorso = stato_->percorsi[path];
    percorso.guasti = guasti;
    percorso.richiesteGuasti = 0;
    percorso.sostituito = false;
}

void FakeFileServer::sostituisci(const QByteArray& path, qint64 size, quint32 seed, qint64 testa) {
    std::lock_guard lock(mutex_);
    Percorso& percorso = stato_->percorsi[path];
    if (std::exchange(percorso.sostituito, true))
        return; // another connection was cut first
    if (testa > 0 && percorso.contenuto)
        percorso.contenuto = percorso.contenuto->conTesta(seed, testa);
    else
        percorso.contenuto = Contenuto::generatoDa(size, seed);
}

QList<RichiestaFile> FakeFileServer::richieste() const {
    std::lock_guard lock(mutex_);
    QList<RichiestaFile> richieste;
    for (const Voce& voce : stato_->voci) {
        richieste.append(voce.richiesta);
        richieste.last().byteInviati = *voce.inviati;
    }
    return richieste;
}

int FakeFileServer::conteggio(const QByteArray& path) const {
    std::lock_guard lock(mutex_);
    const auto it = stato_->percorsi.find(path);
    return it == stato_->percorsi.end() ? 0 : it->second.richieste;
}

void FakeFileServer::azzera() {
    std::lock_guard lock(mutex_);
    stato_->voci.clear();
    for (auto& [path, percorso] : stato_->percorsi) {
        percorso.richieste = 0;
        percorso.richiesteGuasti = 0;
    }
}

bool FakeFileServer::attendi(int ms) {
    std::unique_lock lock(mutex_);
    return !svegliaFermi_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return fermo_; });
}

QByteArray FakeFileServer::bytesGenerati(quint32 seed, qint64 offset, qint64 len) {
    QByteArray bytes(std::max<qint64>(len, 0), Qt::Uninitialized);
    char* out = bytes.data();
    for (qint64 i = 0; i < bytes.size();) {
        const auto at = static_cast<quint64>(offset + i);
        const quint64 word = parola(seed, at / 8);
        for (quint64 shift = at % 8; shift < 8 && i < bytes.size(); ++shift, ++i)
            out[i] = static_cast<char>(word >> (8 * shift));
    }
    return bytes;
}

void FakeFileServer::servi(const httplib::Request& req, httplib::Response& res) {
    const qint64 arrivo =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - nato_).count();
    const QByteArray path = QByteArray::fromStdString(req.path);
    std::optional<Contenuto> contenuto;
    Guasti guasti;
    int numeroRichiesta = 0;
    {
        std::lock_guard lock(mutex_);
        Percorso& percorso = stato_->percorsi[path];
        ++percorso.richieste;
        numeroRichiesta = ++percorso.richiesteGuasti;
        contenuto = percorso.contenuto;
        guasti = percorso.guasti;
        if (percorso.sostituito)
            guasti.interrompiDopo = -1;
    }
    const Contatore inviati = std::make_shared<std::atomic<qint64>>(0);
    const int oltre = numeroRichiesta - guasti.dopo;
    if (oltre <= 0)
        guasti = pulito(guasti);
    const bool colpita = oltre > 0 && (guasti.volte < 0 || oltre <= guasti.volte);
    const std::string range = req.get_header_value("Range");
    const std::string ifRange = req.get_header_value("If-Range");
    const bool ripresa =
        contenuto && !range.empty() && intervallo(range, contenuto->size()).primo > 0;
    const bool pagina =
        colpita && !guasti.paginaErrore.isEmpty() && (!guasti.paginaSoloSuRipresa || ripresa);

    // Stopped mid-stall, the connection is dropped rather than answered late: a late answer
    // races the stop and its first block can still reach the client.
    const bool interrotta = colpita && guasti.bloccaPrima && !attendi(guasti.bloccaMs);
    if (interrotta) {
        res.status = 200;
        res.set_content_provider(1, kTipo,
                                 [](size_t, size_t, httplib::DataSink&) { return false; });
    } else if (!guasti.redirectA.isEmpty()) {
        const QByteArray& a = guasti.redirectA;
        res.status = 302;
        res.set_header("Location", a.startsWith('/') ? url(a).toStdString() : a.toStdString());
    } else if (guasti.stato != 0 && colpita) {
        res.status = guasti.stato;
    } else if (!contenuto) {
        res.status = 404;
        res.set_content("Not found\n", "text/plain");
    } else if (pagina) {
        res.status = 200;
        res.set_content(guasti.paginaErrore.toStdString(), "text/html");
    } else {
        const qint64 size = contenuto->size();
        const Versione v =
            versione(*contenuto, guasti.etagVariabile && colpita ? numeroRichiesta : 0);
        const Intervallo intero{Intervallo::Intero, 0, size - 1};
        Intervallo parte = guasti.ignoraRange || range.empty() ? intero : intervallo(range, size);
        if (!ifRange.empty() && !ifRangeValido(ifRange, v))
            parte = intero;
        if (!guasti.ignoraRange)
            res.set_header("Accept-Ranges", "bytes");
        if (!guasti.contentDisposition.isEmpty())
            res.set_header("Content-Disposition", guasti.contentDisposition.toStdString());
        res.set_header("ETag", v.etag);
        res.set_header("Last-Modified", v.data);
        if (parte.tipo == Intervallo::Fuori) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
        } else {
            const qint64 scartoInizio = colpita ? guasti.scartoInizio : 0;
            const qint64 scartoTotale = colpita ? guasti.scartoTotale : 0;
            res.status = parte.tipo == Intervallo::Parte ? 206 : 200;
            if (res.status == 206)
                res.set_header("Content-Range",
                               "bytes " + std::to_string(parte.primo + scartoInizio) + "-" +
                                   std::to_string(parte.ultimo + scartoInizio) + "/" +
                                   std::to_string(size + scartoTotale));
            const qint64 lunghezza = parte.ultimo - parte.primo + 1;
            const qint64 inPiu = colpita ? std::max<qint64>(guasti.byteInPiu, 0) : 0;
            SenzaLunghezza modo = guasti.senzaLunghezza;
            if (inPiu > 0 && modo == SenzaLunghezza::No)
                modo = SenzaLunghezza::Chunked;
            Sosta sosta;
            if (colpita && guasti.bloccaDopo >= 0)
                sosta = {guasti.bloccaDopo, [this, ms = guasti.bloccaMs] { return attendi(ms); }};
            AllaCaduta allaCaduta;
            if (colpita && guasti.sostituisciDopoCaduta)
                allaCaduta = [this, path, size, seed = *guasti.sostituisciDopoCaduta,
                              testa = guasti.sostituisciSoloTesta] {
                    sostituisci(path, size, seed, testa);
                };
            const qint64 primo = parte.primo + (colpita ? guasti.scartoNascosto : 0);
            corpo(res,
                  std::make_shared<Trasmissione>(*contenuto, primo, lunghezza + inPiu,
                                                 taglio(guasti, colpita, numeroRichiesta),
                                                 guasti.lento, inviati, std::move(sosta),
                                                 std::move(allaCaduta)),
                  lunghezza, modo, guasti.tipo.isEmpty() ? kTipo : guasti.tipo.toStdString());
        }
    }

    RichiestaFile voce{QByteArray::fromStdString(req.method), QByteArray::fromStdString(req.target),
                       QByteArray::fromStdString(range), QByteArray::fromStdString(ifRange),
                       res.status};
    voce.ms = arrivo;
    std::lock_guard lock(mutex_);
    stato_->voci.append({voce, inviati});
}

} // namespace tarvolin::test
