#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace tarvolin {

// The add-links dialogs open now, oldest first: they queue into the main window's lists, so
// they go when it goes.
QList<QPointer<QWidget>>& FinestreAggiungi();

} // namespace tarvolin
