#include "vistacoda.h"

#include "common/statoprocesso.h"
#include "common_ui/icone.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace tarvolin::queue {

namespace {

struct Disposizione {
    QList<const char*> colonne; // visible columns, the caption first
    QList<int> larghezze;       // widths of the columns after the caption (0: fills the rest)
    QList<Qt::Alignment> allineamenti;
    int celleNascoste;
};

Disposizione disposizione(TipoLista tipo) {
    const Qt::Alignment r = Qt::AlignRight | Qt::AlignVCenter, c = Qt::AlignCenter;
    switch (tipo) {
    case TipoLista::Coda:
        return {{"Nome file", "Size (MB)", "Stato", "Progresso", "Fine", "KB/s", "Gruppo"},
                {110, 110, 135, 90, 100, 110},
                {r, c, r, r, c, r},
                3};
    case TipoLista::NonCompletati:
        return {{"Nome file", "Size (MB)", "Stato", "Gruppo"}, {120, 100, 120}, {r, c, r}, 3};
    case TipoLista::Completati:
        break;
    }
    return {{"Nome file", "Size (MB)", "Gruppo"}, {120, 120}, {r, r}, 3};
}

} // namespace

VistaCoda::VistaCoda(TipoLista tipo, QWidget* parent) : QTreeWidget(parent), tipo_(tipo) {
    Mostra(*new ModelloCoda(this));
    connect(this, &QTreeWidget::itemChanged, this, &VistaCoda::elementoCambiato);
    const Disposizione d = disposizione(tipo);
    allineamenti_ = d.allineamenti;
    setColumnCount(static_cast<int>(d.colonne.size()) + d.celleNascoste);
    QStringList etichette;
    for (const char* colonna : d.colonne)
        etichette << QString::fromLatin1(colonna);
    setHeaderLabels(etichette);
    for (int i = 0; i < d.larghezze.size(); ++i) {
        setColumnWidth(i + 1, d.larghezze[i]);
        headerItem()->setTextAlignment(i + 1, d.allineamenti[i]);
    }
    for (int col = static_cast<int>(d.colonne.size()); col < columnCount(); ++col)
        setColumnHidden(col, true);
    if (tipo == TipoLista::Completati) {
        setColumnWidth(0, 814);
        header()->setStretchLastSection(false);
    } else {
        header()->setSectionResizeMode(0, QHeaderView::Stretch);
        header()->setStretchLastSection(false);
    }
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(32, 32));
    setMouseTracking(true);
    if (tipo == TipoLista::Coda) {
        QPalette p = palette();
        // White whatever the desktop's colours, so its text is dark whatever they are too.
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, Qt::black);
        // Keep the selection visible when the list loses the focus.
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::HighlightedText));
        setPalette(p);
    }
}

void VistaCoda::Mostra(ModelloCoda& modello) {
    if (modello_ != nullptr)
        disconnect(modello_, nullptr, this, nullptr);
    if (modello_ != nullptr && modello_->parent() == this)
        modello_->deleteLater();
    modello_ = &modello;
    connect(modello_, &ModelloCoda::RigaAggiunta, this, &VistaCoda::aggiunta);
    connect(modello_, &ModelloCoda::RigaRimossa, this, &VistaCoda::rimossa);
    connect(modello_, &ModelloCoda::RigaCambiata, this, &VistaCoda::cambiata);
    connect(modello_, &ModelloCoda::AggiornamentoIniziato, this,
            [this] { setUpdatesEnabled(false); });
    connect(modello_, &ModelloCoda::AggiornamentoFinito, this, [this] { setUpdatesEnabled(true); });
    clear();
    for (int i = 0; i < modello_->NumeroRighe(tipo_); ++i)
        aggiunta(tipo_, i);
}

VistaCoda* VistaCoda::di(const QTreeWidgetItem* riga) {
    return qobject_cast<VistaCoda*>(riga->treeWidget());
}

QString VistaCoda::Cella(const QTreeWidgetItem* riga, int cella) {
    return riga->text(cella + 1);
}

