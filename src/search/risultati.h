#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace tarvolin {
class ModelloRighe;
}

// The search payloads of the service server and what the results hand on, without any window.
namespace tarvolin::search {

// Cells of a result row: the file name, then the sub-items.
namespace colonna {
inline constexpr int Nome = 0, Link = 1, Password = 2, PasswordArchivio = 3, Dimensione = 4,
                     Controllo = 5;
}

// Bytes as megabytes with two decimals when the field is a 64-bit decimal integer, else "0".
QString ColonnaDimensione(QStringView byte);

// One row per "(|!|)"-closed record: name, link, password, archive password, size, last check
// (the last field runs to the end of the record).
std::vector<QStringList> LeggiRisultati(QStringView records);

// A row standing in for results: a caption and three empty sub-items.
std::vector<QStringList> RigaSegnaposto(const QString& didascalia);

// What the selected rows hand to the add-links dialog.
struct LinkScelti {
    QString link;             // each link followed by CR LF
    QString password;         // the first non-empty one in row order
    QString passwordArchivio; // likewise
};
LinkScelti RaccogliLink(const ModelloRighe& righe, QList<int> selezionate);

} // namespace tarvolin::search
