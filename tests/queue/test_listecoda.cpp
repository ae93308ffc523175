// The three queue lists against a real database file: loading, and every list command.
#include "common/statoprocesso.h"
#include "common_ui/messagebox.h"
#include "queue/database.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"
#include "support/fake_shell.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::queue;

namespace {

class Liste : public ::testing::Test {
protected:
    Liste()
        : db_(dir_.filePath("database.opt")), lista_(new VistaCoda(TipoLista::Coda)),
          nonCompletati_(new VistaCoda(TipoLista::NonCompletati)),
          completati_(new VistaCoda(TipoLista::Completati)),
          code_(lista_, nonCompletati_, completati_, &schede_),
          shell_(dir_.filePath("docs"), dir_.filePath("local")), shellOverride_(shell_) {
        CreaTabelle(db_);
        schede_.addTab(lista_, "a");
        schede_.addTab(nonCompletati_, "b");
        schede_.addTab(completati_, "c");
        schede_.resize(1000, 600);
        code_.ImpostaDatabase(&db_);
        code_.ImpostaOpzioni({[this] { return completeDir_; }, [] { return QString("/tmp/t/"); },
                              [this] { return alwaysFolder_; }});
    }

    QString inserisci(const QString& link, const QString& completato, const QString& gruppo = {},
                      const QString& nomefile = {}, const QString& dimensione = {}) {
        db_.Execute("INSERT INTO table_download VALUES (NULL,?,'pw','','0',?,?,?,?)",
                    {link, gruppo, nomefile, dimensione, completato});
        return QString::number(db_.LastRowId());
    }
    int contaTabella(const QString& completato) {
        return db_.Query("SELECT id FROM table_download WHERE completato = ?", {completato})
            .RowCount();
    }
    QStringList didascalie(VistaCoda* vista) {
        QStringList out;
        for (int i = 0; i < vista->NumeroRighe(); ++i)
            out << vista->Riga(i)->text(0);
        return out;
    }
    void azione(QMenu* menu, const char* name) {
        QAction* a = menu->findChild<QAction*>(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    QPoint puntoRiga(VistaCoda* vista, int indice, int x) {
        const QRect r = vista->visualItemRect(vista->Riga(indice));
        return {x, r.center().y()};
    }

    QTemporaryDir dir_;
    Database db_;
    QTabWidget schede_;
    VistaCoda* lista_;
    VistaCoda* nonCompletati_;
    VistaCoda* completati_;
    ListeCoda code_;
    test::FakeShell shell_;
    platform::ScopedShellOverride shellOverride_;
    QString completeDir_ = "/nowhere/";
    bool alwaysFolder_ = false;
    Risposta risposta_ = Risposta::Si;
    ScopedMessageBoxAnswerer boxes_{[this](const Messaggio&) { return risposta_; }};
};

TEST_F(Liste, LoadingFillsEachListWithItsRowLayout) {
    const QString pending = inserisci("http://h/a.rar", "0", "!GR-123");
    inserisci("http://h/b.rar", "0", "Serie");
    inserisci("http://h/c.rar", "1", "!GR-9", "c.rar", "12939428");
    inserisci("http://h/d.rar", "1", "", "d.rar", "");
    inserisci("http://h/e.rar", "2", "G", "", "");
    inserisci("http://h/f.rar", "2", "", "f.rar", "0");
    code_.CaricaLista();

    ASSERT_EQ(lista_->NumeroRighe(), 2);
    QTreeWidgetItem* r = lista_->Riga(0);
    EXPECT_EQ(r->text(0), "http://h/a.rar");
    EXPECT_EQ(VistaCoda::Icona(r), IconaInCoda);
    EXPECT_EQ(VistaCoda::Cella(r, cella::Size), "n/d");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Stato), "In coda");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Gruppo), ""); // automatic groups are never shown
    EXPECT_EQ(VistaCoda::Cella(r, cella::Link), "http://h/a.rar");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Password), "pw");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Id), pending);
    EXPECT_EQ(VistaCoda::Cella(lista_->Riga(1), cella::Gruppo), "Serie");
    EXPECT_EQ(r->checkState(0), Qt::Unchecked);

    EXPECT_EQ(didascalie(completati_), QStringList({"c.rar", "d.rar"}));
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(0), 0), "12.34 MB");
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(1), 0), "0.00 MB");
    EXPECT_EQ(VistaCoda::Icona(completati_->Riga(0)), IconaCompletato);

    EXPECT_EQ(didascalie(nonCompletati_), QStringList({"http://h/e.rar", "f.rar"}));
    EXPECT_EQ(VistaCoda::Cella(nonCompletati_->Riga(0), 0), "n/d");
    EXPECT_EQ(VistaCoda::Cella(nonCompletati_->Riga(1), 0), "0");
    EXPECT_EQ(VistaCoda::Cella(nonCompletati_->Riga(0), 1), "Errore download");
    EXPECT_EQ(VistaCoda::Cella(nonCompletati_->Riga(0), 2), "G");

    EXPECT_EQ(schede_.tabText(0), "Download in coda/attivi (2)");
    EXPECT_EQ(schede_.tabText(1), "Trasferimenti non completati (2)");
    EXPECT_EQ(schede_.tabText(2), "Trasferimenti completati (2)");
}

