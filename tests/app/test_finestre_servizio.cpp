// Support tickets, searches and notes, driven through the real windows and a local service
// server.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "auxiliary/formmemo.h"
#include "common/clock.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "common_ui/modellorighe.h"
#include "queue/database.h"
#include "queue/formadd.h"
#include "search/gestionericerca.h"
#include "search/risultati.h"
#include "service/dispatcher.h"
#include "service/record.h"
#include "service/sessione.h"
#include "support/app_fixture.h"
#include "support/fake_service_server.h"
#include "support/qt_print.h"
#include "tickets/formticket.h"
#include "tickets/formticketlist.h"
#include "tickets/gestioneticket.h"
#include "tickets/recordticket.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <optional>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class FinestreServizio : public AppFixture {
protected:
    // The program logged in to a local service server, with the code "COD-1".
    TForm1& connetti() {
        server_.emplace();
        server_->onFrame("#0666", [](const FrameRicevuto&) {
            return FakeServiceServer::Reply{{"#0666", "OK"}};
        });
        TForm1& f = start().Form1();
        f.CodiceIdentificativo = "COD-1";
        f.Servizio->ImpostaServer("127.0.0.1", server_->port());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Processo().LoginInAttesa; }, 10000));
        return f;
    }

    bool arriva(const QByteArray& code, const QByteArray& payload) {
        return QTest::qWaitFor(
            [&] {
                for (const FrameRicevuto& frame : server_->frames()) {
                    if (frame.code == code && frame.payload == payload)
                        return true;
                }
                return false;
            },
            5000);
    }

    QString ultimoAvviso() const {
        return boxes_->shown().isEmpty() ? QString() : boxes_->shown().last().testo;
    }

    std::optional<FakeServiceServer> server_;
};

QColor colore(const QPlainTextEdit* vista, int riga) {
    const auto formati = vista->document()->findBlockByNumber(riga).layout()->formats();
    return formati.isEmpty() ? QColor() : formati.first().format.foreground().color();
}

QString memoSalvato(queue::Database& db) {
    const queue::RowSet righe = db.Query("SELECT testo FROM table_memo");
    return righe.RowCount() == 1 ? righe.Value(0, "testo")
                                 : QString("%1 rows").arg(righe.RowCount());
}

