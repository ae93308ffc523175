#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <functional>

class QPainter;

namespace tarvolin {

// The program icon: a downward arrow into a tray.
QIcon IconaProgramma();

// A picture drawn by `disegna` on a `lato` x `lato` canvas, at one, two and three times that
// many pixels, so screens of any density get it sharp rather than enlarged.
QIcon IconaDisegnata(int lato, const std::function<void(QPainter&)>& disegna);

// A round button picture with a short glyph, drawn so no image files are needed.
QIcon IconaPulsante(const QString& glifo, const QColor& colore);

} // namespace tarvolin
