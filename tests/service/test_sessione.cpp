// The service session against a fake server on 127.0.0.1, with a fast clock.
#include "common/clock.h"
#include "service/dispatcher.h"
#include "service/sessione.h"
#include "support/fake_service_server.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::service;
using tarvolin::test::FakeServiceServer;

namespace {

class SessioneTest : public ::testing::Test {
protected:
    SessioneTest() {
        autoConnect_.setInterval(clock::Intervallo(1000));
        inviaCodice_.setInterval(clock::Intervallo(3000));
        wakeUp_.setInterval(clock::Intervallo(60000));
        sessione_.ImpostaServer("127.0.0.1", server_.port());
        sessione_.VelocitaTotale = [this] { return velocita_; };
        dispatcher_.Avviso = [this](const Messaggio& m) { avvisi_ << m; };
    }
    // Connects and waits for the login frame.
    void accedi() {
        autoConnect_.start();
        ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 1; }));
    }
    static bool attendi(const std::function<bool()>& cond, int ms = 5000) {
        return QTest::qWaitFor(cond, ms);
    }
    QStringList ricevuti() {
        QStringList out;
        for (const auto& f : server_.frames())
            out << QString::fromLatin1(f.code + f.payload);
        return out;
    }

    clock::ScopedSpeedUp veloce_{100};
    FakeServiceServer server_;
    QTimer autoConnect_, inviaCodice_, wakeUp_;
    Sessione sessione_{&autoConnect_, &inviaCodice_, &wakeUp_};
    Dispatcher dispatcher_{sessione_};
    qint64 velocita_ = 0;
    QList<Messaggio> avvisi_;
};

TEST_F(SessioneTest, FirstRunLogsInAsFreeUserAndLaterWithItsCode) {
    accedi();
    EXPECT_EQ(ricevuti().first(), "#0666FREEUSER|6.04.00|NULL");
    EXPECT_TRUE(sessione_.Connesso());

    sessione_.CodiceIdentificativo = [] { return QString("ABC-123"); };
    sessione_.LeggiUid = [] { return QString("me@example.com"); };
    server_.closeClient();
    ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 2; }));
    EXPECT_EQ(ricevuti().at(1), "#0666ABC-123|6.04.00|me@example.com");
    EXPECT_EQ(server_.connections(), 2);
}

TEST_F(SessioneTest, ReconnectsFiveSecondsAfterALoss) {
    QStringList stati;
    QObject::connect(&sessione_, &Sessione::TestoStato, [&](const QString& t) { stati << t; });
    int disconnessioni = 0;
    QObject::connect(&sessione_, &Sessione::Disconnesso, [&] { ++disconnessioni; });
    accedi();
    EXPECT_EQ(autoConnect_.interval(), clock::Intervallo(1000));
    server_.closeClient();
    ASSERT_TRUE(attendi([&] { return disconnessioni == 1; }));
    EXPECT_EQ(autoConnect_.interval(), clock::Intervallo(5000));
    EXPECT_TRUE(autoConnect_.isActive());
    EXPECT_TRUE(stati.contains("Connessione al server di Tarvolin interrotta. Tentativo di "
                               "riconnessione automatica tra 5 secondi..."));
    EXPECT_TRUE(stati.contains("Tentativo di connessione al server di Tarvolin, attendere..."));
    ASSERT_TRUE(attendi([&] { return server_.connections() >= 2; }));
}

TEST_F(SessioneTest, ARefusedConnectionIsRetried) {
    const quint16 chiusa = server_.port();
    sessione_.ImpostaServer("127.0.0.1", 1); // nothing listens there
    autoConnect_.start();
    ASSERT_TRUE(attendi([&] {
        return autoConnect_.isActive() && autoConnect_.interval() == clock::Intervallo(5000);
    }));
    sessione_.ImpostaServer("127.0.0.1", chiusa);
    ASSERT_TRUE(attendi([&] { return server_.connections() >= 1; }));
}

TEST_F(SessioneTest, SuspensionStopsReconnecting) {
    accedi();
    server_.send("#0650", "125");
    ASSERT_TRUE(attendi([&] { return !avvisi_.isEmpty(); }));
    EXPECT_EQ(avvisi_.first().testo,
              "Stai usando impropriamente alcune funzioni, sei bannato per 2 ore e 5 minuti!");
    EXPECT_EQ(avvisi_.first().didascalia, "Attenzione");
    EXPECT_TRUE(sessione_.Sospeso());
    server_.closeClient();
    QTest::qWait(clock::Intervallo(5000) * 6);
    EXPECT_EQ(server_.connections(), 1);
    EXPECT_FALSE(autoConnect_.isActive());
}