TEST_F(Liste, OnlyFiveHundredCompletedRowsAreListedAndHidingShowsFurtherOnes) {
    {
        Transazione t(db_);
        for (int i = 0; i < 520; ++i)
            inserisci(QString("http://h/%1").arg(i), "1", {}, QString("f%1").arg(i), "1");
        t.Commit();
    }
    code_.CaricaLista();
    ASSERT_EQ(completati_->NumeroRighe(), 500);
    EXPECT_EQ(completati_->Riga(0)->text(0), "f0");
    EXPECT_EQ(completati_->Riga(499)->text(0), "f499");
    for (int i = 0; i < 30; ++i)
        VistaCoda::Spunta(completati_->Riga(i), true);
    azione(code_.PopupCompletati, "Nascondidallalista1");
    EXPECT_EQ(contaTabella("1"), 490);

    // A restart lists the next ones.
    QTabWidget tabs;
    auto* again = new VistaCoda(TipoLista::Completati);
    ListeCoda restart(new VistaCoda(TipoLista::Coda), new VistaCoda(TipoLista::NonCompletati),
                      again, &tabs);
    tabs.addTab(restart.Lista(), "");
    tabs.addTab(restart.NonCompletati(), "");
    tabs.addTab(again, "");
    restart.ImpostaDatabase(&db_);
    restart.CaricaLista();
    EXPECT_EQ(again->NumeroRighe(), 490);
    EXPECT_EQ(again->Riga(489)->text(0), "f519");
}

TEST_F(Liste, DeleteAsksThenRemovesTickedRowsButNotBusyOnes) {
    const QString a = inserisci("http://h/a", "0");
    const QString b = inserisci("http://h/b", "0");
    const QString c = inserisci("http://h/c", "0");
    const QString d = inserisci("http://h/d", "0");
    code_.CaricaLista();
    for (int i = 0; i < 4; ++i)
        VistaCoda::Spunta(lista_->Riga(i), true);
    VistaCoda::ImpostaCella(lista_->Riga(1), cella::Stato, "Download");
    code_.Modello().RigheTenute.insert(c);

    schede_.setCurrentIndex(2); // another tab: nothing, not even the question
    code_.EliminaSelezionati();
    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_EQ(lista_->NumeroRighe(), 4);

    schede_.setCurrentIndex(0);
    risposta_ = Risposta::No;
    code_.EliminaSelezionati();
    ASSERT_EQ(boxes_.shown().size(), 1);
    EXPECT_EQ(boxes_.shown().first().testo, "Eliminare i link selezionati nella lista?");
    EXPECT_EQ(boxes_.shown().first().didascalia, "Conferma");
    EXPECT_EQ(lista_->NumeroRighe(), 4);

    risposta_ = Risposta::Si;
    code_.EliminaSelezionati();
    ASSERT_EQ(lista_->NumeroRighe(), 2);
    EXPECT_EQ(VistaCoda::Cella(lista_->Riga(0), cella::Id), b); // reads "Download"
    EXPECT_EQ(VistaCoda::Cella(lista_->Riga(1), cella::Id), c); // held by a worker
    const RowSet left = db_.Query("SELECT id FROM table_download ORDER BY id");
    ASSERT_EQ(left.RowCount(), 2);
    EXPECT_EQ(left.Value(0, "id"), b);
    EXPECT_EQ(left.Value(1, "id"), c);
    EXPECT_EQ(schede_.tabText(0), "Download in coda/attivi (2)");
    Q_UNUSED(a);
    Q_UNUSED(d);
}

