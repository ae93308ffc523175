// The add-links dialog over a real database: the order of its checks and what it queues.
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "common_ui/messagebox.h"
#include "queue/database.h"
#include "queue/formadd.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::queue;

namespace {

class Aggiungi : public ::testing::Test {
protected:
    Aggiungi()
        : db_(dir_.filePath("database.opt")),
          code_(new VistaCoda(TipoLista::Coda), new VistaCoda(TipoLista::NonCompletati),
                new VistaCoda(TipoLista::Completati), &schede_) {
        CreaTabelle(db_);
        schede_.addTab(code_.Lista(), "");
        schede_.addTab(code_.NonCompletati(), "");
        schede_.addTab(code_.Completati(), "");
        code_.ImpostaDatabase(&db_);
    }
    ~Aggiungi() override {
        // Dialogs close themselves later; let them go before the lists do.
        const QList<QPointer<QWidget>> aperte = std::exchange(FinestreAggiungi(), {});
        for (const QPointer<QWidget>& w : aperte)
            delete w.data();
    }

    TForm_Add* apri(const QString& testo) {
        return ApriAggiungi(
            code_, [this] { return autoExtractOpzioni_; }, false, true, testo);
    }
    QStringList linkInTabella() {
        QStringList out;
        const RowSet r = db_.Query("SELECT link FROM table_download ORDER BY id");
        for (int i = 0; i < r.RowCount(); ++i)
            out << r.Value(i, "link");
        return out;
    }
    QString ultimoMessaggio() {
        return boxes_.shown().isEmpty() ? QString() : boxes_.shown().last().testo;
    }

    QTemporaryDir dir_;
    Database db_;
    QTabWidget schede_;
    ListeCoda code_;
    bool autoExtractOpzioni_ = false;
    ScopedMessageBoxAnswerer boxes_;
};

void muovi(QWidget* w, const QPoint& pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

const QString kNonConforme = "Sembra che uno o più link inseriti non siano conformi ad un url di "
                             "download, verifica che siano corretti.";

TEST_F(Aggiungi, ChecksRunInTheirOrder) {
    QString troppe;
    for (int i = 0; i < 600; ++i)
        troppe += QString("http://h/%1\n").arg(i);
    TForm_Add* d = apri(troppe + "not a link\n");
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(), kNonConforme);
    EXPECT_EQ(boxes_.shown().last().didascalia, "ATTENZIONE");

    d->ListaLink->setPlainText("  http://h/a\nhttp://filecrypt.cc/Container/X\nbad\n");
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(),
              "I link filecrypt.cc vanno inseriti separatamente ed uno per volta "
              "al fine di scompattarli e mostrarne il contenuto!");
    EXPECT_EQ(d->ListaLink->toPlainText(), "http://h/a\nhttp://filecrypt.cc/Container/X\nbad");

    d->ListaLink->setPlainText("bad\nhttp://filecrypt.cc/Container/X\n");
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(), kNonConforme);

    d->ListaLink->setPlainText("http://h/a\n\nhttp://h/b"); // a blank line is not a link
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(), kNonConforme);
    EXPECT_TRUE(linkInTabella().isEmpty());
    EXPECT_TRUE(d->isVisible());
}

TEST_F(Aggiungi, SingleLinkFolderIsHandedOverAndDisablesTheButton) {
    TForm_Add* d = apri("  HTTPS://www.FileCrypt.co/Container/ABC.html \n");
    QSignalSpy handed(d, &TForm_Add::CartellaLinkRichiesta);
    d->AggiungiBtClick();
    ASSERT_EQ(handed.count(), 1);
    EXPECT_EQ(handed.first().first().toString(), "HTTPS://www.FileCrypt.co/Container/ABC.html");
    EXPECT_EQ(d->AggiungiBt->text(), "Tentativo di estrazione di filecrypt, attendere...");
    EXPECT_FALSE(d->AggiungiBt->isEnabled());
    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_TRUE(linkInTabella().isEmpty());
}

