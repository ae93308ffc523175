// The end-of-queue countdown and the check that starts it, over a real extraction registry.
#include "common/clock.h"
#include "engine/altermine.h"
#include "engine/registroestrazioni.h"
#include "support/attesa.h"
#include "support/fake_power.h"
#include "support/qt_print.h"

#include <gtest/gtest.h>

using namespace tarvolin;
using namespace tarvolin::engine;

namespace {

const QString kSpento = QStringLiteral("verrà spento.");

class AlTermine : public ::testing::Test {
protected:
    OperazioneAlTermine::Ambiente ambiente() {
        OperazioneAlTermine::Ambiente a;
        a.Scelta = [] { return int{ArrestaSistema}; };
        a.CodaVuota = [] { return true; };
        a.Etichetta = [this](const QString& testo) {
            etichette_ << testo;
            if (suEtichetta_)
                suEtichetta_(testo);
        };
        a.MostraPannello = [] {};
        return a;
    }
    bool finito() const {
        return controllo_.Conto() != nullptr && controllo_.Conto()->isFinished();
    }

    clock::ScopedSpeedUp fast_{1000};
    test::FakePower power_;
    platform::ScopedPowerOverride powerOverride_{power_};
    RegistroEstrazioni estrazioni_;
    QStringList etichette_;
    std::function<void(const QString&)> suEtichetta_;
    OperazioneAlTermine controllo_{ambiente(),
                                   estrazioni_}; // stops its thread before the rest goes
};

TEST_F(AlTermine, CountsDownFromSixtyAndActsUnlessCancelled) {
    struct Caso {
        int annullaA; // the second whose label cancels; 0: never
        bool inCoda;  // cancelled only after that label, while the thread sleeps
    };
    for (const Caso c :
         {Caso{0, false}, Caso{60, false}, Caso{30, false}, Caso{1, false}, Caso{1, true}}) {
        SCOPED_TRACE(testing::Message() << c.annullaA << (c.inCoda ? " later" : ""));
        etichette_.clear();
        power_.calls.clear();
        const QString ultima = TestoAlTermine(c.annullaA == 0 ? 1 : c.annullaA, kSpento);
        suEtichetta_ = [&](const QString& testo) {
            if (c.annullaA == 0 || testo != ultima)
                return;
            if (c.inCoda)
                QMetaObject::invokeMethod(
                    qApp, [this] { controllo_.Annulla(); }, Qt::QueuedConnection);
            else
                controllo_.Annulla();
        };
        controllo_.Controlla();
        ASSERT_TRUE(test::Finche([&] { return finito(); }));
        EXPECT_EQ(etichette_.last(), ultima);
        EXPECT_EQ(power_.calls, c.annullaA == 0 ? QStringList{"PowerOff"} : QStringList{});
    }
    EXPECT_EQ(etichette_.first(), "Tra 60 secondi il computer verrà spento.");
}

TEST_F(AlTermine, ASecondEndRestartsAtSixtyAndActsOnce) {
    controllo_.Controlla();
    ASSERT_TRUE(test::Finche([&] { return controllo_.Conto()->SecondiRestanti < 50; }));
    controllo_.Controlla();
    ASSERT_TRUE(test::Finche([&] { return finito(); }));
    const qsizetype ripartito = etichette_.lastIndexOf(TestoAlTermine(60, kSpento));
    EXPECT_GT(ripartito, etichette_.indexOf(TestoAlTermine(50, kSpento)));
    EXPECT_EQ(etichette_.size() - ripartito, 60); // 60 down to 1, nothing of the old one
    EXPECT_EQ(power_.calls, QStringList{"PowerOff"});
}

TEST_F(AlTermine, TheActionWaitsForEveryRunningExtraction) {
    for (const bool annulla : {false, true}) {
        SCOPED_TRACE(annulla);
        power_.calls.clear();
        auto prima = estrazioni_.Inizia(QStringLiteral("/tmp/a.rar"));
        auto seconda = estrazioni_.Inizia(QStringLiteral("/tmp/b.zip"));
        controllo_.Controlla();
        ASSERT_TRUE(test::Finche([&] { return finito(); }));
        prima.reset();
        QCoreApplication::processEvents();
        EXPECT_TRUE(power_.calls.isEmpty());
        if (annulla)
            controllo_.Annulla();
        seconda.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(power_.calls, annulla ? QStringList{} : QStringList{"PowerOff"});
    }
}

} // namespace
