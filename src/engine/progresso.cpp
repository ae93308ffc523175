#include "progresso.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>
#include <cmath>

namespace tarvolin::engine {

namespace {

constexpr int kAltezzaTesto = 13;
constexpr int kPassi = 1000;

QFont fontTesto(const QFont& font) {
    QFont copia(font);
    copia.setPixelSize(kAltezzaTesto);
    return copia;
}

void disegnaConStile(QPainter& painter, const QRect& r, float frazione, const QString& testo,
                     const QFont& font, const QStyle& stile) {
    QStyleOptionProgressBar opt;
    opt.rect = r;
    opt.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    opt.direction = Qt::LeftToRight;
    opt.palette = QGuiApplication::palette();
    opt.fontMetrics = QFontMetrics(font);
    opt.minimum = 0;
    opt.maximum = kPassi;
    opt.progress = std::clamp(static_cast<int>(frazione * kPassi), 0, kPassi);
    opt.text = testo;
    opt.textVisible = true;
    opt.textAlignment = Qt::AlignCenter;
    painter.setFont(font);
    stile.drawControl(QStyle::CE_ProgressBar, &opt, &painter);
}

void barraArrotondata(QPainter& painter, int sinistra, int alto, int destra, int basso,
                      const QColor& colore) {
    if (destra <= sinistra || basso <= alto)
        return;
    painter.setBrush(colore);
    painter.drawRoundedRect(QRectF(sinistra, alto, destra - sinistra, basso - alto), 1.5, 1.5);
}

// The bar without a style: a light track, the filled part with a square leading edge.
void disegnaSemplice(QPainter& painter, const QRect& r, float frazione, const QString& testo,
                     const QFont& font) {
    const int sinistra = r.x(), alto = r.y() + 4;
    int destra = r.x() + r.width() + 1;
    const int basso = r.y() + r.height() + 1 - 4;
    painter.setPen(Qt::NoPen);
    barraArrotondata(painter, sinistra, alto, destra, basso, QColor(235, 235, 235));
    destra = sinistra + static_cast<int>(std::trunc(frazione * float(destra - sinistra)));
    const QColor blu(132, 193, 255);
    barraArrotondata(painter, sinistra, alto, destra, basso, blu);
    if (sinistra + 3 < destra && basso > alto)
        painter.fillRect(QRect(destra - 3, alto, 3, basso - alto), blu);

    painter.setFont(font);
    painter.setPen(QGuiApplication::palette().color(QPalette::Disabled, QPalette::WindowText));
    const QString visibile = QFontMetrics(font).elidedText(testo, Qt::ElideRight, r.width());
    painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, visibile);
}

} // namespace

QString TestoProgresso(const QString& didascalia, float frazione) {
    return didascalia + QLatin1Char(' ') + QString::number(double(frazione) * 100, 'f', 1) +
           QLatin1Char('%');
}

void DisegnaProgresso(QPainter& painter, const QRect& bordi, float frazione,
                      const QString& didascalia, const QFont& font, const QStyle* stile) {
    const QRect r = bordi.adjusted(1, 1, -1, -1);
    const QString testo = TestoProgresso(didascalia, frazione);
    painter.save();
    if (stile != nullptr)
        disegnaConStile(painter, r, frazione, testo, fontTesto(font), *stile);
    else
        disegnaSemplice(painter, r, frazione, testo, fontTesto(font));
    painter.restore();
}

DelegatoProgresso::DelegatoProgresso(int colonna, Frazione frazione, QObject* parent)
    : QStyledItemDelegate(parent), colonna_(colonna), frazione_(std::move(frazione)) {}

void DelegatoProgresso::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const std::optional<float> frazione =
        index.column() == colonna_ && frazione_ ? frazione_(index) : std::nullopt;
    if (!frazione) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QStyle* stile = option.widget != nullptr ? option.widget->style() : QApplication::style();
    // The row's selection still shows behind the bar.
    QStyleOptionViewItem sfondo(option);
    initStyleOption(&sfondo, index);
    sfondo.text.clear();
    sfondo.icon = QIcon();
    stile->drawControl(QStyle::CE_ItemViewItem, &sfondo, painter, option.widget);
    DisegnaProgresso(*painter, option.rect, *frazione, QStringLiteral("Downloading"), option.font,
                     stile);
}

} // namespace tarvolin::engine
