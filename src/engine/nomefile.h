#pragma once

#include <QByteArray>
#include <QString>

namespace tarvolin::engine {

// The longest file name Linux takes, in bytes.
inline constexpr int kMassimoNome = 255;

// The file name a probe's answer gives: the "filename" of Content-Disposition, else (also when
// it holds the maker's marker) the last segment of the final URL, at most 1000 characters; cut
// at the first "?", then percent-decoded.
QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore);

// A name that stays in its folder and that the file system takes: "?" becomes "_", and so do
// separators, NUL, control characters and bidirectional overrides; every other character stays.
// ".", ".." and a blank name give "download"; a name over kMassimoNome bytes is cut, keeping its
// extension.
QString NomeSicuro(QString nome);

// `nome` cut to `massimoByte` bytes of UTF-8, whole characters only, its extension kept.
QString Accorcia(const QString& nome, int massimoByte = kMassimoNome);

// The `n`-th name to try when `nome` is taken: "same (2).bin", "same (3).bin"...; n = 1 is
// `nome` itself.
QString NomeAlternativo(const QString& nome, int n);

// A name for a file beside `nome` that ends with `suffisso` and still fits the file system.
QString NomeConSuffisso(const QString& nome, const QString& suffisso);

} // namespace tarvolin::engine
