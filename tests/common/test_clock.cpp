#include "common/clock.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace tarvolin::clock {
namespace {

TEST(Clock, SpeedUpDividesIntervalsForItsScope) {
    EXPECT_EQ(Intervallo(5000), 5000);
    {
        ScopedSpeedUp fast(100);
        EXPECT_EQ(Intervallo(5000), 50);
        {
            ScopedSpeedUp faster(1000);
            EXPECT_EQ(Intervallo(5000), 5);
        }
        EXPECT_EQ(Intervallo(5000), 50);
    }
    EXPECT_EQ(Intervallo(5000), 5000);
}

TEST(Clock, PositiveIntervalsNeverBecomeZero) {
    ScopedSpeedUp fast(100);
    EXPECT_EQ(Intervallo(1), 1);
    EXPECT_EQ(Intervallo(99), 1);
    EXPECT_EQ(Intervallo(0), 0);
    EXPECT_EQ(Intervallo(-5), 0);
}

TEST(Clock, NonPositiveFactorLeavesTheClockAlone) {
    ScopedSpeedUp odd(0);
    EXPECT_EQ(Intervallo(5000), 5000);
    ScopedSpeedUp negative(-3);
    EXPECT_EQ(Intervallo(5000), 5000);
}

TEST(Clock, WaitsFollowTheSpeedUp) {
    ScopedSpeedUp fast(100);
    const qint64 before = MillisecondiDallAvvio();
    QElapsedTimer timer;
    timer.start();
    Attendi(3000);
    EXPECT_GE(timer.elapsed(), 25);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_GE(MillisecondiDallAvvio() - before, 25);
}

} // namespace
} // namespace tarvolin::clock
