#include "traduzione.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tarvolin::app {

std::unique_ptr<QTranslator> InstallaTraduzioneQt() {
    auto traduzione = std::make_unique<QTranslator>();
    if (!traduzione->load(QStringLiteral("qtbase_it"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(traduzione.get()))
        return nullptr;
    return traduzione;
}

} // namespace tarvolin::app
