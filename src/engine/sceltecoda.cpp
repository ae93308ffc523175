#include "sceltecoda.h"

#include "queue/modellocoda.h"

namespace tarvolin::engine {

std::optional<QString> ProssimoAutomatico(const ModelloCoda& m, int attivi, int massimo) {
    if (attivi >= massimo)
        return std::nullopt;
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        if (m.Riga(kCoda, i).icona == IconaInCoda)
            return m.Id(kCoda, i);
    }
    return std::nullopt;
}

bool AvviaSpuntati(const ModelloCoda& m, const std::function<int()>& attivi, int limite,
                   const std::function<void(const QString& id)>& avvia) {
    if (attivi() >= limite)
        return false;
    // `avvia` changes the rows' states, never their number or order.
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        const RigaCoda& riga = m.Riga(kCoda, i);
        if (!riga.spuntata)
            continue;
        if (attivi() >= limite)
            return false;
        if (riga.icona != IconaInCorso && riga.icona != IconaCompletato)
            avvia(riga.Cella(cella::Id));
    }
    return true;
}

void FermaSpuntati(ModelloCoda& m, const std::function<void(const QString& id)>& interrompi) {
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i) {
        const RigaCoda& riga = m.Riga(kCoda, i);
        if (!riga.spuntata)
            continue;
        if (riga.icona == IconaInCoda)
            m.ImpostaIcona(kCoda, i, IconaFermo);
        else if (riga.icona == IconaInCorso)
            interrompi(riga.Cella(cella::Id));
    }
}

void RimettiInCodaSpuntati(ModelloCoda& m) {
    for (int i = m.NumeroRighe(kCoda) - 1; i >= 0; --i) {
        const RigaCoda& riga = m.Riga(kCoda, i);
        if (riga.spuntata && riga.icona == IconaFermo)
            m.ImpostaIcona(kCoda, i, IconaInCoda);
    }
}

} // namespace tarvolin::engine
