#pragma once

#include "queue/modellocoda.h"

#include <QString>

#include <functional>
#include <optional>

// Which rows of the queue list start or stop, decided from the rows alone.
namespace tarvolin::engine {

inline constexpr queue::TipoLista kCoda = queue::TipoLista::Coda;

// The row automatic mode starts next: the first queued one, while fewer than `massimo` run.
std::optional<QString> ProssimoAutomatico(const queue::ModelloCoda& modello, int attivi,
                                          int massimo);

// The start button: every ticked row neither running nor completed goes to `avvia`, in list
// order, as long as `attivi()` stays under `limite`; false when the limit stopped it.
bool AvviaSpuntati(const queue::ModelloCoda& modello, const std::function<int()>& attivi,
                   int limite, const std::function<void(const QString& id)>& avvia);

// The stop button: ticked queued rows are held, ticked running ones go to `interrompi`.
void FermaSpuntati(queue::ModelloCoda& modello,
                   const std::function<void(const QString& id)>& interrompi);

// Ticked held rows wait for automatic mode again.
void RimettiInCodaSpuntati(queue::ModelloCoda& modello);

} // namespace tarvolin::engine
