#include "queue/database.h"
#include "queue/righe.h"
#include "queue/schema.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace tarvolin::queue {
namespace {

class RigheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_.emplace(dir_.filePath(QStringLiteral("queue.db")));
        CreaTabelle(*db_);
    }

    QString AddDownload(const QString& passlink, const QString& password,
                        const QString& autoextract, const QString& gruppo,
                        const QString& completato = QStringLiteral("0")) {
        db_->Execute(QStringLiteral("INSERT INTO table_download VALUES "
                                    "(NULL, 'http://example.org/f', ?, ?, ?, ?, '', '', ?)"),
                     {passlink, password, autoextract, gruppo, completato});
        return QString::number(db_->LastRowId());
    }

    QTemporaryDir dir_;
    std::optional<Database> db_;
};

TEST(LeggiBooleano, ParsesIntegersAndWordsOnly) {
    const struct {
        const char* text;
        std::optional<bool> expected;
    } cases[] = {
        {"True", true},        {"true", true},        {"TRUE", true},
        {"1", true},           {"-1", true},          {"2", true},
        {"+7", true},          {"10", true},          {"123456789012345678901234567890", true},
        {"0", false},          {"-0", false},         {"000", false},
        {"False", false},      {"false", false},      {"FALSE", false},
        {"", std::nullopt},    {" ", std::nullopt},   {"abc", std::nullopt},
        {"1.5", std::nullopt}, {"-", std::nullopt},   {" 1", std::nullopt},
        {"1 ", std::nullopt},  {"yes", std::nullopt}, {"truee", std::nullopt},
        {"0x1", std::nullopt}, {"١", std::nullopt}, // a non-ASCII digit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LeggiBooleano(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(LeggiBooleano, ReadsBackWhatTestoBooleanoWrites) {
    EXPECT_EQ(TestoBooleano(true), QStringLiteral("-1"));
    EXPECT_EQ(TestoBooleano(false), QStringLiteral("0"));
    EXPECT_EQ(LeggiBooleano(TestoBooleano(true)), true);
    EXPECT_EQ(LeggiBooleano(TestoBooleano(false)), false);
}

TEST_F(RigheTest, CodaVuota) {
    EXPECT_TRUE(CodaVuota(*db_));
    AddDownload({}, {}, QStringLiteral("0"), {}, QStringLiteral("1"));
    EXPECT_TRUE(CodaVuota(*db_));
    AddDownload({}, {}, QStringLiteral("0"), {}, QStringLiteral("0"));
    EXPECT_FALSE(CodaVuota(*db_));

    // An unreadable queue must not pass for an empty one.
    db_->Execute(QStringLiteral("DROP TABLE table_download"));
    EXPECT_FALSE(CodaVuota(*db_));
}

QStringList* registrati = nullptr; // where the handler below puts the lines it sees

void registra(QtMsgType, const QMessageLogContext& contesto, const QString& testo) {
    registrati->append(QString::fromLatin1(contesto.category) + ": " + testo);
}

// A swallowed failure leaves a line only for a user who turned the category on.
TEST_F(RigheTest, ASwallowedFailureIsLoggedOnlyWhenAsked) {
    db_->Execute(QStringLiteral("DROP TABLE table_download"));
    QStringList righe;
    registrati = &righe;
    const QtMessageHandler prima = qInstallMessageHandler(registra);
    const std::pair<QString, qsizetype> casi[] = {
        {{}, 0},
        {QStringLiteral("tarvolin.*.debug=true"), 1},
        {QStringLiteral("tarvolin.engine.debug=true"), 0}};
    for (const auto& [regole, attese] : casi) {
        righe.clear();
        QLoggingCategory::setFilterRules(regole);
        EXPECT_FALSE(CodaVuota(*db_));
        EXPECT_EQ(righe.size(), attese) << regole.toStdString();
        if (attese > 0) {
            EXPECT_TRUE(righe.value(0).startsWith("tarvolin.queue: queue not read:"))
                << righe.value(0).toStdString();
        }
    }
    QLoggingCategory::setFilterRules({});
    qInstallMessageHandler(prima);
    registrati = nullptr;
}

TEST_F(RigheTest, DettagliOfStoredAndMissingRows) {
    AddDownload(QStringLiteral("other"), {}, QStringLiteral("0"), QStringLiteral("x"));
    const QString id = AddDownload(QStringLiteral("link"), QStringLiteral("pa\"ss"),
                                   TestoBooleano(true), QStringLiteral("gruppo"));

    const DettagliDownload d = LeggiDettagliDownload(*db_, id);
    EXPECT_EQ(d.passlink, QStringLiteral("link"));
    EXPECT_EQ(d.passwordArchivio, QStringLiteral("pa\"ss"));
    EXPECT_TRUE(d.autoExtract);
    EXPECT_EQ(d.gruppo, QStringLiteral("gruppo"));

    const DettagliDownload first = LeggiDettagliDownload(*db_, QStringLiteral("1"));
    EXPECT_EQ(first.passlink, QStringLiteral("other"));
    EXPECT_FALSE(first.autoExtract);
    EXPECT_EQ(first.gruppo, QStringLiteral("x"));

    const DettagliDownload missing = LeggiDettagliDownload(*db_, QStringLiteral("999"));
    EXPECT_TRUE(missing.passlink.isEmpty());
    EXPECT_TRUE(missing.passwordArchivio.isEmpty());
    EXPECT_FALSE(missing.autoExtract);
    EXPECT_TRUE(missing.gruppo.isEmpty());
}

TEST_F(RigheTest, DettagliStopAtUnreadableAutoextract) {
    for (const QString& bad : {QString(), QStringLiteral("maybe")}) {
        SCOPED_TRACE(bad.toStdString());
        const QString id =
            AddDownload(QStringLiteral("p"), QStringLiteral("w"), bad, QStringLiteral("g"));
        const DettagliDownload d = LeggiDettagliDownload(*db_, id);
        EXPECT_EQ(d.passlink, QStringLiteral("p"));
        EXPECT_EQ(d.passwordArchivio, QStringLiteral("w"));
        EXPECT_FALSE(d.autoExtract);
        EXPECT_TRUE(d.gruppo.isEmpty());
    }
}

TEST_F(RigheTest, GroupsNamedLikeColumnsRoundTrip) {
    // Unbound, "gruppo" and "link" would compare the columns with themselves and hit every row.
    AddDownload({}, {}, QStringLiteral("0"), QStringLiteral("link"));
    AddDownload({}, {}, QStringLiteral("0"), QStringLiteral("gruppo"));
    AddDownload({}, {}, QStringLiteral("0"), QStringLiteral("a\"b"));
    AddDownload({}, {}, QStringLiteral("0"), QStringLiteral("x'); DELETE FROM table_download; --"));
    AddDownload({}, {}, QStringLiteral("0"), QStringLiteral("plain"));

    const auto count = [this](const QString& gruppo) {
        return db_
            ->Query(QStringLiteral("SELECT id FROM table_download WHERE gruppo = ?"), {gruppo})
            .RowCount();
    };
    EXPECT_EQ(count(QStringLiteral("link")), 1);
    EXPECT_EQ(count(QStringLiteral("gruppo")), 1);
    EXPECT_EQ(count(QStringLiteral("a\"b")), 1);
    EXPECT_EQ(count(QStringLiteral("x'); DELETE FROM table_download; --")), 1);

    db_->Execute(QStringLiteral("UPDATE table_download SET gruppo = ? WHERE gruppo = ?"),
                 {QStringLiteral("link"), QStringLiteral("gruppo")});
    EXPECT_EQ(count(QStringLiteral("link")), 2);
    EXPECT_EQ(count(QStringLiteral("gruppo")), 0);
    EXPECT_EQ(count(QStringLiteral("plain")), 1);

    db_->Execute(QStringLiteral("UPDATE table_download SET gruppo = ? WHERE gruppo = ?"),
                 {QStringLiteral("gruppo"), QStringLiteral("a\"b")});
    EXPECT_EQ(count(QStringLiteral("gruppo")), 1);
    EXPECT_EQ(count(QStringLiteral("a\"b")), 0);
    EXPECT_EQ(count(QStringLiteral("plain")), 1);
}

} // namespace
} // namespace tarvolin::queue
