#pragma once

#include <QStringView>

#include <functional>
#include <vector>

// Records inside a payload field: fields separated by "|||", each record closed by a marker of
// its own kind ("{|end|}", "(|!|)").
namespace tarvolin::service {

// Beyond this many records a reply is no list anyone reads; the rest is dropped so that a
// hostile payload cannot take the memory of the rows it would make.
inline constexpr qsizetype kMassimoRecord = 100000;

// Calls `usa` with the text before each `fine`, in order, up to kMassimoRecord records; text
// after the last `fine` is no record. A record whose handling throws is skipped.
void PerOgniRecord(QStringView testo, QStringView fine,
                   const std::function<void(QStringView record)>& usa);

// The first `quanti` fields of a record; fields it lacks are empty. The last field runs to the
// end of the record when `ultimoFinoAllaFine`, else to the next separator.
std::vector<QStringView> CampiRecord(QStringView record, qsizetype quanti, bool ultimoFinoAllaFine);

} // namespace tarvolin::service
