#pragma once

#include <QByteArray>
#include <QString>

namespace tarvolin {

// Single-byte text as the service server and the scrambled stored texts know it:
// Windows-1252, characters it lacks becoming "?".
QByteArray ToAnsi(const QString& text);
QString FromAnsi(const QByteArray& bytes);

} // namespace tarvolin
