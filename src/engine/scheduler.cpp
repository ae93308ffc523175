#include "scheduler.h"

#include "common/clock.h"
#include "common/formati.h"
#include "common/synccall.h"
#include "engine/sceltecoda.h"
#include "queue/modellocoda.h"
#include "queue/righe.h"

#include <QDateTime>

namespace tarvolin::engine {

void TStartDownloadAutomatico::run() {
    const FineAnnunciata fine(this);
    while (ContoAllaRovescia > 0 && !(isInterruptionRequested() && Annullato)) {
        const int secondi = ContoAllaRovescia;
        if (!ChiamataSincronizzata([&] { Mostra(secondi); }))
            return;
        clock::Attendi(1000);
        --ContoAllaRovescia;
    }
    if (!Annullato)
        ChiamataSincronizzata([&] { Fatto(); });
}

Scheduler::Scheduler(queue::ModelloCoda& code, DownloadAttivi& attivi, AmbienteMotore ambiente,
                     OpzioniScheduler opzioni, QObject* parent)
    : QObject(parent), code_(code), attivi_(attivi), ambiente_(std::move(ambiente)),
      o_(std::move(opzioni)) {}

Scheduler::~Scheduler() {
    fermaConto(true);
}

int Scheduler::Attivi() const {
    return static_cast<int>(attivi_.Lista.size());
}

TDownload* Scheduler::workerDi(const QString& id) const {
    for (StatoDownload* d : attivi_.Lista) {
        if (d->IdRiga == id)
            return dynamic_cast<TDownload*>(d);
    }
    return nullptr;
}

TDownload* Scheduler::lavoratoreVivo(const QString& id) const {
    for (const QPointer<TDownload>& w : lavoratori_) {
        if (w && !w->isFinished() && w->IdRiga == id)
            return w.data();
    }
    return nullptr;
}

void Scheduler::riprendiDopo(TDownload* vecchio) {
    // The old worker may still write the row's partial file or report its end: a second one
    // starts only when it has gone, and only if the row still waits for it.
    const QString id = vecchio->IdRiga;
    if (inAttesa_.contains(id))
        return;
    inAttesa_.insert(id);
    const auto riprendi = [this, id] {
        if (!inAttesa_.remove(id))
            return; // already done, or the window is closing
        const queue::RigaCoda* riga = code_.RigaPerId(kCoda, id);
        if (riga != nullptr && riga->icona == queue::IconaInCoda)
            DownloadFile(id);
    };
    connect(vecchio, &QThread::finished, this, riprendi, Qt::QueuedConnection);
    if (vecchio->isFinished()) // it ended before the connection was made
        QMetaObject::invokeMethod(this, riprendi, Qt::QueuedConnection);
}

QList<TDownload*> Scheduler::Lavoratori() const {
    QList<TDownload*> vivi;
    for (const QPointer<TDownload>& w : lavoratori_) {
        if (w)
            vivi.append(w.data());
    }
    return vivi;
}

void Scheduler::DownloadFile(const QString& id) {
    if (o_.AggiornamentoInCorso())
        return;
    // Looked up again after each call out: what they run may change the list.
    const auto riga = [&] { return code_.Posizione(kCoda, id); };
    if (riga() < 0)
        return;
    if (TDownload* vecchio = lavoratoreVivo(id)) {
        if (!vecchio->Interrompi && workerDi(id) != nullptr)
            return; // already running
        code_.ImpostaIcona(kCoda, riga(), queue::IconaInCoda);
        riprendiDopo(vecchio);
        return;
    }
    const QString link = code_.Riga(kCoda, riga()).Cella(queue::cella::Link);
    auto rifiuta = [&](const QString& testo) {
        if (riga() < 0)
            return;
        code_.ImpostaCella(kCoda, riga(), queue::cella::Fine,
                           FormatoOra(QDateTime::currentDateTime()));
        code_.ImpostaCella(kCoda, riga(), queue::cella::Stato, testo);
        code_.ImpostaIcona(kCoda, riga(), queue::IconaFermo);
    };
    QString avvio = QStringLiteral("Calcolo...");
    if (o_.HostConosciuto(link)) {
        if (o_.Sospeso()) {
            rifiuta(QStringLiteral("Sospeso dal server"));
            return;
        }
        o_.CaricaPersonale();
        if (o_.AccountEmail().isEmpty()) {
            rifiuta(QStringLiteral("No Login/Premium!"));
            return;
        }
        avvio = QStringLiteral("Generazione...");
    }
    if (riga() < 0)
        return;
    code_.ImpostaCella(kCoda, riga(), queue::cella::Stato, avvio);
    code_.ImpostaCella(kCoda, riga(), queue::cella::Fine, avvio);

    ParametriDownload p;
    p.IdRiga = id;
    p.Link = link;
    p.CartellaTemp = o_.TempDir();
    p.CartellaCompletati = o_.CompleteDir();
    p.SaltaRev = o_.SkipRev();
    p.NascondiCompletati = o_.AutoHide();
    p.SempreCartella = o_.AlwaysFolder();
    if (queue::Database* db = o_.Db()) {
        const queue::DettagliDownload d = queue::LeggiDettagliDownload(*db, id);
        p.PasswordLink = d.passlink;
        p.PasswordArchivio = d.passwordArchivio;
        p.Estrai = d.autoExtract;
        p.Gruppo = d.gruppo;
    }
    p.Estrai = p.Estrai || o_.AutoExtract();
    p.AccountEmail = o_.AccountEmail();
    p.AccountPassword = o_.AccountPassword();

    AmbienteMotore ambiente = ambiente_;
    ambiente.accesso.sitoBase = o_.SitoBase();
    auto* worker = new TDownload(std::move(p), std::move(ambiente));
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    // After the deletion is queued, which still reads the worker on its own thread.
    connect(
        worker, &QThread::finished, worker, [worker] { AnnunciaFine(worker); },
        Qt::DirectConnection);
    lavoratori_.removeIf([](const QPointer<TDownload>& w) { return w.isNull(); });
    lavoratori_.append(worker);
    {
        std::lock_guard lock(attivi_.BloccoContatori);
        attivi_.Lista.append(worker);
    }
    code_.RigheTenute.insert(id);
    if (const int posizione = riga(); posizione >= 0)
        code_.ImpostaIcona(kCoda, posizione, queue::IconaInCorso);
    o_.SettaLimitiDiBanda();
    worker->PausaMs = o_.PausaCorrente();
    worker->start();
}

void Scheduler::InterrompiDownload(const QString& id) {
    if (TDownload* worker = workerDi(id)) {
        if (const int riga = code_.Posizione(kCoda, id); riga >= 0)
            code_.ImpostaIcona(kCoda, riga, queue::IconaFermo);
        worker->Interrompi = true;
    }
    o_.SettaLimitiDiBanda();
}

bool Scheduler::AvviaSpuntati() {
    const bool fatto = engine::AvviaSpuntati(
        code_, [this] { return Attivi(); }, kMassimoManuale,
        [this](const QString& id) { DownloadFile(id); });
    if (!fatto)
        emit LimiteRaggiunto();
    return fatto;
}

void Scheduler::FermaSpuntati() {
    engine::FermaSpuntati(code_, [this](const QString& id) { InterrompiDownload(id); });
}

void Scheduler::RimettiInCodaAutomatico() {
    RimettiInCodaSpuntati(code_);
}

void Scheduler::TimerDownloadAutomaticoTimer() {
    if (o_.AggiornamentoInCorso() || o_.ServizioAssente())
        return;
    if (const std::optional<QString> id = ProssimoAutomatico(code_, Attivi(), o_.MaxDownload()))
        DownloadFile(*id);
}

void Scheduler::RispostaLinkServizio(const QString& payload) {
    InstradaLinkServizio(attivi_, payload);
}

void Scheduler::fermaConto(bool annulla) {
    // Taken out first: the wait serves workers' calls, and one of them (a full disk unticking
    // automatic mode) can stop the countdown again from inside it.
    const std::unique_ptr<TStartDownloadAutomatico> conto = std::move(conto_);
    if (!conto)
        return;
    if (annulla)
        conto->Annullato = true;
    conto->requestInterruption();
    AttendiThread(*conto);
}

void Scheduler::DownloadAutomaticoClick(bool spuntato) {
    if (!spuntato) {
        fermaConto(true);
        emit TimerAutomatico(false);
        emit PannelloAutomatico(false, QString());
        return;
    }
    if (code_.NumeroRighe(kCoda) == 0) {
        emit TimerAutomatico(true);
        return;
    }
    fermaConto(false);
    conto_ = std::make_unique<TStartDownloadAutomatico>();
    conto_->Mostra = [this](int secondi) {
        emit PannelloAutomatico(
            true,
            QStringLiteral("Sta per avviarsi il download automatico\r\nPuoi annullarlo entro ") +
                QString::number(secondi) + QStringLiteral(" secondi premendo qui"));
    };
    conto_->Fatto = [this] {
        emit PannelloAutomatico(false, QString());
        emit TimerAutomatico(true);
    };
    conto_->start();
    emit PannelloAutomatico(true, QString());
}

void Scheduler::BtAnnullaDownloadAutomaticoClick() {
    fermaConto(true);
    emit PannelloAutomatico(false, QString());
    emit TimerAutomatico(false);
    emit SpuntaAutomatico(false);
}

} // namespace tarvolin::engine
