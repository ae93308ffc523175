#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace tarvolin::engine {

class RegistroEstrazioni;

// The codes of the end-of-queue menu.
enum AzioneAlTermine : int {
    NonFareNulla = 0,
    ArrestaSistema = 1,
    Standby = 2,
    ChiudiProgramma = 3
};

// How the countdown's sentence ends for `codice`, e.g. "verrà spento.".
QString FineTestoAlTermine(int codice);
// The countdown's sentence at `secondi`.
QString TestoAlTermine(int secondi, const QString& fineTesto);

// Carries out `codice` now: a power request, or `chiudi` for the program. Failures are ignored.
void EseguiAzioneAlTermine(int codice, const std::function<void()>& chiudi);

// The countdown before the end-of-queue action, one label per second.
class TOperazioneAlTermine : public QThread {
    Q_OBJECT
public:
    std::atomic<int> SecondiRestanti{60};
    QString FineTesto;
    std::atomic<bool> Annullato{false}; // set by the main thread
    int Codice = 0;
    std::function<void(const QString& testo)> Mostra; // main thread
    std::function<void()> AZero; // main thread, never once cancelled or told to stop

protected:
    void run() override;
};

// The end-of-queue check and the one countdown it keeps. Main thread.
class OperazioneAlTermine : public QObject {
    Q_OBJECT
public:
    struct Ambiente {
        std::function<int()> Scelta; // the code of the checked menu item
        std::function<bool()> CodaVuota;
        std::function<void(const QString& testo)> Etichetta;
        std::function<void()> MostraPannello;
        std::function<void()> Chiudi; // the program, without the close question
    };

    OperazioneAlTermine(Ambiente ambiente, RegistroEstrazioni& estrazioni,
                        QObject* parent = nullptr);
    ~OperazioneAlTermine() override;

    // A worker has ended.
    void Controlla();
    void Annulla();
    // The window is going: the countdown stops and none starts again.
    void Ferma();
    const TOperazioneAlTermine* Conto() const { return conto_.get(); }

private:
    void fermaConto();
    void esegui();

    Ambiente a_;
    RegistroEstrazioni& estrazioni_;
    std::unique_ptr<TOperazioneAlTermine> conto_;
    bool inAttesa_ = false; // zero reached, held back by running extractions
    bool fermo_ = false;
};

} // namespace tarvolin::engine
