#pragma once

#include "engine/tdownload.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace tarvolin {
namespace queue {
class Database;
}
namespace queue {
class ModelloCoda;
}
} // namespace tarvolin

namespace tarvolin::engine {

// The automatic-start countdown: ten seconds during which the user may still cancel.
class TStartDownloadAutomatico : public QThread {
    Q_OBJECT
public:
    std::atomic<bool> Annullato{false};
    std::atomic<int> ContoAllaRovescia{10};
    std::function<void(int secondi)> Mostra; // main thread
    std::function<void()> Fatto;             // main thread, when not cancelled

protected:
    void run() override;
};

// What the scheduler reads of the program when it starts a download.
struct OpzioniScheduler {
    std::function<QString()> TempDir, CompleteDir;
    std::function<bool()> SkipRev, AutoHide, AlwaysFolder, AutoExtract;
    std::function<int()> MaxDownload;
    std::function<bool(const QString& link)> HostConosciuto;
    std::function<void()> CaricaPersonale; // makes the user's own host account current
    std::function<QString()> AccountEmail, AccountPassword, SitoBase;
    // The automatic tick waits while any of these holds.
    std::function<bool()> ServizioAssente, Sospeso, AggiornamentoInCorso;
    std::function<void()> SettaLimitiDiBanda;
    std::function<qint64()> PausaCorrente;
    std::function<queue::Database*()> Db;
};

// When queue rows become running downloads, and how many at once. Main thread.
class Scheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int kMassimoManuale = 15;

    Scheduler(queue::ModelloCoda& code, DownloadAttivi& attivi, AmbienteMotore ambiente,
              OpzioniScheduler opzioni, QObject* parent = nullptr);
    ~Scheduler() override;

    void DownloadFile(const QString& id);
    void InterrompiDownload(const QString& id);
    // The start button: false when it stopped at the limit of running downloads.
    bool AvviaSpuntati();
    void FermaSpuntati();
    void RimettiInCodaAutomatico();
    // One tick of automatic mode: at most one start.
    void TimerDownloadAutomaticoTimer();
    // The service's "#0333" answer: "id|url".
    void RispostaLinkServizio(const QString& payload);

    // Automatic mode, driven by the check box.
    void DownloadAutomaticoClick(bool spuntato);
    void BtAnnullaDownloadAutomaticoClick();

    int Attivi() const;
    // The window is going: the countdown ends without starting anything.
    void Ferma() {
        inAttesa_.clear();
        fermaConto(true);
    }
    // Every worker not yet deleted, also those that have left the running list and are still
    // extracting or reporting their end: the window waits for all of them before it goes.
    QList<TDownload*> Lavoratori() const;

signals:
    void TimerAutomatico(bool attivo);
    void PannelloAutomatico(bool visibile, const QString& testo);
    void SpuntaAutomatico(bool spuntato);
    void LimiteRaggiunto();

private:
    void fermaConto(bool annulla);
    TDownload* workerDi(const QString& id) const;
    // A worker of the row that has not ended yet, running or not.
    TDownload* lavoratoreVivo(const QString& id) const;
    void riprendiDopo(TDownload* vecchio);

    queue::ModelloCoda& code_;
    DownloadAttivi& attivi_;
    AmbienteMotore ambiente_;
    OpzioniScheduler o_;
    std::unique_ptr<TStartDownloadAutomatico> conto_;
    QList<QPointer<TDownload>> lavoratori_;
    QSet<QString> inAttesa_; // rows to start again once their previous worker has ended
};

} // namespace tarvolin::engine
