#pragma once

#include "queue/modellocoda.h"

#include <QTreeWidget>

namespace tarvolin::queue {

// One of the three queue lists on screen, showing its rows of the model: a caption, then the
// cells, the last ones hidden. Tick boxes and 32 x 32 state icons in the first column.
class VistaCoda : public QTreeWidget {
    Q_OBJECT
public:
    // Shows a model of its own until `Mostra` gives it the shared one.
    explicit VistaCoda(TipoLista tipo, QWidget* parent = nullptr);

    // Shows `modello`'s rows of this list from now on.
    void Mostra(ModelloCoda& modello);
    ModelloCoda& Modello() const { return *modello_; }

    TipoLista Tipo() const { return tipo_; }
    int CellaGruppo() const { return queue::CellaGruppo(tipo_); }
    int CellaLink() const { return queue::CellaLink(tipo_); }
    int CellaPassword() const { return queue::CellaPassword(tipo_); }
    int CellaId() const { return queue::CellaId(tipo_); }

    static QString Cella(const QTreeWidgetItem* riga, int cella);
    static int Icona(const QTreeWidgetItem* riga);
    static bool Spuntata(const QTreeWidgetItem* riga);
    // Changes of a row shown by a view, made on its model.
    static void ImpostaCella(QTreeWidgetItem* riga, int cella, const QString& testo);
    static void Spunta(QTreeWidgetItem* riga, bool spuntata);
    void ImpostaIcona(QTreeWidgetItem* riga, int icona) const;
    void RimuoviRiga(QTreeWidgetItem* riga);

    // Appends a row: caption, icon, then the cells in order.
    QTreeWidgetItem* AggiungiRiga(const QString& didascalia, int icona, const QStringList& celle);
    QTreeWidgetItem* RigaPerId(const QString& id) const;
    QTreeWidgetItem* Riga(int indice) const { return topLevelItem(indice); }
    int NumeroRighe() const { return topLevelItemCount(); }
    int Posizione(QTreeWidgetItem* riga) const { return indexOfTopLevelItem(riga); }

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
    void aggiunta(TipoLista tipo, int posizione);
    void rimossa(TipoLista tipo, int posizione);
    void cambiata(TipoLista tipo, int posizione, ModelloCoda::Parte parte, int cella);
    void elementoCambiato(QTreeWidgetItem* riga, int colonna);
    static VistaCoda* di(const QTreeWidgetItem* riga);

    TipoLista tipo_;
    ModelloCoda* modello_ = nullptr;
    QList<Qt::Alignment> allineamenti_;
    // The view is copying the model: its own item changes are not the user's.
    bool copia_ = false;
};

// The picture of a row state.
QIcon IconaStatoRiga(int icona);

} // namespace tarvolin::queue
