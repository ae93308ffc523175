#pragma once

#include <QString>

namespace tarvolin::queue {

class Database;

// The e-mail of the host account whose login cookies are stored (first token row), or "NULL".
QString LeggiUid(Database& db);

// Forgets every stored host login (a new identification code starts afresh).
void EliminaTokenHost(Database& db);

} // namespace tarvolin::queue
