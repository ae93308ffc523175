#pragma once

#include <QString>

namespace tarvolin {

// Gives a new widget or action the name that tests and outside tools find it by.
template <typename W> W* named(W* oggetto, const char* nome) {
    oggetto->setObjectName(QString::fromLatin1(nome));
    return oggetto;
}

} // namespace tarvolin
