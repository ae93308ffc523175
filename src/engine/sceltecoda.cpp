#include "sceltecoda.h"

#include "queue/modellocoda.h"

namespace tarvolin::engine {

std::optional<QString> ProssimoAutomatico(const queue::ModelloCoda& m, int attivi, int massimo) {
    if (attivi >= massimo)
        return std::nullopt;
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        if (m.Riga(kCoda, i).icona == queue::IconaInCoda)
            return m.Id(kCoda, i);
    }
    return std::nullopt;
}

bool AvviaSpuntati(const queue::ModelloCoda& m, const std::function<int()>& attivi, int limite,
                   const std::function<void(const QString& id)>& avvia) {
    if (attivi() >= limite)
        return false;
    // `avvia` changes the rows' states, never their number or order.
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        const queue::RigaCoda& riga = m.Riga(kCoda, i);
        if (!riga.spuntata)
            continue;
        if (attivi() >= limite)
            return false;
        if (riga.icona != queue::IconaInCorso && riga.icona != queue::IconaCompletato)
            avvia(riga.Cella(queue::cella::Id));
    }
    return true;
}

void FermaSpuntati(queue::ModelloCoda& m,
                   const std::function<void(const QString& id)>& interrompi) {
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        const queue::RigaCoda& riga = m.Riga(kCoda, i);
        if (!riga.spuntata)
            continue;
        if (riga.icona == queue::IconaInCoda)
            m.ImpostaIcona(kCoda, i, queue::IconaFermo);
        else if (riga.icona == queue::IconaInCorso)
            interrompi(riga.Cella(queue::cella::Id));
    }
}

void RimettiInCodaSpuntati(queue::ModelloCoda& m) {
    const queue::ModelloCoda::Aggiornamento aggiornamento(m);
    for (int i = m.NumeroRighe(kCoda) - 1; i >= 0; --i) {
        const queue::RigaCoda& riga = m.Riga(kCoda, i);
        if (riga.spuntata && riga.icona == queue::IconaFermo)
            m.ImpostaIcona(kCoda, i, queue::IconaInCoda);
    }
}

} // namespace tarvolin::engine
