// The options dialog on its own: folder pickers, the e-mail update and the blinking field.
#include "app/formopzioni.h"
#include "common_ui/messagebox.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvolin;
using namespace tarvolin::app;

namespace {

struct Opzioni : ::testing::Test {
    TForm_Opzioni form;
    ScopedMessageBoxAnswerer boxes;
    QString picked;
    QStringList titles;
    QList<QPair<QString, QString>> sent;

    Opzioni() {
        form.ScegliCartella = [this](const QString& title, const QString&) {
            titles << title;
            return picked;
        };
        form.InviaServizio = [this](const QString& code, const QString& payload) {
            sent.append({code, payload});
        };
    }
};

TEST_F(Opzioni, LayoutHasItsTabsAndRanges) {
    EXPECT_EQ(form.windowTitle(), "Opzioni");
    ASSERT_EQ(form.PageControl->count(), 4);
    EXPECT_EQ(form.PageControl->tabText(0), "Generale");
    EXPECT_EQ(form.PageControl->tabText(1), "Cartelle");
    EXPECT_EQ(form.PageControl->tabText(2), "Account easybytez");
    EXPECT_EQ(form.PageControl->tabText(3), "Seleziona sito");
    EXPECT_EQ(form.BtSalvataggio->text(), "Salva");
    EXPECT_EQ(form.PersonalPasswordEasybytez->echoMode(), QLineEdit::Password);
    form.MaxDownload->setValue(15);
    form.MaxDownload->stepUp();
    EXPECT_EQ(form.MaxDownload->value(), 15);
    form.MaxDownload->setValue(1);
    form.MaxDownload->stepDown();
    EXPECT_EQ(form.MaxDownload->value(), 1);
    EXPECT_EQ(form.findChild<QCheckBox*>("Portable")->text(),
              "Crea una versione portable di Tarvolin (necessita riavvio)");
}

TEST_F(Opzioni, FolderPickersAddSeparatorAndWarnOnEqualFolders) {
    form.TempDir->setText("/dati/temp/");
    picked = "/dati/scaricati";
    form.BitBtn3->click();
    EXPECT_EQ(form.CompleteDir->text(), "/dati/scaricati/");
    EXPECT_EQ(titles.last(), "Seleziona la cartella dei download");
    EXPECT_TRUE(boxes.shown().isEmpty());

    picked = "/dati/scaricati/";
    form.BitBtn2->click();
    EXPECT_EQ(titles.last(), "Seleziona la cartella dei Temporanei");
    EXPECT_EQ(form.TempDir->text(), "/dati/scaricati/");
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown().last().didascalia, "ATTENZIONE");
    EXPECT_EQ(boxes.shown().last().icona, Icona::Informazione);
    EXPECT_EQ(boxes.shown().last().testo,
              "Utilizzare la stessa cartella per download e temporanei potrebbe creare "
              "malfunzionamenti su Tarvolin!");

    picked.clear(); // cancelled, folders still equal: warned again, nothing changed
    form.BitBtn3->click();
    EXPECT_EQ(boxes.shown().size(), 2);
    EXPECT_EQ(form.CompleteDir->text(), "/dati/scaricati/");
}

TEST_F(Opzioni, EmailUpdateNeedsTextAndConnection) {
    form.BtAggiornaEmail->click();
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown().last().testo, "Il campo email non può essere vuoto!");
    EXPECT_EQ(boxes.shown().last().didascalia, "Attenzione");
    EXPECT_EQ(boxes.shown().last().icona, Icona::Avviso);

    form.EmailCliente->setText("cliente@example.com");
    form.BtAggiornaEmail->click(); // not connected: nothing at all
    EXPECT_EQ(boxes.shown().size(), 1);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_TRUE(form.BtAggiornaEmail->isEnabled());

    form.ServizioConnesso = [] { return true; };
    form.BtAggiornaEmail->click();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.first().first, "#0710");
    EXPECT_EQ(sent.first().second, "cliente@example.com");
    EXPECT_FALSE(form.BtAggiornaEmail->isEnabled());
}

TEST_F(Opzioni, EmailFieldBlinksUntilTouched) {
    form.EvidenziaEmail();
    form.TimerColor->start();
    EXPECT_TRUE(form.EmailEvidenziata());
    form.TimerColorTimer();
    EXPECT_FALSE(form.EmailEvidenziata());
    form.TimerColorTimer();
    EXPECT_TRUE(form.EmailEvidenziata());

    form.show();
    QTest::mouseClick(form.EmailCliente, Qt::LeftButton);
    EXPECT_FALSE(form.EmailEvidenziata());
    EXPECT_FALSE(form.TimerColor->isActive());
}

TEST_F(Opzioni, ShowsCentredOnTheScreen) {
    form.show();
    const QRect schermo = QGuiApplication::primaryScreen()->availableGeometry();
    // Within the window frame, which the position cannot know before the first show.
    EXPECT_LE((form.geometry().center() - schermo.center()).manhattanLength(), 8);
}

TEST_F(Opzioni, ClosingOnlyHides) {
    form.show();
    form.close();
    EXPECT_FALSE(form.isVisible());
    form.show(); // still usable
    EXPECT_TRUE(form.isVisible());
}

} // namespace
