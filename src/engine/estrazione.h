#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tarvolin::engine {

class RegistroEstrazioni;

// Which archive a finished file leads to, and where it goes.
struct PianoEstrazione {
    bool tentato = false; // the row is handled by extraction, even when there is no archive
    bool rar = false;
    QString archivio; // the archive, or the first volume of its set; empty: none found
    QString cartella; // the folder named after the archive
    QString base;     // where the entries go when that folder cannot be made
    QString radice;   // the completed folder, which nothing of it may leave; empty: `base`
};

// The plan for the file `nome` just finished (or skipped) in the folder `base`, which ends with
// a separator. RAR names (and skipped ".rev" volumes) lead to their set's first volume; any
// other name leads to a ZIP of the same base name beside it, found whatever the case of its name.
PianoEstrazione PianificaEstrazione(const QString& base, const QString& nome);

// The volumes of the set that `primo` begins, in order: "X.part1.rar" is followed by
// "X.part2.rar" and so on with the same digit width, as long as they exist. A name that is not a
// numbered volume is a set of its own.
QStringList VolumiDelSet(const QString& primo);

// SenzaUnrar: not extracted either, because the RAR needs a password and this machine has no
// UnRAR library to decrypt it.
enum class EsitoEstrazione { Riuscita, NonRiuscita, SenzaUnrar, Annullata };

// Callable between blocks; true stops the extraction.
using Annulla = std::function<bool()>;

// Extracts the planned archive into its folder (made with its parents, else the base folder)
// with the password when it is not empty. The folder, resolved, must lie inside the base folder
// and that inside the completed folder, and no entry lands outside it. The archive stays where
// it is. Blocking; runs on a worker thread.
EsitoEstrazione EstraiArchivio(const PianoEstrazione& piano, const QString& password,
                               const Annulla& annulla = {});

// The same, one extraction of an archive at a time in `registro` (which may be null): when the
// turn comes and the same archive, unchanged, has just been extracted with the same password,
// or successfully, it is not extracted again and the earlier outcome is returned. A RAR left
// encrypted for want of UnRAR is reported to `registro`.
EsitoEstrazione EstraiAlTurno(RegistroEstrazioni* registro, const PianoEstrazione& piano,
                              const QString& password, const Annulla& annulla = {});

// True when a symbolic link at `voce` (a path relative to the destination) pointing to
// `obiettivo` cannot lead out of the destination: a relative target whose ".." come only first
// and climb no higher than the folder of the link.
bool CollegamentoInterno(const QString& voce, const QString& obiettivo);

} // namespace tarvolin::engine
