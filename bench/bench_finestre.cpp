// Filling the service windows: a search list and a ticket conversation, shown and painted.
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "search/formricerca.h"
#include "service/sessione.h"
#include "tickets/formticket.h"

#include <QTabWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace tarvolin;

namespace {

struct Servizio {
    QTimer a, b, c;
    service::Sessione sessione{&a, &b, &c};
};

QString risultati(qint64 n) {
    QString testo;
    for (qint64 i = 0; i < n; ++i)
        testo += QStringLiteral("Film %1.part01.rar|||https://www.easybytez.com/abc%1|||pw|||"
                                "archivio|||%2|||2024-05-01 10:00:00(|!|)")
                     .arg(i)
                     .arg(1048576 * (i + 1));
    return testo;
}

QString conversazione(qint64 n) {
    QString testo;
    for (qint64 i = 0; i < n; ++i)
        testo += QStringLiteral("%1|||Messaggio numero %2 della conversazione con un po' di testo"
                                "|||2024-05-01 10:%3:00|||{|end|}")
                     .arg(i % 2 ? "utente" : "ADMIN")
                     .arg(i)
                     .arg(i % 60, 2, 10, QChar('0'));
    return testo;
}

void BM_RiempiRicerca(benchmark::State& state) {
    Servizio servizio;
    QTabWidget schede;
    queue::ListeCoda code(new queue::VistaCoda(queue::TipoLista::Coda),
                          new queue::VistaCoda(queue::TipoLista::NonCompletati),
                          new queue::VistaCoda(queue::TipoLista::Completati), &schede);
    search::TForm_Ricerca finestra(1, servizio.sessione, {code, [] { return false; }});
    finestra.show();
    const QString records = risultati(state.range(0));
    for (auto _ : state) {
        finestra.SviluppaRisultati(records);
        finestra.repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RiempiConversazione(benchmark::State& state) {
    Servizio servizio;
    tickets::TForm_Ticket finestra(servizio.sessione, QStringLiteral("T1"));
    finestra.show();
    const QString records = conversazione(state.range(0));
    for (auto _ : state) {
        finestra.CaricaTicket(records);
        finestra.repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_RiempiRicerca)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RiempiConversazione)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
