#include "queue/schema.h"

#include "queue/database.h"

namespace tarvolin::queue {

void CreaTabelle(Database& db) {
    struct Tabella {
        const char* name;
        const char* create;
    };
    // Files written by earlier releases must keep working, so these texts do not change.
    static constexpr Tabella tabelle[] = {
        {"table_download",
         "CREATE TABLE table_download (id INTEGER PRIMARY KEY, link TEXT, passlink TEXT, "
         "passwordarchivio TEXT, autoextract TEXT, gruppo TEXT, nomefile TEXT, dimensione "
         "INTEGER, completato TEXT);"},
        {"table_token", "CREATE TABLE table_token (id INTEGER PRIMARY KEY, token TEXT, valuelist "
                        "TEXT, portale TEXT, uid TEXT);"},
        {"table_memo", "CREATE TABLE table_memo (id INTEGER PRIMARY KEY, type TEXT,  testo TEXT);"},
    };

    for (const Tabella& tabella : tabelle) {
        const QString name = QString::fromLatin1(tabella.name);
        if (db.TableExists(name)) {
            continue;
        }
        db.Execute(QString::fromLatin1(tabella.create));
        // Only a brand-new memo table gets the notes row: a user who emptied it keeps it empty.
        if (name == QLatin1String("table_memo")) {
            db.Execute(
                QStringLiteral("INSERT INTO table_memo VALUES (NULL, ?, ?)"),
                {QStringLiteral("memo"), QStringLiteral("Inserisci qui le tue note sui download")});
        }
    }
}

} // namespace tarvolin::queue
