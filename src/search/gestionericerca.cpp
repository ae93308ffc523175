#include "gestionericerca.h"

#include "common/diagnostica.h"
#include "common_ui/messagebox.h"
#include "service/dispatcher.h"
#include "service/sessione.h"

#include <QLineEdit>

#include <exception>

namespace tarvolin::search {

GestioneRicerca::GestioneRicerca(service::Sessione& servizio, TForm_Ricerca::Coda coda,
                                 QWidget* finestraPrincipale)
    : servizio_(servizio), coda_(std::move(coda)), finestraPrincipale_(finestraPrincipale) {}

GestioneRicerca::~GestioneRicerca() {
    for (const QPointer<TForm_Ricerca>& finestra : std::exchange(FinestreRicerca, {}))
        delete finestra.data();
}

void GestioneRicerca::BtScibileClick() {
    if (!servizio_.Connesso()) {
        MostraMessaggio(finestraPrincipale_,
                        QStringLiteral("Al momento non sembri connesso al server di Tarvolin, "
                                       "controlla la connessione e riprova."),
                        QStringLiteral("Attenzione"), Icona::Avviso);
        return;
    }
    auto* finestra = new TForm_Ricerca(prossimoId_++, servizio_, coda_);
    connect(finestra, &TForm_Ricerca::Chiusa, this, [this](TForm_Ricerca* chiusa) {
        FinestreRicerca.removeIf(
            [chiusa](const QPointer<TForm_Ricerca>& f) { return f.isNull() || f == chiusa; });
    });
    FinestreRicerca.append(finestra);
    finestra->show();
    finestra->raise();
    finestra->activateWindow();
    finestra->CercaTxt->setFocus();
}

void GestioneRicerca::perFinestra(
    const QString& payload, const std::function<void(TForm_Ricerca&, const QString&)>& passo) {
    const auto [campoId, resto] = service::LeggiCampo(payload);
    bool ok = false;
    const int id = campoId.toInt(&ok);
    if (!ok)
        return;
    // A copy: a window may close while it handles the reply.
    const QList<QPointer<TForm_Ricerca>> aperte = FinestreRicerca;
    for (const QPointer<TForm_Ricerca>& finestra : aperte) {
        if (!finestra || finestra->IdRicerca != id)
            continue;
        try {
            passo(*finestra, resto);
        } catch (const std::exception& e) {
            qCDebug(lcRicerca) << "search reply dropped:" << e.what();
        }
    }
}

void GestioneRicerca::RisultatiRicevuti(const QString& payload) {
    perFinestra(payload, [](TForm_Ricerca& finestra, const QString& records) {
        finestra.SviluppaRisultati(records);
    });
}

void GestioneRicerca::RicercaRifiutata(const QString& payload) {
    perFinestra(payload, [](TForm_Ricerca& finestra, const QString&) {
        finestra.RicercaErrore(QStringLiteral("Devi attendere 5 secondi per ogni ricerca!"));
    });
}

} // namespace tarvolin::search
