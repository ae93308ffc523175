// The main window's answers to the service server: the identification code, slots, updates.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/inifile.h"
#include "common/funzioni.h"
#include "common/statoprocesso.h"
#include "queue/database.h"
#include "service/dispatcher.h"
#include "service/sessione.h"
#include "support/app_fixture.h"
#include "support/fake_service_server.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;
using tarvolin::test::FrameRicevuto;

namespace {

class ServizioApp : public AppFixture {};

TEST_F(ServizioApp, NewCodeIsStoredShownAndPurgesHostLogins) {
    Applicazione& app = start();
    waitForMainWindow();
    TForm1& f = app.Form1();
    f.Db()->Execute("INSERT INTO table_token VALUES (NULL,'token','AB','easybytez','CD')");
    f.AccountEmail = "slot@x.it";
    f.Messaggi->OnRead("#0663NEW-42");
    EXPECT_EQ(f.CodiceIdentificativo, "NEW-42");
    EXPECT_EQ(f.LabelCodiceIdentificativo->text(), "Codice : NEW-42");
    EXPECT_TRUE(f.PanelNewVoucher->isVisible());
    EXPECT_EQ(f.NewVoucherReceived->toPlainText(), "NEW-42");
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "voucher", {}),
              XorHexEncode("NEW-42", "pW7dRt3QxN9bLz2M"));
    EXPECT_EQ(f.Db()->Query("SELECT id FROM table_token").RowCount(), 0);
    EXPECT_TRUE(f.AccountEmail.isEmpty());

    // "OK, ho capito." with no e-mail: the options ask for it, blinking.
    f.BitBtn1->click();
    EXPECT_FALSE(f.PanelNewVoucher->isVisible());
    EXPECT_TRUE(app.Opzioni().isVisible());
    EXPECT_TRUE(app.Opzioni().TimerColor->isActive());
    EXPECT_TRUE(app.Opzioni().EmailEvidenziata());

    f.Messaggi->OnRead("#0666");
    EXPECT_FALSE(Processo().LoginInAttesa);
}

TEST_F(ServizioApp, LoginReplyRefreshesTheStoredCodeAndTheLabelShowsThePanel) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    EXPECT_TRUE(Processo().LoginInAttesa);
    f.CodiceIdentificativo = "OLD-1";
    f.Messaggi->OnRead("#0666ok");
    EXPECT_EQ(f.LabelCodiceIdentificativo->text(), "Codice : OLD-1");
    EXPECT_EQ(f.NewVoucherReceived->toPlainText(), "OLD-1");
    EXPECT_EQ(IniFile(installedIni()).ReadString("generale", "voucher", {}),
              XorHexEncode("OLD-1", "pW7dRt3QxN9bLz2M"));
    EXPECT_FALSE(Processo().LoginInAttesa);

    waitForMainWindow();
    f.PanelNewVoucher->hide();
    f.LabelCodiceIdentificativoClick();
    EXPECT_TRUE(f.PanelNewVoucher->isVisible());
}

TEST_F(ServizioApp, SlotGivesTheAccountUnlessAPersonalOneIsSet) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    f.Messaggi->OnRead("#0669slot@x.it:pw1");
    EXPECT_EQ(f.AccountEmail, "slot@x.it");
    EXPECT_EQ(f.AccountPassword, "pw1");
    app.Opzioni().PersonalEmailEasybytez->setText("mine@x.it");
    app.Opzioni().PersonalPasswordEasybytez->setText("mypw");
    f.Messaggi->OnRead("#0669other@x.it:pw2");
    EXPECT_EQ(f.AccountEmail, "mine@x.it");
    EXPECT_EQ(f.AccountPassword, "mypw");
}

TEST_F(ServizioApp, DisconnectionClearsTheAccountAndEnablesWaitingButtons) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    f.AccountEmail = "slot@x.it";
    app.Opzioni().BtAggiornaEmail->setEnabled(false);
    f.BtTicket->setEnabled(false);
    emit f.Servizio->Disconnesso();
    EXPECT_TRUE(f.AccountEmail.isEmpty());
    EXPECT_TRUE(app.Opzioni().BtAggiornaEmail->isEnabled());
    EXPECT_TRUE(f.BtTicket->isEnabled());
}

TEST_F(ServizioApp, RefusedUpdateEndsTheProgramWithoutSaving) {
    Applicazione& app = start();
    waitForMainWindow();
    nextAnswer_ = Risposta::No;
    QTimer::singleShot(0, [&] { app.Form1().Messaggi->OnRead("#0665"); });
    EXPECT_EQ(QApplication::exec(), 0);
    ASSERT_EQ(boxes_->shown().size(), 2);
    EXPECT_EQ(boxes_->shown().at(0).testo,
              "E' necessario aggiornare la versione di Tarvolin per poter "
              "continuare, effettuare adesso l'aggiornamento automatico?");
    EXPECT_EQ(boxes_->shown().at(0).pulsanti, Pulsanti::SiNo);
    EXPECT_EQ(boxes_->shown().at(1).testo,
              "Tarvolin verrà chiuso poichè la versione dev'essere obbligatoriamente aggiornata!");
    EXPECT_TRUE(app.Form1().Servizio->Sospeso());
    EXPECT_TRUE(Processo().AggiornamentoRichiesto);
    EXPECT_FALSE(QFileInfo::exists(installedIni())); // no close question, nothing saved
}

TEST_F(ServizioApp, WholeSessionAgainstALocalServer) {
    FakeServiceServer server;
    server.onFrame("#0666", [](const FrameRicevuto& f) {
        FakeServiceServer::Reply reply;
        if (f.payload.startsWith("FREEUSER|"))
            reply.append(qMakePair(QByteArray("#0663"), QByteArray("SRV-7")));
        reply.append(qMakePair(QByteArray("#0666"), QByteArray("OK")));
        return reply;
    });
    app_ = std::make_unique<Applicazione>();
    TForm1& f = app_->Form1();
    f.Servizio->ImpostaServer("127.0.0.1", server.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Processo().LoginInAttesa; }, 10000));
    EXPECT_EQ(server.frames().first().code, "#0666");
    EXPECT_EQ(server.frames().first().payload, "FREEUSER|6.04.00|NULL");
    EXPECT_EQ(f.CodiceIdentificativo, "SRV-7");
    EXPECT_TRUE(f.PanelNewVoucher->isVisible());
    EXPECT_EQ(f.LabelCodiceIdentificativo->text(), "Codice : SRV-7");
    EXPECT_EQ(f.StatusBar1->currentMessage(), "Connesso al server di Tarvolin.");

    // The options' e-mail update now really goes out, and its reply enables the button again.
    app_->Opzioni().EmailCliente->setText("cliente@example.com");
    app_->Opzioni().BtAggiornaEmail->click();
    EXPECT_FALSE(app_->Opzioni().BtAggiornaEmail->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.frames().size() >= 2; }, 5000));
    EXPECT_EQ(server.frames().at(1).code, "#0710");
    EXPECT_EQ(server.frames().at(1).payload, "cliente@example.com");
    server.send("#0710", "");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return app_->Opzioni().BtAggiornaEmail->isEnabled(); }, 5000));
}

} // namespace
