// The settings file: what a start reads, what a close writes, and the single-key writers.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/inifile.h"
#include "common/funzioni.h"
#include "queue/database.h"
#include "support/app_fixture.h"
#include "support/qt_print.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class Impostazioni : public AppFixture {
protected:
    void writeIni(const QByteArray& body) {
        QDir().mkpath(installedData());
        WriteAll(installedIni(), "[generale]\n" + body);
    }
    // The key names of the settings file in the order they stand.
    QStringList keysInFile() {
        QStringList keys;
        for (const QString& line : ReadAll(installedIni()).split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                keys << line.left(eq);
        }
        return keys;
    }
};

TEST_F(Impostazioni, FirstStartDefaults) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    TForm_Opzioni& o = app.Opzioni();
    EXPECT_FALSE(f.LimiteCheck->isChecked());
    EXPECT_EQ(f.SpeedLimit->value(), 0);
    EXPECT_FALSE(f.SpeedLimit->isEnabled());
    EXPECT_EQ(o.MaxDownload->value(), 3);
    EXPECT_TRUE(o.EasyCom->isChecked());
    EXPECT_EQ(f.SitoBase, "https://www.easybytez.com");
    EXPECT_EQ(o.Trasparenza->value(), 150);
    EXPECT_EQ(o.CompleteDir->text(), documents() + "/Tarvolin/Download/");
    EXPECT_EQ(o.TempDir->text(), documents() + "/Tarvolin/Temp/");
    EXPECT_FALSE(o.Portable->isChecked());
    EXPECT_EQ(f.LabelCodiceIdentificativo->text(), "Codice : n/d");
    EXPECT_FALSE(QFileInfo::exists(installedIni())); // reading creates nothing
}

TEST_F(Impostazioni, EveryKeyRoundTripsThroughSaveAndLoad) {
    {
        Applicazione& app = start();
        TForm1& f = app.Form1();
        TForm_Opzioni& o = app.Opzioni();
        f.LimiteCheck->setChecked(true);
        f.SpeedLimit->setValue(256);
        f.DownloadAutomatico->setChecked(true);
        o.MaxDownload->setValue(9);
        for (QCheckBox* box : {o.AutoExtract, o.SkipRev, o.AutoHideOnCompleteBox, o.AlwaysFolder,
                               o.PlugIn, o.IntercettaBox})
            box->setChecked(true);
        o.Trasparenza->setValue(77);
        o.EmailCliente->setText("cliente@example.com");
        o.CompleteDir->setText("/srv/fatti;con=segni\"strani\\/");
        o.TempDir->setText("/srv/temp/");
        o.PersonalEmailEasybytez->setText("io@example.com");
        o.PersonalPasswordEasybytez->setText("p=a;s\"s");
        o.EasyMe->setChecked(true);
        f.resize(900, 500);
        f.Salvataggio();
        EXPECT_EQ(f.SitoBase, "https://www.easybytez.me");
        drop();
    }
    EXPECT_EQ(keysInFile(), QStringList({"completedir",
                                         "tempdir",
                                         "limit",
                                         "maxdownload",
                                         "downloadautomatico",
                                         "autoextract",
                                         "skiprev",
                                         "emailcliente",
                                         "autohideoncomplete",
                                         "alwaysfolder",
                                         "limitecheck",
                                         "plugin",
                                         "trasparenza",
                                         "intercetta",
                                         "width",
                                         "height",
                                         "top",
                                         "left",
                                         "speedtop",
                                         "speedleft",
                                         "easyaccount",
                                         "easypassword",
                                         "maximized",
                                         "sito"}));
    EXPECT_TRUE(ReadAll(installedIni()).contains("easypassword=p=a;s\"s\n"));

    Applicazione& app = start();
    TForm1& f = app.Form1();
    TForm_Opzioni& o = app.Opzioni();
    EXPECT_TRUE(f.LimiteCheck->isChecked());
    EXPECT_TRUE(f.SpeedLimit->isEnabled());
    EXPECT_EQ(f.SpeedLimit->value(), 256);
    EXPECT_TRUE(f.DownloadAutomatico->isChecked());
    EXPECT_EQ(o.MaxDownload->value(), 9);
    for (QCheckBox* box : {o.AutoExtract, o.SkipRev, o.AutoHideOnCompleteBox, o.AlwaysFolder,
                           o.PlugIn, o.IntercettaBox})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_TRUE(f.TimerCatchLink->isActive()); // the clipboard watch follows its box
    EXPECT_EQ(o.Trasparenza->value(), 77);
    EXPECT_EQ(o.EmailCliente->text(), "cliente@example.com");
    EXPECT_EQ(o.CompleteDir->text(), "/srv/fatti;con=segni\"strani\\/");
    EXPECT_EQ(o.TempDir->text(), "/srv/temp/");
    EXPECT_EQ(o.PersonalEmailEasybytez->text(), "io@example.com");
    EXPECT_EQ(o.PersonalPasswordEasybytez->text(), "p=a;s\"s");
    EXPECT_TRUE(o.EasyMe->isChecked());
    EXPECT_EQ(f.SitoBase, "https://www.easybytez.me");
    EXPECT_EQ(f.size(), QSize(900, 500));
}

