#pragma once

#include <memory>

class QTranslator;

namespace tarvolin::app {

// Qt's own texts (standard buttons, file dialogs, text-box menus) in Italian like the rest of
// the program, whatever the session's locale. Installed while the result lives; none when the
// translation is not on the system.
std::unique_ptr<QTranslator> InstallaTraduzioneQt();

} // namespace tarvolin::app
