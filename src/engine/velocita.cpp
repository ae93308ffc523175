#include "velocita.h"

#include "common/clock.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/synccall.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

namespace tarvolin::engine {

namespace {

double fattoreCorrezione(qint64 r) {
    struct Soglia {
        qint64 finoA;
        double fattore;
    };
    static constexpr Soglia soglie[] = {{1000, 1.00}, {2000, 1.02}, {3000, 1.04}, {4000, 1.06},
                                        {5000, 1.07}, {6000, 1.08}, {7000, 1.09}, {100000, 1.10}};
    for (const Soglia& s : soglie) {
        if (r <= s.finoA)
            return s.fattore;
    }
    return 1.00;
}

double arrotondaPari(double x) {
    const double giu = std::floor(x);
    const double resto = x - giu;
    if (resto != 0.5)
        return std::round(x);
    return std::fmod(giu, 2.0) == 0 ? giu : giu + 1;
}

qint64 orologioPredefinito() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Program microseconds to wall microseconds, as the clock facility scales its milliseconds.
void dormiPredefinito(qint64 us) {
    constexpr int kScala = 1000000;
    const qint64 reali = us * clock::Intervallo(kScala) / kScala;
    std::this_thread::sleep_for(std::chrono::microseconds(reali));
}

QString senzaDecimali(double x) {
    return QString::number(std::llround(x));
}

} // namespace

LimiteBanda CalcolaLimiteBanda(int limiteKBs, bool limiteAttivo, qsizetype lavoratori) {
    double limite = limiteKBs;
    if (limite != 0 && limite < 128)
        limite = 128;
    limite *= fattoreCorrezione(std::llround(limite));
    if (!limiteAttivo || limite <= 0)
        return {};
    const double perLavoratore = (lavoratori > 0 ? limite / double(lavoratori) : limite) * 1024;
    const double blocchiAlSecondo = perLavoratore / kByteBlocco;
    return {arrotondaPari(1000 / (blocchiAlSecondo * 1.4)),
            std::llround(1e6 * kByteBlocco / perLavoratore)};
}

double SettaLimitiDiBanda(DownloadAttivi& attivi, int limiteKBs, bool limiteAttivo) {
    std::lock_guard lock(attivi.BloccoContatori);
    const LimiteBanda limite = CalcolaLimiteBanda(limiteKBs, limiteAttivo, attivi.Lista.size());
    for (StatoDownload* d : std::as_const(attivi.Lista)) {
        d->PausaMs = static_cast<qint64>(limite.PausaCorrente);
        d->IntervalloBloccoUs = limite.IntervalloBloccoUs;
    }
    return limite.PausaCorrente;
}

Cadenza::Cadenza(Orologio orologio, Dormi dormi)
    : orologio_(orologio ? std::move(orologio) : Orologio(orologioPredefinito)),
      dormi_(dormi ? std::move(dormi) : Dormi(dormiPredefinito)) {}

qint64 Cadenza::Blocco(qint64 intervalloUs) {
    if (intervalloUs <= 0) {
        intervallo_ = 0;
        dovuto_.reset();
        return 0;
    }
    const qint64 adesso = orologio_();
    if (intervalloUs != intervallo_ || !dovuto_) {
        intervallo_ = intervalloUs;
        dovuto_ = adesso;
        return 0;
    }
    // Counting from when the previous block was due, not from when the sleep happened to end,
    // keeps the average at the cap; a late block owes nothing and earns no credit.
    const qint64 attesa = std::max<qint64>(0, *dovuto_ + intervallo_ - adesso);
    if (attesa > 0)
        dormi_(attesa);
    dovuto_ = adesso + attesa;
    return attesa;
}

QString TestoDimensione(qint64 scaricati, qint64 totale) {
    constexpr double kMB = 1048576;
    return QString::number(scaricati / kMB, 'f', 1) + QStringLiteral(" / ") +
           QString::number(totale / kMB, 'f', 1) + QStringLiteral(" MB");
}

QString TestoVelocitaRiga(qint64 v) {
    if (v < 1048570)
        return senzaDecimali(v / 1024.0) + QStringLiteral(" KB/s");
    return QString::number(v / 1048576.0, 'f', 2) + QStringLiteral(" MB/s");
}

QString TestoVelocitaTotale(qint64 v) {
    if (v <= 1024)
        return QString::number(v) + QStringLiteral(" B/s");
    if (v <= 1048570)
        return senzaDecimali(v / 1024.0) + QStringLiteral(" KB/s");
    return QString::number(v / 1048576.0, 'f', 2) + QStringLiteral(" MB/s");
}

namespace {

struct Istantanea {
    QString id;
    qint64 scaricati, mancanti, totale, velocita;
};

// Read in the sampler's lock order, so the cells are written with no lock held.
std::vector<Istantanea> leggiAttivi(DownloadAttivi& attivi, qsizetype& tutti) {
    std::vector<Istantanea> righe;
    std::lock_guard velocita(attivi.BloccoVelocita);
    std::lock_guard contatori(attivi.BloccoContatori);
    tutti = attivi.Lista.size();
    for (const StatoDownload* d : std::as_const(attivi.Lista)) {
        if (d->Finito || !d->Avviato || d->Interrompi)
            continue;
        righe.push_back(
            {d->IdRiga, d->ByteScaricati, d->ByteMancanti, d->DimensioneTotale, d->VelocitaUltima});
    }
    return righe;
}

} // namespace

Velocita AggiornaVelocita(DownloadAttivi& attivi, CelleVelocita& celle) {
    Velocita v;
    for (const Istantanea& r : leggiAttivi(attivi, v.InDownload)) {
        try {
            celle.ImpostaCella(r.id, kCellaDimensione, TestoDimensione(r.scaricati, r.totale));
            celle.ImpostaCella(r.id, kCellaVelocita, TestoVelocitaRiga(r.velocita));
            if (r.velocita > 0)
                celle.ImpostaCella(r.id, kCellaFine, FormatoDurata(r.mancanti / r.velocita));
        } catch (...) {
            // A failing row leaves its cells as they were; its speed still counts.
            qCDebug(lcMotore) << "speed cells of row" << r.id << "not written";
        }
        v.Totale += r.velocita;
    }
    return v;
}

std::optional<float> FrazioneRiga(DownloadAttivi& attivi, const QString& idRiga) {
    std::lock_guard lock(attivi.BloccoContatori);
    const auto it = std::find_if(attivi.Lista.cbegin(), attivi.Lista.cend(),
                                 [&](const StatoDownload* d) { return d->IdRiga == idRiga; });
    if (it == attivi.Lista.cend())
        return std::nullopt;
    const qint64 scaricati = (*it)->ByteScaricati, totale = (*it)->DimensioneTotale;
    if (scaricati == 0 || totale == 0)
        return std::nullopt;
    return static_cast<float>(scaricati) / static_cast<float>(totale);
}

TItemSpeed::TItemSpeed(DownloadAttivi& attivi, std::function<void()> aggiorna, QObject* parent)
    : QThread(parent), attivi_(attivi), aggiorna_(std::move(aggiorna)) {
    setObjectName(QStringLiteral("TItemSpeed"));
}

void TItemSpeed::Campiona(DownloadAttivi& attivi) {
    std::lock_guard velocita(attivi.BloccoVelocita);
    std::lock_guard contatori(attivi.BloccoContatori);
    for (StatoDownload* d : std::as_const(attivi.Lista)) {
        d->VelocitaUltima = d->AccumuloVelocita;
        d->AccumuloVelocita = 0;
    }
}

// Sleeps in short slices so that a request to stop is seen at once.
bool TItemSpeed::attendiSecondo() {
    using namespace std::chrono;
    const auto fine = steady_clock::now() + milliseconds(clock::Intervallo(1000));
    while (!isInterruptionRequested()) {
        const auto resto = duration_cast<milliseconds>(fine - steady_clock::now());
        if (resto.count() <= 0)
            return true;
        std::this_thread::sleep_for(std::min(resto, milliseconds(20)));
    }
    return false;
}

void TItemSpeed::run() {
    const FineAnnunciata fine(this);
    while (attendiSecondo()) {
        Campiona(attivi_);
        try {
            if (!ChiamataSincronizzata(aggiorna_))
                return;
        } catch (...) {
            // A failed refresh is skipped; the next second tries again.
            qCDebug(lcMotore) << "speed refresh failed";
        }
    }
}

} // namespace tarvolin::engine
