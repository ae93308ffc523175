#include "icone.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tarvolin {

QIcon IconaProgramma() {
    QIcon icon(QStringLiteral(":/tarvolin/tarvolin.png"));
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    QPixmap pix(64, 64);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 110, 200));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 2, 60, 60, 12, 12);
    p.setBrush(Qt::white);
    QPainterPath arrow;
    arrow.moveTo(26, 10);
    arrow.lineTo(38, 10);
    arrow.lineTo(38, 30);
    arrow.lineTo(48, 30);
    arrow.lineTo(32, 46);
    arrow.lineTo(16, 30);
    arrow.lineTo(26, 30);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.drawRect(14, 50, 36, 5);
    return QIcon(pix);
}

QIcon IconaDisegnata(int lato, const std::function<void(QPainter&)>& disegna) {
    QIcon icona;
    for (const int scala : {1, 2, 3}) {
        QPixmap pix(lato * scala, lato * scala);
        pix.fill(Qt::transparent);
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scala, scala);
        disegna(p);
        p.end();
        icona.addPixmap(pix);
    }
    return icona;
}

QIcon IconaPulsante(const QString& glifo, const QColor& colore) {
    constexpr int kLato = 52;
    return IconaDisegnata(kLato, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colore);
        p.drawEllipse(3, 3, 46, 46);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(24);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, kLato, kLato), Qt::AlignCenter, glifo);
    });
}

} // namespace tarvolin
