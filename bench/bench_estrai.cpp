// Extracts one archive as a finished download would be (into the folder named after it, beside
// it) on a worker thread, while the main thread runs a 10 ms timer as the window's event loop
// would. Prints the outcome, the wall time and the longest gap between two ticks.
//   bench_estrai ARCHIVE [PASSWORD]
#include "engine/estrazione.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace tarvolin::engine;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_estrai ARCHIVE [PASSWORD]\n");
        return 2;
    }
    const QFileInfo archivio(QString::fromLocal8Bit(argv[1]));
    const QString password = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const PianoEstrazione piano =
        PianificaEstrazione(archivio.absolutePath() + '/', archivio.fileName());

    EsitoEstrazione esito = EsitoEstrazione::NonRiuscita;
    const std::unique_ptr<QThread> lavoro(
        QThread::create([&] { esito = EstraiArchivio(piano, password); }));
    QObject::connect(lavoro.get(), &QThread::finished, &app, &QCoreApplication::quit);

    QElapsedTimer orologio, battito;
    qint64 gapMassimo = 0;
    int battiti = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        gapMassimo = std::max(gapMassimo, battito.restart());
        ++battiti;
    });
    orologio.start();
    battito.start();
    timer.start();
    lavoro->start();
    app.exec();
    lavoro->wait();

    std::printf("esito=%s wall_s=%.3f max_gap_ms=%lld ticks=%d\n",
                esito == EsitoEstrazione::Riuscita ? "riuscita" : "non_riuscita",
                static_cast<double>(orologio.nsecsElapsed()) / 1e9,
                static_cast<long long>(gapMassimo), battiti);
    return esito == EsitoEstrazione::Riuscita ? 0 : 1;
}
