// The main window brought back from the task bar or the notification area, and Qt's own texts.
#include "app/form1.h"
#include "queue/vistacoda.h"
#include "support/app_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <functional>
#include <tuple>
#include <utility>

using namespace tarvolin;
using namespace tarvolin::app;
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

TEST_F(FinestraApp, DrawnPicturesAreSharpOnADenseScreen) {
    TForm1& f = start().Form1();
    QList<QPair<QString, QIcon>> icone;
    for (int i = 0; i < 5; ++i)
        icone.append({"row state " + QString::number(i), queue::IconaStatoRiga(i)});
    for (QToolButton* b : {f.BtPlay, f.BtStop, f.BtAdd})
        icone.append({b->objectName(), b->icon()});
    for (const auto& [nome, icona] : icone) {
        for (const qreal densita : {2.0, 3.0}) {
            const QPixmap pix = icona.pixmap(QSize(32, 32), densita);
            EXPECT_EQ(pix.size(), QSize(32, 32) * densita) << nome.toStdString() << " x" << densita;
        }
    }
}

TEST_F(FinestraApp, ColoursTheDesignPinsStayReadableOnADarkDesktop) {
    const QPalette prima = QApplication::palette();
    QPalette scura = prima;
    for (const auto& [ruolo, colore] : {std::pair{QPalette::Window, QColor(40, 40, 40)},
                                        {QPalette::Base, QColor(30, 30, 30)},
                                        {QPalette::Text, QColor(230, 230, 230)},
                                        {QPalette::WindowText, QColor(230, 230, 230)}})
        scura.setColor(ruolo, colore);
    QApplication::setPalette(scura);
    TForm1& f = start().Form1();
    const QList<std::tuple<const char*, QWidget*, QPalette::ColorRole, QPalette::ColorRole>> casi =
        {{"queue list", f.Lista, QPalette::Base, QPalette::Text},
         {"channel panel", f.PanelCanaleTelegram, QPalette::Window, QPalette::WindowText}};
    for (const auto& [nome, w, sfondo, testo] : casi) {
        const QPalette p = w->palette();
        EXPECT_GT(std::abs(p.color(sfondo).lightness() - p.color(testo).lightness()), 128) << nome;
    }
    drop();
    QApplication::setPalette(prima);
}

} // namespace
