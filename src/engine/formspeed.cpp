#include "formspeed.h"

#include "common/statoprocesso.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

namespace tarvolin::engine {

namespace {

constexpr int kLarghezza = 160;
constexpr int kAltezza = 89;
constexpr int kBanda = 52;
constexpr int kPannello = 19;

QPixmap sfondo() {
    QPixmap pixmap(kLarghezza, kBanda);
    QPainter painter(&pixmap);
    QLinearGradient gradiente(0, 0, 0, kBanda);
    gradiente.setColorAt(0, QColor(250, 252, 253));
    gradiente.setColorAt(1, QColor(214, 232, 242));
    painter.fillRect(pixmap.rect(), gradiente);
    return pixmap;
}

} // namespace

TForm_Speed::TForm_Speed(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TForm_Speed"));
    setWindowTitle(QStringLiteral("Tarvolin"));
    setFixedSize(kLarghezza, kAltezza);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kLarghezza, kBanda);
    Image1->setPixmap(sfondo());
    LabelSpeed = new QLabel(QStringLiteral("0 KB/s"), Image1);
    LabelSpeed->setObjectName(QStringLiteral("LabelSpeed"));
    LabelSpeed->setGeometry(4, 0, kLarghezza - 10, kBanda);
    LabelSpeed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font(QStringLiteral("Tahoma"));
    font.setBold(true);
    font.setPixelSize(24);
    LabelSpeed->setFont(font);
    LabelSpeed->setStyleSheet(QStringLiteral("color: rgb(59, 59, 59);"));

    PanelInDownload = pannello("PanelInDownload", QStringLiteral(" In download : 0"), kBanda);
    PanelInCoda = pannello("PanelInCoda", QStringLiteral(" In coda : 0"), kAltezza - kPannello);
    for (QWidget* parte :
         {static_cast<QWidget*>(Image1), static_cast<QWidget*>(LabelSpeed),
          static_cast<QWidget*>(PanelInDownload), static_cast<QWidget*>(PanelInCoda)})
        parte->installEventFilter(this);
}

QLabel* TForm_Speed::pannello(const char* nome, const QString& testo, int y) {
    auto* p = new QLabel(testo, this);
    p->setObjectName(QString::fromLatin1(nome));
    p->setGeometry(0, y, kLarghezza, kPannello);
    p->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    p->setAutoFillBackground(true);
    QPalette palette = p->palette();
    palette.setColor(QPalette::Window, QColor(227, 243, 249));
    palette.setColor(QPalette::WindowText, Qt::black); // readable on a dark desktop too
    p->setPalette(palette);
    return p;
}

void TForm_Speed::ImpostaTrasparenza(int alpha) {
    setWindowOpacity(alpha / 255.0);
}

void TForm_Speed::ImpostaInDownload(qsizetype righe) {
    PanelInDownload->setText(QStringLiteral(" In download : ") + QString::number(righe));
}

void TForm_Speed::ImpostaInCoda(qsizetype righe) {
    PanelInCoda->setText(QStringLiteral(" In coda : ") + QString::number(righe));
}

void TForm_Speed::closeEvent(QCloseEvent* event) {
    if (Processo().ChiudiSenzaConferma)
        event->accept();
    else
        event->ignore();
}

bool TForm_Speed::trascina(const QMouseEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress:
        if (event.button() != Qt::LeftButton)
            return false;
        // The window manager moves the window where it can; elsewhere the window follows the
        // pointer itself.
        if (windowHandle() != nullptr && windowHandle()->startSystemMove())
            return true;
        trascinando_ = true;
        presa_ = event.globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    case QEvent::MouseMove:
        if (!trascinando_ || !(event.buttons() & Qt::LeftButton))
            return false;
        move(event.globalPosition().toPoint() - presa_);
        return true;
    case QEvent::MouseButtonRelease:
        if (!trascinando_)
            return false;
        trascinando_ = false;
        return true;
    default:
        return false;
    }
}

bool TForm_Speed::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (trascina(static_cast<const QMouseEvent&>(*event)))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm_Speed::mousePressEvent(QMouseEvent* event) {
    if (!trascina(*event))
        QWidget::mousePressEvent(event);
}

void TForm_Speed::mouseMoveEvent(QMouseEvent* event) {
    if (!trascina(*event))
        QWidget::mouseMoveEvent(event);
}

void TForm_Speed::mouseReleaseEvent(QMouseEvent* event) {
    if (!trascina(*event))
        QWidget::mouseReleaseEvent(event);
}

} // namespace tarvolin::engine
