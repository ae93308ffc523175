#include "queue/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>

namespace tarvolin::queue {
namespace {

class DatabaseTest : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("queue.db")) const {
        return dir_.filePath(name);
    }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(DatabaseTest, NewFileIsCreatedForItsOwnerOnly) {
    ASSERT_FALSE(QFile::exists(Path()));
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE t (x TEXT)"));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(DatabaseTest, ExistingFileKeepsItsModeAndRows) {
    {
        Database db(Path());
        db.Execute(QStringLiteral("CREATE TABLE t (x TEXT)"));
        db.Execute(QStringLiteral("INSERT INTO t VALUES (?)"), {QStringLiteral("kept")});
    }
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0640), 0);

    Database db(Path());
    EXPECT_EQ(db.Query(QStringLiteral("SELECT x FROM t")).Value(QStringLiteral("x")),
              QStringLiteral("kept"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(DatabaseTest, UnopenablePathThrows) {
    // Tests may run as root, where permissions do not stop writes: use paths that cannot exist.
    EXPECT_THROW(Database(Path(QStringLiteral("missing/sub/queue.db"))), DatabaseError);

    WriteFile(Path(QStringLiteral("plain")), "not a folder");
    EXPECT_THROW(Database(Path(QStringLiteral("plain/queue.db"))), DatabaseError);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("plain"))), QByteArray("not a folder"));
}

TEST_F(DatabaseTest, CorruptFileFailsAndIsLeftUntouched) {
    QByteArray random;
    for (int i = 0; i < 4096; ++i) {
        random.append(static_cast<char>((i * 7919 + 13) % 251));
    }
    const QList<QByteArray> contents = {random, QByteArray("just some notes\nnot sqlite\n")};
    for (const QByteArray& content : contents) {
        SCOPED_TRACE(content.left(16).toHex().toStdString());
        const QString path = Path(QStringLiteral("corrupt.db"));
        QFile::remove(path);
        WriteFile(path, content);

        EXPECT_THROW(
            {
                Database db(path);
                db.TableExists(QStringLiteral("table_download"));
                db.Execute(QStringLiteral("CREATE TABLE t (x TEXT)"));
            },
            DatabaseError);
        EXPECT_EQ(ReadFile(path), content);
    }
}

TEST_F(DatabaseTest, EmptyTextIsBoundAsTextNotNull) {
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE t (x TEXT)"));
    db.Execute(QStringLiteral("INSERT INTO t VALUES (?)"), {QString()});
    db.Execute(QStringLiteral("INSERT INTO t VALUES (?)"), {QStringLiteral("")});
    EXPECT_EQ(db.Query(QStringLiteral("SELECT x FROM t WHERE x = ''")).RowCount(), 2);
}

TEST_F(DatabaseTest, FailingStatementsThrowWithSqliteMessage) {
    Database db(Path());
    try {
        db.Execute(QStringLiteral("INSERT INTO nowhere VALUES (1)"));
        FAIL() << "insert into a missing table succeeded";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "no such table: nowhere");
    }
    EXPECT_THROW(db.Query(QStringLiteral("SELEKT 1")), DatabaseError);
    EXPECT_THROW(db.Execute(QString()), DatabaseError);

    db.Execute(QStringLiteral("CREATE TABLE pair (a TEXT, b TEXT)"));
    // Too few values would otherwise store NULLs without a word.
    EXPECT_THROW(db.Execute(QStringLiteral("INSERT INTO pair VALUES (?, ?)"), {"1"}),
                 DatabaseError);
    EXPECT_THROW(db.Execute(QStringLiteral("INSERT INTO pair VALUES (?, ?)"), {"1", "2", "3"}),
                 DatabaseError);
    EXPECT_EQ(db.Query(QStringLiteral("SELECT * FROM pair")).RowCount(), 0);

    db.Execute(QStringLiteral("CREATE TABLE t (x TEXT UNIQUE)"));
    db.Execute(QStringLiteral("INSERT INTO t VALUES ('a')"));
    EXPECT_THROW(db.Execute(QStringLiteral("INSERT INTO t VALUES ('a')")), DatabaseError);
    // A statement that yields rows is not something Execute may silently drop.
    EXPECT_THROW(db.Execute(QStringLiteral("SELECT x FROM t")), DatabaseError);
}

TEST_F(DatabaseTest, TableExistsIgnoresCaseAndOnlyMatchesTables) {
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE table_download (x TEXT)"));
    db.Execute(QStringLiteral("CREATE VIEW a_view AS SELECT x FROM table_download"));

    EXPECT_TRUE(db.TableExists(QStringLiteral("table_download")));
    EXPECT_TRUE(db.TableExists(QStringLiteral("TABLE_DOWNLOAD")));
    EXPECT_FALSE(db.TableExists(QStringLiteral("table_memo")));
    EXPECT_FALSE(db.TableExists(QStringLiteral("a_view")));
    EXPECT_FALSE(db.TableExists(QStringLiteral("table_download' OR '1'='1")));
}