TEST_F(Liste, HideAllOnCompletedListEmptiesItAndTheDatabase) {
    inserisci("http://h/1", "1", {}, "1.rar", "5");
    inserisci("http://h/2", "1", {}, "2.rar", "5");
    inserisci("http://h/3", "2");
    code_.CaricaLista();
    azione(code_.PopupCompletati, "Nascondituttidallalista1");
    EXPECT_EQ(completati_->NumeroRighe(), 0);
    EXPECT_EQ(contaTabella("1"), 0);
    EXPECT_EQ(contaTabella("2"), 1);
    EXPECT_EQ(schede_.tabText(2), "Trasferimenti completati (0)");
}

TEST_F(Liste, CopyPutsTickedLinksLastFirstWithoutTrailingBreak) {
    inserisci("http://h/1", "0");
    inserisci("http://h/2", "0");
    inserisci("http://h/3", "0");
    inserisci("http://h/4", "0");
    code_.CaricaLista();
    for (int i : {0, 1, 3})
        VistaCoda::Spunta(lista_->Riga(i), true);
    azione(code_.PopupDownload, "Copialinknegliappunti1");
    const QString expected = "http://h/4\r\nhttp://h/2\r\nhttp://h/1";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_EQ(Processo().UltimoTestoAppunti, expected);

    QGuiApplication::clipboard()->setText("untouched");
    azione(code_.PopupDownload, "DeselezionaTuttiDownload");
    azione(code_.PopupDownload, "Copialinknegliappunti1");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");
}

TEST_F(Liste, RequeueMovesFailedAndCompletedRowsBackToTheQueue) {
    const QString failed = inserisci("http://h/x", "2", "!GR-5", "x.rar", "0");
    const QString done = inserisci("http://h/y", "1", "Grp", "y.rar", "100");
    code_.CaricaLista();
    VistaCoda::Spunta(completati_->Riga(0), true);
    azione(code_.PopupCompletati, "Rimettiincodaneidownload1");
    EXPECT_EQ(completati_->NumeroRighe(), 0);

    // The failed row's icon re-queues it without a menu.
    nonCompletati_->show();
    QTest::mouseClick(nonCompletati_->viewport(), Qt::LeftButton, {},
                      puntoRiga(nonCompletati_, 0, 30));
    EXPECT_EQ(nonCompletati_->NumeroRighe(), 0);

    ASSERT_EQ(lista_->NumeroRighe(), 2);
    QTreeWidgetItem* r = lista_->RigaPerId(failed);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->text(0), "http://h/x");
    EXPECT_EQ(VistaCoda::Icona(r), IconaInCoda);
    EXPECT_EQ(VistaCoda::Cella(r, cella::Stato), "In coda");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Gruppo), "");
    EXPECT_EQ(VistaCoda::Cella(lista_->RigaPerId(done), cella::Gruppo), "Grp");
    const RowSet row = db_.Query("SELECT * FROM table_download WHERE id = ?", {done});
    EXPECT_EQ(row.Value("completato"), "0");
    EXPECT_EQ(row.Value("nomefile"), "");
    EXPECT_EQ(row.Value("dimensione"), "");
    EXPECT_EQ(schede_.tabText(0), "Download in coda/attivi (2)");
}

