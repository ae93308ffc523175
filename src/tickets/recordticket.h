#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// The ticket payloads of the service server, read without any window.
namespace tarvolin::tickets {

// "yyyy-mm-dd hh:mm:ss" shown as "dd/mm/yyyy hh.mm.ss"; a shorter text gives whatever stands
// at those positions.
QString FormatDataTicket(QStringView data);

// Cells of the ticket list: title, opening date, status, ticket id, then the two server
// fields nobody reads.
namespace colonna {
inline constexpr int Titolo = 0, Data = 1, Status = 2, Id = 3, CampoA = 4, CampoB = 5;
}

// One row per "{|end|}"-closed record: id, field A, field B, title, date, closed marker.
std::vector<QStringList> LeggiListaTicket(QStringView records);

// One line of a conversation, always a single line of text.
struct RigaConversazione {
    QString testo;
    bool admin = false; // an operator's line, shown black; the user's are blue
};

// The line of a message from `mittente`, dated with the text `dataMostrata`.
RigaConversazione FormaRiga(QStringView mittente, QStringView messaggio,
                            const QString& dataMostrata);

// One line per "{|end|}"-closed record: sender, message, date.
std::vector<RigaConversazione> LeggiConversazione(QStringView records);

} // namespace tarvolin::tickets
