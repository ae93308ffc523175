#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its data, in installed and in portable mode.
namespace tarvolin::app::cartelle {

// The executable's folder, with a trailing separator.
QString CartellaEseguibile();

// Portable when "portable.1" lies in the executable's folder.
bool ModalitaPortable(const QString& cartellaEseguibile);

// Creates the folders a first start needs. Installed mode creates them only when the
// application-data folder is new; portable mode when "Download" or "Temp" is missing.
void PreparaCartelle(bool portable, const QString& cartellaEseguibile);

// Folder of database.opt and of the settings file, with a trailing separator.
QString CartellaDati(bool portable, const QString& cartellaEseguibile);

// Default folders of completed and partial downloads, with a trailing separator.
QString CompleteDirPredefinita(bool portable, const QString& cartellaEseguibile);
QString TempDirPredefinita(bool portable, const QString& cartellaEseguibile);

// Name of the settings file: the executable's name with ".ini" in place of its extension.
QString NomeFileImpostazioni(const QString& percorsoEseguibile);

// Portable switch, ticked: copies the data of the installed mode beside the executable and
// makes that copy point at folders beside the executable. Files in `fileInUso` (the open
// database and settings file) are never copied over.
void AttivaPortable(const QString& cartellaEseguibile, const QStringList& fileInUso);
// Portable switch, unticked: the next start uses the installed data again.
void DisattivaPortable(const QString& cartellaEseguibile);

// Folder reset: the documents-folder defaults, created when missing.
QString CompleteDirReset();
QString TempDirReset();
void CreaCartelleReset();

// Removes an installer left over in the temporary folder by an earlier update.
void EliminaSetupResiduo(const QString& tempDir);

} // namespace tarvolin::app::cartelle
