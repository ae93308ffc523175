// Start-up, splash and close of the whole program.
#include "app/form1.h"
#include "app/formnag.h"
#include "app/formopzioni.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "queue/database.h"
#include "support/app_fixture.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class Avvio : public AppFixture {};

TEST_F(Avvio, FirstInstalledStartCreatesFoldersDatabaseAndShowsSplashThenWindow) {
    QGuiApplication::clipboard()->setText("http://example.com/already-there");
    Applicazione& app = start();
    TForm1& form = app.Form1();

    EXPECT_TRUE(QFileInfo(installedData()).isDir());
    EXPECT_TRUE(QFileInfo(documents() + "/Tarvolin/Download").isDir());
    EXPECT_TRUE(QFileInfo(documents() + "/Tarvolin/Temp").isDir());
    EXPECT_EQ(form.CartellaDati, installedData());
    const QFileInfo db(installedData() + "database.opt");
    ASSERT_TRUE(db.exists());
    EXPECT_EQ(db.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    ASSERT_NE(form.Db(), nullptr);
    EXPECT_TRUE(form.Db()->TableExists("table_memo"));

    EXPECT_EQ(form.PortableLabel->text(), "Installed Version");
    EXPECT_TRUE(form.windowTitle().contains("Tarvolin"));
    EXPECT_TRUE(form.windowTitle().contains("Ver.6.04.00"));
    EXPECT_EQ(Processo().UltimoTestoAppunti, "http://example.com/already-there");

    // The splash is up and the main window waits for it.
    EXPECT_TRUE(app.Nag().isVisible());
    EXPECT_EQ(app.Nag().LabelVersion->text(), "Versione : 6.04.00");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.TimerAutoConnect->isActive());
    waitForMainWindow();
    EXPECT_FALSE(app.Nag().isVisible());
    EXPECT_TRUE(form.TimerAutoConnect->isActive());

    const QStringList tabs = {form.PageControl1->tabText(0), form.PageControl1->tabText(1),
                              form.PageControl1->tabText(2)};
    EXPECT_EQ(tabs, QStringList({"Download in coda/attivi (0)", "Trasferimenti non completati (0)",
                                 "Trasferimenti completati (0)"}));
    for (const char* name : {"BtAdd", "BtElimina", "BtPlay", "BtStop", "BtScibile", "BtOpzioni",
                             "BtTicket", "BtOperazioneAlTermine", "BtCartellaDownload",
                             "BtCartellaTemp", "Lista", "ListaNonCompletati", "ListaCompletati",
                             "LabelSpeed", "JdBt", "BtMemo", "StatusBar1", "PanelNewVoucher"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form.findChild<QWidget*>("BtAdd")->toolTip(),
              "Aggiungi un nuovo download o una lista di download");
    EXPECT_FALSE(form.PanelNewVoucher->isVisible());
}

TEST_F(Avvio, LaterStartWithDataFolderPresentCreatesNothing) {
    QDir().mkpath(installedData());
    start();
    EXPECT_FALSE(QFileInfo(documents() + "/Tarvolin").exists());
}

TEST_F(Avvio, PortableStartKeepsEverythingBesideTheExecutable) {
    WriteAll(exeFolder() + "portable.1", "OK");
    QDir().mkpath(exeFolder() + "Download"); // Temp missing: both are made
    Applicazione& app = start();
    TForm1& form = app.Form1();
    EXPECT_EQ(form.CartellaDati, exeFolder());
    EXPECT_TRUE(QFileInfo(exeFolder() + "database.opt").exists());
    EXPECT_TRUE(QFileInfo(exeFolder() + "Temp").isDir());
    EXPECT_FALSE(QFileInfo(installedData()).exists());
    EXPECT_EQ(form.PortableLabel->text(), "Portable Version");
    EXPECT_TRUE(app.Opzioni().Portable->isChecked());
    EXPECT_EQ(app.Opzioni().CompleteDir->text(), exeFolder() + "Download/");
    EXPECT_EQ(app.Opzioni().TempDir->text(), exeFolder() + "Temp/");
}

TEST_F(Avvio, CloseQuestionNoKeepsRunningAndClosesAddDialogs) {
    Applicazione& app = start();
    waitForMainWindow();
    QWidget dialog;
    dialog.show();
    FinestreAggiungi().append(&dialog);

    nextAnswer_ = Risposta::No;
    app.Form1().close();
    EXPECT_TRUE(app.Form1().isVisible());
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(boxes_->shown().size(), 1);
    const Messaggio& m = boxes_->shown().first();
    EXPECT_EQ(m.testo, "Sicuro di voler chiudere Tarvolin?");
    EXPECT_EQ(m.didascalia, "Conferma");
    EXPECT_EQ(m.icona, Icona::Domanda);
    EXPECT_EQ(m.pulsanti, Pulsanti::SiNo);
    EXPECT_FALSE(QFileInfo::exists(installedIni()));

    nextAnswer_ = Risposta::Si;
    app.Form1().close();
    EXPECT_FALSE(app.Form1().isVisible());
    EXPECT_TRUE(QFileInfo::exists(installedIni())); // saved on the way out
    FinestreAggiungi().clear();
}

TEST_F(Avvio, TrayEntryClosesWithoutQuestionAndStillSaves) {
    Applicazione& app = start();
    waitForMainWindow();
    app.Form1().PopupTray->actions().first()->trigger();
    EXPECT_EQ(app.Form1().ChiudiTarvolin2->text(), "Chiudi Tarvolin");
    EXPECT_TRUE(boxes_->shown().isEmpty());
    EXPECT_FALSE(app.Form1().isVisible());
    EXPECT_TRUE(ReadAll(installedIni()).contains("completedir="));
}

TEST_F(Avvio, TerminationEndsTheLoopWithoutQuestionOrSaving) {
    Applicazione& app = start();
    waitForMainWindow();
    QTimer::singleShot(0, [] { TerminaApplicazione(); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(boxes_->shown().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(installedIni()));
    EXPECT_TRUE(app.Form1().isVisible()); // no close ran; the windows go with the process
}

TEST_F(Avvio, CorruptDatabaseStillShowsWindowAndTouchesNoFile) {
    QDir().mkpath(installedData());
    const QByteArray garbage("this is not a database, just some text the user cares about\n");
    WriteAll(installedData() + "database.opt", garbage);
    const QByteArray settings("[generale]\r\nemailcliente=me@example.com\r\nmaxdownload=7\r\n");
    WriteAll(installedIni(), settings);

    Applicazione& app = start();
    waitForMainWindow();
    EXPECT_EQ(app.Form1().Db(), nullptr);
    EXPECT_TRUE(app.Opzioni().EmailCliente->text().isEmpty()); // settings not loaded
    app.Form1().ChiudiTarvolin2Click();

    EXPECT_EQ(ReadAll(installedData() + "database.opt").toUtf8(), garbage);
    EXPECT_EQ(ReadAll(installedIni()).toUtf8(), settings);
}

TEST_F(Avvio, UnwritableDataFolderStillShowsWindow) {
    // A regular file where the data folder should be: nothing can be created under it.
    WriteAll(localData() + "/Tarvolin", "in the way");
    Applicazione& app = start();
    waitForMainWindow();
    EXPECT_EQ(app.Form1().Db(), nullptr);
    app.Form1().ChiudiTarvolin2Click();
    EXPECT_EQ(ReadAll(localData() + "/Tarvolin"), "in the way");
}

TEST_F(Avvio, TrayDoubleClickShowsTheWindow) {
    Applicazione& app = start();
    waitForMainWindow();
    app.Form1().hide();
    emit app.Form1().TrayIcon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(app.Form1().isVisible());
    emit app.Form1().TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(app.Form1().isVisible());
}

TEST_F(Avvio, OptionsButtonOpensTheDialogAndSaveWritesAndHidesIt) {
    Applicazione& app = start();
    waitForMainWindow();
    app.Form1().BtOpzioni->click();
    TForm_Opzioni& o = app.Opzioni();
    ASSERT_TRUE(o.isVisible());
    o.EvidenziaEmail();
    o.TimerColor->start();
    o.EmailCliente->setText("salvata@example.com");
    o.BtSalvataggio->click();
    EXPECT_FALSE(o.isVisible());
    EXPECT_FALSE(o.TimerColor->isActive());
    EXPECT_FALSE(o.EmailEvidenziata());
    EXPECT_TRUE(ReadAll(installedIni()).contains("emailcliente=salvata@example.com"));
}

TEST_F(Avvio, SecondStartBringsTheRunningWindowForward) {
    Applicazione& app = start();
    waitForMainWindow();
    app.Form1().showMinimized();
    app.Form1().MessaggioIstanza("Open");
    EXPECT_FALSE(app.Form1().isMinimized());
    EXPECT_TRUE(app.Form1().isVisible());
}

} // namespace