TEST_F(FinestreServizio, TicketsFromTheListToTheConversation) {
    TForm1& f = connetti();
    tickets::GestioneTicket& tickets = f.Ticket();
    tickets::TForm_TicketList& lista = tickets.Lista();
    f.BtTicket->click();
    EXPECT_FALSE(f.BtTicket->isEnabled());
    ASSERT_TRUE(arriva("#0210", "COD-1"));
    server_->send("#0210", "T1|||a|||b|||Senza marcatore|||2021-03-04 05:06:07|||{|end|}"
                           "T2|||a|||b|||Chiuso|||2021-01-01 00:00:00|||1|||{|end|}");
    ASSERT_TRUE(QTest::qWaitFor([&] { return lista.isVisible(); }, 5000));
    EXPECT_TRUE(f.BtTicket->isEnabled());
    ASSERT_EQ(lista.Righe->rowCount(), 2);
    EXPECT_EQ(lista.Righe->Cella(0, tickets::colonna::Status), "Aperto");

    lista.BtNuovoTicket->click();
    EXPECT_EQ(ultimoAvviso(), "Non puoi aprire un nuovo ticket se ne hai uno ancora aperto!");
    EXPECT_TRUE(tickets.FinestreTicket.isEmpty());

    lista.ListaTicket->selectionModel()->select(
        lista.Righe->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    lista.BtRispondiTicket->click();
    EXPECT_FALSE(lista.BtRispondiTicket->isEnabled());
    ASSERT_TRUE(arriva("#0202", "T1|COD-1"));
    server_->send("#0202", "T1|me@x.it|Titolo|ADMIN|||ciao|||2021-03-04 05:06:07|||{|end|}"
                           "mario|||grazie|||2021-03-04 05:07:00|||{|end|}");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tickets.Finestra("T1") != nullptr; }, 5000));
    tickets::TForm_Ticket* t1 = tickets.Finestra("T1");
    EXPECT_TRUE(t1->isVisible());
    EXPECT_TRUE(lista.BtRispondiTicket->isEnabled());
    EXPECT_TRUE(t1->TitoloTxt->isReadOnly());
    EXPECT_EQ(t1->EmailTxt->text(), "me@x.it");
    EXPECT_EQ(t1->TestoTicket->toPlainText(),
              "04/03/2021 05.06.07 - ADMIN > ciao\n04/03/2021 05.07.00 - TU > grazie");
    EXPECT_EQ(colore(t1->TestoTicket, 0), QColor(Qt::black));
    EXPECT_EQ(colore(t1->TestoTicket, 1), QColor(Qt::blue));

    f.Messaggi->OnRead("#0202T1|me@x.it|Titolo|ADMIN|||di nuovo|||2021-03-04 05:06:07|||{|end|}");
    EXPECT_EQ(tickets.FinestreTicket.size(), 1);
    EXPECT_EQ(t1->TestoTicket->toPlainText(), "04/03/2021 05.06.07 - ADMIN > di nuovo");

    f.Messaggi->OnRead("#0201T1|mario|a|b");
    EXPECT_TRUE(QRegularExpression(R"(^\d\d/\d\d/\d{4} \d\d\.\d\d\.\d\d - TU > a\|b$)")
                    .match(t1->TestoTicket->document()->lastBlock().text())
                    .hasMatch());
    EXPECT_EQ(colore(t1->TestoTicket, 1), QColor(Qt::blue));
    // Another ticket's message, while a ticket window is open: dropped, no blinking.
    f.Messaggi->OnRead("#0201T2|ADMIN|altro");
    EXPECT_FALSE(f.TimerTicket->isActive());
    t1->close();
    f.Messaggi->OnRead("#0201T2|ADMIN|altro");
    EXPECT_TRUE(f.TimerTicket->isActive());
    f.BtTicket->click();
    EXPECT_FALSE(f.TimerTicket->isActive());
}

TEST_F(FinestreServizio, NewTicketAndTheSendRulesWithoutALink) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    f.CodiceIdentificativo = "COD-1";
    app.Opzioni().EmailCliente->setText("me@x.it");
    tickets::TForm_TicketList& lista = f.Ticket().Lista();
    f.Messaggi->OnRead("#0210T9|||a|||b|||Vecchio|||2020-01-01 00:00:00|||1|||{|end|}");
    lista.BtNuovoTicket->click();
    lista.BtNuovoTicket->click();
    ASSERT_EQ(f.Ticket().FinestreTicket.size(), 1);
    tickets::TForm_Ticket* nuovo = f.Ticket().FinestreTicket.first();
    EXPECT_EQ(nuovo->IdTicket, "??");
    EXPECT_EQ(nuovo->VoucherTxt->text(), "COD-1");
    EXPECT_EQ(nuovo->EmailTxt->text(), "me@x.it");
    QTest::keyClicks(nuovo->TitoloTxt, "a|b");
    EXPECT_EQ(nuovo->TitoloTxt->text(), "ab");

    struct Caso {
        const char *messaggio, *titolo, *email, *avviso;
    };
    for (const Caso& c : {
             Caso{"", "", "", "Devi inserire un messaggio per poterlo inviare!"},
             Caso{"m", "", "", "Devi inserire un titolo per questo ticket!"},
             Caso{"m", "t", "", "Devi inserire una email per questo ticket!"},
             Caso{"m", "t", "e",
                  "Non sembra esserci una connessione attiva, prova tra qualche secondo!"},
         }) {
        nuovo->NuovoMessaggioTxt->setPlainText(c.messaggio);
        nuovo->TitoloTxt->setText(c.titolo);
        nuovo->EmailTxt->setText(c.email);
        QTest::keyClick(nuovo->NuovoMessaggioTxt, Qt::Key_Return);
        EXPECT_EQ(ultimoAvviso(), c.avviso);
        EXPECT_TRUE(nuovo->BtInviaMessaggio->isEnabled());
        EXPECT_EQ(nuovo->NuovoMessaggioTxt->toPlainText(), c.messaggio); // Enter adds no line
    }
    EXPECT_EQ(boxes_->shown().size(), 4);

    f.BtScibile->click();
    EXPECT_EQ(ultimoAvviso(), "Al momento non sembri connesso al server di Tarvolin, controlla "
                              "la connessione e riprova.");
    EXPECT_TRUE(f.Ricerche().FinestreRicerca.isEmpty());

    const QString programma = exeFolder() + "RemoteDesktop";
    WriteAll(programma, "#!/bin/sh\ntouch \"$0.avviato\"\n");
    QFile::setPermissions(programma, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    lista.BtAssistenzaRemota->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(programma + ".avviato"); }, 5000));
}