TEST_F(Impostazioni, OddValuesLoadSafely) {
    writeIni("maxdownload=abc\nsito=7\nlimit=zzz\ntrasparenza=9999\nvoucher=NOTHEX\n");
    Applicazione& app = start();
    TForm1& f = app.Form1();
    TForm_Opzioni& o = app.Opzioni();
    EXPECT_EQ(o.MaxDownload->value(), 3);
    EXPECT_FALSE(o.EasyCom->isChecked() || o.EasyEu->isChecked() || o.EasyMe->isChecked());
    EXPECT_EQ(f.SitoBase, "https://www.easybytez.com"); // keeps its previous value
    EXPECT_EQ(f.SpeedLimit->value(), 0);
    EXPECT_EQ(o.Trasparenza->value(), 255);
    EXPECT_TRUE(f.CodiceIdentificativo.isEmpty());
    f.Salvataggio();
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "sito", {}), "7"); // not rewritten
    EXPECT_TRUE(ReadAll(installedIni()).contains("maxdownload=3\n"));
    EXPECT_TRUE(ReadAll(installedIni()).contains("voucher=NOTHEX")); // left for the user
}

TEST_F(Impostazioni, MaximizedIgnoresStoredBounds) {
    writeIni("maximized=1\nwidth=333\nheight=222\n");
    Applicazione& app = start();
    EXPECT_TRUE(app.Form1().windowState() & Qt::WindowMaximized);
    EXPECT_NE(app.Form1().width(), 333);
}

TEST_F(Impostazioni, StoredVoucherIsDecodedIntoTheLabel) {
    writeIni("voucher=" + XorHexEncode("ABC-123", "pW7dRt3QxN9bLz2M").toLatin1() + "\n");
    Applicazione& app = start();
    EXPECT_EQ(app.Form1().CodiceIdentificativo, "ABC-123");
    EXPECT_EQ(app.Form1().LabelCodiceIdentificativo->text(), "Codice : ABC-123");

    app.Form1().SaveVoucher("ZX9");
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "voucher", {}),
              XorHexEncode("ZX9", "pW7dRt3QxN9bLz2M"));
    app.Form1().SaveVoucher("");
    EXPECT_TRUE(ReadAll(installedIni()).contains("voucher=\n"));
}

TEST_F(Impostazioni, LimiteCheckClickIsWrittenAtOnce) {
    Applicazione& app = start();
    app.Form1().LimiteCheck->click();
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "limitecheck", {}), "1");
    app.Form1().LimiteCheck->click();
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "limitecheck", {}), "0");
    EXPECT_EQ(app.Form1().SpeedLimit->value(), 0);
}

TEST_F(Impostazioni, GarbageSettingsFileIsReadAndKeptAroundTheKeys) {
    QDir().mkpath(installedData());
    static const char raw[] =
        "\x00\xff\xfe[[[==\n;comment\n[generale]\nemailcliente=x@y.z\n\x80\x81\n";
    const QByteArray garbage(raw, sizeof(raw) - 1);
    WriteAll(installedIni(), garbage);
    Applicazione& app = start();
    EXPECT_EQ(app.Opzioni().EmailCliente->text(), "x@y.z");
    app.Form1().Salvataggio();
    QFile file(installedIni());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    EXPECT_TRUE(after.startsWith(QByteArray("\x00\xff\xfe[[[==\n;comment\n", 18)));
    EXPECT_TRUE(after.contains(QByteArray("\x80\x81\n")));
}

TEST_F(Impostazioni, PortableSwitchCopiesDataAndAsksForRestart) {
    {
        Applicazione& app = start();
        app.Form1().Salvataggio(); // an installed settings file to copy
        app.Opzioni().EmailCliente->setText("unsaved@example.com");
        app.Opzioni().Portable->click();
        ASSERT_EQ(boxes_->shown().size(), 1);
        EXPECT_EQ(boxes_->shown().last().testo,
                  "Riavviare Tarvolin per rendere effettive le modifiche.");
        EXPECT_EQ(boxes_->shown().last().didascalia, "Conferma");
        EXPECT_EQ(boxes_->shown().last().icona, Icona::Informazione);
        EXPECT_EQ(ReadAll(exeFolder() + "portable.1"), "OK");
        EXPECT_TRUE(QFileInfo(exeFolder() + "database.opt").isFile());
        EXPECT_TRUE(QFileInfo(exeFolder() + "Download").isDir());
        const IniFile portable(exeFolder() + "Tarvolin.ini");
        EXPECT_EQ(portable.ReadString("generale", "completedir", {}), exeFolder() + "Download/");
        EXPECT_EQ(portable.ReadString("generale", "tempdir", {}), exeFolder() + "Temp/");
        // The running program keeps its data folder until it restarts.
        EXPECT_EQ(app.Form1().CartellaDati, installedData());
        app.Form1().ChiudiTarvolin2Click();
        drop();
    }
    {
        Applicazione& app = start();
        EXPECT_EQ(app.Form1().CartellaDati, exeFolder());
        EXPECT_TRUE(app.Opzioni().Portable->isChecked());
        EXPECT_TRUE(boxes_->shown().size() == 1); // loading the box is not a click
        app.Opzioni().EmailCliente->setText("portable@example.com");
        app.Opzioni().Portable->click();
        EXPECT_FALSE(QFileInfo::exists(exeFolder() + "portable.1"));
        app.Form1().ChiudiTarvolin2Click();
        drop();
    }
    Applicazione& app = start();
    EXPECT_EQ(app.Form1().CartellaDati, installedData());
    EXPECT_EQ(app.Opzioni().EmailCliente->text(), "unsaved@example.com");
    EXPECT_EQ(IniFile(exeFolder() + "Tarvolin.ini").ReadString("generale", "emailcliente", {}),
              "portable@example.com");
}

