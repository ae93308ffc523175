// The main window brought back from the task bar or the notification area, and Qt's own texts.
#include "app/form1.h"
#include "support/app_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

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

TEST_F(FinestraApp, QtsOwnButtonsAndMenusAreItalianAndAnswerAsBefore) {
    Applicazione& app = start();
    waitForMainWindow();
    TForm1& f = app.Form1();
    boxes_.reset(); // a real box this time
    QStringList pulsanti;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        pulsanti << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
        box->button(QMessageBox::No)->click();
    });
    f.close();
    boxes_.emplace([this](const Messaggio&) { return nextAnswer_; });
    EXPECT_EQ(pulsanti, (QStringList{"&Sì", "&No"}));
    EXPECT_TRUE(f.isVisible()); // "No" still keeps the program open

    QLineEdit campo;
    const std::unique_ptr<QMenu> menu(campo.createStandardContextMenu());
    QStringList voci;
    for (const QAction* a : menu->actions())
        voci << a->text().section('\t', 0, 0);
    EXPECT_TRUE(voci.contains("&Incolla")) << voci.join(", ").toStdString();
}

} // namespace
