#include "queue/database.h"
#include "queue/schema.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tarvolin::queue {
namespace {

const QString kNote = QStringLiteral("Inserisci qui le tue note sui download");

class SchemaTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath(QStringLiteral("queue.db")); }

    static QStringList Columns(Database& db, const QString& table) {
        QStringList names;
        RowSet rows = db.Query(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
        for (; !rows.Eof(); rows.Next()) {
            names << rows.Value(QStringLiteral("name"));
        }
        return names;
    }

    static RowSet Memo(Database& db) {
        return db.Query(QStringLiteral("SELECT type, testo FROM table_memo"));
    }

    QTemporaryDir dir_;
};

TEST_F(SchemaTest, NewFileGetsAllTablesAndOneNote) {
    {
        Database db(Path());
        CreaTabelle(db);

        EXPECT_EQ(Columns(db, QStringLiteral("table_download")),
                  QStringList({"id", "link", "passlink", "passwordarchivio", "autoextract",
                               "gruppo", "nomefile", "dimensione", "completato"}));
        EXPECT_EQ(Columns(db, QStringLiteral("table_token")),
                  QStringList({"id", "token", "valuelist", "portale", "uid"}));
        EXPECT_EQ(Columns(db, QStringLiteral("table_memo")), QStringList({"id", "type", "testo"}));

        const RowSet memo = Memo(db);
        ASSERT_EQ(memo.RowCount(), 1);
        EXPECT_EQ(memo.Value(QStringLiteral("type")), QStringLiteral("memo"));
        EXPECT_EQ(memo.Value(QStringLiteral("testo")), kNote);

        // Nothing besides the three tables: no indexes, no version table.
        EXPECT_EQ(db.Query(QStringLiteral("SELECT name FROM sqlite_master")).RowCount(), 3);
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SchemaTest, ReopeningAddsNothingAndKeepsRows) {
    {
        Database db(Path());
        CreaTabelle(db);
        db.Execute(QStringLiteral("INSERT INTO table_download VALUES "
                                  "(NULL, ?, '', '', '0', 'g', '', '', '0')"),
                   {QStringLiteral("http://example.org/a")});
        db.Execute(QStringLiteral("UPDATE table_memo SET testo = ?"), {QStringLiteral("mine")});
    }
    Database db(Path());
    CreaTabelle(db);
    CreaTabelle(db);

    const RowSet memo = Memo(db);
    ASSERT_EQ(memo.RowCount(), 1);
    EXPECT_EQ(memo.Value(QStringLiteral("testo")), QStringLiteral("mine"));
    const RowSet downloads = db.Query(QStringLiteral("SELECT link FROM table_download"));
    ASSERT_EQ(downloads.RowCount(), 1);
    EXPECT_EQ(downloads.Value(QStringLiteral("link")), QStringLiteral("http://example.org/a"));
}

TEST_F(SchemaTest, MissingTablesAreAddedNextToExistingOnes) {
    Database db(Path());
    // An older layout of table_download must be left as it is.
    db.Execute(QStringLiteral("CREATE TABLE table_download (id INTEGER PRIMARY KEY, link TEXT)"));
    db.Execute(QStringLiteral("INSERT INTO table_download VALUES (NULL, 'x')"));

    CreaTabelle(db);

    EXPECT_EQ(Columns(db, QStringLiteral("table_download")), QStringList({"id", "link"}));
    EXPECT_EQ(db.Query(QStringLiteral("SELECT * FROM table_download")).RowCount(), 1);
    EXPECT_TRUE(db.TableExists(QStringLiteral("table_token")));
    const RowSet memo = Memo(db);
    ASSERT_EQ(memo.RowCount(), 1);
    EXPECT_EQ(memo.Value(QStringLiteral("testo")), kNote);
}

TEST_F(SchemaTest, ExistingMemoTableGetsNoNote) {
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE TABLE_MEMO (id INTEGER PRIMARY KEY, type TEXT, "
                              "testo TEXT)"));
    CreaTabelle(db);

    EXPECT_TRUE(db.TableExists(QStringLiteral("table_download")));
    EXPECT_TRUE(db.TableExists(QStringLiteral("table_token")));
    EXPECT_EQ(Memo(db).RowCount(), 0);
}

TEST_F(SchemaTest, FailureReachesTheCaller) {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray junk(1024, '\x5a');
    file.write(junk);
    file.close();

    EXPECT_THROW(
        {
            Database db(Path());
            CreaTabelle(db);
        },
        DatabaseError);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), junk);
}

} // namespace
} // namespace tarvolin::queue
