#include "formati.h"

#include <QDateTime>
#include <QLocale>

namespace tarvolin {

void ImpostaFormatiProcesso() {
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(locale);
}

QString FormatoData(const QDateTime& when) {
    return when.toString(QStringLiteral("dd/MM/yyyy"));
}

QString FormatoOra(const QDateTime& when) {
    return when.toString(QStringLiteral("hh.mm.ss"));
}

QString FormatoMB(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / 1048576.0, 'f', 2);
}

} // namespace tarvolin
