// One instance per user: a later start hands over to the running one and ends.
#include "common/deployment.h"
#include "platform/shell.h"
#include "platform/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

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
