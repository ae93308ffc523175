#include "forminfoscreen.h"

#include "auxiliary/avvisi.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tarvolin::auxiliary {

TForm_Infoscreen::TForm_Infoscreen(QWidget* centro)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      centro_(centro) {
    setObjectName(QStringLiteral("TForm_Infoscreen"));
    setWindowTitle(QStringLiteral("Informazioni - Tarvolin"));
    resize(737, 273);
    MemoInfo = new QPlainTextEdit;
    MemoInfo->setObjectName(QStringLiteral("MemoInfo"));
    MemoInfo->setReadOnly(true);
    MemoInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(MemoInfo);
}

void TForm_Infoscreen::LoadInfoScreen(const QString& sito) {
    TLoadInfo::Avvia(sito, [finestra = QPointer(this)](const QString& testo) {
        if (finestra)
            finestra->MostraAvviso(testo);
    });
}

void TForm_Infoscreen::MostraAvviso(const QString& testo) {
    // A bare CR before CR LF breaks no extra line, as in the notice's own editor.
    QString righe = testo;
    righe.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"));
    righe.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MemoInfo->setPlainText(righe);
    if (centro_)
        move(centro_->geometry().center() - rect().center());
    show();
    // A question already waiting for the user must not end up hidden behind the notice.
    if (QWidget* modale = QApplication::activeModalWidget())
        modale->raise();
}

} // namespace tarvolin::auxiliary
