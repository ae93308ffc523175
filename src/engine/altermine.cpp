#include "engine/altermine.h"

#include "common/clock.h"
#include "common/synccall.h"
#include "engine/registroestrazioni.h"
#include "platform/energia.h"

namespace tarvolin::engine {

QString FineTestoAlTermine(int codice) {
    switch (codice) {
    case ArrestaSistema:
        return QStringLiteral("verrà spento.");
    case Standby:
        return QStringLiteral("andrà in standby.");
    case ChiudiProgramma:
        return QStringLiteral("chiuderà Tarvolin.");
    default:
        return {};
    }
}

QString TestoAlTermine(int secondi, const QString& fineTesto) {
    return QStringLiteral("Tra ") + QString::number(secondi) +
           QStringLiteral(" secondi il computer ") + fineTesto;
}

void EseguiAzioneAlTermine(int codice, const std::function<void()>& chiudi) {
    switch (codice) {
    case ArrestaSistema:
        platform::power().powerOff();
        break;
    case Standby:
        platform::power().suspend();
        break;
    case ChiudiProgramma:
        if (chiudi)
            chiudi();
        break;
    default:
        break;
    }
}

void TOperazioneAlTermine::run() {
    const FineAnnunciata fine(this);
    while (SecondiRestanti > 0 && !isInterruptionRequested() && !Annullato) {
        const QString testo = TestoAlTermine(SecondiRestanti, FineTesto);
        if (!ChiamataSincronizzata([&] { Mostra(testo); }))
            return;
        if (Annullato) {
            requestInterruption();
        } else {
            --SecondiRestanti;
            clock::Attendi(1000);
        }
    }
    if (SecondiRestanti > 0 || Annullato)
        return;
    // Asked again on the main thread: a cancel or a new countdown may come while this waits.
    ChiamataSincronizzata([&] {
        if (!Annullato && !isInterruptionRequested())
            AZero();
    });
}

OperazioneAlTermine::OperazioneAlTermine(Ambiente ambiente, RegistroEstrazioni& estrazioni,
                                         QObject* parent)
    : QObject(parent), a_(std::move(ambiente)), estrazioni_(estrazioni) {
    connect(&estrazioni_, &RegistroEstrazioni::NessunaInCorso, this, &OperazioneAlTermine::esegui,
            Qt::QueuedConnection);
}

OperazioneAlTermine::~OperazioneAlTermine() {
    Ferma();
}

void OperazioneAlTermine::Controlla() {
    const int codice = a_.Scelta();
    if (fermo_ || codice == NonFareNulla || !a_.CodaVuota())
        return;
    // Waiting for the old countdown serves other workers' calls, which may run this check again.
    while (conto_)
        fermaConto();
    conto_ = std::make_unique<TOperazioneAlTermine>();
    conto_->FineTesto = FineTestoAlTermine(codice);
    conto_->Codice = codice;
    conto_->Mostra = a_.Etichetta;
    conto_->AZero = [this] {
        inAttesa_ = true;
        esegui();
    };
    a_.Etichetta(TestoAlTermine(conto_->SecondiRestanti, conto_->FineTesto));
    a_.MostraPannello();
    conto_->start();
}

void OperazioneAlTermine::Annulla() {
    inAttesa_ = false;
    if (conto_)
        conto_->Annullato = true;
}

void OperazioneAlTermine::Ferma() {
    fermo_ = true;
    fermaConto();
}

void OperazioneAlTermine::fermaConto() {
    inAttesa_ = false;
    const std::unique_ptr<TOperazioneAlTermine> vecchio = std::move(conto_);
    if (!vecchio)
        return;
    vecchio->requestInterruption();
    AttendiThread(*vecchio);
}

// Powering off or closing in the middle of an extraction would lose the user's files: the
// action waits for the last running one to end.
void OperazioneAlTermine::esegui() {
    if (!inAttesa_ || !conto_ || conto_->Annullato || estrazioni_.InCorso() > 0)
        return;
    inAttesa_ = false;
    EseguiAzioneAlTermine(conto_->Codice, a_.Chiudi);
}

} // namespace tarvolin::engine
