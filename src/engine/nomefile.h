#pragma once

#include <QByteArray>
#include <QString>

namespace tarvolin::engine {

// The longest file name Linux takes, in bytes.
inline constexpr int kMassimoNome = 255;

// The name a Content-Disposition value gives, read as a browser reads it: parameters split
// outside quoted strings, escapes undone, "filename*" (UTF-8 or ISO-8859-1, percent-encoded)
// taken before "filename". `esteso` says the name came from "filename*", already decoded.
// Empty when the value names no file.
QString NomeDaDisposizione(const QByteArray& contentDisposition, bool* esteso = nullptr);

// The file name a probe's answer gives: the name of Content-Disposition, else (also when it
// holds the maker's marker) the last segment of the final URL, at most 1000 characters; cut at
// the first "?", then percent-decoded; unless "filename*" gave it, decoded already.
QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore);

// A name that stays in its folder and that the file system takes: "?" becomes "_", and so do
// separators, NUL, control characters and bidirectional overrides; every other character stays.
// A name of dots or blanks gives "download", and so does a stem of dots from which a folder would
// be named (the stem before the extension or before ".part"): "..zip" gives "download.zip". A
// name over kMassimoNome bytes is cut, keeping its extension. A name that could then pass for one
// of the program's own files in the temporary folder (a partial file, its kept validator, a
// copy, a probe's scratch file) ends with "_".
QString NomeSicuro(QString nome);

// `nome` cut to `massimoByte` bytes of UTF-8, whole characters only, its extension kept.
QString Accorcia(const QString& nome, int massimoByte = kMassimoNome);

// A name split where a number goes when it is taken: the volumes of one RAR set share `radice`
// ("Film" of "Film.part2.rar", "Film.r00" and "Film.rar"); any other name splits before its
// extension.
struct ParteSet {
    QString radice;
    QString suffisso;
    bool volume = false; // a RAR volume, or a ".rev" recovery volume
};
ParteSet DividiSet(const QString& nome);

// The `n`-th name to try when `nome` is taken, the number after the stem: "same (2).bin",
// "Film (2).part1.rar"; n = 1 is `nome` itself.
QString NomeAlternativo(const QString& nome, int n);

// The number `NomeAlternativo` gave `radice` from `radiceBase`: 1 for the base itself, 0 when it
// is neither.
int NumeroDiRadice(const QString& radice, const QString& radiceBase);

// A name for a file beside `nome` that ends with `suffisso` and still fits the file system.
QString NomeConSuffisso(const QString& nome, const QString& suffisso);

} // namespace tarvolin::engine
