// The process-wide formats and the call that runs work on the main thread.
#include "common/formati.h"
#include "common/funzioni.h"
#include "common/synccall.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

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
    EXPECT_TRUE(ChiamataSincronizzata([&] { direct = true; }));
    EXPECT_TRUE(direct);
}

// A worker that makes one synchronised call and records what came of it.
struct Chiamante {
    std::atomic<int> esito{-1}; // -1 running, 0 not run, 1 run
    std::atomic<bool> eseguita{false};
    std::atomic<bool> errorePassato{false};
    std::unique_ptr<QThread> thread;

    explicit Chiamante(bool lancia = false) {
        thread.reset(QThread::create([this, lancia] {
            try {
                esito = ChiamataSincronizzata([&] {
                    eseguita = true;
                    if (lancia)
                        throw std::runtime_error("guasto");
                })
                            ? 1
                            : 0;
            } catch (const std::runtime_error&) {
                errorePassato = true;
                esito = 1;
            }
        }));
        thread->start();
    }
};

TEST(ChiamataSincronizzata, NeverHangsAWorkerOnAProgramThatIsEnding) {
    // Pending when the main loop stops: cancelled, not run.
    Chiamante inAttesa;
    QThread::msleep(50);
    FermaChiamateSincronizzate();
    ASSERT_TRUE(inAttesa.thread->wait(2000));
    EXPECT_EQ(inAttesa.esito, 0);
    EXPECT_FALSE(inAttesa.eseguita);

    // Made after the real main loop has ended: returns at once.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    Chiamante dopo;
    ASSERT_TRUE(dopo.thread->wait(2000));
    EXPECT_EQ(dopo.esito, 0);

    // The loop running again serves calls again; a main-thread wait for the worker serves
    // them too; an exception inside reaches the worker.
    QCoreApplication::processEvents();
    Chiamante servita(true);
    EXPECT_TRUE(AttendiThread(*servita.thread, 5000));
    EXPECT_EQ(servita.esito, 1);
    EXPECT_TRUE(servita.eseguita);
    EXPECT_TRUE(servita.errorePassato);
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
