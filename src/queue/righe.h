#pragma once

#include <QString>

#include <optional>

namespace tarvolin::queue {

class Database;

// True when no download is waiting. An unreadable queue counts as not empty, so the caller
// does not take a broken file for a finished one.
bool CodaVuota(Database& db);

struct DettagliDownload {
    QString passlink;
    QString passwordArchivio;
    bool autoExtract = false;
    QString gruppo;
};

// The row's details; fields after an unreadable one stay empty, and a missing row gives all
// defaults.
DettagliDownload LeggiDettagliDownload(Database& db, const QString& id);

// The stored form of autoextract: any integer (non-zero is true) or True/False in any case.
std::optional<bool> LeggiBooleano(const QString& text);
QString TestoBooleano(bool value);

} // namespace tarvolin::queue
