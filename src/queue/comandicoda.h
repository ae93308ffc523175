#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace tarvolin::queue {

class Database;

// One row of table_download, every value as text.
struct RigaTabella {
    QString id, link, passlink, passwordarchivio, autoextract, gruppo, nomefile, dimensione,
        completato;
};

// The rows in state `completato` ("0" pending, "1" completed, "2" failed), in id order;
// `limite` 0 means all of them.
QList<RigaTabella> LeggiRighe(Database& db, const QString& completato, int limite);

// Deletes one row (delete and hide commands).
void EliminaRigaTabella(Database& db, const QString& id);

// Puts a completed or failed row back in the queue; the row as it now stands, if it exists.
std::optional<RigaTabella> RimettiInCodaTabella(Database& db, const QString& id);

// Takes a row out of its group.
void RimuoviGruppoTabella(Database& db, const QString& id);

// Automatic groups bundle the parts of one paste; their names are never shown.
bool NomeGruppoAutomatico(const QString& gruppo);
QString GruppoVisibile(const QString& gruppo);

// The size of a completed row: "12.34 MB", 0.00 MB when the stored size is no number.
QString DimensioneCompletato(const QString& dimensione);

// The size a finished row of the queue takes to the completed list: what was downloaded of
// "12.34/50.00 MB", or "Skipped" as it is.
QString DimensioneSpostata(const QString& cella);

} // namespace tarvolin::queue