TEST_F(Aggiungi, QueueLimitCountsDuplicatesToo) {
    QString pending;
    for (int i = 0; i < 450; ++i)
        pending += QString("http://h/%1\n").arg(i);
    code_.AggiungiListaLink(pending, {}, {}, {}, false);
    ASSERT_EQ(code_.Lista()->NumeroRighe(), 450);
    QString again;
    for (int i = 0; i < 60; ++i)
        again += QString("http://h/%1\n").arg(i);
    TForm_Add* d = apri(again);
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(), MessaggioCodaPiena());
    EXPECT_EQ(boxes_.shown().last().didascalia, "Errore di protezione");
    EXPECT_EQ(code_.Lista()->NumeroRighe(), 450);
}

TEST_F(Aggiungi, QueuesNewLinksOnceAndClosesEmptied) {
    db_.Execute(
        "INSERT INTO table_download VALUES (NULL,'http://h/done.rar','','','0','','d','1','1')");
    db_.Execute(
        "INSERT INTO table_download VALUES (NULL,'http://h/pending.rar','','','0','','','','0')");
    TForm_Add* d =
        apri("www.h.com/a b.rar\nhttp://h/done.rar\nhttp://h/pending.rar\nwww.h.com/a b.rar\n");
    QPointer<TForm_Add> guard(d);
    d->Password->setText("p\"w");
    d->PasswordArchivio->setText("arch");
    d->NomeGruppo->setText("link");
    d->AggiungiBtClick();
    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_EQ(linkInTabella(), QStringList({"http://h/done.rar", "http://h/pending.rar",
                                            "http://www.h.com/a%20b.rar", "http://h/done.rar"}));
    ASSERT_EQ(code_.Lista()->NumeroRighe(), 2);
    QTreeWidgetItem* r = code_.Lista()->Riga(0);
    EXPECT_EQ(r->text(0), "http://www.h.com/a b.rar");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Link), "http://www.h.com/a%20b.rar");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Password), "p\"w");
    EXPECT_EQ(VistaCoda::Cella(r, cella::Gruppo), "link");
    const RowSet row =
        db_.Query("SELECT * FROM table_download WHERE id = ?", {VistaCoda::Cella(r, cella::Id)});
    EXPECT_EQ(row.Value("passlink"), "p\"w");
    EXPECT_EQ(row.Value("passwordarchivio"), "arch");
    EXPECT_EQ(row.Value("gruppo"), "link");
    EXPECT_EQ(row.Value("autoextract"), "0");
    EXPECT_EQ(row.Value("completato"), "0");
    EXPECT_EQ(schede_.tabText(0), "Download in coda/attivi (2)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 2000)); // closed and gone
    EXPECT_TRUE(FinestreAggiungi().isEmpty());
}

