#pragma once

#include "engine/estrazione.h"

#include <optional>

// The two extraction libraries behind EstraiArchivio. Paths are absolute. Without
// `sovrascrivi`, an entry whose place is taken is not written and spoils the outcome.
namespace tarvolin::engine::dettaglio {

struct EsitoLibarchive {
    EsitoEstrazione esito = EsitoEstrazione::NonRiuscita;
    bool cifrate = false; // some entries are encrypted, which libarchive cannot read in a RAR
};

// libarchive: the volumes read one after the other as one archive (RAR 4 and 5, or ZIP).
EsitoLibarchive EstraiConLibarchive(const QStringList& volumi, bool rar,
                                    const QString& destinazione, const QString& password,
                                    bool sovrascrivi, const Annulla& annulla);

// RARLAB's UnRAR, loaded at run time; it finds the later volumes by itself. Empty when the
// library is not on this machine.
std::optional<EsitoEstrazione> EstraiConUnrar(const QString& archivio, const QString& destinazione,
                                              const QString& password, bool sovrascrivi,
                                              const Annulla& annulla);
bool UnrarPresente();

// True when something at `percorso` would be replaced by an entry there; a folder is not
// replaced by a folder entry, which only adds to it.
bool PostoOccupato(const char* percorso, bool cartella);

} // namespace tarvolin::engine::dettaglio
