#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace tarvolin {

// The program icon: a downward arrow into a tray.
QIcon IconaProgramma();

// A round button picture with a short glyph, drawn so no image files are needed.
QIcon IconaPulsante(const QString& glifo, const QColor& colore);

} // namespace tarvolin
