// The queue's rows: found by id through every change, and shown by the lists on screen.
#include "queue/modellocoda.h"
#include "queue/vistacoda.h"

#include <gtest/gtest.h>

namespace tarvolin::queue {
namespace {

RigaCoda riga(TipoLista tipo, const QString& id, const QString& didascalia = {}) {
    QStringList celle(CellaId(tipo) + 1);
    celle[CellaId(tipo)] = id;
    return RigaCoda{didascalia, celle, IconaInCoda, false};
}

TEST(ModelloCoda, RowsAreFoundByTheirIdThroughEveryChange) {
    for (const TipoLista tipo :
         {TipoLista::Coda, TipoLista::NonCompletati, TipoLista::Completati}) {
        ModelloCoda m;
        for (const char* id : {"a", "b", "c", "b"})
            m.Aggiungi(tipo, riga(tipo, id));
        EXPECT_EQ(m.Posizione(tipo, "b"), 1); // of two rows with one id, the first
        m.Rimuovi(tipo, 0);
        EXPECT_EQ(m.Posizione(tipo, "a"), -1);
        EXPECT_EQ(m.Posizione(tipo, "c"), 1);
        m.ImpostaCella(tipo, 1, CellaId(tipo), "d");
        EXPECT_EQ(m.Posizione(tipo, "c"), -1);
        EXPECT_EQ(m.Posizione(tipo, "d"), 1);
        m.Aggiungi(tipo, riga(tipo, "e"));
        EXPECT_EQ(m.Posizione(tipo, "e"), 3);
        const TipoLista altra = tipo == TipoLista::Coda ? TipoLista::Completati : TipoLista::Coda;
        EXPECT_EQ(m.Posizione(altra, "e"), -1);
    }
}

TEST(ModelloCoda, AListShowsTheModelAndHandsTheUsersChangesBack) {
    ModelloCoda m;
    m.Aggiungi(TipoLista::Coda, riga(TipoLista::Coda, "1", "uno"));
    VistaCoda vista(TipoLista::Coda);
    vista.Mostra(m); // rows already there are shown too
    m.Aggiungi(TipoLista::Coda, riga(TipoLista::Coda, "2", "due"));
    m.Aggiungi(TipoLista::Completati, riga(TipoLista::Completati, "3"));
    ASSERT_EQ(vista.NumeroRighe(), 2);

    m.ImpostaCella(TipoLista::Coda, 1, cella::Stato, "Download");
    m.ImpostaIcona(TipoLista::Coda, 1, IconaInCorso);
    m.Spunta(TipoLista::Coda, 1, true);
    m.ImpostaDidascalia(TipoLista::Coda, 1, "due.rar");
    QTreeWidgetItem* r = vista.RigaPerId("2");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(VistaCoda::Cella(r, cella::Stato), "Download");
    EXPECT_EQ(VistaCoda::Icona(r), IconaInCorso);
    EXPECT_TRUE(VistaCoda::Spuntata(r));
    EXPECT_EQ(r->text(0), "due.rar");

    // A click on a box, or code writing into a row, changes the model.
    vista.Riga(0)->setCheckState(0, Qt::Checked);
    vista.Riga(0)->setText(cella::Fine + 1, "00.00.10");
    EXPECT_TRUE(m.Riga(TipoLista::Coda, 0).spuntata);
    EXPECT_EQ(m.Riga(TipoLista::Coda, 0).Cella(cella::Fine), "00.00.10");

    m.Rimuovi(TipoLista::Coda, 0);
    ASSERT_EQ(vista.NumeroRighe(), 1);
    EXPECT_EQ(vista.Riga(0), r);

    // Changes made as one update are drawn once, when the outermost one ends.
    {
        const ModelloCoda::Aggiornamento esterno(m);
        { const ModelloCoda::Aggiornamento interno(m); }
        EXPECT_FALSE(vista.updatesEnabled());
    }
    EXPECT_TRUE(vista.updatesEnabled());
}

} // namespace
} // namespace tarvolin::queue
