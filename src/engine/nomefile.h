#pragma once

#include <QByteArray>
#include <QString>

namespace tarvolin::motore {

// The file name a probe's answer gives: the "filename" of Content-Disposition, else (also when
// it holds the maker's marker) the last segment of the final URL, at most 1000 characters; cut
// at the first "?", then percent-decoded.
QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore);

// A name that stays in its folder: "?" becomes "_", and so do separators, "..", NUL and other
// control characters; nothing usable left gives "download".
QString NomeSicuro(QString nome);

} // namespace tarvolin::motore
