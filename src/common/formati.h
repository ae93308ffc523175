#pragma once

#include <QString>

class QDateTime;

// The program's number, date and time formats: decimal point ".", dates "dd/mm/yyyy",
// times "hh.mm.ss".
namespace tarvolin {

void ImpostaFormatiProcesso();

QString FormatoData(const QDateTime& when);
QString FormatoOra(const QDateTime& when);

// Bytes as megabytes with two decimals: 12.34
QString FormatoMB(qint64 bytes);

} // namespace tarvolin
