#pragma once

#include <QString>

// What the windows ask of the desktop.
namespace tarvolin {

// The user's documents folder and local application-data folder, without a trailing separator.
QString CartellaDocumenti();
QString CartellaDatiLocali();

// Opens a folder, a file or a web address with the desktop; a web address that the desktop
// cannot open goes to the default browser.
bool ApriIndirizzo(const QString& destinazione);

// The default browser's program ($BROWSER, else xdg-open).
QString BrowserPredefinito();

} // namespace tarvolin
