#include "memo.h"

#include "common/diagnostica.h"
#include "queue/database.h"

namespace tarvolin::auxiliary {

namespace {
const QString kTipo = QStringLiteral("memo");
}

std::optional<QString> LeggiMemo(queue::Database& db) {
    try {
        const queue::RowSet righe =
            db.Query(QStringLiteral("SELECT testo FROM table_memo WHERE type = ?"), {kTipo});
        if (righe.RowCount() > 0)
            return righe.Value(0, QStringLiteral("testo"));
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcAusiliari) << "memo not read:" << e.what();
    }
    return std::nullopt;
}

void SalvaMemo(queue::Database& db, const QString& testo) {
    try {
        // A crash between making the table and its row can leave the row missing.
        if (db.Query(QStringLiteral("SELECT id FROM table_memo WHERE type = ?"), {kTipo})
                .RowCount() == 0)
            db.Execute(QStringLiteral("INSERT INTO table_memo VALUES (NULL, ?, ?)"),
                       {kTipo, testo});
        else
            db.Execute(QStringLiteral("UPDATE table_memo SET testo = ? WHERE type = ?"),
                       {testo, kTipo});
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcAusiliari) << "memo not saved:" << e.what();
    }
}

} // namespace tarvolin::auxiliary
