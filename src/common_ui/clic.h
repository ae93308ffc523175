#pragma once

#include <functional>

class QWidget;

namespace tarvolin {

// Runs `azione` when the left button is released over `widget` (a picture or a label that
// acts as a link). The watcher lives as long as the widget.
void AlClic(QWidget* widget, std::function<void()> azione);

} // namespace tarvolin
