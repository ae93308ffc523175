#include "queue/database.h"

#include "common/diagnostica.h"

#include <QFile>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace tarvolin::queue {

RowSet::RowSet(QStringList columns, std::vector<QStringList> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

int RowSet::ColumnIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    throw DatabaseError(QStringLiteral("No such column: %1").arg(name));
}

void RowSet::Next() {
    if (!Eof()) {
        ++current_;
    }
}

QString RowSet::Value(int row, const QString& column) const {
    const int index = ColumnIndex(column);
    if (row < 0 || row >= RowCount()) {
        throw DatabaseError(QStringLiteral("No row %1 in the result").arg(row));
    }
    return rows_[static_cast<size_t>(row)][index];
}

void Database::ConnectionCloser::operator()(sqlite3* db) const noexcept {
    sqlite3_close_v2(db);
}

void Database::StatementFinalizer::operator()(sqlite3_stmt* stmt) const noexcept {
    sqlite3_finalize(stmt);
}

Database::Database(const QString& path) {
    const QByteArray fileName = QFile::encodeName(path);
    if (!path.isEmpty() && path != QLatin1String(":memory:")) {
        // The queue holds archive passwords: a new file must never be readable by others, not
        // even for the moment between creation and a later chmod. O_EXCL leaves an existing
        // file, database or not, exactly as it is.
        const int fd = ::open(fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
        }
        // Any other failure is left to sqlite, whose message is the one reported.
    }

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(fileName.constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) {
        if (!db_) {
            throw DatabaseError(sqlite3_errstr(rc));
        }
        Fail();
    }
}

bool DatabaseError::DelloStatement() const {
    return codice_ == SQLITE_CONSTRAINT || codice_ == SQLITE_TOOBIG;
}

void Database::Fail() const {
    throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db_.get())),
                        sqlite3_errcode(db_.get()) & 0xff);
}

Database::Statement Database::Prepare(const QString& sql, const QStringList& params) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), text.constData(), static_cast<int>(text.size()), &raw,
                           nullptr) != SQLITE_OK) {
        Fail();
    }
    Statement stmt(raw);
    if (!stmt) {
        throw DatabaseError(QStringLiteral("Empty statement: %1").arg(sql));
    }
    // A missing value would otherwise silently bind NULL.
    if (sqlite3_bind_parameter_count(stmt.get()) != params.size()) {
        throw DatabaseError(QStringLiteral("Statement wants %1 values, %2 given: %3")
                                .arg(sqlite3_bind_parameter_count(stmt.get()))
                                .arg(params.size())
                                .arg(sql));
    }
    for (int i = 0; i < params.size(); ++i) {
        const QByteArray value = params[i].toUtf8();
        // A null pointer would bind NULL; an empty text must stay an empty text.
        const char* data = value.isNull() ? "" : value.constData();
        if (sqlite3_bind_text(stmt.get(), i + 1, data, static_cast<int>(value.size()),
                              SQLITE_TRANSIENT) != SQLITE_OK) {
            Fail();
        }
    }
    return stmt;
}

void Database::Execute(const QString& sql, const QStringList& params) {
    Statement stmt = Prepare(sql, params);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW) {
        throw DatabaseError(QStringLiteral("Statement returned rows: %1").arg(sql));
    }
    if (rc != SQLITE_DONE) {
        Fail();
    }
}

RowSet Database::Query(const QString& sql, const QStringList& params) {
    Statement stmt = Prepare(sql, params);
    const int columnCount = sqlite3_column_count(stmt.get());
    QStringList columns;
    for (int c = 0; c < columnCount; ++c) {
        columns << QString::fromUtf8(sqlite3_column_name(stmt.get(), c));
    }

    std::vector<QStringList> rows;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        QStringList row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c) {
            // column_text before column_bytes: the byte count is of the converted text.
            const auto* value = sqlite3_column_text(stmt.get(), c);
            const int size = sqlite3_column_bytes(stmt.get(), c);
            row << (value ? QString::fromUtf8(reinterpret_cast<const char*>(value), size)
                          : QString());
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        Fail();
    }
    return RowSet(std::move(columns), std::move(rows));
}

bool Database::TableExists(const QString& name) {
    return Query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                "lower(name) = lower(?)"),
                 {name})
               .RowCount() > 0;
}

bool Database::InTransaction() const {
    return sqlite3_get_autocommit(db_.get()) == 0;
}

void Database::Begin() {
    if (InTransaction()) {
        throw DatabaseError("Transaction already open");
    }
    Execute(QStringLiteral("BEGIN TRANSACTION"));
}

void Database::Commit() {
    Execute(QStringLiteral("COMMIT"));
}

void Database::Rollback() {
    // Some errors make sqlite roll back by itself; there is nothing left to undo then.
    if (InTransaction()) {
        Execute(QStringLiteral("ROLLBACK"));
    }
}

qint64 Database::LastRowId() const {
    return sqlite3_last_insert_rowid(db_.get());
}

Transazione::Transazione(Database& db) : db_(db) {
    db_.Begin();
}

Transazione::~Transazione() {
    if (committed_) {
        return;
    }
    try {
        db_.Rollback();
    } catch (const DatabaseError& e) {
        qCDebug(lcCoda) << "rollback failed:" << e.what();
    }
}

void Transazione::Commit() {
    db_.Commit();
    committed_ = true;
}

} // namespace tarvolin::queue