TEST_F(FinestreServizio, SentMessagesGoOutWholeAndTheButtonRests) {
    TForm1& f = connetti();
    f.Messaggi->OnRead("#0202T1|me@x.it|Titolo|");
    tickets::TForm_Ticket* t1 = f.Ticket().Finestra("T1");
    ASSERT_NE(t1, nullptr);
    t1->NuovoMessaggioTxt->setPlainText("serve | aiuto");
    QElapsedTimer attesa;
    attesa.start();
    QTest::keyClick(t1->NuovoMessaggioTxt, Qt::Key_Return);
    EXPECT_FALSE(t1->BtInviaMessaggio->isEnabled());
    EXPECT_TRUE(t1->NuovoMessaggioTxt->toPlainText().isEmpty());
    ASSERT_TRUE(arriva("#0201", "T1|serve | aiuto"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return t1->BtInviaMessaggio->isEnabled(); }, 5000));
    EXPECT_GE(attesa.elapsed(), clock::Intervallo(3000) * 9 / 10);

    f.Ticket().Lista().BtNuovoTicket->click();
    tickets::TForm_Ticket* nuovo = f.Ticket().Finestra("??");
    ASSERT_NE(nuovo, nullptr);
    nuovo->TitoloTxt->setText("Titolo");
    nuovo->EmailTxt->setText("me@x.it");
    nuovo->NuovoMessaggioTxt->setPlainText("primo");
    nuovo->BtInviaMessaggio->click();
    EXPECT_TRUE(arriva("#0201", "??|COD-1|me@x.it|Titolo|primo"));
    EXPECT_EQ(f.Ticket().Finestra("??"), nullptr);
}

TEST_F(FinestreServizio, EachSearchWindowGetsItsOwnResults) {
    TForm1& f = connetti();
    f.BtScibile->click();
    f.BtScibile->click();
    search::GestioneRicerca& ricerche = f.Ricerche();
    ASSERT_EQ(ricerche.FinestreRicerca.size(), 2);
    search::TForm_Ricerca& a = *ricerche.FinestreRicerca[0];
    search::TForm_Ricerca& b = *ricerche.FinestreRicerca[1];
    ASSERT_NE(a.IdRicerca, b.IdRicerca);
    const QByteArray idA = QByteArray::number(a.IdRicerca), idB = QByteArray::number(b.IdRicerca);

    QTest::keyClick(a.CercaTxt, Qt::Key_Return);
    EXPECT_TRUE(a.BtCerca->isEnabled()); // nothing to look for
    QTest::keyClicks(a.CercaTxt, "film");
    QTest::keyClick(a.CercaTxt, Qt::Key_Return);
    b.CercaTxt->setText("altro");
    b.BtCerca->click();
    EXPECT_FALSE(a.BtCerca->isEnabled());
    EXPECT_EQ(a.Risultati->Riga(0), QStringList({"Ricerca in corso....attendere...", "", "", ""}));
    ASSERT_TRUE(arriva("#0777", idA + "|film"));
    ASSERT_TRUE(arriva("#0777", idB + "|altro"));

    server_->send("#0777", idB + "|B1|||l1||||||a1|||3221225472|||ieri(|!|)"
                                 "B2|||l2|||p2||||||x|||oggi(|!|)B3|||l3|||p3|||a3|||1|||mai(|!|)");
    server_->send("#0771", idA + "|");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return a.BtCerca->isEnabled() && b.BtCerca->isEnabled(); }, 5000));
    EXPECT_EQ(a.Risultati->Riga(0),
              QStringList({"Devi attendere 5 secondi per ogni ricerca!", "", "", ""}));
    ASSERT_EQ(b.Risultati->rowCount(), 3);
    EXPECT_EQ(b.Risultati->Cella(0, search::colonna::Dimensione), "3072.00");
    EXPECT_EQ(b.Risultati->Cella(1, search::colonna::Dimensione), "0");

    b.ListaRisultati->selectAll();
    b.BtAggiungi->click();
    ASSERT_EQ(FinestreAggiungi().size(), 1);
    auto* dialogo = qobject_cast<queue::TForm_Add*>(FinestreAggiungi().first().data());
    ASSERT_NE(dialogo, nullptr);
    EXPECT_EQ(dialogo->ListaLink->toPlainText(), "l1\nl2\nl3\n");
    EXPECT_EQ(dialogo->Password->text(), "p2");
    EXPECT_EQ(dialogo->PasswordArchivio->text(), "a1");
    EXPECT_TRUE(dialogo->isVisible());

    f.Messaggi->OnRead(QString::fromLatin1("#0777" + idA + "|"));
    EXPECT_EQ(a.Risultati->Cella(0, 0), "Nessun risultato trovato :(");
    // The dialog goes with its search window; later replies find nobody.
    b.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ricerche.FinestreRicerca.size(), 1);
    EXPECT_TRUE(FinestreAggiungi().isEmpty());
    f.Messaggi->OnRead(QString::fromLatin1("#0777" + idB + "|x(|!|)"));
}

