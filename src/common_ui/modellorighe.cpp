#include "modellorighe.h"

#include <QColor>

namespace tarvolin {

ModelloRighe::ModelloRighe(QList<Colonna> colonne, QObject* parent)
    : QAbstractTableModel(parent), colonne_(std::move(colonne)) {}

void ModelloRighe::Sostituisci(std::vector<QStringList> righe) {
    beginResetModel();
    righe_ = std::move(righe);
    endResetModel();
}

int ModelloRighe::allineamento(int colonna) const {
    return (colonne_.value(colonna).allineamento | Qt::AlignVCenter).toInt();
}

int ModelloRighe::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(righe_.size());
}

int ModelloRighe::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(colonne_.size());
}

QVariant ModelloRighe::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Cella(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return allineamento(index.column());
    case Qt::BackgroundRole:
        return index.row() % 2 == 0 ? QColor(Qt::white) : QColor(217, 235, 255);
    case Qt::ForegroundRole: // the rows' own light colours need dark text on a dark desktop too
        return QColor(Qt::black);
    default:
        return {};
    }
}

QVariant ModelloRighe::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return colonne_.value(section).titolo;
    if (role == Qt::TextAlignmentRole)
        return allineamento(section);
    return {};
}

} // namespace tarvolin
