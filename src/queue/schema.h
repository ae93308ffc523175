#pragma once

namespace tarvolin::queue {

class Database;

// Creates whichever queue tables are missing; existing tables are never altered. Throws
// DatabaseError.
void CreaTabelle(Database& db);

} // namespace tarvolin::queue
