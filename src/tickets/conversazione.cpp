#include "conversazione.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

namespace tarvolin::tickets {

namespace {

// The colour rides on the block's layout, as a highlighter's would, so the text goes in once
// and is laid out once.
void colora(const QTextBlock& blocco, bool admin) {
    QTextCharFormat formato;
    formato.setForeground(admin ? Qt::black : Qt::blue);
    blocco.layout()->setFormats({{0, blocco.length(), formato}});
}

} // namespace

void RiempiConversazione(QPlainTextEdit* vista, const std::vector<RigaConversazione>& righe) {
    qsizetype lunghezza = 0;
    for (const RigaConversazione& riga : righe)
        lunghezza += riga.testo.size() + 1;
    QString testo;
    testo.reserve(lunghezza);
    for (size_t i = 0; i < righe.size(); ++i) {
        if (i > 0)
            testo += u'\n';
        testo += righe[i].testo;
    }
    vista->setUpdatesEnabled(false);
    vista->setPlainText(testo);
    QTextDocument* documento = vista->document();
    QTextBlock blocco = documento->firstBlock();
    for (const RigaConversazione& riga : righe) {
        colora(blocco, riga.admin);
        blocco = blocco.next();
    }
    documento->markContentsDirty(0, documento->characterCount());
    vista->setUpdatesEnabled(true);
}

void AggiungiAllaConversazione(QPlainTextEdit* vista, const RigaConversazione& riga) {
    vista->appendPlainText(riga.testo);
    const QTextBlock ultimo = vista->document()->lastBlock();
    colora(ultimo, riga.admin);
    vista->document()->markContentsDirty(ultimo.position(), ultimo.length());
}

} // namespace tarvolin::tickets
