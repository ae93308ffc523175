// The download details editor against a real database file and the real queue lists.
#include "common_ui/messagebox.h"
#include "queue/database.h"
#include "queue/formdettagli.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::queue;

namespace {

class Dettagli : public ::testing::Test {
protected:
    Dettagli()
        : db_(dir_.filePath("database.opt")), lista_(new VistaCoda(TipoLista::Coda)),
          nonCompletati_(new VistaCoda(TipoLista::NonCompletati)),
          completati_(new VistaCoda(TipoLista::Completati)),
          code_(lista_, nonCompletati_, completati_, &schede_), editori_(code_) {
        CreaTabelle(db_);
        schede_.addTab(lista_, "a");
        schede_.addTab(nonCompletati_, "b");
        schede_.addTab(completati_, "c");
        code_.ImpostaDatabase(&db_);
        editori_.ImpostaDatabase(&db_);
    }

    QString inserisci(const QString& link, const QString& completato, const QString& gruppo = {},
                      const QString& autoextract = "0", const QString& passwordArchivio = {}) {
        db_.Execute("INSERT INTO table_download VALUES (NULL,?,'pw',?,?,?,'f','0',?)",
                    {link, passwordArchivio, autoextract, gruppo, completato});
        return QString::number(db_.LastRowId());
    }
    QString campo(const QString& id, const QString& colonna) {
        return db_.Query("SELECT * FROM table_download WHERE id = ?", {id}).Value(colonna);
    }
    QStringList gruppiTabella() {
        QStringList out;
        const RowSet rows = db_.Query("SELECT gruppo FROM table_download ORDER BY id");
        for (int i = 0; i < rows.RowCount(); ++i)
            out << rows.Value(i, "gruppo");
        return out;
    }
    QStringList gruppiLista() {
        QStringList out;
        for (int i = 0; i < lista_->NumeroRighe(); ++i)
            out << VistaCoda::Cella(lista_->Riga(i), cella::Gruppo);
        return out;
    }
    // As the double click on a row of the pending list does.
    TForm_DettagliDownload* apri(const QString& id) {
        emit code_.ModificaDownload(lista_->RigaPerId(id));
        return editori_.EditorePer(id);
    }
    static void eliminaChiusi() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir dir_;
    Database db_;
    QTabWidget schede_;
    VistaCoda* lista_;
    VistaCoda* nonCompletati_;
    VistaCoda* completati_;
    ListeCoda code_;
    EditoriDettagli editori_;
    ScopedMessageBoxAnswerer boxes_;
};

TEST_F(Dettagli, EditorIsAFixedWindowOfItsOwnWithTheNamedControls) {
    const QString id = inserisci("http://h/a.rar", "0");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->objectName(), "TForm_DettagliDownload");
    EXPECT_EQ(e->windowTitle(), "Dettagli del download");
    EXPECT_TRUE(e->isWindow());
    EXPECT_EQ(e->parentWidget(), nullptr);
    EXPECT_TRUE(e->isVisible());
    EXPECT_FALSE(e->isModal());
    EXPECT_TRUE(e->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(e->size(), QSize(749, 213));
    EXPECT_EQ(e->minimumSize(), e->maximumSize());

    EXPECT_EQ(e->findChild<QLabel*>("Image1"), e->Image1);
    ASSERT_FALSE(e->Image1->pixmap().isNull());
    EXPECT_EQ(e->Image1->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(e->findChild<QLineEdit*>("Download"), e->Download);
    EXPECT_EQ(e->findChild<QLineEdit*>("PasswordDownload"), e->PasswordDownload);
    EXPECT_EQ(e->findChild<QLineEdit*>("GruppoDownload"), e->GruppoDownload);
    EXPECT_EQ(e->findChild<QCheckBox*>("EstraiArchivio"), e->EstraiArchivio);
    EXPECT_EQ(e->EstraiArchivio->text(), "Estrai l'archivio al termine del download");
    EXPECT_EQ(e->findChild<QLineEdit*>("PasswordArchivio"), e->PasswordArchivio);
    EXPECT_EQ(e->findChild<QPushButton*>("BtSalvaModifiche"), e->BtSalvaModifiche);
    EXPECT_EQ(e->BtSalvaModifiche->text(), "Salva modifiche");

    // Top to bottom in the order the user fills them in.
    const QList<QWidget*> ordine = {e->Download,       e->PasswordDownload, e->GruppoDownload,
                                    e->EstraiArchivio, e->PasswordArchivio, e->BtSalvaModifiche};
    for (int i = 1; i < ordine.size(); ++i)
        EXPECT_LT(ordine[i - 1]->geometry().top(), ordine[i]->geometry().top())
            << ordine[i]->objectName().toStdString();
}

TEST_F(Dettagli, OpeningARowTwiceBringsTheFirstEditorForward) {
    const QString a = inserisci("http://h/a.rar", "0");
    const QString b = inserisci("http://h/b.rar", "0");
    code_.CaricaLista();
    TForm_DettagliDownload* primo = apri(a);
    ASSERT_NE(primo, nullptr);
    primo->hide();
    EXPECT_EQ(apri(a), primo);
    EXPECT_EQ(editori_.Aperti(), 1);
    EXPECT_TRUE(primo->isVisible());

    TForm_DettagliDownload* altro = apri(b);
    ASSERT_NE(altro, nullptr);
    EXPECT_NE(altro, primo);
    EXPECT_EQ(editori_.Aperti(), 2);
    EXPECT_EQ(altro->Download->text(), "http://h/b.rar");
    EXPECT_TRUE(boxes_.shown().isEmpty());
}

TEST_F(Dettagli, RowsThatCannotBeEditedOpenNoEditor) {
    const QString id = inserisci("http://h/a.rar", "0");
    code_.CaricaLista();
    lista_->ImpostaIcona(lista_->RigaPerId(id), IconaInCorso);
    EXPECT_EQ(apri(id), nullptr);
    EXPECT_EQ(editori_.Aperti(), 0);
    ASSERT_EQ(boxes_.shown().size(), 1);
    EXPECT_EQ(boxes_.shown()[0].testo, "Non puoi modificare un download in corso!");
    EXPECT_EQ(boxes_.shown()[0].didascalia, "Attenzione");
    EXPECT_EQ(boxes_.shown()[0].icona, Icona::Avviso);

    // Stopped rows can be edited again.
    lista_->ImpostaIcona(lista_->RigaPerId(id), IconaFermo);
    EXPECT_NE(apri(id), nullptr);

    // Before the database is open there is nothing to edit.
    EditoriDettagli senzaDb(code_);
    senzaDb.Apri(lista_->RigaPerId(id));
    EXPECT_EQ(senzaDb.Aperti(), 0);
}

TEST_F(Dettagli, LoadingFillsTheFieldsFromTheStoredRow) {
    const QString automatico = inserisci("http://h/a b.rar", "0", "!GR-77", "True", "arc");
    const QString meno1 = inserisci("http://h/b.rar", "0", "Serie", "-1", "x");
    const QString zero = inserisci("http://h/c.rar", "0", "", "0", "y");
    const QString vuoto = inserisci("http://h/d.rar", "0", "G", "", "persa");
    const QString parola = inserisci("http://h/e.rar", "0", "G", "yes", "persa");
    code_.CaricaLista();

    TForm_DettagliDownload* e = apri(automatico);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Download->text(), "http://h/a b.rar");
    EXPECT_EQ(e->PasswordDownload->text(), "pw");
    EXPECT_EQ(e->GruppoDownload->text(), "!GR-77"); // shown as stored, unlike the list
    EXPECT_TRUE(e->EstraiArchivio->isChecked());
    EXPECT_EQ(e->PasswordArchivio->text(), "arc");

    e = apri(meno1);
    EXPECT_TRUE(e->EstraiArchivio->isChecked());
    EXPECT_EQ(e->PasswordArchivio->text(), "x");
    e = apri(zero);
    EXPECT_FALSE(e->EstraiArchivio->isChecked());
    EXPECT_EQ(e->GruppoDownload->text(), "");
    EXPECT_EQ(e->PasswordArchivio->text(), "y");

    // An unreadable autoextract stops the load: what comes after it stays empty.
    for (const QString& id : {vuoto, parola}) {
        e = apri(id);
        EXPECT_EQ(e->GruppoDownload->text(), "G");
        EXPECT_FALSE(e->EstraiArchivio->isChecked());
        EXPECT_EQ(e->PasswordArchivio->text(), "") << id.toStdString();
    }

    // Reloading another id leaves nothing of the previous row behind.
    e->CaricaDettagli("999");
    EXPECT_EQ(e->Download->text(), "");
    EXPECT_EQ(e->GruppoDownload->text(), "");

    db_.Execute("DROP TABLE table_download");
    EXPECT_NO_THROW(e->CaricaDettagli(meno1));
    EXPECT_EQ(e->Download->text(), "");
}

TEST_F(Dettagli, AnEmptyLinkIsRefusedAndNothingChanges) {
    const QString id = inserisci("http://h/a.rar", "0", "G");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    e->Download->clear();
    e->PasswordDownload->setText("nuova");
    e->GruppoDownload->setText("H");
    e->BtSalvaModifiche->click();

    ASSERT_EQ(boxes_.shown().size(), 1);
    EXPECT_EQ(boxes_.shown()[0].testo, "Il link di download non può essere vuoto!");
    EXPECT_EQ(boxes_.shown()[0].didascalia, "Attenzione");
    EXPECT_EQ(boxes_.shown()[0].icona, Icona::Avviso);
    eliminaChiusi();
    EXPECT_EQ(editori_.EditorePer(id), e);
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(campo(id, "link"), "http://h/a.rar");
    EXPECT_EQ(campo(id, "passlink"), "pw");
    EXPECT_EQ(campo(id, "gruppo"), "G");
    QTreeWidgetItem* riga = lista_->RigaPerId(id);
    EXPECT_EQ(riga->text(0), "http://h/a.rar");
    EXPECT_EQ(VistaCoda::Cella(riga, cella::Password), "pw");
    EXPECT_EQ(VistaCoda::Cella(riga, cella::Gruppo), "G");
}

TEST_F(Dettagli, SavingUpdatesTheListRowAndTheTableThenCloses) {
    const QString id = inserisci("http://h/a.rar", "0", "G");
    const QString altro = inserisci("http://h/b.rar", "0", "G");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    e->Download->setText(" http://h/nuovo file.rar ");
    e->PasswordDownload->setText("p\"w'");
    e->EstraiArchivio->setChecked(true);
    e->PasswordArchivio->setText("arc");
    e->BtSalvaModifiche->click();
    eliminaChiusi();

    EXPECT_TRUE(boxes_.shown().isEmpty());
    EXPECT_EQ(editori_.Aperti(), 0);
    QTreeWidgetItem* riga = lista_->RigaPerId(id);
    EXPECT_EQ(riga->text(0), " http://h/nuovo file.rar ");
    EXPECT_EQ(VistaCoda::Cella(riga, cella::Link), " http://h/nuovo file.rar ");
    EXPECT_EQ(VistaCoda::Cella(riga, cella::Password), "p\"w'");
    EXPECT_EQ(campo(id, "link"), " http://h/nuovo file.rar ");
    EXPECT_EQ(campo(id, "passlink"), "p\"w'");
    EXPECT_EQ(campo(id, "autoextract"), "-1");
    EXPECT_EQ(campo(id, "passwordarchivio"), "arc");
    EXPECT_EQ(campo(id, "gruppo"), "G");
    EXPECT_EQ(campo(altro, "link"), "http://h/b.rar");
    EXPECT_EQ(lista_->RigaPerId(altro)->text(0), "http://h/b.rar");

    // Unticking is stored too, and a second editor on the same row sees the first one's edit.
    e = apri(id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->PasswordDownload->text(), "p\"w'");
    e->EstraiArchivio->setChecked(false);
    e->BtSalvaModifiche->click();
    EXPECT_EQ(campo(id, "autoextract"), "0");
}

TEST_F(Dettagli, RenamingAGroupRenamesItForEveryRowOfTheGroup) {
    const QString a1 = inserisci("http://h/1", "0", "A");
    const QString c = inserisci("http://h/2", "0", "C");
    inserisci("http://h/3", "0", "A");
    inserisci("http://h/4", "1", "A");
    inserisci("http://h/5", "2", "A");
    inserisci("http://h/6", "1", "a");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(a1);
    ASSERT_NE(e, nullptr);
    e->GruppoDownload->setText("B");
    e->BtSalvaModifiche->click();

    EXPECT_EQ(gruppiTabella(), QStringList({"B", "C", "B", "B", "B", "a"}));
    EXPECT_EQ(gruppiLista(), QStringList({"B", "C", "B"}));
    // The other lists keep the old name until they are loaded again.
    EXPECT_EQ(VistaCoda::Cella(completati_->Riga(0), completati_->CellaGruppo()), "A");
    EXPECT_EQ(VistaCoda::Cella(nonCompletati_->Riga(0), nonCompletati_->CellaGruppo()), "A");

    // Names differ by case alone.
    e = apri(c);
    e->GruppoDownload->setText("c");
    e->BtSalvaModifiche->click();
    EXPECT_EQ(campo(c, "gruppo"), "c");
    EXPECT_EQ(gruppiLista(), QStringList({"B", "c", "B"}));
}

TEST_F(Dettagli, AnUntouchedGroupIsNotWritten) {
    const QString id = inserisci("http://h/1", "0");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    // Changed elsewhere while the editor was open: saving other fields keeps that change.
    db_.Execute("UPDATE table_download SET gruppo = 'Z' WHERE id = ?", {id});
    e->PasswordDownload->setText("x");
    e->BtSalvaModifiche->click();
    EXPECT_EQ(campo(id, "gruppo"), "Z");
    EXPECT_EQ(campo(id, "passlink"), "x");
}

TEST_F(Dettagli, EmptyingTheGroupEmptiesItForTheWholeGroup) {
    const QString a1 = inserisci("http://h/1", "0", "A");
    inserisci("http://h/2", "0", "A");
    inserisci("http://h/3", "1", "A");
    inserisci("http://h/4", "0", "D");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(a1);
    ASSERT_NE(e, nullptr);
    e->GruppoDownload->clear();
    e->BtSalvaModifiche->click();
    EXPECT_EQ(gruppiTabella(), QStringList({"", "", "", "D"}));
    EXPECT_EQ(gruppiLista(), QStringList({"", "", "D"}));
}

TEST_F(Dettagli, GivingAGroupToARowWithoutOneChangesOnlyThatRow) {
    const QString id = inserisci("http://h/1", "0");
    inserisci("http://h/2", "0");
    inserisci("http://h/3", "1");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    e->GruppoDownload->setText("Nuovo");
    e->BtSalvaModifiche->click();
    EXPECT_EQ(gruppiTabella(), QStringList({"Nuovo", "", ""}));
    EXPECT_EQ(gruppiLista(), QStringList({"Nuovo", ""}));
}

TEST_F(Dettagli, AutomaticGroupNamesReachTheTableButNotTheList) {
    const QString a1 = inserisci("http://h/1", "0", "A");
    inserisci("http://h/2", "0", "A");
    inserisci("http://h/3", "1", "A");
    const QString senza = inserisci("http://h/4", "0");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(a1);
    ASSERT_NE(e, nullptr);
    e->GruppoDownload->setText("!GR-5");
    e->BtSalvaModifiche->click();
    e = apri(senza);
    ASSERT_NE(e, nullptr);
    e->GruppoDownload->setText("!GR-9");
    e->BtSalvaModifiche->click();

    EXPECT_EQ(gruppiTabella(), QStringList({"!GR-5", "!GR-5", "!GR-5", "!GR-9"}));
    EXPECT_EQ(gruppiLista(), QStringList({"A", "A", ""}));
}

TEST_F(Dettagli, ARowThatLeftTheListIsStillSavedToTheTable) {
    const QString id = inserisci("http://h/1", "0", "A");
    const QString resta = inserisci("http://h/2", "0", "A");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    lista_->RimuoviRiga(lista_->RigaPerId(id));
    e->Download->setText("http://h/nuovo");
    e->GruppoDownload->setText("B");
    e->BtSalvaModifiche->click();
    eliminaChiusi();

    EXPECT_EQ(editori_.Aperti(), 0);
    EXPECT_EQ(campo(id, "link"), "http://h/nuovo");
    EXPECT_EQ(gruppiTabella(), QStringList({"B", "B"}));
    ASSERT_EQ(lista_->NumeroRighe(), 1);
    EXPECT_EQ(lista_->Riga(0)->text(0), "http://h/2");
    EXPECT_EQ(VistaCoda::Cella(lista_->RigaPerId(resta), cella::Gruppo), "B");

    // The same for a row without a group.
    const QString senza = inserisci("http://h/3", "0");
    code_.AggiungiInCoda("http://h/3", "", "http://h/3", "pw", senza);
    e = apri(senza);
    ASSERT_NE(e, nullptr);
    lista_->RimuoviRiga(lista_->RigaPerId(senza));
    e->GruppoDownload->setText("C");
    e->BtSalvaModifiche->click();
    EXPECT_EQ(campo(senza, "gruppo"), "C");
    EXPECT_EQ(gruppiLista(), QStringList({"B"}));
}

TEST_F(Dettagli, AFailedSaveKeepsTheEditorOpenUntilASaveSucceeds) {
    const QString id = inserisci("http://h/1", "0", "A");
    code_.CaricaLista();
    TForm_DettagliDownload* e = apri(id);
    ASSERT_NE(e, nullptr);
    db_.Execute("PRAGMA query_only = ON");
    e->Download->setText("http://h/nuovo");
    e->GruppoDownload->setText("B");
    EXPECT_NO_THROW(e->BtSalvaModifiche->click());
    eliminaChiusi();
    EXPECT_EQ(editori_.EditorePer(id), e);
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(campo(id, "link"), "http://h/1");
    EXPECT_EQ(campo(id, "gruppo"), "A");
    EXPECT_TRUE(boxes_.shown().isEmpty());

    db_.Execute("PRAGMA query_only = OFF");
    e->BtSalvaModifiche->click();
    eliminaChiusi();
    EXPECT_EQ(editori_.Aperti(), 0);
    EXPECT_EQ(campo(id, "link"), "http://h/nuovo");
    EXPECT_EQ(campo(id, "gruppo"), "B");
}

TEST_F(Dettagli, ClosedEditorsLeaveTheOpenList) {
    const QString a = inserisci("http://h/1", "0");
    const QString b = inserisci("http://h/2", "0");
    code_.CaricaLista();
    TForm_DettagliDownload* ea = apri(a);
    ASSERT_NE(apri(b), nullptr);
    ASSERT_EQ(editori_.Aperti(), 2);
    ea->close();
    eliminaChiusi();
    EXPECT_EQ(editori_.Aperti(), 1);
    EXPECT_EQ(editori_.EditorePer(a), nullptr);
    EXPECT_NE(editori_.EditorePer(b), nullptr);

    // Opening the row again gives a fresh editor rather than nothing.
    TForm_DettagliDownload* nuovo = apri(a);
    ASSERT_NE(nuovo, nullptr);
    EXPECT_TRUE(nuovo->isVisible());
    EXPECT_EQ(editori_.Aperti(), 2);

    delete editori_.EditorePer(b);
    EXPECT_EQ(editori_.Aperti(), 1);
    EXPECT_EQ(editori_.EditorePer(b), nullptr);
}

TEST_F(Dettagli, EditorsCloseWithTheirOwner) {
    const QString id = inserisci("http://h/1", "0");
    code_.CaricaLista();
    QPointer<TForm_DettagliDownload> e;
    {
        EditoriDettagli proprietario(code_);
        proprietario.ImpostaDatabase(&db_);
        proprietario.Apri(lista_->RigaPerId(id));
        e = proprietario.EditorePer(id);
        ASSERT_FALSE(e.isNull());
    }
    EXPECT_TRUE(e.isNull());
}

} // namespace
