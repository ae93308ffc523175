#pragma once

#include "app/avvio.h"
#include "common/clock.h"
#include "common_ui/messagebox.h"
#include "support/fake_shell.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tarvolin::test {

// A whole program (main window, splash, options) over folders of the test's own, with a fast
// clock and message boxes answered by the test.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    QString documents() const { return root_.path() + "/docs"; }
    QString localData() const { return root_.path() + "/local"; }
    QString exeFolder() const { return root_.path() + "/bin/"; }
    QString installedData() const { return localData() + "/Tarvolin/"; }
    QString installedIni() const { return installedData() + "Tarvolin.ini"; }

    // Starts the program and waits until the settings and the lists are loaded.
    app::Applicazione& start();
    // Ends the current program without closing it (like a crash, nothing saved).
    void drop();
    // Waits until the splash has handed over to the main window.
    void waitForMainWindow();
    // Starts the program, shown, with its partial and completed files under the test's root.
    app::TForm1& startForDownloads();

    QTemporaryDir root_;
    FakeShell shell_;
    platform::ScopedShellOverride shellOverride_;
    clock::ScopedSpeedUp fastClock_{100};
    std::optional<ScopedMessageBoxAnswerer> boxes_;
    Risposta nextAnswer_ = Risposta::Si;
    std::unique_ptr<app::Applicazione> app_;
};

QString ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& data);

} // namespace tarvolin::test
