// The process-wide formats and the call that runs work on the main thread.
#include "common/formati.h"
#include "common/synccall.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace tarvolin {
namespace {

TEST(Formati, NumbersDatesAndTimesUseTheProgramsSeparators) {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); // decimal comma
    ImpostaFormatiProcesso();
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 2), "1234.50");
    EXPECT_EQ(FormatoMB(12939428), "12.34");
    EXPECT_EQ(FormatoMB(0), "0.00");
    const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 33));
    EXPECT_EQ(FormatoData(when), "07/03/2026");
    EXPECT_EQ(FormatoOra(when), "14.05.33");
}

TEST(ChiamataSincronizzata, RunsOnTheMainThreadAndWaitsForIt) {
    const QThread* mainThread = QCoreApplication::instance()->thread();
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> finishedBeforeReturn{false};
    std::atomic<bool> workerDone{false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        bool done = false;
        ChiamataSincronizzata([&] {
            ranOnMain = QThread::currentThread() == mainThread;
            done = true;
        });
        finishedBeforeReturn = done;
        workerDone = true;
    }));
    worker->start();
    while (!workerDone) // the main thread keeps serving the call
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    EXPECT_TRUE(ranOnMain);
    EXPECT_TRUE(finishedBeforeReturn);

    bool direct = false; // already on the main thread: no event loop needed
    ChiamataSincronizzata([&] { direct = true; });
    EXPECT_TRUE(direct);
}

} // namespace
} // namespace tarvolin
