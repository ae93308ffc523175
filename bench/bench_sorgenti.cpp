// Link sources on the main thread: the clipboard tick with a large text that stays put, and a
// DLC reply of many links turned into a shown add-links dialog.
#include "common/statoprocesso.h"
#include "queue/formadd.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "sources/appunti.h"
#include "sources/dlc.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <benchmark/benchmark.h>

using namespace tarvolin;

namespace {

QString testoMiB() {
    QString testo = QStringLiteral("https://www.example.org/");
    while (testo.size() < 1024 * 1024)
        testo += QStringLiteral("cartella/file-con-un-nome.rar.html\n");
    return testo;
}

// A tick while the same 1 MiB text stays on the clipboard, after the first tick has seen it.
void BM_TickTestoInvariato(benchmark::State& state) {
    Processo().UltimoTestoAppunti.clear(); // each run sees the text as new once
    int aperti = 0;
    sources::CatturaAppunti cattura([] { return QStringList{"easybytez.com"}; },
                                    [&aperti](const QString&) { ++aperti; }, nullptr);
    QGuiApplication::clipboard()->setText(testoMiB());
    cattura.Tick();
    for (auto _ : state)
        cattura.Tick();
    state.counters["dialoghi"] = aperti;
}

// What a tick that read and compared the clipboard every time would cost, for comparison.
void BM_LetturaEConfronto(benchmark::State& state) {
    const QString testo = testoMiB();
    QGuiApplication::clipboard()->setText(testo);
    Processo().UltimoTestoAppunti = QString(testo.constData(), testo.size()); // not shared
    for (auto _ : state) {
        const QString letto = QGuiApplication::clipboard()->text();
        benchmark::DoNotOptimize(letto == Processo().UltimoTestoAppunti);
    }
}

// The tests a newly copied 1 MiB text goes through.
void BM_DaCatturareNuovoTesto(benchmark::State& state) {
    const QString testo = testoMiB();
    const QStringList hosting = {"easybytez.com"};
    for (auto _ : state)
        benchmark::DoNotOptimize(sources::DaCatturare(testo, hosting));
}

// From the service's reply of 5000 links to the add-links dialog on screen.
void BM_RispostaDlcADialogo(benchmark::State& state) {
    QList<QByteArray> link;
    for (int i = 0; i < 5000; ++i)
        link << "\"http://www.easybytez.com/abcdefgh" + QByteArray::number(i) + "/Film.part" +
                    QByteArray::number(i) + ".rar.html\"";
    const QByteArray risposta =
        R"({"success": {"message": "OK", "links": [)" + link.join(", ") + "]}}";
    QTabWidget schede;
    queue::ListeCoda code(new queue::VistaCoda(queue::TipoLista::Coda),
                          new queue::VistaCoda(queue::TipoLista::NonCompletati),
                          new queue::VistaCoda(queue::TipoLista::Completati), &schede);
    for (auto _ : state) {
        queue::TForm_Add* dialogo = queue::ApriAggiungi(
            code, [] { return false; }, false, true,
            sources::LinkDaRisposta(risposta).value_or(sources::ErroreDlc()));
        QCoreApplication::processEvents(); // laid out and painted
        state.PauseTiming();
        benchmark::DoNotOptimize(dialogo->ListaLink->blockCount());
        delete dialogo;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_TickTestoInvariato);
BENCHMARK(BM_LetturaEConfronto)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DaCatturareNuovoTesto)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RispostaDlcADialogo)->Unit(benchmark::kMillisecond);
