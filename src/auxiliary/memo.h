#pragma once

#include <QString>

#include <optional>

namespace tarvolin {
namespace queue {
class Database;
}
} // namespace tarvolin

// The user's notes: the text of the "memo" row of table_memo.
namespace tarvolin::auxiliary {

// The stored text; nullopt when there is no notes row or the query fails.
std::optional<QString> LeggiMemo(queue::Database& db);

// Stores the text, making the notes row again when it is missing. Failures are ignored.
void SalvaMemo(queue::Database& db, const QString& testo);

} // namespace tarvolin::auxiliary