TEST_F(DatabaseTest, RowSetGivesEveryValueAsText) {
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, n INTEGER, s TEXT)"));
    db.Execute(QStringLiteral("INSERT INTO t VALUES (NULL, 123, NULL)"));
    db.Execute(QStringLiteral("INSERT INTO t VALUES (NULL, -5, 'two')"));

    RowSet rows = db.Query(QStringLiteral("SELECT id, n, s FROM t ORDER BY id"));
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.ColumnIndex(QStringLiteral("N")), 1);

    ASSERT_FALSE(rows.Eof());
    EXPECT_EQ(rows.Value(QStringLiteral("n")), QStringLiteral("123"));
    EXPECT_TRUE(rows.Value(QStringLiteral("s")).isEmpty());
    rows.Next();
    ASSERT_FALSE(rows.Eof());
    EXPECT_EQ(rows.Value(QStringLiteral("n")), QStringLiteral("-5"));
    EXPECT_EQ(rows.Value(QStringLiteral("S")), QStringLiteral("two"));
    rows.Next();
    EXPECT_TRUE(rows.Eof());
    rows.Next();
    EXPECT_TRUE(rows.Eof());

    EXPECT_EQ(rows.Value(0, QStringLiteral("id")), QStringLiteral("1"));
    EXPECT_EQ(rows.Value(1, QStringLiteral("id")), QStringLiteral("2"));
    EXPECT_THROW(rows.Value(QStringLiteral("n")), DatabaseError);
    EXPECT_THROW(rows.Value(2, QStringLiteral("n")), DatabaseError);
    EXPECT_THROW(rows.ColumnIndex(QStringLiteral("missing")), DatabaseError);
    EXPECT_THROW(rows.Value(0, QStringLiteral("missing")), DatabaseError);
}

TEST_F(DatabaseTest, LastRowIdFollowsInserts) {
    Database db(Path());
    db.Execute(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, x TEXT)"));
    db.Execute(QStringLiteral("INSERT INTO t VALUES (NULL, 'a')"));
    EXPECT_EQ(db.LastRowId(), 1);
    db.Execute(QStringLiteral("INSERT INTO t VALUES (41, 'b')"));
    EXPECT_EQ(db.LastRowId(), 41);
    db.Execute(QStringLiteral("INSERT INTO t VALUES (NULL, 'c')"));
    EXPECT_EQ(db.LastRowId(), 42);
}

class TransactionTest : public DatabaseTest {
protected:
    void SetUp() override {
        db_.emplace(Path());
        db_->Execute(QStringLiteral("CREATE TABLE t (x TEXT UNIQUE)"));
    }
    int Count() { return db_->Query(QStringLiteral("SELECT x FROM t")).RowCount(); }
    void Insert(const QString& value) {
        db_->Execute(QStringLiteral("INSERT INTO t VALUES (?)"), {value});
    }

    std::optional<Database> db_;
};

TEST_F(TransactionTest, BeginTwiceIsRefused) {
    db_->Begin();
    try {
        db_->Begin();
        FAIL() << "second Begin succeeded";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Transaction already open");
    }
    // The first transaction is still usable.
    Insert(QStringLiteral("a"));
    db_->Commit();
    EXPECT_FALSE(db_->InTransaction());
    EXPECT_EQ(Count(), 1);
}

TEST_F(TransactionTest, RollbackDiscardsAndCommitWithoutBeginThrows) {
    db_->Begin();
    Insert(QStringLiteral("a"));
    db_->Rollback();
    EXPECT_EQ(Count(), 0);
    EXPECT_THROW(db_->Commit(), DatabaseError);
    // Nothing open: nothing to undo, and a new transaction can start.
    EXPECT_NO_THROW(db_->Rollback());
    EXPECT_NO_THROW(db_->Begin());
}

TEST_F(TransactionTest, GuardRollsBackUnlessCommitted) {
    {
        Transazione tx(*db_);
        Insert(QStringLiteral("dropped"));
    }
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(db_->InTransaction());

    {
        Transazione tx(*db_);
        Insert(QStringLiteral("kept"));
        tx.Commit();
    }
    EXPECT_EQ(Count(), 1);

    try {
        Transazione tx(*db_);
        Insert(QStringLiteral("x"));
        Insert(QStringLiteral("kept")); // violates UNIQUE
        tx.Commit();
    } catch (const DatabaseError&) {
    }
    EXPECT_EQ(Count(), 1);
    EXPECT_FALSE(db_->InTransaction());

    // The committed row survives reopening the file.
    db_.reset();
    db_.emplace(Path());
    EXPECT_EQ(Count(), 1);
}

TEST_F(TransactionTest, GuardCommitFailureThrowsAndRollsBack) {
    db_->Execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    db_->Execute(QStringLiteral("CREATE TABLE parent (id INTEGER PRIMARY KEY)"));
    db_->Execute(QStringLiteral(
        "CREATE TABLE child (pid INTEGER REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED)"));
    {
        Transazione tx(*db_);
        Insert(QStringLiteral("a"));
        // Accepted now, refused only at COMMIT.
        db_->Execute(QStringLiteral("INSERT INTO child VALUES (99)"));
        EXPECT_THROW(tx.Commit(), DatabaseError);
        EXPECT_TRUE(db_->InTransaction());
    }
    EXPECT_FALSE(db_->InTransaction());
    EXPECT_EQ(Count(), 0);
}

} // namespace
} // namespace tarvolin::queue
