// One instance per user: a later start hands over to the running one and ends.
#include "common/deployment.h"
#include "platform/shell.h"
#include "platform/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

using tarvolin::platform::SingleInstance;

namespace {

QString programName() {
    return SingleInstance::nameFor(QString::fromLatin1(tarvolin::kClasseFinestra));
}

TEST(SingleInstance, SecondProgramStartHandsOverAndExits) {
    const QString binary = qEnvironmentVariable("TARVOLIN_APP_BINARY");
    ASSERT_FALSE(binary.isEmpty());
    SingleInstance running(programName());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::messageReceived);

    QProcess second;
    second.setProgram(binary);
    QElapsedTimer clock;
    clock.start();
    second.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 5000));
    EXPECT_EQ(received.first().first().toString(), "Open");
    // It created nothing of its own: no data folder, no database.
    EXPECT_FALSE(
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tarvolin")
            .exists());
}

TEST(SingleInstance, SimultaneousStartsLeaveOneInstanceThatLaterStartsReach) {
    const QString binary = qEnvironmentVariable("TARVOLIN_APP_BINARY");
    ASSERT_FALSE(binary.isEmpty());
    QTemporaryDir tmp; // a channel of this test's own
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp.path());
    env.insert("TARVOLIN_SERVICE", "127.0.0.1:1");
    env.insert("TARVOLIN_MAKER_SITE", "http://127.0.0.1:1");
    auto avvia = [&] {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProgram(binary);
        p->start();
        return p;
    };
    constexpr int kAvvii = 6;
    std::vector<std::unique_ptr<QProcess>> avvii;
    for (int i = 0; i < kAvvii; ++i)
        avvii.push_back(avvia());
    auto inVita = [&] {
        return std::count_if(avvii.begin(), avvii.end(),
                             [](const auto& p) { return p->state() != QProcess::NotRunning; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return inVita() == 1; }, 30000)) << inVita();
    QTest::qWait(1500); // nobody else was still starting
    EXPECT_EQ(inVita(), 1);
    for (const auto& p : avvii) {
        if (p->state() == QProcess::NotRunning) {
            EXPECT_EQ(p->exitCode(), 0);
        }
    }

    auto dopo = avvia();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dopo->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(dopo->exitCode(), 0);
    EXPECT_EQ(inVita(), 1);
    for (const auto& p : avvii) {
        p->kill();
        p->waitForFinished(5000);
    }
}

TEST(SingleInstance, NothingRunningMeansNoHandOver) {
    SingleInstance alone(programName() + "-alone");
    EXPECT_FALSE(alone.handOverToRunningInstance(200));
}

TEST(SingleInstance, ChannelLeftByACrashIsTakenOver) {
    const QString name = programName() + "-stale";
    // A file nobody listens on where the channel goes, as a killed instance leaves it.
    QFile left(QDir::tempPath() + "/" + name);
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    SingleInstance next(name);
    EXPECT_FALSE(next.handOverToRunningInstance(200));
    ASSERT_TRUE(next.listen());
    QSignalSpy received(&next, &SingleInstance::messageReceived);
    SingleInstance later(name);
    EXPECT_TRUE(later.handOverToRunningInstance());
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 5000));
}

TEST(SingleInstance, ChannelIsPerUser) {
    EXPECT_TRUE(programName().startsWith(QString::fromLatin1(tarvolin::kClasseFinestra) + "-"));
    EXPECT_NE(programName(), QString::fromLatin1(tarvolin::kClasseFinestra) + "-");
}

TEST(DesktopShell, FoldersFollowTheUsersEnvironment) {
    tarvolin::platform::Shell& shell = tarvolin::platform::shell();
    EXPECT_EQ(shell.localDataFolder(), qEnvironmentVariable("XDG_DATA_HOME"));
    EXPECT_FALSE(shell.localDataFolder().endsWith('/'));
    EXPECT_FALSE(shell.documentsFolder().endsWith('/'));
    EXPECT_TRUE(shell.executableFolder().endsWith('/'));
    EXPECT_TRUE(shell.executablePath().startsWith(shell.executableFolder()));
}

} // namespace