TEST_F(FinestreServizio, HugeRepliesFillTheListsAndTheWindowsStayUsable) {
    TForm1& f = connetti();
    f.BtScibile->click();
    search::TForm_Ricerca& finestra = *f.Ricerche().FinestreRicerca.first();
    QString rumore(16 * 1024 * 1024, QChar(u'\x02'));
    for (int i = 0; i < 256; ++i)
        rumore[i * 4096] = QChar(static_cast<char16_t>(i));
    const qsizetype troppi = service::kMassimoRecord + 10;
    f.Messaggi->OnRead("#0777" + QString::number(finestra.IdRicerca) + '|' + rumore +
                       QString("n|||l|||p|||a|||1|||c(|!|)").repeated(troppi));
    f.Messaggi->OnRead("#0210" + rumore + QString("T|||a|||b|||t|||d|||{|end|}").repeated(troppi));
    EXPECT_EQ(finestra.Risultati->rowCount(), service::kMassimoRecord);
    EXPECT_EQ(f.Ticket().Lista().Righe->rowCount(), service::kMassimoRecord);
    QElapsedTimer disegno;
    disegno.start();
    finestra.ListaRisultati->scrollToBottom();
    finestra.repaint();
    f.Ticket().Lista().repaint();
    EXPECT_LT(disegno.elapsed(), 2000);
}

TEST_F(FinestreServizio, NotesAreStoredAsTypedAndSurviveTheEndOfTheRun) {
    TForm1& f = start().Form1();
    auxiliary::TForm_Memo& memo = f.FormMemo();
    f.BtMemo->click();
    EXPECT_TRUE(memo.isVisible());
    EXPECT_EQ(memo.Memo1->toPlainText(), "Inserisci qui le tue note sui download");
    const QString testo = "Il file \"Film\" memo\n\nha la password \"x\" ' ?\n";
    memo.Memo1->setPlainText(testo);
    memo.close();
    EXPECT_EQ(memoSalvato(*f.Db()), testo);
    memo.Memo1->clear();
    f.BtMemo->click();
    EXPECT_EQ(memo.Memo1->toPlainText(), testo);
    EXPECT_FALSE(memo.Modificato());

    f.Db()->Execute("DELETE FROM table_memo");
    memo.Memo1->setPlainText("");
    memo.BtSalvataggio->click();
    EXPECT_FALSE(memo.BtSalvataggio->isEnabled());
    EXPECT_EQ(memoSalvato(*f.Db()), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return memo.BtSalvataggio->isEnabled(); }, 5000));

    memo.Memo1->setPlainText("all'uscita");
    f.ChiudiTarvolin2Click();
    drop();
    queue::Database db(installedData() + "database.opt");
    EXPECT_EQ(memoSalvato(db), "all'uscita");
}

} // namespace