int VistaCoda::Icona(const QTreeWidgetItem* riga) {
    return riga->data(0, Qt::UserRole).toInt();
}

bool VistaCoda::Spuntata(const QTreeWidgetItem* riga) {
    return riga->checkState(0) == Qt::Checked;
}

void VistaCoda::ImpostaCella(QTreeWidgetItem* riga, int cella, const QString& testo) {
    VistaCoda* v = di(riga);
    v->modello_->ImpostaCella(v->tipo_, v->Posizione(riga), cella, testo);
}

void VistaCoda::Spunta(QTreeWidgetItem* riga, bool spuntata) {
    VistaCoda* v = di(riga);
    v->modello_->Spunta(v->tipo_, v->Posizione(riga), spuntata);
}

void VistaCoda::ImpostaIcona(QTreeWidgetItem* riga, int icona) const {
    modello_->ImpostaIcona(tipo_, Posizione(riga), icona);
}

void VistaCoda::RimuoviRiga(QTreeWidgetItem* riga) {
    modello_->Rimuovi(tipo_, Posizione(riga));
}

QTreeWidgetItem* VistaCoda::AggiungiRiga(const QString& didascalia, int icona,
                                         const QStringList& celle) {
    modello_->Aggiungi(tipo_, RigaCoda{didascalia, celle, icona, false});
    return topLevelItem(topLevelItemCount() - 1);
}

QTreeWidgetItem* VistaCoda::RigaPerId(const QString& id) const {
    const int p = modello_->Posizione(tipo_, id);
    return p < 0 ? nullptr : topLevelItem(p);
}

void VistaCoda::aggiunta(TipoLista tipo, int posizione) {
    if (tipo != tipo_)
        return;
    const RigaCoda& r = modello_->Riga(tipo, posizione);
    const QScopedValueRollback copia(copia_, true);
    auto* riga = new QTreeWidgetItem;
    riga->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    riga->setText(0, r.didascalia);
    riga->setCheckState(0, r.spuntata ? Qt::Checked : Qt::Unchecked);
    riga->setData(0, Qt::UserRole, r.icona);
    riga->setIcon(0, IconaStatoRiga(r.icona));
    for (int i = 0; i < r.celle.size(); ++i) {
        riga->setText(i + 1, r.celle[i]);
        if (i < allineamenti_.size())
            riga->setTextAlignment(i + 1, allineamenti_[i]);
    }
    insertTopLevelItem(posizione, riga);
}

void VistaCoda::rimossa(TipoLista tipo, int posizione) {
    if (tipo == tipo_)
        delete takeTopLevelItem(posizione);
}

void VistaCoda::cambiata(TipoLista tipo, int posizione, ModelloCoda::Parte parte, int cella) {
    if (tipo != tipo_)
        return;
    const RigaCoda& r = modello_->Riga(tipo, posizione);
    QTreeWidgetItem* riga = topLevelItem(posizione);
    const QScopedValueRollback copia(copia_, true);
    switch (parte) {
    case ModelloCoda::Parte::Didascalia:
        riga->setText(0, r.didascalia);
        break;
    case ModelloCoda::Parte::Cella:
        riga->setText(cella + 1, r.Cella(cella));
        break;
    case ModelloCoda::Parte::Icona:
        riga->setData(0, Qt::UserRole, r.icona);
        riga->setIcon(0, IconaStatoRiga(r.icona));
        break;
    case ModelloCoda::Parte::Spunta:
        riga->setCheckState(0, r.spuntata ? Qt::Checked : Qt::Unchecked);
        break;
    }
}

void VistaCoda::elementoCambiato(QTreeWidgetItem* riga, int colonna) {
    // A change not copied from the model: the user ticked a box, or code wrote into the row.
    // The model follows.
    if (copia_)
        return;
    const int p = Posizione(riga);
    if (p < 0)
        return;
    const RigaCoda& r = modello_->Riga(tipo_, p);
    if (colonna > 0) {
        if (r.Cella(colonna - 1) != riga->text(colonna))
            modello_->ImpostaCella(tipo_, p, colonna - 1, riga->text(colonna));
        return;
    }
    if (r.spuntata != Spuntata(riga))
        modello_->Spunta(tipo_, p, Spuntata(riga));
    if (r.didascalia != riga->text(0))
        modello_->ImpostaDidascalia(tipo_, p, riga->text(0));
}

