#include "statoprocesso.h"

namespace tarvolin {

void StatoProcesso::Azzera() {
    ChiudiSenzaConferma = false;
    LoginInAttesa = true;
    AggiornamentoRichiesto = false;
    UsoSegnalato = false;
    UltimoTestoAppunti.clear();
    CaricamentoPortableFatto = false;
    SpuntaInTrascinamento = false;
}

StatoProcesso& Processo() {
    static StatoProcesso stato;
    return stato;
}

} // namespace tarvolin
