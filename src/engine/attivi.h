#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <mutex>

namespace tarvolin::engine {

// What the scheduler, the speed sampler and the speed display read of one running download.
// The worker (TDownload) is one of these; its counters are guarded by the locks of
// DownloadAttivi.
struct StatoDownload {
    virtual ~StatoDownload() = default;

    QString IdRiga; // the row's id in table_download, set at creation

    // Under BloccoContatori.
    qint64 ByteScaricati = 0;
    qint64 ByteMancanti = 0;
    qint64 ByteTentativo = 0;
    // Under BloccoVelocita.
    qint64 AccumuloVelocita = 0;
    qint64 VelocitaUltima = 0;

    std::atomic<qint64> DimensioneTotale{0};
    // The pause of the bandwidth cap after each block, and the interval at which this worker's
    // blocks are due at its share of the cap (0: no cap).
    std::atomic<qint64> PausaMs{0};
    std::atomic<qint64> IntervalloBloccoUs{0};
    std::atomic<bool> Finito{false};
    std::atomic<bool> Avviato{false};
    std::atomic<bool> Interrompi{false};
};

// The running downloads in order of start, and the two locks. Changes of the list are made on
// the main thread under BloccoContatori. The progress handler takes BloccoContatori, releases
// it, then takes BloccoVelocita; the sampler takes BloccoVelocita before BloccoContatori.
struct DownloadAttivi {
    std::mutex BloccoContatori;
    std::mutex BloccoVelocita;
    QList<StatoDownload*> Lista;
};

} // namespace tarvolin::engine