bool VistaCoda::sopraIcona(const QPoint& pos) const {
    return pos.x() >= kIconaDa && pos.x() <= kIconaA && itemAt(pos) != nullptr;
}

bool VistaCoda::sopraCasella(const QPoint& pos) const {
    const QModelIndex indice = indexAt(pos);
    if (!indice.isValid() || indice.column() != 0)
        return false;
    QStyleOptionViewItem opzione;
    initViewItemOption(&opzione);
    opzione.rect = visualRect(indice);
    opzione.features |= QStyleOptionViewItem::HasCheckIndicator;
    return style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opzione, this)
        .contains(pos);
}

void VistaCoda::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || currentItem() == nullptr || selectedItems().isEmpty())
        return;
    const QPoint pos = event->position().toPoint();
    // The box toggles itself on release: drag-ticking from it would tick the row first and the
    // release would untick it again.
    if (sopraCasella(pos))
        return;
    Processo().SpuntaInTrascinamento = true;
    if (pos.x() > kOltreIcona) {
        for (int i = 0; i < modello_->NumeroRighe(tipo_); ++i)
            modello_->Spunta(tipo_, i, false);
    }
    if (sopraIcona(pos))
        emit IconaPremuta(itemAt(pos));
}

void VistaCoda::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidget::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    if (Processo().SpuntaInTrascinamento) {
        if (QTreeWidgetItem* riga = itemAt(pos)) {
            modello_->Spunta(tipo_, Posizione(riga), true);
            riga->setSelected(true);
        }
    }
    viewport()->setCursor(sopraIcona(pos) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void VistaCoda::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    Processo().SpuntaInTrascinamento = false;
}

void VistaCoda::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && !selectedItems().isEmpty()) {
        emit CancellaPremuto();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

namespace {

void disegnaStato(QPainter& p, int icona) {
    p.setPen(Qt::NoPen);
    static const QColor colori[] = {QColor(120, 120, 120), QColor(30, 110, 200),
                                    QColor(40, 150, 60), QColor(200, 50, 50), QColor(220, 140, 20)};
    p.setBrush(colori[std::clamp(icona, 0, 4)]);
    p.drawEllipse(2, 2, 28, 28);
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (icona) {
    case IconaInCoda: // a clock
        p.setBrush(Qt::NoBrush);
        p.drawLine(16, 16, 16, 9);
        p.drawLine(16, 16, 21, 19);
        break;
    case IconaInCorso: { // a downward arrow
        QPainterPath arrow;
        arrow.moveTo(16, 24);
        arrow.lineTo(9, 15);
        arrow.lineTo(23, 15);
        arrow.closeSubpath();
        p.drawLine(16, 7, 16, 16);
        p.drawPath(arrow);
        break;
    }
    case IconaCompletato: // a tick
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygon({QPoint(9, 16), QPoint(14, 21), QPoint(23, 10)}));
        break;
    case IconaFallito: // a cross
        p.drawLine(10, 10, 22, 22);
        p.drawLine(22, 10, 10, 22);
        break;
    default: // held: a pause sign
        p.drawLine(12, 10, 12, 22);
        p.drawLine(20, 10, 20, 22);
        break;
    }
}

QIcon disegnaIcona(int icona) {
    return IconaDisegnata(32, [icona](QPainter& p) { disegnaStato(p, icona); });
}

} // namespace

QIcon IconaStatoRiga(int icona) {
    // Drawn once: rows share the five pictures.
    static const QIcon icone[] = {disegnaIcona(0), disegnaIcona(1), disegnaIcona(2),
                                  disegnaIcona(3), disegnaIcona(4)};
    return icone[std::clamp(icona, 0, 4)];
}

} // namespace tarvolin::queue
