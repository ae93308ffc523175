// The main window's side of the download engine: the scheduler's buttons, menu item, timer and
// countdown panel, and the engine's way into the queue lists.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/notifiche.h"
#include "common/deployment.h"
#include "common/statoprocesso.h"
#include "common/synccall.h"
#include "common_ui/messagebox.h"
#include "engine/programmacoda.h"
#include "engine/registroestrazioni.h"
#include "engine/scheduler.h"
#include "queue/listecoda.h"
#include "queue/righe.h"
#include "service/dispatcher.h"
#include "service/sessione.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <mutex>

namespace tarvolin::app {

namespace {

engine::OpzioniScheduler opzioniScheduler(TForm1& f, TForm_Opzioni& o) {
    engine::OpzioniScheduler s;
    s.TempDir = [&o] { return o.TempDir->text(); };
    s.CompleteDir = [&o] { return o.CompleteDir->text(); };
    s.SkipRev = [&o] { return o.SkipRev->isChecked(); };
    s.AutoHide = [&o] { return o.AutoHideOnCompleteBox->isChecked(); };
    s.AlwaysFolder = [&o] { return o.AlwaysFolder->isChecked(); };
    s.AutoExtract = [&o] { return o.AutoExtract->isChecked(); };
    s.MaxDownload = [&o] { return o.MaxDownload->value(); };
    s.HostConosciuto = [&f](const QString& link) { return f.HostConosciuto(link); };
    s.CaricaPersonale = [&f] { f.CaricaPersonalEasybytez(); };
    s.AccountEmail = [&f] { return f.AccountEmail; };
    s.AccountPassword = [&f] { return f.AccountPassword; };
    s.SitoBase = [&f] { return f.SitoBase; };
    s.ServizioAssente = [&f] { return !f.Servizio->Connesso() || Processo().LoginInAttesa; };
    s.Sospeso = [&f] { return f.Servizio->Sospeso(); };
    s.AggiornamentoInCorso = [&f] {
        return Processo().AggiornamentoRichiesto || f.PanelAggiornamento->isVisible();
    };
    s.SettaLimitiDiBanda = [&f] { f.SettaLimitiDiBanda(); };
    s.PausaCorrente = [&f] { return static_cast<qint64>(f.PausaCorrente); };
    s.Db = [&f] { return f.Code->Db(); };
    return s;
}

} // namespace

bool TForm1::codaFerma() {
    {
        std::lock_guard lock(DownloadAttivi.BloccoContatori);
        if (!DownloadAttivi.Lista.isEmpty())
            return false;
    }
    return !DownloadAutomatico->isChecked() ||
           (Code->Db() != nullptr && queue::CodaVuota(*Code->Db()));
}

void TForm1::creaMotore() {
    programmaCoda_ =
        std::make_unique<engine::ProgrammaCoda>(Code->Modello(), [this] { return Code->Db(); });
    programmaCoda_->Spostata = [this] { Code->AggiornaTitoliListaDownload(); };
    programmaCoda_->SpegniAutomatico = [this] { DownloadAutomatico->setChecked(false); };
    programmaCoda_->Rimuovi = [this](engine::StatoDownload& d) {
        {
            std::lock_guard lock(DownloadAttivi.BloccoContatori);
            DownloadAttivi.Lista.removeAll(&d);
        }
        SettaLimitiDiBanda();
    };
    MostraNotifica = [this](const QString& titolo, const QString& testo) {
        TrayIcon->showMessage(titolo, testo, QSystemTrayIcon::Information);
    };
    notifiche_ = std::make_unique<NotificheCoda>(
        [this](const QString& titolo, const QString& testo) { MostraNotifica(titolo, testo); },
        [this] { return isVisible() && !isMinimized(); });
    programmaCoda_->Concluso = [this](const QString& id, bool riuscito) {
        notifiche_->Concluso(id, programmaCoda_->Didascalia(id), riuscito);
    };
    Estrazioni = new engine::RegistroEstrazioni(this);
    connect(Estrazioni, &engine::RegistroEstrazioni::UnrarMancante, this, [this] {
        MostraMessaggio(this,
                        QStringLiteral("Per estrarre archivi RAR protetti da password installa la "
                                       "libreria UnRAR (pacchetto libunrar5)."),
                        QStringLiteral("Attenzione"), Icona::Avviso);
    });
    creaAlTermine();
    engine::AmbienteMotore ambiente;
    ambiente.programma = programmaCoda_.get();
    ambiente.attivi = &DownloadAttivi;
    ambiente.accesso.cookie = &IdCookieManager1;
    ambiente.accesso.senddata = [this](const QString& c, const QString& p) {
        Servizio->senddata(c, p);
    };
    ambiente.dominiHost = deployment().hostDomains;
    ambiente.hostConosciuto = [this](const QString& link) { return HostConosciuto(link); };
    ambiente.marcatoreProduttore = deployment().makerMarker;
    ambiente.estrazioni = Estrazioni;
    ambiente.file = &FileInCorso;
    Scheduler = new engine::Scheduler(Code->Modello(), DownloadAttivi, ambiente,
                                      opzioniScheduler(*this, *opzioni_), this);

    auto sullaCoda = [this] { return PageControl1->currentIndex() == 0; };
    connect(BtPlay, &QToolButton::clicked, this, [this, sullaCoda] {
        if (sullaCoda())
            Scheduler->AvviaSpuntati();
    });
    connect(BtStop, &QToolButton::clicked, this, [this, sullaCoda] {
        if (sullaCoda())
            Scheduler->FermaSpuntati();
    });
    connect(Scheduler, &engine::Scheduler::LimiteRaggiunto, this, [this] {
        MostraMessaggio(
            this,
            QStringLiteral("Non è consigliato mettere più di 15 download contemporaneamente!"),
            QStringLiteral("Errore di protezione"), Icona::Avviso);
    });
    connect(Code, &queue::ListeCoda::AvviaDownload, Scheduler, &engine::Scheduler::DownloadFile);
    connect(Code, &queue::ListeCoda::InterrompiDownload, Scheduler,
            &engine::Scheduler::InterrompiDownload);
    if (auto* voce = Code->PopupDownload->findChild<QAction*>(
            QStringLiteral("Rimettiincodaperildownloadautomatico1")))
        connect(voce, &QAction::triggered, Scheduler, &engine::Scheduler::RimettiInCodaAutomatico);
    Messaggi->LinkServizio = [this](const QString& payload) {
        Scheduler->RispostaLinkServizio(payload);
    };

    connect(TimerDownloadAutomatico, &QTimer::timeout, Scheduler,
            &engine::Scheduler::TimerDownloadAutomaticoTimer);
    connect(DownloadAutomatico, &QCheckBox::toggled, Scheduler,
            &engine::Scheduler::DownloadAutomaticoClick);
    connect(Scheduler, &engine::Scheduler::TimerAutomatico, this, [this](bool attivo) {
        if (attivo)
            TimerDownloadAutomatico->start();
        else
            TimerDownloadAutomatico->stop();
    });
    connect(Scheduler, &engine::Scheduler::PannelloAutomatico, this,
            [this](bool visibile, const QString& testo) {
                if (!testo.isEmpty())
                    LabelDownloadAutomatico->setText(testo);
                if (visibile)
                    mostraAlCentro(PanelDownloadAutomatico);
                else
                    PanelDownloadAutomatico->hide();
            });
    connect(Scheduler, &engine::Scheduler::SpuntaAutomatico, DownloadAutomatico,
            &QCheckBox::setChecked);

    auto* layout = new QVBoxLayout(PanelDownloadAutomatico);
    LabelDownloadAutomatico = new QLabel(PanelDownloadAutomatico);
    LabelDownloadAutomatico->setObjectName(QStringLiteral("LabelDownloadAutomatico"));
    LabelDownloadAutomatico->setAlignment(Qt::AlignCenter);
    BtAnnullaDownloadAutomatico =
        new QPushButton(QStringLiteral("Annulla"), PanelDownloadAutomatico);
    BtAnnullaDownloadAutomatico->setObjectName(QStringLiteral("BtAnnullaDownloadAutomatico"));
    layout->addWidget(LabelDownloadAutomatico);
    layout->addWidget(BtAnnullaDownloadAutomatico, 0, Qt::AlignCenter);
    connect(BtAnnullaDownloadAutomatico, &QPushButton::clicked, Scheduler,
            &engine::Scheduler::BtAnnullaDownloadAutomaticoClick);
}

void TForm1::fermaDownload() {
    // The workers write into this window's lists and counters: they end before those go. Their
    // rows and partial files stay as they are, to be resumed at the next start. A worker that
    // has left the running list may still be extracting or reporting its end: it is waited for
    // too.
    if (Scheduler == nullptr)
        return;
    Scheduler->Ferma();
    const QList<engine::TDownload*> lavoratori = Scheduler->Lavoratori();
    for (engine::TDownload* worker : lavoratori) {
        worker->Interrompi = true;
        worker->requestInterruption();
    }
    for (engine::TDownload* worker : lavoratori) {
        // Ended, its pending self-deletion goes with it.
        if (AttendiThread(*worker))
            delete worker;
    }
    std::lock_guard lock(DownloadAttivi.BloccoContatori);
    DownloadAttivi.Lista.clear();
}

} // namespace tarvolin::app
