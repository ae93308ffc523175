#include "mostra.h"

#include "common/diagnostica.h"
#include "common/formati.h"
#include "engine/nomefile.h"
#include "engine/programma.h"
#include "queue/database.h"
#include "queue/modellocoda.h"

#include <QDateTime>

#include <array>
#include <vector>

namespace tarvolin::engine {

namespace {

QString ora() {
    return FormatoOra(QDateTime::currentDateTime());
}

// Every statement has its own guard: a failing one leaves the table as it was.
void esegui(ProgrammaMotore& p, const QString& sql, const QStringList& valori) {
    queue::Database* db = p.Db();
    if (db == nullptr)
        return;
    try {
        db->Execute(sql, valori);
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcMotore) << "row update failed:" << e.what() << sql;
    }
}

void registraFallito(ProgrammaMotore& p, const QString& id) {
    esegui(p,
           QStringLiteral("UPDATE table_download SET completato = '2', dimensione = '0', "
                          "nomefile = ? WHERE id = ?"),
           {p.Didascalia(id), id});
}

// Link, group and file name of the other finished rows that `condizione` (on `valore`) picks.
std::vector<std::array<QString, 3>> altriFiniti(ProgrammaMotore& p, const QString& id,
                                                const QString& condizione, const QString& valore) {
    std::vector<std::array<QString, 3>> righe;
    queue::Database* db = p.Db();
    if (db == nullptr)
        return righe;
    const queue::RowSet r = db->Query(QStringLiteral("SELECT link, gruppo, nomefile FROM "
                                                     "table_download WHERE completato = '1' AND "
                                                     "id <> ? AND ") +
                                          condizione,
                                      {id, valore});
    for (int i = 0; i < r.RowCount(); ++i)
        righe.push_back({r.Value(i, QStringLiteral("link")), r.Value(i, QStringLiteral("gruppo")),
                         r.Value(i, QStringLiteral("nomefile"))});
    return righe;
}

QString inizioDi(QString testo) {
    testo.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    return testo + u'%';
}

void registraFinito(ProgrammaMotore& p, const QString& id, qint64 dimensione) {
    esegui(p,
           QStringLiteral("UPDATE table_download SET completato = '1', dimensione = ?, "
                          "nomefile = ? WHERE id = ?"),
           {QString::number(dimensione), p.Didascalia(id), id});
    p.DownloadConcluso(id, true);
}

void chiudi(ProgrammaMotore& p, const QString& id, const QString& size, const QString& stato,
            const QString& progresso, int icona) {
    p.ImpostaCella(id, queue::cella::Size, size);
    p.ImpostaCella(id, queue::cella::Stato, stato);
    p.ImpostaCella(id, queue::cella::Progresso, progresso);
    p.ImpostaCella(id, queue::cella::Fine, ora());
    p.ImpostaCella(id, queue::cella::Velocita, QString());
    p.ImpostaIcona(id, icona);
}

// The extraction texts leave the size and the icon of the finished download alone.
void testiEstrazione(ProgrammaMotore& p, const QString& id, const QString& stato,
                     const QString& progresso) {
    p.ImpostaCella(id, queue::cella::Stato, stato);
    p.ImpostaCella(id, queue::cella::Progresso, progresso);
    p.ImpostaCella(id, queue::cella::Fine, ora());
    p.ImpostaCella(id, queue::cella::Velocita, QString());
}

} // namespace

QString CoppiaMB(qint64 scaricati, qint64 totale) {
    return FormatoMB(scaricati) + u'/' + FormatoMB(totale) + QStringLiteral(" MB");
}

void MostraStato(ProgrammaMotore& p, const QString& id, const QString& testo) {
    p.ImpostaCella(id, queue::cella::Stato, testo);
    p.ImpostaCella(id, queue::cella::Velocita, QString());
}

void MostraDownload(ProgrammaMotore& p, const QString& id, const QString& nomeFile) {
    p.ImpostaCella(id, queue::cella::Stato, QStringLiteral("Download"));
    p.ImpostaDidascalia(id, nomeFile);
}

void MostraErrore(ProgrammaMotore& p, const QString& id, const QString& testo) {
    chiudi(p, id, QStringLiteral("-"), testo, QStringLiteral("Errore download"),
           queue::IconaFallito);
    registraFallito(p, id);
    p.DownloadConcluso(id, false);
}

void MostraSpazioInsufficiente(ProgrammaMotore& p, const QString& id) {
    chiudi(p, id, QString(), QStringLiteral("Spazio insufficiente"), QStringLiteral("Interrotto"),
           queue::IconaFallito);
    registraFallito(p, id);
    p.DisattivaDownloadAutomatico();
}

void MostraInterrotto(ProgrammaMotore& p, const QString& id, bool spazioEsaurito) {
    chiudi(p, id, QString(),
           spazioEsaurito ? QStringLiteral("Spazio insufficiente") : QStringLiteral("Interrotto"),
           QStringLiteral("Interrotto"), queue::IconaFallito);
    registraFallito(p, id);
    p.DownloadConcluso(id, false);
}

