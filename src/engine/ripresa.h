#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tarvolin::engine {

// What a partial file was started from, kept with it from its first byte on: the link it
// belongs to, the total size and the validator (strong ETag, else Last-Modified) the server
// gave. A resume is checked against it, so a file replaced on the server is never finished as
// a mix of two versions.
struct DatiRipresa {
    QString link;
    qint64 totale = -1;
    QByteArray validatore; // empty: the server gave none

    bool operator==(const DatiRipresa&) const = default;
};

// The stored form, and back; nullopt for anything that is not exactly what CodificaRipresa
// writes.
QByteArray CodificaRipresa(const DatiRipresa& dati);
std::optional<DatiRipresa> DecodificaRipresa(const QByteArray& testo);

// The side file that holds them where the file system has no extended attributes.
QString FileLateraleRipresa(const QString& parziale);

// On the open partial file `fd` at `parziale`: an extended attribute, else the side file.
bool ScriviRipresa(int fd, const QString& parziale, const DatiRipresa& dati);
std::optional<DatiRipresa> LeggiRipresa(int fd, const QString& parziale);
// The same, of a partial file not open: nullopt also when there is none.
std::optional<DatiRipresa> LeggiRipresaDi(const QString& parziale);
// Of the finished `file` that was `parziale` until it was moved: it keeps nothing of ours.
void CancellaRipresaDi(const QString& file, const QString& parziale);

} // namespace tarvolin::engine
