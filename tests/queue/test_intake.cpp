#include "common/clock.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/schema.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace tarvolin::queue {
namespace {

TEST(CodificaLink, EncodesPathAndQueryAndDropsWhatIsNotFetched) {
    const struct {
        const char* link;
        const char* expected;
    } cases[] = {
        {"http://user:pw@www.host.com:80/dir a\\sub/file name%20x.rar?a=b c+d#frag",
         "http://www.host.com/dir%20a/sub/file%20name%2520x.rar?a=b%20c+d"},
        // Spaces and percent signs.
        {"http://h.com/a b.rar", "http://h.com/a%20b.rar"},
        {"http://h.com/a%20b.rar", "http://h.com/a%2520b.rar"},
        {"http://h.com/%41?x=%41", "http://h.com/%2541?x=%2541"},
        // Default ports, by scheme in any case; other ports and schemes keep theirs.
        {"http://h.com:80/f", "http://h.com/f"},
        {"HTTP://h.com:80/f", "HTTP://h.com/f"},
        {"https://h.com:443/f", "https://h.com/f"},
        {"Https://h.com:443/f", "Https://h.com/f"},
        {"ftp://h.com:21/f", "ftp://h.com/f"},
        {"FTP://h.com:21/f", "FTP://h.com/f"},
        {"http://h.com:443/f", "http://h.com:443/f"},
        {"https://h.com:80/f", "https://h.com:80/f"},
        {"ftp://h.com:80/f", "ftp://h.com:80/f"},
        {"sftp://h.com:22/f", "sftp://h.com:22/f"},
        {"sftp://h.com:21/f", "sftp://h.com:21/f"},
        {"http://h.com:8080/f", "http://h.com:8080/f"},
        {"https://h.com:8443/a+b.zip", "https://h.com:8443/a%2Bb.zip"},
        {"http://h.com:/f", "http://h.com/f"},
        {"http://[::1]:8080/f", "http://[::1]:8080/f"},
        {"http://[::1]:80/f", "http://[::1]/f"},
        {"http://[::1]/f", "http://[::1]/f"},
        // User information, up to the last "@" of the host part only.
        {"http://u:p@h.com/f", "http://h.com/f"},
        {"http://a@b@h.com:8080/f", "http://h.com:8080/f"},
        {"ftp://user@h.com:21/f", "ftp://h.com/f"},
        {"http://h.com/a@b:c/f", "http://h.com/a@b:c/f"},
        {"http://h.com:8080/x@y", "http://h.com:8080/x@y"},
        // Fragments, split off before anything else.
        {"http://h.com/f.rar#x y", "http://h.com/f.rar"},
        {"http://h.com/f#a?b=c", "http://h.com/f"},
        {"http://h.com/f?q#a?b", "http://h.com/f?q"},
        // Backslashes turn into slashes before the query only.
        {"http://h.com\\dir\\f.rar", "http://h.com/dir/f.rar"},
        {"http:\\\\h.com\\f", "http://h.com/f"},
        {"http://h.com/f.rar?p=a\\b", "http://h.com/f.rar?p=a%5Cb"},
        // Control characters, blanks and anything beyond ASCII, as UTF-8 bytes.
        {"http://h.com/a\tb\x01"
         "c",
         "http://h.com/a%09b%01c"},
        {"http://h.com/a\x7f"
         "b",
         "http://h.com/a\x7f"
         "b"},
        {"http://h.com/perché.rar", "http://h.com/perch%C3%A9.rar"},
        {"http://h.com/€\u00a0\u0080", "http://h.com/%E2%82%AC%C2%A0%C2%80"},
        {"http://h.com/😀", "http://h.com/%F0%9F%98%80"},
        {"http://h.com/f?q=è é\t", "http://h.com/f?q=%C3%A8%20%C3%A9%09"},
        // Each character of the set; only the path encodes "+".
        {"http://h.com/*<>%\"{}|^[]`+", "http://h.com/%2A%3C%3E%25%22%7B%7D%7C%5E%5B%5D%60%2B"},
        {"http://h.com/f?*<>%\"{}|\\^[]`+",
         "http://h.com/f?%2A%3C%3E%25%22%7B%7D%7C%5C%5E%5B%5D%60+"},
        {"http://h.com/a-b_c.d~e!$&'()=,;:/f", "http://h.com/a-b_c.d~e!$&'()=,;:/f"},
        // An empty query leaves no "?".
        {"http://h.com/f?", "http://h.com/f"},
        {"http://h.com/f?#x", "http://h.com/f"},
        // No path at all; the host kept as typed.
        {"http://h.com", "http://h.com"},
        {"http://h.com:81", "http://h.com:81"},
        {"http://h.com?a=1", "http://h.com?a=1"},
        {"http://WWW.H.com/F", "http://WWW.H.com/F"},
        {"http://perché.it/a", "http://perché.it/a"},
        // Without "://" the whole text is a path.
        {"www.h.com/a b", "www.h.com/a%20b"},
        {"http:h.com/a b?x y", "http:h.com/a%20b?x%20y"},
        {"a@b:80\\c", "a@b:80/c"},
        {"", ""},
        {"?", ""},
        {"#", ""},
        {"://", "://"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(CodificaLink(QString::fromUtf8(c.link)), QString::fromUtf8(c.expected));
    }
}

TEST(CodificaLink, SurvivesMalformedText) {
    const QString cases[] = {
        QStringLiteral("http://"),
        QStringLiteral("http://@"),
        QStringLiteral("http://:"),
        QStringLiteral("http://[::1"),
        QStringLiteral("http://[:80/f"),
        QStringLiteral(":///?#"),
        QString(QChar(0xD800)),
        QStringLiteral("http://h/") + QChar(0xDC00),
        QString(1000, u'\\'),
        QString(1000, u'%'),
    };
    for (const QString& link : cases) {
        SCOPED_TRACE(link.toStdString());
        const QString encoded = CodificaLink(link);
        // Everything past the host is ASCII once encoded.
        const qsizetype host = encoded.indexOf(QLatin1String("://"));
        const QString tail = host < 0 ? encoded : encoded.mid(host + 3);
        for (const QChar c : tail) {
            EXPECT_GT(c.unicode(), 32);
            EXPECT_LT(c.unicode(), 128);
        }
    }
    EXPECT_EQ(CodificaLink(QString(1000, u'%')),
              QString(1000, u'%').replace(u'%', QStringLiteral("%25")));
    EXPECT_EQ(CodificaLink(QStringLiteral("http://[::1")), QStringLiteral("http://[::1"));
}

TEST(DividiRighe, SplitsAtEveryKindOfLineBreak) {
    const struct {
        const char* text;
        QStringList expected;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc", {"a", "b", "c"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\n", {"a", ""}},
        {"a\r\n\r\n", {"a", ""}},
        {"\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"\nb", {"", "b"}},
        {" a \n\tb ", {" a ", "\tb "}},
        {"a\u2028b", {"a\u2028b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf8(c.text).toUtf8().toPercentEncoding().toStdString());
        EXPECT_EQ(DividiRighe(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(TrimRiga, TrimsBlanksAndControlCharactersOnly) {
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QStringLiteral(" \t a b \r\n\x01"), QStringLiteral("a b")},
        {QString(QChar(0)) + QStringLiteral("a") + QChar(0), QStringLiteral("a")},
        {QStringLiteral(" \t\x1f "), QString()},
        {QString(), QString()},
        {QStringLiteral("a"), QStringLiteral("a")},
        {QStringLiteral("\u00a0a\u00a0"), QStringLiteral("\u00a0a\u00a0")},
        {QStringLiteral("\x7f"
                        "a!"),
         QStringLiteral("\x7f"
                        "a!")},
        {QStringLiteral("!a\x21"), QStringLiteral("!a!")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toUtf8().toPercentEncoding().toStdString());
        EXPECT_EQ(TrimRiga(c.text), c.expected);
    }
}

TEST(ValidaRighe, StopsAtTheFirstLineThatDecides) {
    const QStringList domini = {QStringLiteral("linkfolder.example"),
                                QStringLiteral("second.example")};
    const auto ok = EsitoValidazione::Ok;
    const auto bad = EsitoValidazione::NonConforme;
    const auto folder = EsitoValidazione::CartellaLink;
    const struct {
        QStringList righe;
        EsitoValidazione::Tipo expected;
    } cases[] = {
        {{}, ok},
        {{"http://h/a", "HTTPS://h/b", "www.h/c", "WwW.h/d", "http:x", "hTtPs:y"}, ok},
        {{"ftp://h/a"}, bad},
        {{"http://h/a", ""}, bad},
        {{" http://h/a"}, bad},
        {{"wwwx.h/a"}, bad},
        {{"httpx://h"}, bad},
        {{"https//h"}, bad},
        {{"http://h/a", "http://LinkFolder.Example/x", "garbage"}, folder},
        {{"www.linkfolder.example/x"}, folder},
        {{"garbage", "http://linkfolder.example/x"}, bad},
        {{"http://h/a", "garbage", "http://linkfolder.example/x"}, bad},
        // Only the first domain is refused in a list.
        {{"http://h/a", "http://second.example/x"}, ok},
        // A line that is refused as a link is not looked at for the domain.
        {{"ftp://linkfolder.example/x"}, bad},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.righe.join(u'|').toStdString());
        const EsitoValidazione esito = ValidaRighe(c.righe, domini);
        EXPECT_EQ(esito.tipo, c.expected);
        EXPECT_EQ(esito.dominio,
                  c.expected == folder ? QStringLiteral("linkfolder.example") : QString());
    }
}

TEST(ValidaRighe, MissingDomainsMatchNothing) {
    const QStringList righe = {QStringLiteral("http://h/a")};
    EXPECT_EQ(ValidaRighe(righe, {}).tipo, EsitoValidazione::Ok);
    EXPECT_EQ(ValidaRighe(righe, {QString()}).tipo, EsitoValidazione::Ok);
    EXPECT_EQ(ValidaRighe(righe, {QStringLiteral("H/A")}).tipo, EsitoValidazione::CartellaLink);
}

TEST(CartellaLinkSingola, OneLineIntoEitherDomain) {
    const QStringList domini = {QStringLiteral("first.example"), QStringLiteral("second.example"),
                                QStringLiteral("third.example")};
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"http://first.example/f/1", true},
        {"http://SECOND.example/f", true},
        {"http://third.example/f", false},
        {"http://other.example/f", false},
        {"", false},
        {"http://first.example/a\nhttp://h/b", false},
        {"http://h/b\nhttp://first.example/a", false},
        {"http://first.example/a\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CartellaLinkSingola(QString::fromUtf8(c.text), domini), c.expected);
    }
    EXPECT_FALSE(CartellaLinkSingola(QStringLiteral("http://h/"), {}));
    EXPECT_FALSE(CartellaLinkSingola(QStringLiteral("http://h/"), {QString(), QString()}));
    EXPECT_TRUE(CartellaLinkSingola(QStringLiteral("http://second.example/"),
                                    {QString(), QStringLiteral("second.example")}));
}

TEST(ContieneMultiParte, RecognisesFirstVolumes) {
    const struct {
        QStringList righe;
        bool expected;
    } cases[] = {
        {{"file.part01.rar.html"}, true},
        {{"x.z01"}, true},
        {{"x.Z001"}, true},
        {{"x.part1.rar"}, true},
        {{"X.PART001.RAR"}, true},
        {{"http://h/x.part01.rar?dl=1"}, true},
        {{"a.zip", "b.part1.rar"}, true},
        {{"x.zip"}, false},
        {{"x.part2.rar"}, false},
        {{"x.part10.rar"}, false},
        {{"x.part1.zip"}, false},
        {{"x.z02"}, false},
        {{"x.z0001"}, false},
        {{"x.z01.txt"}, false},
        {{"x.z01?dl=1"}, false},
        {{"http://h.com/z01"}, false},
        {{"z01"}, false},
        {{""}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.righe.join(u'|').toStdString());
        EXPECT_EQ(ContieneMultiParte(c.righe), c.expected);
    }
}

TEST(GruppoAutomatico, IsTheUptimeInMilliseconds) {
    const qint64 before = clock::MillisecondiDallAvvio();
    const QString gruppo = GruppoAutomatico();
    const qint64 after = clock::MillisecondiDallAvvio();

    ASSERT_TRUE(gruppo.startsWith(QLatin1String("!GR-"))) << gruppo.toStdString();
    bool ok = false;
    const qint64 value = gruppo.mid(4).toLongLong(&ok);
    ASSERT_TRUE(ok) << gruppo.toStdString();
    EXPECT_EQ(gruppo.mid(4), QString::number(value));
    EXPECT_GE(value, before);
    EXPECT_LE(value, after);
}

TEST(TestoVisualizzato, AddsTheSchemeToBareWwwAddresses) {
    const struct {
        const char* riga;
        const char* expected;
    } cases[] = {
        {"www.h.com/a", "http://www.h.com/a"},  {"WWW.h.com/a", "http://WWW.h.com/a"},
        {"wWw.h.com/a", "http://wWw.h.com/a"},  {"http://www.h.com/a", "http://www.h.com/a"},
        {"https://h.com/a", "https://h.com/a"}, {"ww.h.com", "ww.h.com"},
        {" www.h.com", " www.h.com"},           {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.riga);
        EXPECT_EQ(TestoVisualizzato(QString::fromUtf8(c.riga)), QString::fromUtf8(c.expected));
    }
}

struct Riga {
    QString id, link, passlink, password, autoextract, gruppo, nomefile, dimensione, completato;
};

class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_.emplace(dir_.filePath(QStringLiteral("queue.db")));
        CreaTabelle(*db_);
    }

    Database& db() { return *db_; }

    void AddRow(const QString& link, const QString& completato) {
        db().Execute(QStringLiteral("INSERT INTO table_download VALUES "
                                    "(NULL, ?, '', '', '0', '', 'f', '10', ?)"),
                     {link, completato});
    }

    std::vector<Riga> Rows() {
        RowSet rows = db().Query(QStringLiteral("SELECT * FROM table_download ORDER BY id"));
        std::vector<Riga> out;
        for (; !rows.Eof(); rows.Next()) {
            const auto v = [&](const char* column) {
                return rows.Value(QString::fromLatin1(column));
            };
            out.push_back({v("id"), v("link"), v("passlink"), v("passwordarchivio"),
                           v("autoextract"), v("gruppo"), v("nomefile"), v("dimensione"),
                           v("completato")});
        }
        return out;
    }

    QStringList Links() {
        QStringList links;
        for (const Riga& riga : Rows()) {
            links << riga.link;
        }
        return links;
    }

    QList<LinkAggiunto> Add(const QString& testo) {
        return AggiungiLink(db(), testo, QStringLiteral("pl"), QStringLiteral("pw"),
                            QStringLiteral("g"), false);
    }

    QTemporaryDir dir_;
    std::optional<Database> db_;
};

TEST_F(IntakeTest, InserisciLinkStoresAWaitingRowVerbatim) {
    const QString password = QStringLiteral("a\"b'c; DROP TABLE table_download; --");
    const qint64 first = InserisciLink(db(), QStringLiteral("http://h/1"), QStringLiteral("p\"l"),
                                       password, true, QStringLiteral("link"));
    const qint64 second =
        InserisciLink(db(), QStringLiteral("http://h/2"), QString(), QString(), false, QString());
    EXPECT_NE(first, second);

    const std::vector<Riga> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, QString::number(first));
    EXPECT_EQ(rows[0].link, QStringLiteral("http://h/1"));
    EXPECT_EQ(rows[0].passlink, QStringLiteral("p\"l"));
    EXPECT_EQ(rows[0].password, password);
    EXPECT_EQ(rows[0].autoextract, QStringLiteral("-1"));
    EXPECT_EQ(rows[0].gruppo, QStringLiteral("link"));
    EXPECT_EQ(rows[0].nomefile, QString());
    EXPECT_EQ(rows[0].dimensione, QString());
    EXPECT_EQ(rows[0].completato, QStringLiteral("0"));
    EXPECT_EQ(rows[1].id, QString::number(second));
    EXPECT_EQ(rows[1].autoextract, QStringLiteral("0"));
    EXPECT_EQ(rows[1].passlink, QString());
}

TEST_F(IntakeTest, LinkEsistenteSeesWaitingRowsOnly) {
    AddRow(QStringLiteral("http://h/waiting"), QStringLiteral("0"));
    AddRow(QStringLiteral("http://h/done"), QStringLiteral("1"));
    AddRow(QStringLiteral("http://h/failed"), QStringLiteral("2"));
    AddRow(QStringLiteral("http://h/it's"), QStringLiteral("0"));

    EXPECT_TRUE(LinkEsistente(db(), QStringLiteral("http://h/waiting")));
    EXPECT_TRUE(LinkEsistente(db(), QStringLiteral("http://h/it's")));
    EXPECT_FALSE(LinkEsistente(db(), QStringLiteral("http://h/done")));
    EXPECT_FALSE(LinkEsistente(db(), QStringLiteral("http://h/failed")));
    EXPECT_FALSE(LinkEsistente(db(), QStringLiteral("http://H/waiting")));
    EXPECT_FALSE(LinkEsistente(db(), QStringLiteral("http://h/waiting ")));
    EXPECT_FALSE(LinkEsistente(db(), QStringLiteral("x' OR '1'='1")));
}

TEST_F(IntakeTest, AddsEachNewLinkOnceInTextOrder) {
    AddRow(QStringLiteral("http://h/pending"), QStringLiteral("0"));
    AddRow(QStringLiteral("http://h/done"), QStringLiteral("1"));
    AddRow(QStringLiteral("http://h/failed"), QStringLiteral("2"));

    const QString testo = QStringLiteral("http://h/b c.rar\r\n"
                                         "http://h/pending\n"
                                         "http://h/done\n"
                                         "www.h/w\n"
                                         "http://h/b c.rar\n"
                                         "http://h:80/b c.rar\n"
                                         "http://h:80/b%20c.rar\n"
                                         "http://www.h/w#x\n"
                                         "http://h/failed\r"
                                         "http://h/it's\n"
                                         "http://h/it's\n");
    const QList<LinkAggiunto> added = Add(testo);

    const QStringList expectedTesto = {"http://h/b c.rar",      "http://h/done",   "http://www.h/w",
                                       "http://h:80/b%20c.rar", "http://h/failed", "http://h/it's"};
    const QStringList expectedLink = {"http://h/b%20c.rar",   "http://h/done",   "http://www.h/w",
                                      "http://h/b%2520c.rar", "http://h/failed", "http://h/it's"};
    ASSERT_EQ(added.size(), expectedTesto.size());
    for (qsizetype i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(added[i].testo, expectedTesto[i]);
        EXPECT_EQ(added[i].link, expectedLink[i]);
    }

    const std::vector<Riga> rows = Rows();
    ASSERT_EQ(rows.size(), 3u + added.size());
    for (qsizetype i = 0; i < added.size(); ++i) {
        const Riga& row = rows[3 + static_cast<size_t>(i)];
        EXPECT_EQ(row.id, QString::number(added[i].id));
        EXPECT_EQ(row.link, added[i].link);
        EXPECT_EQ(row.completato, QStringLiteral("0"));
    }
    EXPECT_FALSE(db().InTransaction());
}

TEST_F(IntakeTest, StoresTheDetailsVerbatimOnEveryRow) {
    const QString password = QStringLiteral("pa\"ss'; --");
    const QList<LinkAggiunto> added =
        AggiungiLink(db(), QStringLiteral("http://h/1\nhttp://h/2"), QStringLiteral("pl\"ink"),
                     password, QStringLiteral("link"), true);
    ASSERT_EQ(added.size(), 2);
    const std::vector<Riga> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    for (const Riga& row : rows) {
        EXPECT_EQ(row.passlink, QStringLiteral("pl\"ink"));
        EXPECT_EQ(row.password, password);
        EXPECT_EQ(row.autoextract, QStringLiteral("-1"));
        EXPECT_EQ(row.gruppo, QStringLiteral("link"));
    }
}

TEST_F(IntakeTest, SkipsBlankLines) {
    const QList<LinkAggiunto> added = Add(QStringLiteral("\n \t\nhttp://h/1\n\n \nhttp://h/2\n\n"));
    ASSERT_EQ(added.size(), 2);
    EXPECT_EQ(Links(), QStringList({"http://h/1", "http://h/2"}));
    EXPECT_TRUE(Add(QString()).isEmpty());
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(IntakeTest, AFailingLineSkipsOnlyThatLine) {
    db().Execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON table_download WHEN NEW.link = 'http://h/bad' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const QList<LinkAggiunto> added = Add(QStringLiteral("http://h/1\nhttp://h/bad\nhttp://h/2"));
    ASSERT_EQ(added.size(), 2);
    EXPECT_EQ(added[0].link, QStringLiteral("http://h/1"));
    EXPECT_EQ(added[1].link, QStringLiteral("http://h/2"));
    EXPECT_EQ(Links(), QStringList({"http://h/1", "http://h/2"}));
}

TEST_F(IntakeTest, AFailureThatEndsTheTransactionAddsNothing) {
    db().Execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON table_download WHEN NEW.link = 'http://h/bad' "
        "BEGIN SELECT RAISE(ROLLBACK, 'refused'); END"));
    EXPECT_THROW(Add(QStringLiteral("http://h/1\nhttp://h/bad\nhttp://h/2")), DatabaseError);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(db().InTransaction());
}

