// The main window brought back from the task bar or the notification area.
#include "app/form1.h"
#include "support/app_fixture.h"

#include <QSystemTrayIcon>

#include <functional>

using namespace tarvolin;
using namespace tarvolin::test;

namespace {

class FinestraApp : public AppFixture {};

TEST_F(FinestraApp, BroughtBackFromMinimisedTheWindowKeepsItsMaximisedState) {
    Applicazione& app = start();
    waitForMainWindow();
    TForm1& f = app.Form1();
    const QList<QPair<const char*, std::function<void()>>> richiami = {
        {"hand-over message", [&] { f.MessaggioIstanza("Open"); }},
        {"tray double click", [&] { emit f.TrayIcon->activated(QSystemTrayIcon::DoubleClick); }},
    };
    for (const auto& [nome, richiama] : richiami) {
        for (const bool massimizzata : {true, false}) {
            massimizzata ? f.showMaximized() : f.showNormal();
            f.showMinimized();
            richiama();
            EXPECT_FALSE(f.isMinimized()) << nome;
            EXPECT_EQ(f.isMaximized(), massimizzata) << nome;
            EXPECT_TRUE(f.isVisible()) << nome;
        }
    }
}

} // namespace
