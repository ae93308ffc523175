#pragma once

#include "engine/attivi.h"

#include <QString>
#include <QThread>

#include <functional>
#include <optional>

namespace tarvolin::engine {

// Bytes a worker receives between two pauses of the bandwidth cap.
inline constexpr qint64 kByteBlocco = 32768;

// The pause and block interval for a cap of `limiteKBs` shared by `lavoratori` workers.
struct LimiteBanda {
    double PausaCorrente = 0;      // ms per block, a whole number; 0: no cap
    qint64 IntervalloBloccoUs = 0; // µs between blocks at the worker's share; 0: no cap
};
LimiteBanda CalcolaLimiteBanda(int limiteKBs, bool limiteAttivo, qsizetype lavoratori);

// Recomputes the cap for the workers now in `attivi` and hands every one its pause and block
// interval. Returns PausaCorrente.
double SettaLimitiDiBanda(DownloadAttivi& attivi, int limiteKBs, bool limiteAttivo);

// Paces a worker's blocks to the interval of its share of the cap. The fixed pause alone lets
// through more than the cap on a fast link, because it ignores the time the block took; this
// sleeps only for what is left of the interval, and never slows a link already below the cap.
class Cadenza {
public:
    using Orologio = std::function<qint64()>;  // monotonic microseconds
    using Dormi = std::function<void(qint64)>; // sleeps microseconds

    explicit Cadenza(Orologio orologio = {}, Dormi dormi = {});

    // One block has arrived; returns the microseconds slept.
    qint64 Blocco(qint64 intervalloUs);

private:
    Orologio orologio_;
    Dormi dormi_;
    qint64 intervallo_ = 0;
    std::optional<qint64> dovuto_; // when the previous block was due
};

// The texts of the speed display; a point separates decimals whatever the locale.
QString TestoDimensione(qint64 scaricati, qint64 totale); // "12.3 / 56.8 MB"
QString TestoVelocitaRiga(qint64 bytePerSecondo);         // never in B/s
QString TestoVelocitaTotale(qint64 bytePerSecondo);

// Where the speed refresh writes a row's cells; rows are found by their id.
class CelleVelocita {
public:
    virtual ~CelleVelocita() = default;
    virtual void ImpostaCella(const QString& idRiga, int cella, const QString& testo) = 0;
};

// Cells of a queue row written by the refresh.
inline constexpr int kCellaDimensione = 0, kCellaFine = 3, kCellaVelocita = 4;

struct Velocita {
    qint64 Totale = 0;        // bytes per second of the workers that count
    qsizetype InDownload = 0; // every worker in the list
};

// Writes size, speed and remaining time of each transferring worker; returns the totals.
Velocita AggiornaVelocita(DownloadAttivi& attivi, CelleVelocita& celle);

// The share of its file the first worker of row `idRiga` has, when it has begun receiving.
std::optional<float> FrazioneRiga(DownloadAttivi& attivi, const QString& idRiga);

// The speed sampler: once a second moves every worker's accumulated bytes into its last speed,
// then runs `aggiorna` on the main thread. Ends when interrupted or once the main loop stops.
class TItemSpeed : public QThread {
    Q_OBJECT
public:
    TItemSpeed(DownloadAttivi& attivi, std::function<void()> aggiorna, QObject* parent = nullptr);

    // One sample: under both locks, accumulators become last speeds.
    static void Campiona(DownloadAttivi& attivi);

protected:
    void run() override;

private:
    bool attendiSecondo();

    DownloadAttivi& attivi_;
    std::function<void()> aggiorna_;
};

} // namespace tarvolin::engine