void MostraEstrazione(ProgrammaMotore& p, const QString& id) {
    testiEstrazione(p, id, QStringLiteral("Estrazione..."),
                    QStringLiteral("Estrazione archivio..."));
}

void MostraFineEstrazione(ProgrammaMotore& p, const QString& id, bool riuscita, bool nascondi) {
    testiEstrazione(p, id, QStringLiteral("Completato"),
                    riuscita ? QStringLiteral("Completato")
                             : QStringLiteral("Estrazione non riuscita"));
    if (nascondi)
        p.SpostaInCompletati(id);
}

bool ControllaGruppo(ProgrammaMotore& p, const QString& gruppo) {
    if (gruppo.isEmpty())
        return true;
    queue::Database* db = p.Db();
    if (db == nullptr)
        return false;
    try {
        return db->Query(QStringLiteral("SELECT id,gruppo,completato FROM table_download WHERE "
                                        "gruppo = ? AND completato <> '1'"),
                         {gruppo})
                   .RowCount() == 0;
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcMotore) << "group" << gruppo << "not read:" << e.what();
        return false;
    }
}

ProprietariFile ProprietariDi(ProgrammaMotore& p, const QString& id, const QString& link,
                              const QString& nome) {
    ProprietariFile proprietari;
    queue::Database* db = p.Db();
    if (db == nullptr)
        return proprietari;
    try {
        const queue::RowSet righe =
            db->Query(QStringLiteral("SELECT link FROM table_download WHERE "
                                     "completato = '1' AND nomefile = ? AND "
                                     "id <> ?"),
                      {nome, id});
        for (int i = 0; i < righe.RowCount(); ++i)
            (righe.Value(i, QStringLiteral("link")) == link ? proprietari.questoLink
                                                            : proprietari.altroLink) = true;
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcMotore) << "owners of" << nome << "not read:" << e.what();
        proprietari.altroLink = true; // unknown: kept
    }
    return proprietari;
}

ProprietariFile ProprietariSet(ProgrammaMotore& p, const QString& id, const QString& link,
                               const QString& gruppo, const QString& radice) {
    ProprietariFile proprietari;
    try {
        for (const auto& [linkRiga, gruppoRiga, nome] :
             altriFiniti(p, id, QStringLiteral("nomefile LIKE ? ESCAPE '\\'"), inizioDi(radice))) {
            const ParteSet set = DividiSet(nome);
            if (!set.volume || set.radice != radice)
                continue;
            const bool nostro = linkRiga == link || gruppoRiga == gruppo;
            (nostro ? proprietari.questoLink : proprietari.altroLink) = true;
        }
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcMotore) << "owners of the set" << radice << "not read:" << e.what();
        proprietari.altroLink = true; // unknown: kept
    }
    return proprietari;
}

int NumeroDelGruppo(ProgrammaMotore& p, const QString& id, const QString& gruppo,
                    const QString& radiceBase) {
    try {
        for (const auto& riga : altriFiniti(p, id, QStringLiteral("gruppo = ?"), gruppo)) {
            const ParteSet set = DividiSet(riga[2]);
            if (const int n = set.volume ? NumeroDiRadice(set.radice, radiceBase) : 0; n > 0)
                return n;
        }
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcMotore) << "volumes of group" << gruppo << "not read:" << e.what();
    }
    return 0;
}

void MostraCompletato(ProgrammaMotore& p, const EsitoRiga& e, bool nascondi, bool estrai,
                      const QString& gruppo) {
    chiudi(p, e.id, CoppiaMB(e.byteScaricati, e.dimensioneTotale), QStringLiteral("Completato"),
           QStringLiteral("Completato"), queue::IconaCompletato);
    registraFinito(p, e.id, e.dimensioneTotale);
    // A complete group stays for its extraction, which moves it afterwards.
    const bool gruppoCompleto = estrai && ControllaGruppo(p, gruppo);
    if (nascondi && !gruppoCompleto)
        p.SpostaInCompletati(e.id);
}

void MostraNonSpostato(ProgrammaMotore& p, const EsitoRiga& e) {
    chiudi(p, e.id, CoppiaMB(e.byteScaricati, e.dimensioneTotale),
           QStringLiteral("Completato ma non spostato!"), QStringLiteral("Completato"),
           queue::IconaCompletato);
    registraFinito(p, e.id, e.dimensioneTotale);
}

void MostraSaltato(ProgrammaMotore& p, const EsitoRiga& e, bool nascondi) {
    chiudi(p, e.id, QStringLiteral("Skipped"), QStringLiteral("Completato"),
           QStringLiteral("Completato"), queue::IconaCompletato);
    registraFinito(p, e.id, e.dimensioneTotale);
    if (nascondi)
        p.SpostaInCompletati(e.id);
}

} // namespace tarvolin::engine