TEST_F(Liste, FailedRowInTheQueueIsRequeuedInPlace) {
    const QString id = inserisci("http://h/z", "0");
    code_.CaricaLista();
    QTreeWidgetItem* r = lista_->Riga(0);
    r->setText(0, "z.rar");
    lista_->ImpostaIcona(r, IconaFallito);
    VistaCoda::ImpostaCella(r, cella::Stato, "Errore");
    VistaCoda::ImpostaCella(r, cella::Fine, "00.00.10");
    VistaCoda::ImpostaCella(r, cella::Velocita, "12");
    db_.Execute("UPDATE table_download SET completato = '2', nomefile = 'z.rar' WHERE id = ?",
                {id});
    lista_->show();
    QTest::mouseClick(lista_->viewport(), Qt::LeftButton, {}, puntoRiga(lista_, 0, 30));
    EXPECT_EQ(r->text(0), "http://h/z");
    EXPECT_EQ(VistaCoda::Icona(r), IconaInCoda);
    EXPECT_EQ(VistaCoda::Cella(r, cella::Stato), "In coda");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Fine), "");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Velocita), "12"); // left as it was
    EXPECT_EQ(contaTabella("0"), 1);
}

TEST_F(Liste, IconOfAQueuedRowAsksToStartAndOfARunningRowToStop) {
    const QString id = inserisci("http://h/q", "0");
    code_.CaricaLista();
    QStringList started, stopped;
    QObject::connect(&code_, &ListeCoda::AvviaDownload, [&](const QString& i) { started << i; });
    QObject::connect(&code_, &ListeCoda::InterrompiDownload,
                     [&](const QString& i) { stopped << i; });
    lista_->show();
    QTest::mouseClick(lista_->viewport(), Qt::LeftButton, {}, puntoRiga(lista_, 0, 30));
    lista_->ImpostaIcona(lista_->Riga(0), IconaInCorso);
    QTest::mouseClick(lista_->viewport(), Qt::LeftButton, {}, puntoRiga(lista_, 0, 30));
    QTest::mouseClick(lista_->viewport(), Qt::LeftButton, {}, puntoRiga(lista_, 0, 200)); // text
    EXPECT_EQ(started, QStringList({id}));
    EXPECT_EQ(stopped, QStringList({id}));
}

TEST_F(Liste, PressOnTextUnticksAndDraggingTicksRowsPassedOver) {
    for (int i = 0; i < 5; ++i)
        inserisci(QString("http://h/%1").arg(i), "0");
    code_.CaricaLista();
    lista_->show();
    VistaCoda::Spunta(lista_->Riga(4), true);
    QWidget* vp = lista_->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, puntoRiga(lista_, 0, 200));
    EXPECT_FALSE(VistaCoda::Spuntata(lista_->Riga(4)));
    for (int i = 0; i <= 2; ++i) {
        QMouseEvent move(QEvent::MouseMove, puntoRiga(lista_, i, 200),
                         vp->mapToGlobal(puntoRiga(lista_, i, 200)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
    }
    QTest::mouseRelease(vp, Qt::LeftButton, {}, puntoRiga(lista_, 2, 200));
    EXPECT_FALSE(Processo().SpuntaInTrascinamento);
    QMouseEvent after(QEvent::MouseMove, puntoRiga(lista_, 3, 200),
                      vp->mapToGlobal(puntoRiga(lista_, 3, 200)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(vp, &after);
    QList<bool> ticked;
    for (int i = 0; i < 5; ++i)
        ticked << VistaCoda::Spuntata(lista_->Riga(i));
    EXPECT_EQ(ticked, QList<bool>({true, true, true, false, false}));
}

TEST_F(Liste, PressingOnATickBoxTogglesItExactlyOnce) {
    inserisci("http://h/0", "0");
    code_.CaricaLista();
    lista_->show();
    QTreeWidgetItem* riga = lista_->Riga(0);
    QStyleOptionViewItem opzione;
    opzione.initFrom(lista_);
    opzione.features = QStyleOptionViewItem::HasCheckIndicator;
    opzione.rect = lista_->visualItemRect(riga);
    opzione.rect.setWidth(lista_->columnWidth(0));
    const QPoint casella =
        lista_->style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opzione, lista_)
            .center();
    QWidget* vp = lista_->viewport();

    // A touchpad often moves a pixel between press and release.
    for (const int scosta : {0, 1}) {
        for (const bool prima : {false, true}) {
            VistaCoda::Spunta(riga, prima);
            QTest::mousePress(vp, Qt::LeftButton, {}, casella);
            const QPoint dopo = casella + QPoint(scosta, 0);
            QMouseEvent move(QEvent::MouseMove, dopo, vp->mapToGlobal(dopo), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(vp, &move);
            QTest::mouseRelease(vp, Qt::LeftButton, {}, dopo);
            EXPECT_EQ(VistaCoda::Spuntata(riga), !prima)
                << "moved " << scosta << " ticked " << prima;
        }
    }
}

TEST_F(Liste, HidingCompletedRowsMovesThemWithoutTouchingTheDatabase) {
    inserisci("http://h/1", "0", "G1");
    inserisci("http://h/2", "0");
    inserisci("http://h/3", "0");
    code_.CaricaLista();
    lista_->ImpostaIcona(lista_->Riga(0), IconaCompletato);
    lista_->Riga(0)->setText(0, "uno.rar");
    VistaCoda::ImpostaCella(lista_->Riga(0), cella::Size, "10.50 / 10.50");
    lista_->ImpostaIcona(lista_->Riga(2), IconaCompletato);
    VistaCoda::ImpostaCella(lista_->Riga(2), cella::Size, "Skipped");
    azione(code_.PopupDownload, "NascondiCompletati");
    EXPECT_EQ(lista_->NumeroRighe(), 1);
    ASSERT_EQ(completati_->NumeroRighe(), 2);
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(0), 0), "Skipped");
    EXPECT_EQ(completati_->Riga(1)->text(0), "uno.rar");
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(1), 0), "10.50 MB");
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(1), 1), "G1");
    EXPECT_EQ(contaTabella("0"), 3);
}

