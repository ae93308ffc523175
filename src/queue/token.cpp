#include "token.h"

#include "common/deployment.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "queue/database.h"

namespace tarvolin::queue {

QString LeggiUid(Database& db) {
    try {
        const RowSet righe =
            db.Query(QStringLiteral("SELECT * FROM table_token WHERE token = 'token' LIMIT 1"));
        if (righe.RowCount() == 0)
            return QStringLiteral("NULL");
        return XorHexDecode(righe.Value(QStringLiteral("uid")), QString::fromLatin1(kChiaveUid));
    } catch (const DatabaseError& e) {
        qCDebug(lcCoda) << "stored login not read:" << e.what();
        return QStringLiteral("NULL"); // an unreadable table counts as no stored login
    }
}

void EliminaTokenHost(Database& db) {
    db.Execute(QStringLiteral("DELETE FROM table_token WHERE portale = ?"),
               {QStringLiteral("easybytez")});
}

} // namespace tarvolin::queue
