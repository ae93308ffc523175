#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <vector>

namespace tarvolin {

// The rows of a report-style list: a caption and its sub-items per row, rows alternating
// between white and light blue. Filled in one go, so a long list is laid out once.
class ModelloRighe : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Colonna {
        QString titolo;
        Qt::Alignment allineamento = Qt::AlignLeft;
    };

    explicit ModelloRighe(QList<Colonna> colonne, QObject* parent = nullptr);

    void Sostituisci(std::vector<QStringList> righe);
    const QStringList& Riga(int riga) const { return righe_[static_cast<size_t>(riga)]; }
    // Empty for a cell the row does not hold.
    QString Cella(int riga, int colonna) const { return Riga(riga).value(colonna); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int allineamento(int colonna) const;

    QList<Colonna> colonne_;
    std::vector<QStringList> righe_;
};

} // namespace tarvolin