TEST_F(IntakeTest, AFailedCommitAddsNothing) {
    // A deferred foreign key is checked at commit only.
    db().Execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    db().Execute(QStringLiteral("CREATE TABLE parent (id INTEGER PRIMARY KEY)"));
    db().Execute(QStringLiteral("CREATE TABLE child (pid INTEGER REFERENCES parent(id) "
                                "DEFERRABLE INITIALLY DEFERRED)"));
    db().Execute(QStringLiteral("CREATE TRIGGER dangle AFTER INSERT ON table_download "
                                "BEGIN INSERT INTO child VALUES (12345); END"));
    EXPECT_THROW(Add(QStringLiteral("http://h/1\nhttp://h/2")), DatabaseError);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(db().InTransaction());
}

TEST_F(IntakeTest, AnOpenTransactionIsNotJoined) {
    db().Begin();
    EXPECT_THROW(Add(QStringLiteral("http://h/1")), DatabaseError);
    db().Rollback();
    EXPECT_TRUE(Rows().empty());
}

TEST_F(IntakeTest, HandlesATenMegabyteText) {
    constexpr int kLines = 100000;
    constexpr int kDistinct = 500;
    QString testo;
    testo.reserve(kLines * 104);
    const QString padding(80, u'x');
    for (int i = 0; i < kLines; ++i) {
        testo += QStringLiteral("http://h.example/%1/%2\n")
                     .arg(i % kDistinct, 5, 10, QLatin1Char('0'))
                     .arg(padding);
    }
    ASSERT_GE(testo.size(), 10'000'000);

    const QList<LinkAggiunto> added = Add(testo);
    EXPECT_EQ(added.size(), kDistinct);
    EXPECT_EQ(Rows().size(), static_cast<size_t>(kDistinct));
}

} // namespace
} // namespace tarvolin::queue
