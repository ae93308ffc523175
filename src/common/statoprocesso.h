#pragma once

#include <QString>

#include <atomic>

namespace tarvolin {

// Flags and lists that the whole program shares, reset when the main window is created.
struct StatoProcesso {
    // The next close of the main window skips the confirmation question.
    std::atomic<bool> ChiudiSenzaConferma{false};
    // No login answer from the service yet.
    std::atomic<bool> LoginInAttesa{true};
    // The service demanded an update.
    std::atomic<bool> AggiornamentoRichiesto{false};
    // The first-use report has gone out.
    std::atomic<bool> UsoSegnalato{false};
    // The last clipboard text already seen, so it is never offered as a new link.
    QString UltimoTestoAppunti;
    // The left button went down on a list with a selected row and is still held.
    bool SpuntaInTrascinamento = false;
    // False until the settings loader has set the portable check box.
    bool CaricamentoPortableFatto = false;

    void Azzera();
};

StatoProcesso& Processo();

} // namespace tarvolin
