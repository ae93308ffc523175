// The queue inside the whole program: what a restart shows and the add button.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "queue/database.h"
#include "queue/formadd.h"
#include "queue/formdettagli.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "support/app_fixture.h"
#include "support/qt_print.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class CodaApp : public AppFixture {
protected:
    queue::TForm_Add* ultimoDialogo() {
        return FinestreAggiungi().isEmpty()
                   ? nullptr
                   : qobject_cast<queue::TForm_Add*>(FinestreAggiungi().last().data());
    }
    void chiudiDialoghi() {
        const QList<QPointer<QWidget>> aperte = std::exchange(FinestreAggiungi(), {});
        for (const QPointer<QWidget>& w : aperte)
            delete w.data();
    }
};

TEST_F(CodaApp, AddedLinksAndHiddenRowsSurviveARestart) {
    {
        Applicazione& app = start();
        QGuiApplication::clipboard()->setText("HTTP://h/uno.rar\nhttp://h/due.rar");
        app.Opzioni().AutoExtract->setChecked(true);
        app.Form1().BtAdd->click();
        queue::TForm_Add* d = ultimoDialogo();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->ListaLink->toPlainText(), "HTTP://h/uno.rar\nhttp://h/due.rar");
        EXPECT_TRUE(d->AutoExtract->isChecked());
        d->AggiungiBtClick();
        EXPECT_EQ(app.Form1().Lista->NumeroRighe(), 2);
        EXPECT_EQ(app.Form1().PageControl1->tabText(0), "Download in coda/attivi (2)");
        app.Form1().Db()->Execute(
            "UPDATE table_download SET completato = '1', nomefile = 'uno.rar' "
            "WHERE link = 'HTTP://h/uno.rar'");
        drop();
    }
    {
        Applicazione& app = start();
        EXPECT_EQ(app.Form1().Lista->NumeroRighe(), 1);
        ASSERT_EQ(app.Form1().ListaCompletati->NumeroRighe(), 1);
        EXPECT_EQ(app.Form1().ListaCompletati->Riga(0)->text(0), "uno.rar");
        app.Form1()
            .Code->PopupCompletati->findChild<QAction*>("Nascondituttidallalista1")
            ->trigger();
        drop();
    }
    Applicazione& app = start();
    EXPECT_EQ(app.Form1().ListaCompletati->NumeroRighe(), 0);
    EXPECT_EQ(app.Form1().PageControl1->tabText(2), "Trasferimenti completati (0)");
}

TEST_F(CodaApp, ClosingTheProgramDestroysEveryOpenAddDialog) {
    Applicazione& app = start();
    QList<QPointer<QWidget>> dialoghi;
    for (int i = 0; i < 3; ++i) {
        app.Form1().BtAdd->click();
        dialoghi << ultimoDialogo();
    }
    ASSERT_EQ(FinestreAggiungi().size(), 3);
    drop();
    for (const QPointer<QWidget>& d : dialoghi)
        EXPECT_TRUE(d.isNull());
}

TEST_F(CodaApp, AddButtonRefusesAFullQueueAndIgnoresNonLinkClipboard) {
    Applicazione& app = start();
    QString molti;
    for (int i = 0; i < 501; ++i)
        molti += QString("http://h/%1\n").arg(i);
    app.Form1().Code->AggiungiListaLink(molti, {}, {}, {}, false);
    ASSERT_EQ(app.Form1().Lista->NumeroRighe(), 501);
    app.Form1().BtAdd->click();
    ASSERT_EQ(boxes_->shown().size(), 1);
    EXPECT_EQ(boxes_->shown().first().testo, queue::MessaggioCodaPiena());
    EXPECT_EQ(boxes_->shown().first().didascalia, "Errore di protezione");
    EXPECT_EQ(ultimoDialogo(), nullptr);

    app.Form1().Lista->RimuoviRiga(app.Form1().Lista->Riga(0));
    QGuiApplication::clipboard()->setText("note della spesa");
    app.Form1().BtAdd->click();
    ASSERT_NE(ultimoDialogo(), nullptr);
    EXPECT_TRUE(ultimoDialogo()->ListaLink->toPlainText().isEmpty());
    EXPECT_FALSE(ultimoDialogo()->AutoExtract->isChecked());
    chiudiDialoghi();
}

TEST_F(CodaApp, DoubleClickOnAQueuedRowOpensItsEditorOnce) {
    Applicazione& app = start();
    waitForMainWindow();
    app.Form1().Code->AggiungiListaLink("http://h/a.rar", {}, {}, "G", false);
    queue::VistaCoda* lista = app.Form1().Lista;
    const QPoint centro = lista->visualItemRect(lista->Riga(0)).center();
    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, centro);
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, centro);
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, centro);
    EXPECT_EQ(app.Form1().FinestreDettagli().Aperti(), 1);
    queue::TForm_DettagliDownload* editor = app.Form1().FinestreDettagli().EditorePer(
        queue::VistaCoda::Cella(lista->Riga(0), queue::cella::Id));
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->GruppoDownload->text(), "G");
}

} // namespace