TEST_F(SessioneTest, PingAndKeepAliveAreAnswered) {
    velocita_ = 123456;
    accedi();
    server_.send("#0661", "anything");
    server_.sendSplit("#0999", "", 5, 2);
    ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 3; }));
    EXPECT_EQ(ricevuti().mid(1, 2), QStringList({"#0661K", "#0999123456"}));
    wakeUp_.setInterval(clock::Intervallo(1000));
    ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 4; }));
    EXPECT_EQ(ricevuti().at(3), "#0999123456");
}

TEST_F(SessioneTest, KeepAliveIsNotSentWhileDisconnected) {
    sessione_.WakeUpTimerTimer();
    sessione_.senddata("#0710", "x@y.z"); // dropped at once, no error
    EXPECT_FALSE(sessione_.Connesso());
    accedi();
    QTest::qWait(50);
    EXPECT_EQ(ricevuti(), QStringList({"#0666FREEUSER|6.04.00|NULL"}));
}

TEST_F(SessioneTest, GarbageAndSplitFramesKeepTheLinkUp) {
    accedi();
    server_.sendRaw(QByteArray("this is not a frame%#the%#end%#", 31));
    server_.sendRaw("%#the%#end%#");
    server_.sendSplit("#0661", "", 7, 3);
    ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 2; }));
    EXPECT_EQ(ricevuti().at(1), "#0661K");
    EXPECT_TRUE(sessione_.Connesso());
}

TEST_F(SessioneTest, AFailingHandlerEndsOnlyItsMessage) {
    accedi();
    dispatcher_.NuovoCodice = [](const QString&) { throw std::bad_alloc(); };
    dispatcher_.AggiornamentoObbligatorio = [] { throw std::runtime_error("guasto"); };
    server_.send("#0663", "NEW");
    server_.send("#0665", "");
    server_.send("#0661", "");
    ASSERT_TRUE(attendi([&] { return server_.frames().size() >= 2; }));
    EXPECT_EQ(ricevuti().at(1), "#0661K");
    EXPECT_TRUE(sessione_.Connesso());
}

TEST_F(SessioneTest, FramesArrivingWhileABoxIsOpenAreHandledInOrder) {
    wakeUp_.stop();
    accedi();
    // While the box is open its event loop reads the next frames and answers them.
    bool risposteDuranteIlBox = false;
    dispatcher_.Avviso = [&](const Messaggio& m) {
        server_.send("#0661", "");
        server_.send("#0999", "");
        risposteDuranteIlBox = QTest::qWaitFor([&] { return server_.frames().size() >= 3; }, 5000);
        avvisi_ << m;
    };
    server_.send("#0668", "");
    ASSERT_TRUE(attendi([&] { return avvisi_.size() == 1 && server_.frames().size() >= 3; }));
    EXPECT_TRUE(risposteDuranteIlBox);
    EXPECT_EQ(ricevuti().mid(1), QStringList({"#0661K", "#09990"}));
}

TEST_F(SessioneTest, EightThreadsNeverInterleaveFrames) {
    accedi();
    constexpr int kThreads = 8, kFrames = 1000;
    std::vector<std::unique_ptr<QThread>> threads;
    std::atomic<int> finiti{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([this, t, &finiti] {
            for (int i = 0; i < kFrames; ++i)
                sessione_.senddata("#0600",
                                   QString("t%1|%2|%3").arg(t).arg(i).arg(QString(t * 7 + 1, 'x')));
            ++finiti;
        }));
        threads.back()->start();
    }
    // A running event loop serves the senders' calls at once (qWaitFor would nap between them).
    QEventLoop loop;
    QTimer controllo;
    QObject::connect(&controllo, &QTimer::timeout, [&] {
        if (finiti == kThreads)
            loop.quit();
    });
    controllo.start(5);
    loop.exec();
    for (auto& th : threads)
        th->wait();
    auto contati = [this] {
        int n = 0;
        for (const auto& f : server_.frames())
            n += f.code == "#0600" ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(attendi([&] { return contati() >= kThreads * kFrames; }, 20000));
    std::vector<int> prossimo(kThreads, 0);
    for (const auto& f : server_.frames()) {
        ASSERT_TRUE(f.decodificato);
        if (f.code != "#0600")
            continue; // login and keep-alives

        const QList<QByteArray> parti = f.payload.split('|');
        ASSERT_EQ(parti.size(), 3);
        const int t = parti[0].mid(1).toInt();
        EXPECT_EQ(parti[1].toInt(), prossimo[t]++); // each thread's frames in its own order
        EXPECT_EQ(parti[2], QByteArray(t * 7 + 1, 'x'));
    }
    EXPECT_EQ(prossimo, std::vector<int>(kThreads, kFrames));
}

} // namespace
