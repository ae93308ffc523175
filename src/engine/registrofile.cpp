#include "registrofile.h"

namespace tarvolin::engine {

bool RegistroFile::Prenota(const QString& percorso, const QString& idRiga) {
    std::lock_guard lock(blocco_);
    const auto it = tenuti_.constFind(percorso);
    if (it != tenuti_.constEnd())
        return it.value() == idRiga;
    tenuti_.insert(percorso, idRiga);
    return true;
}

void RegistroFile::Rilascia(const QString& percorso, const QString& idRiga) {
    std::lock_guard lock(blocco_);
    const auto it = tenuti_.find(percorso);
    if (it != tenuti_.end() && it.value() == idRiga)
        tenuti_.erase(it);
}

Prenotazioni::~Prenotazioni() {
    RilasciaTutte();
}

void Prenotazioni::RilasciaTutte() {
    if (registro_ != nullptr) {
        for (const QString& percorso : std::as_const(tenuti_))
            registro_->Rilascia(percorso, idRiga_);
    }
    tenuti_.clear();
}

bool Prenotazioni::Prenota(const QString& percorso) {
    if (registro_ == nullptr)
        return true;
    if (!registro_->Prenota(percorso, idRiga_))
        return false;
    if (!tenuti_.contains(percorso))
        tenuti_.append(percorso);
    return true;
}

void Prenotazioni::Rilascia(const QString& percorso) {
    if (registro_ != nullptr)
        registro_->Rilascia(percorso, idRiga_);
    tenuti_.removeAll(percorso);
}

} // namespace tarvolin::engine
