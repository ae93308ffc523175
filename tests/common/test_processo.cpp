// The process-wide formats and the call that runs work on the main thread.
#include "common/formati.h"
#include "common/funzioni.h"
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

namespace tarvolin {
namespace {

TEST(SottocartellaFile, CutsAtTheFirstPartMarkerNearTheEnd) {
    const QList<QPair<QString, QString>> cases = {
        {"Film.part01.rar", "Film/"},
        {"Film.Part01.rar", "Film/"},
        {"Film.rar", "Film/"},
        {"Serie.S01.part1.rar", "Serie.S01/"},
        {"Backup.partition.img", "Backup/"},
        {"My.party.Film.part01.rar", "My/"},
        {"/scaricati/Film.part001.rar", "Film/"},
        {"Nome.molto.lungo.senza.parti.zip", "Nome.molto.lungo.senza/"},
        {"Album.particolare.di.nome.lungo.zip", "Album.particolare.di.nome.lungo/"}, // too far back
        {"senzaestensione", "senzaestensione/"},
    };
    for (const auto& [nome, atteso] : cases)
        EXPECT_EQ(SottocartellaFile(nome), atteso) << nome.toStdString();
}

TEST(FormatoDurata, WeeksDaysThenTwoDigitClock) {
    EXPECT_EQ(FormatoDurata(0), "00.00.00");
    EXPECT_EQ(FormatoDurata(59), "00.00.59");
    EXPECT_EQ(FormatoDurata(90061), "1g 01.01.01");
    EXPECT_EQ(FormatoDurata(700000), "1s 1g 02.26.40");
    EXPECT_EQ(FormatoDurata(31536000 + 61), "00.01.01"); // whole years are left out
    EXPECT_EQ(FormatoDurata(-5), "00.00.00");
}

} // namespace
} // namespace tarvolin
