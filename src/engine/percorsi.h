#pragma once

#include <QString>

namespace tarvolin::engine {

// `percorso` as the kernel would reach it: the longest part that exists with its links followed,
// then the rest as written. Empty when that part is a dangling link or the rest holds "." or
// "..".
QString PercorsoRisolto(const QString& percorso);

// The folder `cartella`, resolved, lies inside `radice`, resolved; with `ancheUguale` it may be
// `radice` itself.
bool CartellaDentro(const QString& radice, const QString& cartella, bool ancheUguale);

// The file `percorso` has a plain name and its folder is `radice` or lies inside it. The name
// itself is not followed: the files are opened and replaced without following links.
bool FileDentro(const QString& radice, const QString& percorso);

} // namespace tarvolin::engine
