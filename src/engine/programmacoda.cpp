#include "programmacoda.h"

#include "engine/attivi.h"
#include "engine/sceltecoda.h"
#include "queue/modellocoda.h"

namespace tarvolin::engine {

QString ProgrammaCoda::Cella(const QString& id, int cella) const {
    const queue::RigaCoda* riga = code_.RigaPerId(kCoda, id);
    return riga != nullptr ? riga->Cella(cella) : QString();
}

void ProgrammaCoda::ImpostaCella(const QString& id, int cella, const QString& testo) {
    if (const int p = code_.Posizione(kCoda, id); p >= 0)
        code_.ImpostaCella(kCoda, p, cella, testo);
}

QString ProgrammaCoda::Didascalia(const QString& id) const {
    const queue::RigaCoda* riga = code_.RigaPerId(kCoda, id);
    return riga != nullptr ? riga->didascalia : QString();
}

void ProgrammaCoda::ImpostaDidascalia(const QString& id, const QString& testo) {
    if (const int p = code_.Posizione(kCoda, id); p >= 0)
        code_.ImpostaDidascalia(kCoda, p, testo);
}

void ProgrammaCoda::ImpostaIcona(const QString& id, int icona) {
    if (const int p = code_.Posizione(kCoda, id); p >= 0)
        code_.ImpostaIcona(kCoda, p, icona);
}

void ProgrammaCoda::SpostaInCompletati(const QString& id) {
    const int p = code_.Posizione(kCoda, id);
    if (p < 0)
        return;
    code_.SpostaInCompletati(p);
    code_.RigheTenute.remove(id);
    if (Spostata)
        Spostata();
}

queue::Database* ProgrammaCoda::Db() {
    return db_ ? db_() : nullptr;
}

void ProgrammaCoda::DisattivaDownloadAutomatico() {
    if (SpegniAutomatico)
        SpegniAutomatico();
}

void ProgrammaCoda::RimuoviDaAttivi(StatoDownload& download) {
    code_.RigheTenute.remove(download.IdRiga);
    if (Rimuovi)
        Rimuovi(download);
}

void ProgrammaCoda::FineDownload() {
    if (Fine)
        Fine();
}

void ProgrammaCoda::DownloadConcluso(const QString& id, bool riuscito) {
    if (Concluso)
        Concluso(id, riuscito);
}

} // namespace tarvolin::engine
