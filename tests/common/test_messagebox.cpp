#include "common_ui/messagebox.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <ostream>

namespace tarvolin {
namespace {

TEST(MessageBox, AnswererRepliesAndRecordsTheBox) {
    ScopedMessageBoxAnswerer answerer([](const Messaggio&) { return Risposta::No; });
    EXPECT_EQ(MostraMessaggio(nullptr, QStringLiteral("Delete the file?"),
                              QStringLiteral("Tarvolin"), Icona::Domanda, Pulsanti::SiNo),
              Risposta::No);
    ASSERT_EQ(answerer.shown().size(), 1);
    const Messaggio& m = answerer.shown().first();
    EXPECT_EQ(m.didascalia, QStringLiteral("Tarvolin"));
    EXPECT_EQ(m.testo, QStringLiteral("Delete the file?"));
    EXPECT_EQ(m.icona, Icona::Domanda);
    EXPECT_EQ(m.pulsanti, Pulsanti::SiNo);
}

TEST(MessageBox, WithoutAnswerFunctionTheBoxIsAccepted) {
    ScopedMessageBoxAnswerer answerer;
    EXPECT_EQ(MostraMessaggio(nullptr, QStringLiteral("Sure?"), QStringLiteral("T"), Icona::Domanda,
                              Pulsanti::SiNo),
              Risposta::Si);
    EXPECT_EQ(MostraMessaggio(nullptr, QStringLiteral("Done"), QStringLiteral("T")), Risposta::Ok);
    ASSERT_EQ(answerer.shown().size(), 2);
    EXPECT_EQ(answerer.shown()[1].icona, Icona::Avviso);
    EXPECT_EQ(answerer.shown()[1].pulsanti, Pulsanti::Ok);
}

TEST(MessageBox, NestedAnswererRestoresTheOuterOne) {
    ScopedMessageBoxAnswerer outer([](const Messaggio&) { return Risposta::No; });
    {
        ScopedMessageBoxAnswerer inner([](const Messaggio&) { return Risposta::Si; });
        EXPECT_EQ(MostraMessaggio(nullptr, QStringLiteral("inner"), QStringLiteral("T"),
                                  Icona::Domanda, Pulsanti::SiNo),
                  Risposta::Si);
        EXPECT_EQ(inner.shown().size(), 1);
    }
    EXPECT_TRUE(outer.shown().isEmpty());
    EXPECT_EQ(MostraMessaggio(nullptr, QStringLiteral("outer"), QStringLiteral("T"), Icona::Errore,
                              Pulsanti::SiNo),
              Risposta::No);
    ASSERT_EQ(outer.shown().size(), 1);
    EXPECT_EQ(outer.shown().first().testo, QStringLiteral("outer"));
    EXPECT_EQ(outer.shown().first().icona, Icona::Errore);
}

} // namespace
} // namespace tarvolin
