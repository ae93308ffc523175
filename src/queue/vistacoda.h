#pragma once

#include <QTreeWidget>

namespace tarvolin {

enum class TipoLista { Coda, NonCompletati, Completati };

// Row icons, shared with the download engine.
enum IconaRiga {
    IconaInCoda = 0,
    IconaInCorso = 1,
    IconaCompletato = 2,
    IconaFallito = 3,
    IconaFermo = 4
};

// Cells of a `Lista` row (the caption is the file name or the link).
namespace cella {
inline constexpr int Size = 0, Stato = 1, Progresso = 2, Fine = 3, Velocita = 4, Gruppo = 5,
                     Link = 6, Password = 7, Id = 8;
}

// One of the three queue lists: a caption, then cells, the last ones hidden and holding the
// row's data. Tick boxes and 32 x 32 state icons in the first column.
class VistaCoda : public QTreeWidget {
    Q_OBJECT
public:
    explicit VistaCoda(TipoLista tipo, QWidget* parent = nullptr);

    TipoLista Tipo() const { return tipo_; }
    int CellaGruppo() const;
    int CellaLink() const;
    int CellaPassword() const;
    int CellaId() const;

    static QString Cella(const QTreeWidgetItem* riga, int cella);
    static void ImpostaCella(QTreeWidgetItem* riga, int cella, const QString& testo);
    static int Icona(const QTreeWidgetItem* riga);
    void ImpostaIcona(QTreeWidgetItem* riga, int icona) const;
    static bool Spuntata(const QTreeWidgetItem* riga);
    static void Spunta(QTreeWidgetItem* riga, bool spuntata);

    // Appends a row: caption, icon, then the cells in order.
    QTreeWidgetItem* AggiungiRiga(const QString& didascalia, int icona, const QStringList& celle);
    QTreeWidgetItem* RigaPerId(const QString& id) const;
    QTreeWidgetItem* Riga(int indice) const { return topLevelItem(indice); }
    int NumeroRighe() const { return topLevelItemCount(); }
    void RimuoviRiga(QTreeWidgetItem* riga);

    // Pixels from the left edge where a press acts on the row's icon.
    static constexpr int kIconaDa = 22;
    static constexpr int kIconaA = 45;
    // Beyond this a press unticks every row.
    static constexpr int kOltreIcona = 52;

signals:
    // A left press on the icon of `riga`.
    void IconaPremuta(QTreeWidgetItem* riga);
    // The Delete key with a row selected.
    void CancellaPremuto();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool sopraIcona(const QPoint& pos) const;
    bool sopraCasella(const QPoint& pos) const;

    TipoLista tipo_;
};

// The picture of a row state.
QIcon IconaStatoRiga(int icona);

} // namespace tarvolin
