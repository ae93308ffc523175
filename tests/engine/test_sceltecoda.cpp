// What the start, stop and automatic controls choose, from the queue's rows alone.
#include "engine/sceltecoda.h"
#include "queue/modellocoda.h"

#include <gtest/gtest.h>

#include <QSet>

namespace tarvolin::engine {
namespace {

struct R {
    int icona;
    bool spuntata;
};

// Rows with ids "0", "1", … in list order.
void riempi(queue::ModelloCoda& m, std::initializer_list<R> righe) {
    int n = 0;
    for (const R& r : righe) {
        QStringList celle(queue::cella::Id + 1);
        celle[queue::cella::Id] = QString::number(n++);
        m.Aggiungi(kCoda, queue::RigaCoda{QString(), celle, r.icona, r.spuntata});
    }
}

QList<int> icone(const queue::ModelloCoda& m) {
    QList<int> out;
    for (int i = 0; i < m.NumeroRighe(kCoda); ++i)
        out << m.Riga(kCoda, i).icona;
    return out;
}

TEST(SceltaCoda, AutomaticModeTakesTheFirstQueuedRowWhileUnderItsLimit) {
    const struct {
        std::initializer_list<R> righe;
        int attivi, massimo;
        std::optional<QString> atteso;
    } casi[] = {
        {{{queue::IconaFermo, false},
          {queue::IconaFallito, false},
          {queue::IconaInCorso, false},
          {queue::IconaCompletato, false},
          {queue::IconaInCoda, false},
          {queue::IconaInCoda, true}},
         1,
         3,
         "4"},
        {{{queue::IconaInCoda, false}}, 3, 3, std::nullopt},
        {{{queue::IconaFermo, true}, {queue::IconaFallito, true}}, 0, 3, std::nullopt},
    };
    for (const auto& c : casi) {
        queue::ModelloCoda m;
        riempi(m, c.righe);
        EXPECT_EQ(ProssimoAutomatico(m, c.attivi, c.massimo), c.atteso) << c.attivi;
    }
}

TEST(SceltaCoda, TheStartButtonStartsTickedRowsUntilTheLimit) {
    const std::initializer_list<R> righe = {
        {queue::IconaInCoda, true}, {queue::IconaCompletato, true}, {queue::IconaInCorso, true},
        {queue::IconaFermo, true},  {queue::IconaInCoda, false},    {queue::IconaFallito, true},
        {queue::IconaInCoda, true}};
    const struct {
        int attivi;
        QSet<QString> rifiutate; // starts that end at once, taking no worker
        QStringList avviate;
        bool fatto;
    } casi[] = {
        {0, {}, {"0", "3", "5", "6"}, true},
        {13, {}, {"0", "3"}, false},
        {13, {"0"}, {"0", "3", "5"}, false},
        {14, {"0", "3", "5", "6"}, {"0", "3", "5", "6"}, true},
        {15, {}, {}, false},
    };
    for (const auto& c : casi) {
        queue::ModelloCoda m;
        riempi(m, righe);
        int attivi = c.attivi;
        QStringList avviate;
        const bool fatto = AvviaSpuntati(
            m, [&] { return attivi; }, 15,
            [&](const QString& id) {
                avviate << id;
                attivi += c.rifiutate.contains(id) ? 0 : 1;
            });
        EXPECT_EQ(avviate, c.avviate) << c.attivi;
        EXPECT_EQ(fatto, c.fatto) << c.attivi;
    }
}

TEST(SceltaCoda, StopHoldsTickedQueuedRowsAndRequeueReleasesOnlyTickedHeldOnes) {
    queue::ModelloCoda m;
    riempi(m, {{queue::IconaInCoda, true},
               {queue::IconaInCoda, false},
               {queue::IconaInCorso, true},
               {queue::IconaInCorso, false},
               {queue::IconaFermo, false},
               {queue::IconaFallito, true}});
    QStringList interrotte;
    FermaSpuntati(m, [&](const QString& id) { interrotte << id; });
    EXPECT_EQ(interrotte, QStringList({"2"}));
    EXPECT_EQ(icone(m), QList<int>({queue::IconaFermo, queue::IconaInCoda, queue::IconaInCorso,
                                    queue::IconaInCorso, queue::IconaFermo, queue::IconaFallito}));
    // One update of the lists: they redraw once, after every row has changed.
    QStringList eventi;
    QObject::connect(&m, &queue::ModelloCoda::AggiornamentoIniziato, [&] { eventi << "inizio"; });
    QObject::connect(&m, &queue::ModelloCoda::AggiornamentoFinito, [&] { eventi << "fine"; });
    QObject::connect(&m, &queue::ModelloCoda::RigaCambiata,
                     [&](queue::TipoLista, int riga) { eventi << QString::number(riga); });
    RimettiInCodaSpuntati(m);
    EXPECT_EQ(icone(m), QList<int>({queue::IconaInCoda, queue::IconaInCoda, queue::IconaInCorso,
                                    queue::IconaInCorso, queue::IconaFermo, queue::IconaFallito}));
    EXPECT_EQ(eventi, QStringList({"inizio", "0", "fine"}));
}

} // namespace
} // namespace tarvolin::engine
