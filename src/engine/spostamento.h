#pragma once

#include <QString>

#include <functional>

namespace tarvolin::engine {

enum class EsitoSpostamento { Fatto, SpazioInsufficiente, Interrotto, Fallito };

// `da` becomes `a`, replacing a file there. Across file systems the copy goes to a hidden name
// beside `a`, is flushed and renamed into place, and only then is `da` removed: a failure at
// any point leaves `da` whole. `annulla` is asked between blocks of the copy.
EsitoSpostamento Sposta(const QString& da, const QString& a, const std::function<bool()>& annulla);

// A rename that never replaces: false when `a` exists or the rename fails.
bool RinominaSenzaSostituire(const QString& da, const QString& a);

// The folder's entries, a rename into it among them, are on the disk.
bool SincronizzaCartella(const QString& cartella);

// Bytes an unprivileged user may still write on the file system of `cartella`; -1 unknown.
qint64 SpazioLibero(const QString& cartella);

// The folder and its parents exist and the folder can be written to.
bool PreparaCartella(const QString& cartella);

// Size of the regular file at `percorso`, not followed if a link; -1 when there is none.
qint64 DimensioneFile(const QString& percorso);

} // namespace tarvolin::engine
