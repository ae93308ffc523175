// The real program downloading: the windows as the program starts them (data under the HOME
// the caller gives), the URLs queued as the add-links dialog queues them, ticked and started
// with the start button once the main window shows. Prints the time from the click to the last
// byte of the last file and to the last row recorded finished, the longest gap between ticks
// of a 10 ms timer on the main thread meanwhile, CPU time and peak resident size.
//   bench_programma URL...   (HOME, TARVOLIN_SERVICE... set by bench/bench_download.sh)
#include "app/avvio.h"
#include "app/form1.h"
#include "queue/database.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <set>
#include <sys/resource.h>
#include <utility>

using namespace tarvolin;
using namespace tarvolin::app;

namespace {

double secondi(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// CPU seconds of the whole process so far: user, system.
std::pair<double, double> cpu() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return {secondi(uso.ru_utime), secondi(uso.ru_stime)};
}

// Rows whose worker has received every byte of its file.
void segnaRicevuti(engine::DownloadAttivi& attivi, std::set<QString>& ricevuti) {
    std::lock_guard lock(attivi.BloccoContatori);
    for (const engine::StatoDownload* d : attivi.Lista) {
        const qint64 totale = d->DimensioneTotale.load();
        if (totale > 0 && d->ByteMancanti == 0 && d->ByteScaricati >= totale)
            ricevuti.insert(d->IdRiga);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList urls = app.arguments().mid(1);
    if (urls.isEmpty()) {
        std::fprintf(stderr, "usage: bench_programma URL...\n");
        return 2;
    }
    Applicazione applicazione;
    TForm1& f = applicazione.Form1();

    QElapsedTimer orologio;
    QTimer tic;
    tic.setTimerType(Qt::PreciseTimer);
    qint64 ultimoTic = 0, gapMassimoMs = 0;
    double ultimoByteS = 0;
    std::pair<double, double> cpuInizio, cpuUltimoByte;
    std::set<QString> ricevuti;
    const auto finiti = [&] {
        return f.Db()
            ->Query("SELECT COUNT(*) AS n FROM table_download WHERE completato = '1'")
            .Value(0, "n")
            .toLongLong();
    };
    QObject::connect(&tic, &QTimer::timeout, [&] {
        const qint64 ora = orologio.elapsed();
        gapMassimoMs = std::max(gapMassimoMs, ora - ultimoTic);
        ultimoTic = ora;
        segnaRicevuti(f.DownloadAttivi, ricevuti);
        if (std::ssize(ricevuti) < urls.size())
            return;
        if (ultimoByteS == 0) {
            ultimoByteS = static_cast<double>(ora) / 1e3;
            cpuUltimoByte = cpu();
        }
        if (finiti() < urls.size())
            return;
        const double fineS = static_cast<double>(orologio.elapsed()) / 1e3;
        rusage uso{};
        getrusage(RUSAGE_SELF, &uso);
        // CPU from the click to the last byte.
        std::printf("files %lld last_byte_s %.3f finished_s %.3f max_tick_gap_ms %lld user_s %.3f "
                    "sys_s %.3f peak_rss_kib %ld\n",
                    static_cast<long long>(urls.size()), ultimoByteS, fineS,
                    static_cast<long long>(gapMassimoMs), cpuUltimoByte.first - cpuInizio.first,
                    cpuUltimoByte.second - cpuInizio.second, uso.ru_maxrss);
        std::fflush(stdout);
        TerminaApplicazione();
    });
    QObject::connect(&f, &TForm1::MainWindowShown, [&] {
        if (!f.Code->AggiungiListaLink(urls.join('\n'), {}, {}, {}, false)) {
            std::fprintf(stderr, "the links could not be queued\n");
            QCoreApplication::exit(1);
            return;
        }
        for (int i = 0; i < f.Lista->NumeroRighe(); ++i)
            f.Code->Modello().Spunta(queue::TipoLista::Coda, i, true);
        cpuInizio = cpu();
        orologio.start();
        tic.start(10);
        f.BtPlay->click();
    });
    return QApplication::exec();
}
