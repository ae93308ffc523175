// The ticket and search payloads read without a window.
#include "search/risultati.h"
#include "service/record.h"
#include "tickets/recordticket.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;

namespace {

TEST(RecordServizio, TicketDatesAreShownDayFirst) {
    const std::pair<QString, QString> casi[] = {
        {"2021-03-04 05:06:07", "04/03/2021 05.06.07"},
        {"2021-03-04 05:06:07 extra", "04/03/2021 05.06.07"},
        {"2021-03", "/03/2021 "},
        {"", "// "},
    };
    for (const auto& [data, attesa] : casi)
        EXPECT_EQ(tickets::FormatDataTicket(data), attesa) << data.toStdString();
}

TEST(RecordServizio, TicketListRecords) {
    const auto righe =
        tickets::LeggiListaTicket(u"T1|||a|||b|||Primo|||2021-03-04 05:06:07|||{|end|}"
                                  u"T2|||a|||b|||Secondo|||2021-01-02 03:04:05|||x|||ignored{|end|}"
                                  u"T3|||a|||b|||Senza fine|||2021-01-02 03:04:05|||x|||");
    ASSERT_EQ(righe.size(), 2u);
    EXPECT_EQ(righe[0], QStringList({"Primo", "04/03/2021 05.06.07", "Aperto", "T1", "a", "b"}));
    EXPECT_EQ(righe[1][tickets::colonna::Status], "Chiuso");
}

TEST(RecordServizio, ConversationLinesNameTheSenderAndStayOneLineEach) {
    const auto righe =
        tickets::LeggiConversazione(u"ADMIN|||ciao|||2021-03-04 05:06:07|||{|end|}"
                                    u"mario|||due\nrighe\r\ne mezza|||2021-03-04 05:07:00|||{|end|}"
                                    u"admin|||x|||2021-03-04 05:0\n:07{|end|}");
    ASSERT_EQ(righe.size(), 3u);
    EXPECT_EQ(righe[0].testo, "04/03/2021 05.06.07 - ADMIN > ciao");
    EXPECT_TRUE(righe[0].admin);
    EXPECT_EQ(righe[1].testo, "04/03/2021 05.07.00 - TU > due righe  e mezza");
    EXPECT_FALSE(righe[1].admin);
    EXPECT_EQ(righe[2].testo, "04/03/2021 05.0 .07 - TU > x");
    EXPECT_FALSE(righe[2].admin); // only "ADMIN" is an operator
}

TEST(RecordServizio, SearchRecords) {
    const std::pair<QString, QString> dimensioni[] = {
        {"3221225472", "3072.00"},
        {"0", "0.00"},
        {"1572864", "1.50"},
        {"abc", "0"},
        {"12x", "0"},
        {"", "0"},
        {"99999999999999999999", "0"},
    };
    for (const auto& [byte, attesa] : dimensioni)
        EXPECT_EQ(search::ColonnaDimensione(byte), attesa) << byte.toStdString();

    const auto righe = search::LeggiRisultati(
        u"Film.rar|||http://h/1|||pw|||apw|||3221225472|||2023-01-01 || x|||y(|!|)"
        u"solo nome(|!|)resto senza chiusura");
    ASSERT_EQ(righe.size(), 2u);
    EXPECT_EQ(righe[0], QStringList({"Film.rar", "http://h/1", "pw", "apw", "3072.00",
                                     "2023-01-01 || x|||y"}));
    EXPECT_EQ(righe[1], QStringList({"solo nome", "", "", "", "0", ""}));
}

// Binary bytes, a 16 MiB stretch without separators and more records than a list holds.
TEST(RecordServizio, HostilePayloadsStayBounded) {
    QString rumore(16 * 1024 * 1024, QChar(u'\x01'));
    for (int i = 0; i < 256; ++i)
        rumore[i * 4096] = QChar(static_cast<char16_t>(i));
    const qsizetype troppi = service::kMassimoRecord + 5000;
    const auto ostile = [&](const QString& record) -> QString {
        return rumore + record.repeated(troppi);
    };
    EXPECT_EQ(tickets::LeggiListaTicket(ostile("a|||b|||{|end|}")).size(),
              size_t(service::kMassimoRecord));
    EXPECT_EQ(tickets::LeggiConversazione(ostile("ADMIN|||x{|end|}")).size(),
              size_t(service::kMassimoRecord));
    const auto risultati = search::LeggiRisultati(ostile("n|||l(|!|)"));
    ASSERT_EQ(risultati.size(), size_t(service::kMassimoRecord));
    EXPECT_EQ(risultati.front()[0].size(), rumore.size() + 1); // the noise heads the first record
}

} // namespace