TEST_F(Aggiungi, LinksTheDatabaseCannotSaveStayInTheDialogForAnotherTry) {
    std::optional<Database> altra; // another program holding the file
    const struct {
        const char* guasto;
        std::function<void()> guasta, ripara;
    } casi[] = {
        {"the file locked by another connection",
         [&] { altra.emplace(dir_.filePath("database.opt")).Execute("BEGIN EXCLUSIVE"); },
         [&] { altra.reset(); }},
        // A deferred foreign key is checked at commit only.
        {"the commit refused",
         [&] {
             db_.Execute("PRAGMA foreign_keys = ON");
             db_.Execute("CREATE TABLE padre (id INTEGER PRIMARY KEY)");
             db_.Execute("CREATE TABLE figlio (pid INTEGER REFERENCES padre(id) DEFERRABLE "
                         "INITIALLY DEFERRED)");
             db_.Execute("CREATE TRIGGER orfano AFTER INSERT ON table_download "
                         "BEGIN INSERT INTO figlio VALUES (12345); END");
         },
         [&] { db_.Execute("DROP TRIGGER orfano"); }},
    };
    const QString testo = "http://h/1\nhttp://h/2";
    for (const auto& c : casi) {
        SCOPED_TRACE(c.guasto);
        QPointer<TForm_Add> d = apri(testo);
        d->NomeGruppo->setText("G");
        c.guasta();
        const qsizetype mostrati = boxes_.shown().size();
        d->AggiungiBtClick();
        c.ripara();
        QTest::qWait(50); // a close would be under way by now
        EXPECT_EQ(boxes_.shown().size(), mostrati + 1);
        const Messaggio avviso = boxes_.shown().value(mostrati);
        EXPECT_EQ(avviso.didascalia, "Attenzione");
        EXPECT_EQ(avviso.testo, "Non è stato possibile salvare i link nel database: riprova.");
        EXPECT_TRUE(linkInTabella().isEmpty());
        EXPECT_EQ(code_.Lista()->NumeroRighe(), 0);
        if (d.isNull()) {
            ADD_FAILURE() << "the dialog closed";
            continue;
        }
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->ListaLink->toPlainText(), testo);
        EXPECT_EQ(d->NomeGruppo->text(), "G");

        d->AggiungiBtClick();
        EXPECT_EQ(boxes_.shown().size(), mostrati + 1);
        EXPECT_EQ(linkInTabella(), QStringList({"http://h/1", "http://h/2"}));
        EXPECT_EQ(code_.Lista()->NumeroRighe(), 2);
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.isNull(); }, 2000));
        db_.Execute("DELETE FROM table_download");
        while (code_.Modello().NumeroRighe(TipoLista::Coda) > 0)
            code_.Modello().Rimuovi(TipoLista::Coda, 0);
    }
}

TEST_F(Aggiungi, MultiPartListGetsAnAutomaticGroupShownEmpty) {
    autoExtractOpzioni_ = true;
    TForm_Add* d = apri("http://h/Film.part01.rar.html\nhttp://h/Film.part02.rar.html");
    EXPECT_TRUE(d->AutoExtract->isChecked()); // copied from the options
    d->AggiungiBtClick();
    const RowSet rows = db_.Query("SELECT gruppo, autoextract FROM table_download");
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_TRUE(rows.Value(0, "gruppo").startsWith("!GR-"));
    EXPECT_EQ(rows.Value(0, "gruppo"), rows.Value(1, "gruppo"));
    EXPECT_EQ(rows.Value(0, "autoextract"), "-1");
    EXPECT_EQ(VistaCoda::Cella(code_.Lista()->Riga(0), cella::Gruppo), "");

    TForm_Add* own = apri("http://h/Other.part1.rar");
    own->NomeGruppo->setText("Mio");
    own->AggiungiBtClick();
    EXPECT_EQ(db_.Query("SELECT gruppo FROM table_download WHERE link = 'http://h/Other.part1.rar'")
                  .Value(0, "gruppo"),
              "Mio");

    autoExtractOpzioni_ = false;
    TForm_Add* off = apri("http://h/Single.part1.rar");
    off->AutoExtract->setChecked(false);
    off->AggiungiBtClick();
    EXPECT_EQ(
        db_.Query("SELECT gruppo FROM table_download WHERE link = 'http://h/Single.part1.rar'")
            .Value(0, "gruppo"),
        "");
}

TEST_F(Aggiungi, StandAloneDialogStaysAboveEveryWindow) {
    TForm_Add* own = apri({});
    TForm_Add* alone = ApriAggiungi(
        code_, [] { return false; }, true, true);
    EXPECT_FALSE(own->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(alone->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(alone->parentWidget(), nullptr); // its own task-bar entry
    EXPECT_EQ(alone->windowTitle(), "Aggiungi Link");
    EXPECT_EQ(FinestreAggiungi().size(), 2);
}

TEST_F(Aggiungi, TheAddButtonFollowsTheGroupOnScreenAndByTab) {
    TForm_Add* d = apri({});
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    d->NomeGruppo->setFocus();
    const QList<QWidget*> ordine = {d->NomeGruppo, d->AggiungiBt, d->Password, d->AutoExtract,
                                    d->PasswordArchivio};
    for (int i = 1; i < ordine.size(); ++i) {
        const std::string nome = ordine[i]->objectName().toStdString();
        EXPECT_LT(ordine[i - 1]->mapTo(d, QPoint()).y(), ordine[i]->mapTo(d, QPoint()).y()) << nome;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), ordine[i]) << nome;
    }
}

