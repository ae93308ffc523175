// Every library below the windows, linked without the widget toolkit: one call into each, so
// that the linker takes their objects, and a queue choice made with no window open.
#include "engine/sceltecoda.h"
#include "engine/scheduler.h"
#include "host/hosting.h"
#include "net/dominio.h"
#include "queue/modellocoda.h"
#include "service/frame.h"
#include "sources/dlc.h"

#include <QCoreApplication>

using namespace tarvolin;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    queue::ModelloCoda modello;
    QStringList celle(queue::cella::Id + 1);
    celle[queue::cella::Id] = QStringLiteral("7");
    modello.Aggiungi(queue::TipoLista::Coda,
                     queue::RigaCoda{QStringLiteral("f.rar"), celle, queue::IconaInCoda, false});
    const bool scelta = engine::ProssimoAutomatico(modello, 0, 1) == QStringLiteral("7");
    void (engine::Scheduler::*avvia)(const QString&) = &engine::Scheduler::DownloadFile;
    const bool collegati =
        avvia != nullptr &&
        net::dominio::Corrisponde(QStringLiteral("a.b.it"), QStringLiteral("b.it")) &&
        host::HostConosciuto({QStringLiteral("b.it")}, QStringLiteral("http://b.it/x")) &&
        !service::BuildFrame("#0661K").isEmpty() && !sources::ErroreDlc().isEmpty();
    return scelta && collegati ? 0 : 1;
}
