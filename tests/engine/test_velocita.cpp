// The bandwidth cap, the block pacing, the speed texts and the speed sampler.
#include "common/clock.h"
#include "common/synccall.h"
#include "engine/velocita.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QMap>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace tarvolin;
using namespace tarvolin::engine;

namespace {

// Workers owned by the test, listed in a DownloadAttivi.
struct Attivi {
    explicit Attivi(int n) {
        for (int i = 0; i < n; ++i)
            aggiungi(QString::number(i + 1));
    }
    StatoDownload& aggiungi(const QString& id) {
        auto& d = *propri.emplace_back(std::make_unique<StatoDownload>());
        d.IdRiga = id;
        d.Avviato = true;
        lista.Lista.append(&d);
        return d;
    }
    std::vector<std::unique_ptr<StatoDownload>> propri;
    DownloadAttivi lista;
};

TEST(SettaLimitiDiBanda, PauseAndBlockIntervalFollowTheCapAndTheWorkers) {
    struct Caso {
        int limite;
        bool spuntato;
        int lavoratori;
        double pausa;
        qint64 intervalloUs;
    };
    const Caso casi[] = {
        {640, true, 1, 36, 50000},   // 1000 / 28 = 35.71
        {640, true, 2, 71, 100000},  // a second worker halves each share
        {640, true, 3, 107, 150000}, //
        {128, true, 1, 179, 250000}, // the smallest cap
        {50, true, 1, 179, 250000},  // below the smallest cap behaves as it
        {2048, true, 1, 11, 15024},  // correction 1.04
        {1000, true, 1, 23, 32000},  // last value without correction
        {1001, true, 1, 22, 31341},  // first value with 1.02
        {512, true, 7, 312, 437500}, // 312.5: halves go to the even neighbour
        {640, true, 0, 36, 50000},   // no worker yet: the whole cap
        {0, true, 2, 0, 0},          // ticked with 0: no cap
        {640, false, 2, 0, 0},       // unticked: no cap whatever the value
    };
    for (const Caso& c : casi) {
        Attivi attivi(c.lavoratori);
        for (auto& d : attivi.propri) {
            d->PausaMs = 999;
            d->IntervalloBloccoUs = 999;
        }
        const QString nome = QStringLiteral("%1 KB/s %2 x%3")
                                 .arg(c.limite)
                                 .arg(c.spuntato ? "on" : "off")
                                 .arg(c.lavoratori);
        EXPECT_EQ(SettaLimitiDiBanda(attivi.lista, c.limite, c.spuntato), c.pausa)
            << nome.toStdString();
        for (const auto& d : attivi.propri) {
            EXPECT_EQ(d->PausaMs, qint64(c.pausa)) << nome.toStdString();
            EXPECT_EQ(d->IntervalloBloccoUs, c.intervalloUs) << nome.toStdString();
        }
    }
}

// A fake monotonic clock that the fake sleep advances.
struct OrologioFinto {
    qint64 adesso = 1'000'000;
    std::vector<qint64> sonni;
    Cadenza cadenza() {
        return Cadenza([this] { return adesso; },
                       [this](qint64 us) {
                           sonni.push_back(us);
                           adesso += us;
                       });
    }
};

TEST(Cadenza, SleepsOnlyWhatIsLeftOfTheBlockInterval) {
    struct Passo {
        qint64 trasferimentoUs; // time the block took to arrive
        qint64 intervalloUs;
        qint64 attesaUs;
    };
    struct Scenario {
        const char* nome;
        std::vector<Passo> passi;
    };
    const Scenario scenari[] = {
        {"fast link waits out the interval",
         {{10000, 50000, 0}, {10000, 50000, 40000}, {10000, 50000, 40000}}},
        {"slow link is not slowed and earns no credit",
         {{0, 50000, 0}, {80000, 50000, 0}, {120000, 50000, 0}, {10000, 50000, 40000}}},
        {"a changed interval starts afresh",
         {{0, 50000, 0}, {10000, 50000, 40000}, {10000, 100000, 0}, {10000, 100000, 90000}}},
        {"no cap never sleeps and forgets the past",
         {{0, 50000, 0}, {10000, 0, 0}, {10000, 50000, 0}, {10000, 50000, 40000}}},
    };
    for (const Scenario& s : scenari) {
        OrologioFinto orologio;
        Cadenza cadenza = orologio.cadenza();
        for (size_t i = 0; i < s.passi.size(); ++i) {
            orologio.adesso += s.passi[i].trasferimentoUs;
            EXPECT_EQ(cadenza.Blocco(s.passi[i].intervalloUs), s.passi[i].attesaUs)
                << s.nome << ", block " << i;
        }
    }
}

TEST(Cadenza, HoldsTheAverageAtTheCapWhenSleepsOverrun) {
    constexpr qint64 intervallo = 50000, blocchi = 200;
    qint64 adesso = 0;
    Cadenza cadenza([&] { return adesso; }, [&](qint64 us) { adesso += us + 3000; });
    const qint64 inizio = adesso;
    for (int i = 0; i < blocchi; ++i) {
        adesso += 5000;
        cadenza.Blocco(intervallo);
    }
    // Each overrun is taken off the next sleep instead of piling up.
    EXPECT_LE(adesso - inizio, blocchi * intervallo + 5000 + 3000);
    EXPECT_GE(adesso - inizio, (blocchi - 1) * intervallo);
}

TEST(TestiVelocita, SwitchPointsOfRowAndTotal) {
    struct Caso {
        qint64 bytePerSecondo;
        const char* riga;
        const char* totale;
    };
    const Caso casi[] = {
        {0, "0 KB/s", "0 B/s"},
        {1000, "1 KB/s", "1000 B/s"},
        {1024, "1 KB/s", "1024 B/s"},
        {1025, "1 KB/s", "1 KB/s"},
        {1536, "2 KB/s", "2 KB/s"}, // 1.5 rounds up
        {1048569, "1024 KB/s", "1024 KB/s"},
        {1048570, "1.00 MB/s", "1024 KB/s"},
        {1048571, "1.00 MB/s", "1.00 MB/s"},
        {5767168, "5.50 MB/s", "5.50 MB/s"},
    };
    // A comma-decimal locale must not leak into the texts.
    const QLocale prima;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    for (const Caso& c : casi) {
        EXPECT_EQ(TestoVelocitaRiga(c.bytePerSecondo), QString::fromLatin1(c.riga))
            << c.bytePerSecondo;
        EXPECT_EQ(TestoVelocitaTotale(c.bytePerSecondo), QString::fromLatin1(c.totale))
            << c.bytePerSecondo;
    }
    EXPECT_EQ(TestoDimensione(12897485, 59559117), QStringLiteral("12.3 / 56.8 MB"));
    EXPECT_EQ(TestoDimensione(0, 104805), QStringLiteral("0.0 / 0.1 MB"));
    QLocale::setDefault(prima);
}

class CelleRegistrate : public CelleVelocita {
public:
    void ImpostaCella(const QString& idRiga, int cella, const QString& testo) override {
        celle[idRiga + '/' + QString::number(cella)] = testo;
    }
    QMap<QString, QString> celle;
};

TEST(AggiornaVelocita, WritesTransferringRowsAndCountsEveryWorker) {
    Attivi attivi(0);
    StatoDownload& veloce = attivi.aggiungi("veloce");
    veloce.ByteScaricati = 12897485;
    veloce.DimensioneTotale = 59559117;
    veloce.VelocitaUltima = 1048570;
    veloce.ByteMancanti = qint64(3661) * 1048570 + 1000; // the remainder is cut off
    StatoDownload& fermo = attivi.aggiungi("fermo");
    fermo.VelocitaUltima = 0;
    fermo.ByteMancanti = 500;
    attivi.aggiungi("finito").Finito = true;
    attivi.aggiungi("nonavviato").Avviato = false;
    attivi.aggiungi("interrotto").Interrompi = true;
    for (auto& d : attivi.propri) { // the left-out workers' speeds never count
        if (d->Finito || !d->Avviato || d->Interrompi)
            d->VelocitaUltima = 777;
    }

    CelleRegistrate celle;
    const Velocita v = AggiornaVelocita(attivi.lista, celle);

    EXPECT_EQ(v.Totale, 1048570);
    EXPECT_EQ(v.InDownload, 5);
    const QMap<QString, QString> attese = {
        {"veloce/0", "12.3 / 56.8 MB"}, {"veloce/4", "1.00 MB/s"}, {"veloce/3", "01.01.01"},
        {"fermo/0", "0.0 / 0.0 MB"},    {"fermo/4", "0 KB/s"},
    };
    EXPECT_EQ(celle.celle, attese);
}

TEST(FrazioneRiga, OnlyForTheFirstWorkerOfTheRowOnceBytesHaveArrived) {
    Attivi attivi(0);
    StatoDownload& primo = attivi.aggiungi("7");
    attivi.aggiungi("7").ByteScaricati = 99; // a later worker of the same row is ignored
    StatoDownload& vuoto = attivi.aggiungi("8");
    vuoto.DimensioneTotale = 1000;

    EXPECT_FALSE(FrazioneRiga(attivi.lista, "7")); // nothing received yet
    primo.ByteScaricati = 250;
    EXPECT_FALSE(FrazioneRiga(attivi.lista, "7")); // size not known yet
    primo.DimensioneTotale = 1000;
    EXPECT_EQ(FrazioneRiga(attivi.lista, "7"), 0.25f);
    EXPECT_FALSE(FrazioneRiga(attivi.lista, "8"));
    EXPECT_FALSE(FrazioneRiga(attivi.lista, "9"));
}

bool processaFinche(const std::function<bool()>& condizione) {
    QDeadlineTimer limite(10000);
    while (!condizione() && !limite.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condizione();
}

TEST(TItemSpeed, SamplesEachSecondAndRefreshesOnTheMainThread) {
    const clock::ScopedSpeedUp veloce(100);
    Attivi attivi(2);
    attivi.propri[0]->AccumuloVelocita = 5000;
    attivi.propri[1]->AccumuloVelocita = 7000;
    std::vector<qint64> visti;
    bool sulPrincipale = true;
    TItemSpeed sampler(attivi.lista, [&] {
        sulPrincipale = sulPrincipale && QThread::currentThread() == qApp->thread();
        std::lock_guard lock(attivi.lista.BloccoVelocita);
        visti.push_back(attivi.propri[0]->VelocitaUltima + attivi.propri[1]->VelocitaUltima);
        attivi.propri[0]->AccumuloVelocita += 100;
    });
    sampler.start();
    ASSERT_TRUE(processaFinche([&] { return visti.size() >= 3; }));
    sampler.requestInterruption();
    EXPECT_TRUE(AttendiThread(sampler, 10000));

    EXPECT_TRUE(sulPrincipale);
    EXPECT_EQ(visti[0], 12000);
    EXPECT_EQ(visti[1], 100); // the accumulators were emptied by the first sample
    EXPECT_EQ(visti[2], 100);
}

TEST(TItemSpeed, EndsOnItsOwnOnceTheMainLoopHasStopped) {
    const clock::ScopedSpeedUp veloce(100);
    Attivi attivi(1);
    std::atomic<int> aggiornamenti = 0;
    TItemSpeed sampler(attivi.lista, [&] { ++aggiornamenti; });
    FermaChiamateSincronizzate();
    sampler.start();
    EXPECT_TRUE(sampler.wait(QDeadlineTimer(10000)));
    EXPECT_EQ(aggiornamenti, 0);
    QCoreApplication::processEvents(); // lifts the stop for the next tests
}

} // namespace
