#include "formmemo.h"

#include "common/clock.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvolin::auxiliary {

TForm_Memo::TForm_Memo(std::function<void(const QString&)> salvaMemo)
    : QWidget(nullptr, Qt::Window), salvaMemo_(std::move(salvaMemo)) {
    setObjectName(QStringLiteral("TForm_Memo"));
    setWindowTitle(QStringLiteral("Appunti - Tarvolin"));
    resize(690, 476);
    creaControlli();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    riabilitaSalva_ = new QTimer(this);
    riabilitaSalva_->setSingleShot(true);
    riabilitaSalva_->setInterval(clock::Intervallo(500));
    connect(riabilitaSalva_, &QTimer::timeout, BtSalvataggio,
            [this] { BtSalvataggio->setEnabled(true); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { modificato_ = true; });
}

void TForm_Memo::creaControlli() {
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BtSalvataggio = new QPushButton(QStringLiteral("Salva"));
    BtSalvataggio->setObjectName(QStringLiteral("BtSalvataggio"));
    BtSalvataggio->setFixedSize(87, 25);
    connect(BtSalvataggio, &QPushButton::clicked, this, &TForm_Memo::BtSalvataggioClick);

    auto* barra = new QWidget;
    barra->setFixedHeight(42);
    auto* riga = new QHBoxLayout(barra);
    riga->addStretch(1);
    riga->addWidget(BtSalvataggio);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    layout->addWidget(barra);
}

void TForm_Memo::Carica(const std::optional<QString>& testo) {
    if (testo)
        Memo1->setPlainText(*testo);
    modificato_ = false;
}

void TForm_Memo::BtSalvataggioClick() {
    modificato_ = false;
    BtSalvataggio->setEnabled(false);
    BtSalvataggio->repaint();
    salvaMemo_(Memo1->toPlainText());
    riabilitaSalva_->start();
}

void TForm_Memo::SalvaAllUscita() {
    if (isVisible() && modificato_)
        salvaMemo_(Memo1->toPlainText());
}

void TForm_Memo::closeEvent(QCloseEvent* event) {
    if (modificato_)
        salvaMemo_(Memo1->toPlainText());
    QWidget::closeEvent(event);
}

} // namespace tarvolin::auxiliary
