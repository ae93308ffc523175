#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

namespace tarvolin::queue {

enum class TipoLista { Coda, NonCompletati, Completati };

// The state of a row, which its icon shows.
enum IconaRiga {
    IconaInCoda = 0,
    IconaInCorso = 1,
    IconaCompletato = 2,
    IconaFallito = 3,
    IconaFermo = 4
};

// Cells of a queue row after its caption (the file name or the link).
namespace cella {
inline constexpr int Size = 0, Stato = 1, Progresso = 2, Fine = 3, Velocita = 4, Gruppo = 5,
                     Link = 6, Password = 7, Id = 8;
}

// The history lists keep fewer cells: where the group, link, password and id stand in each.
int CellaGruppo(TipoLista tipo);
inline int CellaLink(TipoLista tipo) {
    return CellaGruppo(tipo) + 1;
}
inline int CellaPassword(TipoLista tipo) {
    return CellaGruppo(tipo) + 2;
}
inline int CellaId(TipoLista tipo) {
    return CellaGruppo(tipo) + 3;
}

struct RigaCoda {
    QString didascalia;
    QStringList celle;
    int icona = IconaInCoda;
    bool spuntata = false;

    QString Cella(int c) const { return celle.value(c); }
};

// The rows of the three queue lists, in order, found by their id. The lists on screen show it;
// the scheduler and the workers read and change it. Main thread only.
class ModelloCoda : public QObject {
    Q_OBJECT
public:
    enum class Parte { Didascalia, Cella, Icona, Spunta };

    explicit ModelloCoda(QObject* parent = nullptr) : QObject(parent) {}

    int NumeroRighe(TipoLista tipo) const { return static_cast<int>(lista(tipo).size()); }
    const RigaCoda& Riga(TipoLista tipo, int posizione) const { return lista(tipo)[posizione]; }
    // -1 when the list has no row with that id.
    int Posizione(TipoLista tipo, const QString& id) const;
    const RigaCoda* RigaPerId(TipoLista tipo, const QString& id) const;
    QString Id(TipoLista tipo, int posizione) const;

    void Aggiungi(TipoLista tipo, RigaCoda riga);
    void Rimuovi(TipoLista tipo, int posizione);
    void ImpostaDidascalia(TipoLista tipo, int posizione, const QString& testo);
    void ImpostaCella(TipoLista tipo, int posizione, int cella, const QString& testo);
    void ImpostaIcona(TipoLista tipo, int posizione, int icona);
    void Spunta(TipoLista tipo, int posizione, bool spuntata);
    // A finished row of the queue goes to the completed list, with what it downloaded.
    void SpostaInCompletati(int posizione);

    // Rows a running worker holds: the delete and the move of completed rows leave them alone.
    QSet<QString> RigheTenute;

    // The changes made while one lives are one update: the lists on screen redraw once, after.
    class Aggiornamento {
    public:
        explicit Aggiornamento(ModelloCoda& m);
        ~Aggiornamento();
        Aggiornamento(const Aggiornamento&) = delete;
        Aggiornamento& operator=(const Aggiornamento&) = delete;

    private:
        ModelloCoda& m_;
    };

signals:
    void AggiornamentoIniziato();
    void AggiornamentoFinito();
    void RigaAggiunta(TipoLista tipo, int posizione);
    void RigaRimossa(TipoLista tipo, int posizione);
    // `cella` counts only for Parte::Cella.
    void RigaCambiata(TipoLista tipo, int posizione, ModelloCoda::Parte parte, int cella);

private:
    struct Lista {
        QList<RigaCoda> righe;
        // Rebuilt on the first lookup after a removal, so deleting many rows stays linear.
        mutable QHash<QString, int> indice;
        mutable bool indiceValido = true;
    };
    const QList<RigaCoda>& lista(TipoLista tipo) const { return liste_[indice(tipo)].righe; }
    static int indice(TipoLista tipo) { return static_cast<int>(tipo); }

    std::array<Lista, 3> liste_;
    int aggiornamenti_ = 0; // open updates, nested
};

} // namespace tarvolin::queue
