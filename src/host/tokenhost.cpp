#include "tokenhost.h"

#include "common/deployment.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "net/cookie.h"
#include "queue/database.h"

#include <QUrl>

namespace tarvolin::host {

namespace {

QString chiave() {
    return QString::fromLatin1(kChiaveUid);
}

} // namespace

void SalvaToken(queue::Database& db, const QString& testoCookie, const QString& portale,
                const QString& email) {
    const QString u = XorHexEncode(email, chiave());
    const QString v = XorHexEncode(testoCookie, chiave());
    try {
        const queue::RowSet esistente =
            db.Query(QStringLiteral("SELECT id FROM table_token WHERE portale = ? AND uid = ? "
                                    "LIMIT 1"),
                     {portale, u});
        if (esistente.RowCount() == 0)
            db.Execute(QStringLiteral("INSERT INTO table_token VALUES (NULL, 'token', ?, ?, ?)"),
                       {v, portale, u});
        else
            db.Execute(
                QStringLiteral("UPDATE table_token SET valuelist = ?, uid = ? WHERE portale = ?"),
                {v, u, portale});
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcHost) << "host login not saved:" << e.what();
    }
}

void CaricaToken(queue::Database& db, net::ArchivioCookie& cookie, const QString& portale,
                 const QString& sitoUrl, const QString& email) {
    const QString u = XorHexEncode(email, chiave());
    cookie.Rimuovi(QString::fromLatin1(kPortale));
    try {
        const queue::RowSet righe =
            db.Query(QStringLiteral("SELECT * FROM table_token WHERE portale = ? AND uid = ?"),
                     {portale, u});
        if (righe.RowCount() == 0) {
            db.Execute(QStringLiteral("DELETE FROM table_token WHERE uid = ? OR portale = ?"),
                       {u, QString::fromLatin1(kPortale)});
            return;
        }
        // A corrupt text decodes up to its first bad pair; the lines so far still load.
        QString testo = XorHexDecode(righe.Value(0, QStringLiteral("valuelist")), chiave());
        testo.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        cookie.Rimuovi(QString::fromLatin1(kPortale));
        cookie.AggiungiRighe(testo.split(u'\n', Qt::SkipEmptyParts), QUrl(sitoUrl));
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcHost) << "host login not loaded:" << e.what();
    }
}

} // namespace tarvolin::host
