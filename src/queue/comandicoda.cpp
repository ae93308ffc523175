#include "comandicoda.h"

#include "common/formati.h"
#include "queue/database.h"

namespace tarvolin::queue {

namespace {

RigaTabella rigaCorrente(const RowSet& righe) {
    return {
        righe.Value(QStringLiteral("id")),          righe.Value(QStringLiteral("link")),
        righe.Value(QStringLiteral("passlink")),    righe.Value(QStringLiteral("passwordarchivio")),
        righe.Value(QStringLiteral("autoextract")), righe.Value(QStringLiteral("gruppo")),
        righe.Value(QStringLiteral("nomefile")),    righe.Value(QStringLiteral("dimensione")),
        righe.Value(QStringLiteral("completato"))};
}

} // namespace

QList<RigaTabella> LeggiRighe(Database& db, const QString& completato, int limite) {
    QString sql = QStringLiteral("SELECT * FROM table_download WHERE completato = ?");
    if (limite > 0)
        sql += QStringLiteral(" LIMIT ") + QString::number(limite);
    RowSet righe = db.Query(sql, {completato});
    QList<RigaTabella> out;
    out.reserve(righe.RowCount());
    for (; !righe.Eof(); righe.Next())
        out.append(rigaCorrente(righe));
    return out;
}

void EliminaRigaTabella(Database& db, const QString& id) {
    db.Execute(QStringLiteral("DELETE FROM table_download WHERE id = ?"), {id});
}

std::optional<RigaTabella> RimettiInCodaTabella(Database& db, const QString& id) {
    db.Execute(QStringLiteral("UPDATE table_download SET completato = '0', dimensione = '', "
                              "nomefile = '' WHERE id = ?"),
               {id});
    const RowSet righe =
        db.Query(QStringLiteral("SELECT * FROM table_download WHERE id = ?"), {id});
    if (righe.RowCount() == 0)
        return std::nullopt;
    return rigaCorrente(righe);
}

void RimuoviGruppoTabella(Database& db, const QString& id) {
    db.Execute(QStringLiteral("UPDATE table_download SET gruppo = '' WHERE id = ?"), {id});
}

bool NomeGruppoAutomatico(const QString& gruppo) {
    return gruppo.startsWith(QLatin1String("!GR-"));
}

QString GruppoVisibile(const QString& gruppo) {
    return NomeGruppoAutomatico(gruppo) ? QString() : gruppo;
}

QString DimensioneCompletato(const QString& dimensione) {
    bool ok = false;
    const qint64 bytes = dimensione.toLongLong(&ok);
    return FormatoMB(ok ? bytes : 0) + QStringLiteral(" MB");
}

QString DimensioneSpostata(const QString& cella) {
    if (cella == QLatin1String("Skipped"))
        return cella;
    return cella.section(u'/', 0, 0).remove(u' ') + QStringLiteral(" MB");
}

} // namespace tarvolin::queue
