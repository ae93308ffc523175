#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tarvolin::queue {

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit DatabaseError(const QString& message, int codice = 0)
        : std::runtime_error(message.toStdString()), codice_(codice) {}

    // True when sqlite refused the statement for its own values (a constraint, a value too
    // large) rather than for the state of the database.
    bool DelloStatement() const;

private:
    int codice_ = 0; // sqlite's primary result code; 0 when the error is not sqlite's
};

// A query result read in full, so no statement outlives the call that made it.
class RowSet {
public:
    RowSet() = default;
    RowSet(QStringList columns, std::vector<QStringList> rows);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColumnIndex(const QString& name) const;
    bool Eof() const { return current_ >= RowCount(); }
    void Next();
    QString Value(const QString& column) const { return Value(current_, column); }
    QString Value(int row, const QString& column) const;

private:
    QStringList columns_;
    std::vector<QStringList> rows_;
    int current_ = 0;
};

class Database {
public:
    explicit Database(const QString& path);

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Execute(const QString& sql, const QStringList& params = {});
    RowSet Query(const QString& sql, const QStringList& params = {});
    bool TableExists(const QString& name);

    void Begin();
    void Commit();
    void Rollback();
    bool InTransaction() const;

    qint64 LastRowId() const;

private:
    struct ConnectionCloser {
        void operator()(sqlite3* db) const noexcept;
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* stmt) const noexcept;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    Statement Prepare(const QString& sql, const QStringList& params);
    [[noreturn]] void Fail() const;

    std::unique_ptr<sqlite3, ConnectionCloser> db_;
};

// Rolls back on scope exit unless Commit succeeded, so an exception mid-way leaves no half
// written rows.
class Transazione {
public:
    explicit Transazione(Database& db);
    ~Transazione();

    Transazione(const Transazione&) = delete;
    Transazione& operator=(const Transazione&) = delete;

    void Commit();

private:
    Database& db_;
    bool committed_ = false;
};

} // namespace tarvolin::queue
