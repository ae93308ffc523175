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

std::optional<int> RegistroFile::NumeroSet(const QString& cartella, const QString& radice,
                                           const QString& gruppo) {
    std::lock_guard lock(blocco_);
    const auto it = numeri_.constFind(cartella + u'\n' + radice + u'\n' + gruppo);
    return it == numeri_.constEnd() ? std::nullopt : std::optional(it.value());
}

bool RegistroFile::PrenotaSet(const QString& cartella, const QString& radice,
                              const QString& radiceNumerata, int n, const QString& gruppo,
                              bool altroNumero) {
    std::lock_guard lock(blocco_);
    const QString stem = cartella + u'\n' + radiceNumerata;
    const auto it = stemTenuti_.constFind(stem);
    if (it != stemTenuti_.constEnd() && it.value() != gruppo)
        return false;
    const QString chiave = cartella + u'\n' + radice + u'\n' + gruppo;
    const auto numero = numeri_.constFind(chiave);
    if (numero != numeri_.constEnd() && numero.value() != n && !altroNumero)
        return false;
    stemTenuti_.insert(stem, gruppo);
    if (numero == numeri_.constEnd()) // the first number the group took stays its number
        numeri_.insert(chiave, n);
    return true;
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
