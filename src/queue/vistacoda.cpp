#include "vistacoda.h"

#include "common/icone.h"
#include "common/statoprocesso.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace tarvolin {

namespace {

struct Disposizione {
    QStringList colonne;  // visible columns, the caption first
    QList<int> larghezze; // widths of the columns after the caption (0: fills the rest)
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
    const Disposizione d = disposizione(tipo);
    setColumnCount(static_cast<int>(d.colonne.size()) + d.celleNascoste);
    setHeaderLabels(d.colonne);
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

int VistaCoda::CellaGruppo() const {
    return tipo_ == TipoLista::Coda ? cella::Gruppo : tipo_ == TipoLista::NonCompletati ? 2 : 1;
}

int VistaCoda::CellaLink() const {
    return CellaGruppo() + 1;
}

int VistaCoda::CellaPassword() const {
    return CellaLink() + 1;
}

int VistaCoda::CellaId() const {
    return CellaPassword() + 1;
}

QString VistaCoda::Cella(const QTreeWidgetItem* riga, int cella) {
    return riga->text(cella + 1);
}

void VistaCoda::ImpostaCella(QTreeWidgetItem* riga, int cella, const QString& testo) {
    riga->setText(cella + 1, testo);
}

int VistaCoda::Icona(const QTreeWidgetItem* riga) {
    return riga->data(0, Qt::UserRole).toInt();
}

void VistaCoda::ImpostaIcona(QTreeWidgetItem* riga, int icona) const {
    riga->setData(0, Qt::UserRole, icona);
    riga->setIcon(0, IconaStatoRiga(icona));
}

bool VistaCoda::Spuntata(const QTreeWidgetItem* riga) {
    return riga->checkState(0) == Qt::Checked;
}

void VistaCoda::Spunta(QTreeWidgetItem* riga, bool spuntata) {
    riga->setCheckState(0, spuntata ? Qt::Checked : Qt::Unchecked);
}

QTreeWidgetItem* VistaCoda::AggiungiRiga(const QString& didascalia, int icona,
                                         const QStringList& celle) {
    auto* riga = new QTreeWidgetItem(this);
    riga->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    riga->setText(0, didascalia);
    Spunta(riga, false);
    ImpostaIcona(riga, icona);
    const Disposizione d = disposizione(tipo_);
    for (int i = 0; i < celle.size(); ++i) {
        ImpostaCella(riga, i, celle[i]);
        if (i < d.allineamenti.size())
            riga->setTextAlignment(i + 1, d.allineamenti[i]);
    }
    return riga;
}

QTreeWidgetItem* VistaCoda::RigaPerId(const QString& id) const {
    const int colonna = CellaId() + 1;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(colonna) == id)
            return topLevelItem(i);
    }
    return nullptr;
}

void VistaCoda::RimuoviRiga(QTreeWidgetItem* riga) {
    delete takeTopLevelItem(indexOfTopLevelItem(riga));
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
        for (int i = 0; i < topLevelItemCount(); ++i)
            Spunta(topLevelItem(i), false);
    }
    if (sopraIcona(pos))
        emit IconaPremuta(itemAt(pos));
}

void VistaCoda::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidget::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    if (Processo().SpuntaInTrascinamento) {
        if (QTreeWidgetItem* riga = itemAt(pos)) {
            Spunta(riga, true);
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

} // namespace tarvolin
