#include "recordticket.h"

#include "service/record.h"

namespace tarvolin::tickets {

namespace {

constexpr QStringView kFine = u"{|end|}";

// A line break from the message or the date would split the line, and the colour would fall
// on the wrong lines.
QString SuUnaRiga(QString riga) {
    for (QChar& c : riga) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            c = u' ';
    }
    return riga;
}

} // namespace

QString FormatDataTicket(QStringView data) {
    QString ora = data.mid(11, 8).toString();
    ora.replace(u':', u'.');
    return data.mid(8, 2).toString() + u'/' + data.mid(5, 2).toString() + u'/' +
           data.mid(0, 4).toString() + u' ' + ora;
}

std::vector<QStringList> LeggiListaTicket(QStringView records) {
    std::vector<QStringList> righe;
    service::PerOgniRecord(records, kFine, [&righe](QStringView record) {
        const auto c = service::CampiRecord(record, 6, false);
        righe.push_back({c[3].toString(), FormatDataTicket(c[4]),
                         c[5].isEmpty() ? QStringLiteral("Aperto") : QStringLiteral("Chiuso"),
                         c[0].toString(), c[1].toString(), c[2].toString()});
    });
    return righe;
}

RigaConversazione FormaRiga(QStringView mittente, QStringView messaggio,
                            const QString& dataMostrata) {
    const bool admin = mittente == u"ADMIN";
    return {SuUnaRiga(dataMostrata +
                      (admin ? QStringLiteral(" - ADMIN > ") : QStringLiteral(" - TU > ")) +
                      messaggio.toString()),
            admin};
}

std::vector<RigaConversazione> LeggiConversazione(QStringView records) {
    std::vector<RigaConversazione> righe;
    service::PerOgniRecord(records, kFine, [&righe](QStringView record) {
        const auto c = service::CampiRecord(record, 3, false);
        righe.push_back(FormaRiga(c[0], c[1], FormatDataTicket(c[2])));
    });
    return righe;
}

} // namespace tarvolin::tickets
