#pragma once

#include "tickets/recordticket.h"

#include <vector>

class QPlainTextEdit;

// The lines of a conversation view: operators' lines black, the user's blue.
namespace tarvolin::tickets {

// Replaces the whole conversation, laid out once.
void RiempiConversazione(QPlainTextEdit* vista, const std::vector<RigaConversazione>& righe);
void AggiungiAllaConversazione(QPlainTextEdit* vista, const RigaConversazione& riga);

} // namespace tarvolin::tickets
