#include "queue/intake.h"

#include "common/clock.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "queue/database.h"
#include "queue/righe.h"

#include <QByteArray>

#include <string_view>

namespace tarvolin::queue {

namespace {

bool PortaPredefinita(const QString& schema, const QString& porta) {
    const auto is = [&](const char* name) {
        return schema.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    return (is("http") && porta == QLatin1String("80")) ||
           (is("https") && porta == QLatin1String("443")) ||
           (is("ftp") && porta == QLatin1String("21"));
}

bool ContieneDominio(const QString& riga, const QString& dominio) {
    // An unset domain would otherwise match every line.
    return !dominio.isEmpty() && riga.toLower().contains(dominio.toLower());
}

} // namespace

QString CodificaLink(const QString& link) {
    const qsizetype cancelletto = link.indexOf(u'#');
    const QString senzaFrammento = cancelletto < 0 ? link : link.left(cancelletto);
    const qsizetype domanda = senzaFrammento.indexOf(u'?');
    QString prima = domanda < 0 ? senzaFrammento : senzaFrammento.left(domanda);
    const QString query = domanda < 0 ? QString() : senzaFrammento.mid(domanda + 1);
    prima.replace(u'\\', u'/');

    QString risultato;
    QString percorso = prima;
    const qsizetype separatore = prima.indexOf(QLatin1String("://"));
    if (separatore >= 0) {
        const QString schema = prima.left(separatore);
        const qsizetype inizio = separatore + 3;
        qsizetype fine = prima.indexOf(u'/', inizio);
        if (fine < 0) {
            fine = prima.size();
        }
        QString host = prima.mid(inizio, fine - inizio);
        host = host.mid(host.lastIndexOf(u'@') + 1);
        // The colons inside a bracketed IPv6 address are not the port's.
        qsizetype da = 0;
        if (host.startsWith(u'[')) {
            da = host.indexOf(u']');
            if (da < 0) {
                da = host.size();
            }
        }
        QString porta;
        const qsizetype duePunti = host.indexOf(u':', da);
        if (duePunti >= 0) {
            porta = host.mid(duePunti + 1);
            host.truncate(duePunti);
        }
        risultato = schema + QLatin1String("://") + host;
        if (!porta.isEmpty() && !PortaPredefinita(schema, porta)) {
            risultato += u':' + porta;
        }
        percorso = prima.mid(fine);
    }
    // Path and file name share one character set, so they need not be told apart.
    risultato += CodificaPercentuale(percorso, true);
    if (!query.isEmpty()) {
        risultato += u'?' + CodificaPercentuale(query, false);
    }
    return risultato;
}

QStringList DividiRighe(const QString& text) {
    QStringList righe;
    qsizetype inizio = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        righe << text.mid(inizio, i - inizio);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            ++i;
        }
        inizio = i + 1;
    }
    if (inizio < n) {
        righe << text.mid(inizio);
    }
    return righe;
}

QString TrimRiga(const QString& riga) {
    qsizetype inizio = 0;
    qsizetype fine = riga.size();
    while (inizio < fine && riga[inizio].unicode() <= 32) {
        ++inizio;
    }
    while (fine > inizio && riga[fine - 1].unicode() <= 32) {
        --fine;
    }
    return riga.mid(inizio, fine - inizio);
}

EsitoValidazione ValidaRighe(const QStringList& righe, const QStringList& dominiCartella) {
    const QString dominio = dominiCartella.value(0);
    for (const QString& riga : righe) {
        const QString alta = riga.toUpper();
        if (!alta.startsWith(QLatin1String("WWW.")) && !alta.startsWith(QLatin1String("HTTP:")) &&
            !alta.startsWith(QLatin1String("HTTPS:"))) {
            return {EsitoValidazione::NonConforme, {}};
        }
        if (ContieneDominio(riga, dominio)) {
            return {EsitoValidazione::CartellaLink, dominio};
        }
    }
    return {EsitoValidazione::Ok, {}};
}

bool CartellaLinkSingola(const QString& trimmedText, const QStringList& dominiCartella) {
    const QStringList righe = DividiRighe(trimmedText);
    if (righe.size() != 1) {
        return false;
    }
    return ContieneDominio(righe[0], dominiCartella.value(0)) ||
           ContieneDominio(righe[0], dominiCartella.value(1));
}

bool ContieneMultiParte(const QStringList& righe) {
    for (const QString& riga : righe) {
        const QString alta = riga.toUpper();
        const qsizetype punto = alta.lastIndexOf(u'.');
        if (punto >= 0) {
            const QString estensione = alta.mid(punto + 1);
            if (estensione == QLatin1String("Z01") || estensione == QLatin1String("Z001")) {
                return true;
            }
        }
        if (alta.contains(QLatin1String(".PART1.RAR")) ||
            alta.contains(QLatin1String(".PART01.RAR")) ||
            alta.contains(QLatin1String(".PART001.RAR"))) {
            return true;
        }
    }
    return false;
}

QString GruppoAutomatico() {
    return QStringLiteral("!GR-") + QString::number(clock::MillisecondiDallAvvio());
}

QString TestoVisualizzato(const QString& riga) {
    if (riga.left(3).toLower() == QLatin1String("www")) {
        return QStringLiteral("http://") + riga;
    }
    return riga;
}

bool LinkEsistente(Database& db, const QString& link) {
    return !db.Query(QStringLiteral("SELECT link FROM table_download WHERE link = ? and "
                                    "completato = '0'"),
                     {link})
                .Eof();
}

qint64 InserisciLink(Database& db, const QString& link, const QString& passlink,
                     const QString& passwordArchivio, bool autoExtract, const QString& gruppo) {
    db.Execute(QStringLiteral("INSERT INTO table_download VALUES (NULL,?,?,?,?,?,'','','0')"),
               {link, passlink, passwordArchivio, TestoBooleano(autoExtract), gruppo});
    return db.LastRowId();
}

QList<LinkAggiunto> AggiungiLink(Database& db, const QString& testo, const QString& passlink,
                                 const QString& passwordArchivio, const QString& gruppo,
                                 bool autoExtract) {
    QList<LinkAggiunto> aggiunti;
    Transazione transazione(db);
    for (const QString& riga : DividiRighe(testo)) {
        // A blank line would be stored as an empty (or "%20") link; the add dialog refuses such
        // lists, but a caller that skipped it must not fill the queue with them.
        if (TrimRiga(riga).isEmpty()) {
            continue;
        }
        const QString visualizzato = TestoVisualizzato(riga);
        const QString link = CodificaLink(visualizzato);
        try {
            if (LinkEsistente(db, link)) {
                continue;
            }
            const qint64 id =
                InserisciLink(db, link, passlink, passwordArchivio, autoExtract, gruppo);
            aggiunti.append({visualizzato, link, id});
        } catch (const DatabaseError& e) {
            // sqlite undoes only the failed statement, unless the error ended the whole
            // transaction: then the rows collected so far are gone as well. A locked, read-only
            // or broken file fails every line after this one too.
            if (!db.InTransaction() || !e.DelloStatement()) {
                throw;
            }
            qCDebug(lcCoda) << "link skipped:" << e.what();
        }
    }
    transazione.Commit();
    return aggiunti;
}

} // namespace tarvolin::queue