TEST_F(Impostazioni, PortableSwitchNeverReplacesTheFilesInUseOrNewerOnes) {
    QDir().mkpath(installedData());
    WriteAll(installedData() + "database.opt", "installed copy");
    WriteAll(installedIni(), "[generale]\nemailcliente=installed@example.com\n");
    {
        // Running portable: untick and tick again while the portable files are open.
        WriteAll(exeFolder() + "portable.1", "OK");
        Applicazione& app = start();
        app.Opzioni().EmailCliente->setText("portable@example.com");
        app.Form1().Salvataggio();
        app.Opzioni().Portable->click();
        app.Opzioni().Portable->click();
        EXPECT_TRUE(ReadAll(exeFolder() + "database.opt").startsWith("SQLite format 3"));
        EXPECT_EQ(IniFile(exeFolder() + "Tarvolin.ini").ReadString("generale", "emailcliente", {}),
                  "portable@example.com");
        app.Form1().Db()->Execute("DELETE FROM table_memo"); // the open file still takes writes
        drop();
    }
    // Installed, with portable copies newer than the installed data: the copies are kept.
    QFile::remove(exeFolder() + "portable.1");
    QFile::remove(installedData() + "database.opt");
    QFile copia(exeFolder() + "database.opt");
    ASSERT_TRUE(copia.open(QIODevice::ReadWrite));
    ASSERT_TRUE(copia.setFileTime(QDateTime::currentDateTime().addDays(1),
                                  QFileDevice::FileModificationTime));
    copia.close();
    const QString prima = ReadAll(exeFolder() + "database.opt");
    Applicazione& app = start();
    app.Opzioni().Portable->click();
    EXPECT_EQ(ReadAll(exeFolder() + "database.opt"), prima);
    EXPECT_EQ(IniFile(exeFolder() + "Tarvolin.ini").ReadString("generale", "emailcliente", {}),
              "portable@example.com");
}

TEST_F(Impostazioni, SettingsFileFollowsTheExecutableNameButPortableCopyIsFixed) {
    shell_.executableName = "Altro.bin";
    Applicazione& app = start();
    app.Form1().Salvataggio();
    EXPECT_TRUE(QFileInfo::exists(installedData() + "Altro.ini"));
    WriteAll(installedIni(), "[generale]\nemailcliente=dal-file-fisso@example.com\n");
    app.Opzioni().Portable->click();
    EXPECT_EQ(IniFile(exeFolder() + "Tarvolin.ini").ReadString("generale", "emailcliente", {}),
              "dal-file-fisso@example.com");
    EXPECT_FALSE(QFileInfo::exists(exeFolder() + "Altro.ini"));
}

TEST_F(Impostazioni, FolderResetUsesDocumentsFoldersAndSaves) {
    WriteAll(exeFolder() + "portable.1", "OK");
    Applicazione& app = start();
    app.Opzioni().BtResetFolder->click();
    EXPECT_EQ(app.Opzioni().CompleteDir->text(), documents() + "/Tarvolin/Download/");
    EXPECT_TRUE(QFileInfo(documents() + "/Tarvolin/Temp").isDir());
    EXPECT_EQ(IniFile(exeFolder() + "Tarvolin.ini").ReadString("generale", "tempdir", {}),
              documents() + "/Tarvolin/Temp/");
}

TEST_F(Impostazioni, LeftOverInstallerIsDeleted) {
    QDir().mkpath(root_.path() + "/t");
    WriteAll(root_.path() + "/t/Setup_Tarvolin.exe", "MZ");
    WriteAll(root_.path() + "/t/altro.exe", "MZ");
    writeIni("tempdir=" + (root_.path() + "/t/").toUtf8() + "\n");
    start();
    EXPECT_FALSE(QFileInfo::exists(root_.path() + "/t/Setup_Tarvolin.exe"));
    EXPECT_TRUE(QFileInfo::exists(root_.path() + "/t/altro.exe"));
}

} // namespace
