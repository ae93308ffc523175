#include "app_fixture.h"

#include "app/form1.h"
#include "app/formnag.h"
#include "app/formopzioni.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace tarvolin::test {

AppFixture::AppFixture()
    : shell_(root_.path() + "/docs", root_.path() + "/local", root_.path() + "/bin/"),
      shellOverride_(shell_) {
    QDir().mkpath(documents());
    QDir().mkpath(localData());
    QDir().mkpath(exeFolder());
    boxes_.emplace([this](const Messaggio&) { return nextAnswer_; });
}

AppFixture::~AppFixture() {
    app_.reset();
    // Threads that ended with the program free themselves through the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

app::Applicazione& AppFixture::start() {
    app_ = std::make_unique<app::Applicazione>();
    app::TForm1& form = app_->Form1();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.TimerCaricamento->isActive(); }, 5000));
    return *app_;
}

void AppFixture::drop() {
    app_.reset();
}

void AppFixture::waitForMainWindow() {
    app::TForm1& form = app_->Form1();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 5000));
}

app::TForm1& AppFixture::startForDownloads() {
    app::Applicazione& app = start();
    waitForMainWindow();
    app.Opzioni().TempDir->setText(root_.path() + "/temp/");
    app.Opzioni().CompleteDir->setText(root_.path() + "/done/");
    QDir().mkpath(root_.path() + "/temp");
    QDir().mkpath(root_.path() + "/done");
    return app.Form1();
}

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

} // namespace tarvolin::test
