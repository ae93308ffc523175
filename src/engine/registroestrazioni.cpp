#include "engine/registroestrazioni.h"

namespace tarvolin::engine {

RegistroEstrazioni::Turno::Turno(RegistroEstrazioni& registro, std::shared_ptr<QMutex> archivio)
    : registro_(registro), archivio_(std::move(archivio)) {
    archivio_->lock();
}

RegistroEstrazioni::Turno::~Turno() {
    archivio_->unlock();
    registro_.termina();
}

std::unique_ptr<RegistroEstrazioni::Turno> RegistroEstrazioni::Inizia(const QString& archivio) {
    std::shared_ptr<QMutex> blocco;
    {
        QMutexLocker lock(&blocco_);
        ++inCorso_;
        auto& voce = archivi_[archivio];
        if (!voce)
            voce = std::make_shared<QMutex>();
        blocco = voce;
    }
    return std::make_unique<Turno>(*this, std::move(blocco));
}

int RegistroEstrazioni::InCorso() const {
    QMutexLocker lock(&blocco_);
    return inCorso_;
}

std::optional<bool> RegistroEstrazioni::EsitoRecente(const QString& archivio,
                                                     const QByteArray& firma,
                                                     const QString& password) const {
    QMutexLocker lock(&blocco_);
    const auto voce = estratti_.constFind(archivio);
    if (voce == estratti_.constEnd() || voce->firma != firma ||
        (!voce->riuscita && voce->password != password))
        return std::nullopt;
    return voce->riuscita;
}

void RegistroEstrazioni::Ricorda(const QString& archivio, const QByteArray& firma,
                                 const QString& password, bool riuscita) {
    QMutexLocker lock(&blocco_);
    estratti_.insert(archivio, {firma, password, riuscita});
}

void RegistroEstrazioni::MancaUnrar() {
    if (!unrarMancante_.exchange(true))
        emit UnrarMancante();
}

void RegistroEstrazioni::termina() {
    bool nessuna = false;
    {
        QMutexLocker lock(&blocco_);
        nessuna = --inCorso_ == 0;
    }
    if (nessuna)
        emit NessunaInCorso();
}

} // namespace tarvolin::engine
