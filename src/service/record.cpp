#include "record.h"

#include "common/diagnostica.h"

#include <exception>

namespace tarvolin::service {

void PerOgniRecord(QStringView testo, QStringView fine,
                   const std::function<void(QStringView record)>& usa) {
    qsizetype inizio = 0;
    for (qsizetype n = 0; n < kMassimoRecord; ++n) {
        const qsizetype chiusura = testo.indexOf(fine, inizio);
        if (chiusura < 0)
            return;
        try {
            usa(testo.sliced(inizio, chiusura - inizio));
        } catch (const std::exception& e) {
            qCDebug(lcServizio) << "record skipped:" << e.what();
        }
        inizio = chiusura + fine.size();
    }
}

std::vector<QStringView> CampiRecord(QStringView record, qsizetype quanti,
                                     bool ultimoFinoAllaFine) {
    static constexpr QStringView kSeparatore = u"|||";
    std::vector<QStringView> campi(static_cast<size_t>(quanti));
    qsizetype inizio = 0;
    for (qsizetype i = 0; i < quanti; ++i) {
        const bool ultimo = i + 1 == quanti;
        const qsizetype sep = record.indexOf(kSeparatore, inizio);
        if (sep < 0 || (ultimo && ultimoFinoAllaFine)) {
            campi[static_cast<size_t>(i)] = record.sliced(inizio);
            break;
        }
        campi[static_cast<size_t>(i)] = record.sliced(inizio, sep - inizio);
        inizio = sep + kSeparatore.size();
    }
    return campi;
}

} // namespace tarvolin::service
