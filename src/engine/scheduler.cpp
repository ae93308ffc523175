#include "scheduler.h"

#include "common/clock.h"
#include "common/formati.h"
#include "common/synccall.h"
#include "queue/listecoda.h"
#include "queue/righe.h"
#include "queue/vistacoda.h"

#include <QDateTime>
#include <QTreeWidgetItem>

namespace tarvolin::motore {

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

Scheduler::Scheduler(ListeCoda& code, DownloadAttivi& attivi, AmbienteMotore ambiente,
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
        QTreeWidgetItem* riga = code_.Lista()->RigaPerId(id);
        if (riga != nullptr && VistaCoda::Icona(riga) == IconaInCoda)
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
    VistaCoda* lista = code_.Lista();
    QTreeWidgetItem* riga = lista->RigaPerId(id);
    if (riga == nullptr)
        return;
    if (TDownload* vecchio = lavoratoreVivo(id)) {
        if (!vecchio->Interrompi && workerDi(id) != nullptr)
            return; // already running
        lista->ImpostaIcona(riga, IconaInCoda);
        riprendiDopo(vecchio);
        return;
    }
    const QString link = VistaCoda::Cella(riga, cella::Link);
    auto rifiuta = [&](const QString& testo) {
        VistaCoda::ImpostaCella(riga, cella::Fine, FormatoOra(QDateTime::currentDateTime()));
        VistaCoda::ImpostaCella(riga, cella::Stato, testo);
        lista->ImpostaIcona(riga, IconaFermo);
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
    VistaCoda::ImpostaCella(riga, cella::Stato, avvio);
    VistaCoda::ImpostaCella(riga, cella::Fine, avvio);

    ParametriDownload p;
    p.IdRiga = id;
    p.Link = link;
    p.CartellaTemp = o_.TempDir();
    p.CartellaCompletati = o_.CompleteDir();
    p.SaltaRev = o_.SkipRev();
    p.NascondiCompletati = o_.AutoHide();
    p.SempreCartella = o_.AlwaysFolder();
    if (Database* db = code_.Db()) {
        const DettagliDownload d = LeggiDettagliDownload(*db, id);
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
    lista->ImpostaIcona(riga, IconaInCorso);
    o_.SettaLimitiDiBanda();
    worker->PausaMs = o_.PausaCorrente();
    worker->start();
}

void Scheduler::InterrompiDownload(const QString& id) {
    if (TDownload* worker = workerDi(id)) {
        if (QTreeWidgetItem* riga = code_.Lista()->RigaPerId(id))
            code_.Lista()->ImpostaIcona(riga, IconaFermo);
        worker->Interrompi = true;
    }
    o_.SettaLimitiDiBanda();
}

bool Scheduler::AvviaSpuntati() {
    if (Attivi() >= kMassimoManuale) {
        emit LimiteRaggiunto();
        return false;
    }
    VistaCoda* lista = code_.Lista();
    for (int i = 0; i < lista->NumeroRighe(); ++i) {
        QTreeWidgetItem* riga = lista->Riga(i);
        if (!VistaCoda::Spuntata(riga))
            continue;
        if (Attivi() >= kMassimoManuale) {
            emit LimiteRaggiunto();
            return false;
        }
        const int icona = VistaCoda::Icona(riga);
        if (icona != IconaInCorso && icona != IconaCompletato)
            DownloadFile(VistaCoda::Cella(riga, cella::Id));
    }
    return true;
}

void Scheduler::FermaSpuntati() {
    VistaCoda* lista = code_.Lista();
    for (int i = 0; i < lista->NumeroRighe(); ++i) {
        QTreeWidgetItem* riga = lista->Riga(i);
        if (!VistaCoda::Spuntata(riga))
            continue;
        if (VistaCoda::Icona(riga) == IconaInCoda)
            lista->ImpostaIcona(riga, IconaFermo);
        else if (VistaCoda::Icona(riga) == IconaInCorso)
            InterrompiDownload(VistaCoda::Cella(riga, cella::Id));
    }
}

void Scheduler::RimettiInCodaAutomatico() {
    VistaCoda* lista = code_.Lista();
    lista->setUpdatesEnabled(false);
    for (int i = lista->NumeroRighe() - 1; i >= 0; --i) {
        QTreeWidgetItem* riga = lista->Riga(i);
        if (VistaCoda::Spuntata(riga) && VistaCoda::Icona(riga) == IconaFermo)
            lista->ImpostaIcona(riga, IconaInCoda);
    }
    lista->setUpdatesEnabled(true);
}

void Scheduler::TimerDownloadAutomaticoTimer() {
    if (o_.AggiornamentoInCorso() || o_.ServizioAssente())
        return;
    if (Attivi() >= o_.MaxDownload())
        return;
    VistaCoda* lista = code_.Lista();
    for (int i = 0; i < lista->NumeroRighe(); ++i) {
        QTreeWidgetItem* riga = lista->Riga(i);
        if (VistaCoda::Icona(riga) == IconaInCoda) {
            DownloadFile(VistaCoda::Cella(riga, cella::Id));
            return;
        }
    }
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
    if (code_.Lista()->NumeroRighe() == 0) {
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

} // namespace tarvolin::motore
