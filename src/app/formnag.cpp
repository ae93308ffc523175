#include "formnag.h"

#include "common/clock.h"
#include "common/deployment.h"
#include "common_ui/icone.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace tarvolin::app {

TForm_Nag::TForm_Nag(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TForm_Nag"));
    setFixedSize(450, 250);
    LabelVersion = new QLabel(QStringLiteral("Versione n/d"), this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    LabelVersion->setText(QStringLiteral("Versione : ") + QString::fromLatin1(kVersione));
    LabelVersion->adjustSize();
    LabelVersion->move(width() - LabelVersion->width() - 12, 10);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may be 5 % (225 ms) late
    Timer1->setInterval(clock::Intervallo(4500));
    connect(Timer1, &QTimer::timeout, this, &TForm_Nag::Timer1Timer);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    Timer1->start();
}

void TForm_Nag::Timer1Timer() {
    Timer1->stop();
    hide();
    emit Terminato();
}

void TForm_Nag::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(20, 70, 140));
    g.setColorAt(1, QColor(10, 30, 70));
    p.fillRect(rect(), g);
    IconaProgramma().paint(&p, QRect(40, 80, 96, 96));
    QFont font = p.font();
    font.setPixelSize(44);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(150, 90, 290, 70), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Tarvolin"));
}

} // namespace tarvolin::app
