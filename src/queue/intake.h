#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace tarvolin::queue {

class Database;

// The form in which a link is stored and compared: user information and fragment dropped,
// the scheme's default port dropped, path and query percent-encoded. A "%" already present is
// encoded again. Text without "://" has no host to keep apart and is encoded whole as a path.
QString CodificaLink(const QString& link);

// Lines end at CR, LF or CRLF. A final line break does not open another line, but a blank line
// before it does ("a\n\n" is "a" and "").
QStringList DividiRighe(const QString& text);

// Trims blanks and control characters (code 32 or less) from both ends.
QString TrimRiga(const QString& riga);

struct EsitoValidazione {
    enum Tipo { Ok, CartellaLink, NonConforme } tipo = Ok;
    QString dominio; // the link-folder domain found, for CartellaLink only
};

// Checks the lines in order and stops at the first one that is not a link (NonConforme) or
// that points into the first link-folder domain (CartellaLink).
EsitoValidazione ValidaRighe(const QStringList& righe, const QStringList& dominiCartella);

// True when the text is one line pointing into the first or second link-folder domain.
bool CartellaLinkSingola(const QString& trimmedText, const QStringList& dominiCartella);

// True when a line looks like a volume of a multi-part archive.
bool ContieneMultiParte(const QStringList& righe);

// The group of a list the user did not name: "!GR-" and the milliseconds since the computer
// started, so lists added at different moments of one boot stay apart.
QString GruppoAutomatico();

// What the user sees for a line: a bare "www" address gets "http://" in front.
QString TestoVisualizzato(const QString& riga);

// True when a download of the stored link is still waiting. Throws DatabaseError.
bool LinkEsistente(Database& db, const QString& link);

// Adds a waiting download and returns its id. Throws DatabaseError.
qint64 InserisciLink(Database& db, const QString& link, const QString& passlink,
                     const QString& passwordArchivio, bool autoExtract, const QString& gruppo);

struct LinkAggiunto {
    QString testo; // as shown to the user
    QString link;  // as stored
    qint64 id = 0;
};

// Adds each line of the text as a download, in one transaction, and returns the rows added in
// the order of the text. Blank lines and links already waiting (in the queue or earlier in
// the same text) are skipped, as is a line the database refuses for its own values. Throws
// DatabaseError when the transaction cannot be started or committed, or on any other failure:
// then nothing was added and the caller must not show any of the rows.
QList<LinkAggiunto> AggiungiLink(Database& db, const QString& testo, const QString& passlink,
                                 const QString& passwordArchivio, const QString& gruppo,
                                 bool autoExtract);

} // namespace tarvolin::queue
