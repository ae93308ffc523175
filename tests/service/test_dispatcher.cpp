// Messages from the service server reaching their handlers, without a network.
#include "service/dispatcher.h"
#include "service/sessione.h"

#include <QTimer>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::service;

namespace {

struct DispatcherTest : ::testing::Test {
    QTimer a, b, c;
    Sessione sessione{&a, &b, &c};
    Dispatcher dispatcher{sessione};
    QList<Messaggio> avvisi;
    QStringList chiamate;

    DispatcherTest() {
        dispatcher.Avviso = [this](const Messaggio& m) { avvisi << m; };
        dispatcher.NuovoCodice = [this](const QString& codice) { chiamate << "codice " + codice; };
        dispatcher.LoginConfermato = [this] { chiamate << "login"; };
        dispatcher.Slot = [this](const QString& e, const QString& p) {
            chiamate << "slot " + e + " " + p;
        };
        dispatcher.EmailAggiornata = [this] { chiamate << "email"; };
        dispatcher.AggiornamentoObbligatorio = [this] { chiamate << "aggiorna"; };
    }
};

TEST_F(DispatcherTest, EachCodeReachesItsHandler) {
    dispatcher.OnRead("#0663NEW-CODE");
    dispatcher.OnRead("#0666whatever");
    dispatcher.OnRead("#0669me@x.it:se:cret");
    dispatcher.OnRead("#0665");
    dispatcher.OnRead("#0710ok");
    EXPECT_EQ(chiamate, QStringList({"codice NEW-CODE", "login", "slot me@x.it se:cret", "aggiorna",
                                     "email"}));
    ASSERT_EQ(avvisi.size(), 1);
    EXPECT_EQ(avvisi.first().testo, "La tua email è stata correttamente aggiornata!");
    EXPECT_EQ(avvisi.first().didascalia, "Conferma");
    EXPECT_EQ(avvisi.first().icona, Icona::Informazione);
}

TEST_F(DispatcherTest, ShortUnknownAndUnwiredCodesAreIgnored) {
    for (const char* m : {"", "#06", "#066", "#1234payload", "#0201T1|ADMIN|ciao",
                          "#0333 12|http://x", "#0777 1|r"})
        dispatcher.OnRead(m);
    EXPECT_TRUE(chiamate.isEmpty());
    EXPECT_TRUE(avvisi.isEmpty());
    dispatcher.OnRead("#0663"); // empty payload still is a code
    EXPECT_EQ(chiamate, QStringList({"codice "}));
}

TEST_F(DispatcherTest, SuspensionNeedsAWholeNumber) {
    QString stato;
    QObject::connect(&dispatcher, &Dispatcher::TestoStato, [&](const QString& t) { stato = t; });
    dispatcher.OnRead("#0650abc");
    EXPECT_FALSE(sessione.Sospeso());
    EXPECT_TRUE(avvisi.isEmpty());
    dispatcher.OnRead("#065059");
    EXPECT_TRUE(sessione.Sospeso());
    EXPECT_EQ(avvisi.last().testo,
              "Stai usando impropriamente alcune funzioni, sei bannato per 0 ore e 59 minuti!");
    EXPECT_EQ(stato,
              "Benvenuto, sei connesso al server di Tarvolin! Purtroppo sei bannato per 0 ore e 59 "
              "minuti a causa di un uso improprio di alcune funzioni. Riprova tra qualche ora.");
}

TEST_F(DispatcherTest, NoSlotMessage) {
    dispatcher.OnRead("#0668");
    ASSERT_EQ(avvisi.size(), 1);
    EXPECT_EQ(avvisi.first().testo, "Purtroppo al momento non ci sono SLOT easybytez "
                                    "disponibili, riprova tra qualche minuto :(");
    EXPECT_EQ(avvisi.first().didascalia, "Attenzione");
}

TEST(Payload, FieldsAndSlots) {
    EXPECT_EQ(LeggiCampo("a|b|c"), std::make_pair(QString("a"), QString("b|c")));
    EXPECT_EQ(LeggiCampo("nobar"), std::make_pair(QString(), QString("nobar")));
    EXPECT_EQ(LeggiSlot("u@x:p:q"), std::make_pair(QString("u@x"), QString("p:q")));
    EXPECT_EQ(LeggiSlot("solopassword"), std::make_pair(QString(), QString("solopassword")));
    EXPECT_EQ(LeggiSlot("u@x:" + QString(150, 'p')).second, QString(100, 'p'));
    EXPECT_EQ(LeggiSlot(QString(150, 'z')).second, QString(100, 'z'));
    EXPECT_EQ(TestiSospensione(125).first,
              "Stai usando impropriamente alcune funzioni, sei bannato per 2 ore e 5 minuti!");
}

} // namespace