TEST_F(Liste, RemovingTheGroupClearsItInBothPlaces) {
    const QString id = inserisci("http://h/1", "0", "link");
    inserisci("http://h/2", "0", "link");
    code_.CaricaLista();
    VistaCoda::Spunta(lista_->Riga(0), true);
    azione(code_.PopupDownload, "Rimuoviilgruppodagliannunciselezionati1");
    EXPECT_EQ(VistaCoda::Cella(lista_->Riga(0), cella::Gruppo), "");
    EXPECT_EQ(VistaCoda::Cella(lista_->Riga(1), cella::Gruppo), "link");
    EXPECT_EQ(db_.Query("SELECT gruppo FROM table_download WHERE id = ?", {id}).Value(0, "gruppo"),
              "");
    EXPECT_EQ(db_.Query("SELECT id FROM table_download WHERE gruppo = 'link'").RowCount(), 1);
}

TEST_F(Liste, ShowInFolderUsesThePerFileSubfolderAndSkipsMissingFiles) {
    completeDir_ = dir_.filePath("done") + "/";
    QDir().mkpath(completeDir_ + "Film");
    QFile(completeDir_ + "Film/Film.Part01.rar").open(QIODevice::WriteOnly);
    inserisci("http://h/1", "1", {}, "Film.Part01.rar", "1");
    inserisci("http://h/2", "1", {}, "Missing.rar", "1");
    code_.CaricaLista();
    alwaysFolder_ = true;
    code_.MostraNellaCartella(completati_->Riga(0)->text(0));
    code_.MostraNellaCartella(completati_->Riga(1)->text(0));
    EXPECT_EQ(shell_.shownInFolder, QStringList({completeDir_ + "Film/Film.Part01.rar"}));

    code_.ApriCartellaDownload();
    code_.ApriCartellaTemp();
    EXPECT_EQ(shell_.opened, QStringList({completeDir_, "/tmp/t/"}));
}

TEST_F(Liste, DeleteKeyHidesOnHistoryListsWithoutAsking) {
    inserisci("http://h/1", "2");
    inserisci("http://h/2", "2");
    code_.CaricaLista();
    nonCompletati_->show();
    VistaCoda::Spunta(nonCompletati_->Riga(1), true);
    nonCompletati_->setCurrentItem(nonCompletati_->Riga(0));
    QTest::keyClick(nonCompletati_, Qt::Key_Delete);
    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_EQ(didascalie(nonCompletati_), QStringList({"http://h/1"}));
    EXPECT_EQ(contaTabella("2"), 1);
}

} // namespace
