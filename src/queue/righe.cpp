#include "queue/righe.h"

#include "common/diagnostica.h"
#include "queue/database.h"

namespace tarvolin::queue {

bool CodaVuota(Database& db) {
    try {
        return db.Query(QStringLiteral("SELECT * FROM table_download WHERE completato = '0'"))
                   .RowCount() == 0;
    } catch (const DatabaseError& e) {
        qCDebug(lcCoda) << "queue not read:" << e.what();
        return false;
    }
}

DettagliDownload LeggiDettagliDownload(Database& db, const QString& id) {
    DettagliDownload dettagli;
    try {
        const RowSet rows = db.Query(QStringLiteral("SELECT id,passlink,passwordarchivio,"
                                                    "autoextract,gruppo FROM table_download "
                                                    "WHERE id = ? LIMIT 1"),
                                     {id});
        if (rows.Eof()) {
            return dettagli;
        }
        dettagli.passlink = rows.Value(QStringLiteral("passlink"));
        dettagli.passwordArchivio = rows.Value(QStringLiteral("passwordarchivio"));
        const std::optional<bool> autoExtract =
            LeggiBooleano(rows.Value(QStringLiteral("autoextract")));
        if (!autoExtract) {
            return dettagli;
        }
        dettagli.autoExtract = *autoExtract;
        dettagli.gruppo = rows.Value(QStringLiteral("gruppo"));
    } catch (const DatabaseError& e) {
        qCDebug(lcCoda) << "row" << id << "not read:" << e.what();
    }
    return dettagli;
}

std::optional<bool> LeggiBooleano(const QString& text) {
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    const int start = (text.startsWith(u'-') || text.startsWith(u'+')) ? 1 : 0;
    if (start == text.size()) {
        return std::nullopt;
    }
    // Digit by digit rather than toLongLong, so an integer of any length still parses.
    bool nonZero = false;
    for (int i = start; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        nonZero = nonZero || c != u'0';
    }
    return nonZero;
}

QString TestoBooleano(bool value) {
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

} // namespace tarvolin::queue