TEST_F(Aggiungi, EmptyBoxAddsNothingAndCloses) {
    QPointer<TForm_Add> d = apri({});
    d->AggiungiBtClick();
    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_TRUE(linkInTabella().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return d.isNull(); }, 2000));
}

TEST_F(Aggiungi, DomainButtonsRewriteEveryOccurrence) {
    TForm_Add* d =
        apri("http://www.easybytez.com/a\nhttp://easybytez.com/b\nhttp://easybytez.me/c\n");
    d->BtComEu->click();
    EXPECT_EQ(d->ListaLink->toPlainText(),
              "http://www.easybytez.eu/a\nhttp://easybytez.eu/b\nhttp://easybytez.me/c\n");
    d->BtAllCom->click();
    EXPECT_EQ(d->ListaLink->toPlainText(),
              "http://www.easybytez.com/a\nhttp://easybytez.com/b\nhttp://easybytez.com/c\n");
    d->BtComMe->click();
    EXPECT_EQ(d->ListaLink->toPlainText(),
              "http://www.easybytez.me/a\nhttp://easybytez.me/b\nhttp://easybytez.me/c\n");
    EXPECT_EQ(d->BtComEu->text(), "easybytez.com -> easybytez.eu");
    EXPECT_EQ(d->BtAllCom->text(), "easybytez.me, easybytez.eu -> easybytez.com");
}

TEST_F(Aggiungi, HoveringAnEmptyBoxPastesALinkFromTheClipboard) {
    TForm_Add* d = apri({});
    QWidget* vp = d->ListaLink->viewport();
    QGuiApplication::clipboard()->setText("just words");
    muovi(vp, QPoint(20, 20));
    EXPECT_TRUE(d->ListaLink->toPlainText().isEmpty());
    QGuiApplication::clipboard()->setText("https://h/x.rar");
    muovi(vp, QPoint(25, 25));
    EXPECT_EQ(d->ListaLink->toPlainText(), "https://h/x.rar");
    QGuiApplication::clipboard()->setText("http://h/other.rar");
    muovi(vp, QPoint(30, 30));
    EXPECT_EQ(d->ListaLink->toPlainText(), "https://h/x.rar"); // only an empty box

    d->ListaLink->clear();
    QGuiApplication::clipboard()->setText("http://h/" + QString(2 * 1024 * 1024, 'a'));
    muovi(vp, QPoint(35, 35));
    EXPECT_TRUE(d->ListaLink->toPlainText().isEmpty()); // too large to be a list of links
}

TEST_F(Aggiungi, HugeOrBrokenTextIsRefusedAndNothingIsHalfAdded) {
    QString huge;
    for (int i = 0; i < 100000; ++i)
        huge += QString("http://h/file%1.rar\n").arg(i);
    TForm_Add* d = apri(huge);
    d->AggiungiBtClick();
    EXPECT_EQ(ultimoMessaggio(), MessaggioCodaPiena());

    static const char raw[] = "http://h/a\0b.rar\nhttp://h/\xff\xfe.rar\n";
    const QByteArray broken(raw, sizeof(raw) - 1);
    d->ListaLink->setPlainText(QString::fromUtf8(broken));
    d->AggiungiBtClick();
    const QStringList links = linkInTabella();
    ASSERT_EQ(links.size(), 2);
    EXPECT_EQ(links[0], "http://h/a%00b.rar");
    EXPECT_EQ(links[1], "http://h/%EF%BF%BD%EF%BF%BD.rar");
    ASSERT_EQ(code_.Lista()->NumeroRighe(), 2); // the list and the table agree
    EXPECT_EQ(VistaCoda::Cella(code_.Lista()->Riga(1), cella::Link), links[1]);
}

} // namespace
