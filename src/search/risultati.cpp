#include "risultati.h"

#include "common/formati.h"
#include "common_ui/modellorighe.h"
#include "service/record.h"

#include <algorithm>

namespace tarvolin::search {

QString ColonnaDimensione(QStringView byte) {
    bool ok = false;
    const qint64 n = byte.toLongLong(&ok, 10);
    return ok ? FormatoMB(n) : QStringLiteral("0");
}

std::vector<QStringList> LeggiRisultati(QStringView records) {
    std::vector<QStringList> righe;
    service::PerOgniRecord(records, u"(|!|)", [&righe](QStringView record) {
        const auto c = service::CampiRecord(record, 6, true);
        righe.push_back({c[0].toString(), c[1].toString(), c[2].toString(), c[3].toString(),
                         ColonnaDimensione(c[4]), c[5].toString()});
    });
    return righe;
}

std::vector<QStringList> RigaSegnaposto(const QString& didascalia) {
    return {{didascalia, QString(), QString(), QString()}};
}

LinkScelti RaccogliLink(const ModelloRighe& righe, QList<int> selezionate) {
    std::sort(selezionate.begin(), selezionate.end());
    LinkScelti scelti;
    for (int r : selezionate) {
        scelti.link += righe.Cella(r, colonna::Link) + QStringLiteral("\r\n");
        if (scelti.password.isEmpty())
            scelti.password = righe.Cella(r, colonna::Password);
        if (scelti.passwordArchivio.isEmpty())
            scelti.passwordArchivio = righe.Cella(r, colonna::PasswordArchivio);
    }
    return scelti;
}

} // namespace tarvolin::search
