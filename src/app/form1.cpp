#include "form1.h"

#include "app/cartelle.h"
#include "app/formopzioni.h"
#include "app/notifiche.h"
#include "auxiliary/forminfoscreen.h"
#include "auxiliary/formmemo.h"
#include "common/deployment.h"
#include "common/diagnostica.h"
#include "common/formati.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "common_ui/icone.h"
#include "common_ui/messagebox.h"
#include "engine/altermine.h"
#include "engine/programmacoda.h"
#include "queue/database.h"
#include "queue/formadd.h"
#include "queue/formdettagli.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"
#include "search/gestionericerca.h"
#include "service/sessione.h"
#include "tickets/gestioneticket.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include <utility>

namespace tarvolin::app {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("TForm1"));
    resize(1076, 624);
    setWindowIcon(IconaProgramma());
    creaLayout();
    creaTimer();
    creaTray();
    finestreDettagli_ = std::make_unique<queue::EditoriDettagli>(*Code);
    collegaServizio();
    creaFinestreServizio();
    collegaSorgenti();
    collegaProduttore();

    connect(TimerCaricamento, &QTimer::timeout, this, &TForm1::TimerCaricamentoTimer);
    connect(ChiudiTarvolin2, &QAction::triggered, this, &TForm1::ChiudiTarvolin2Click);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                if (r == QSystemTrayIcon::DoubleClick) {
                    setWindowState(windowState() & ~Qt::WindowMinimized);
                    show();
                    raise();
                    activateWindow();
                }
            });
    connect(LimiteCheck, &QCheckBox::toggled, this, [this](bool ticked) {
        SpeedLimit->setEnabled(ticked);
        if (!ticked)
            SpeedLimit->setValue(0);
    });
    connect(LimiteCheck, &QCheckBox::clicked, this, &TForm1::LimiteCheckClick);
    connect(BtAdd, &QToolButton::clicked, this, &TForm1::BtAddClick);
    connect(BtElimina, &QToolButton::clicked, Code, &queue::ListeCoda::EliminaSelezionati);
    connect(BtCartellaDownload, &QToolButton::clicked, Code,
            &queue::ListeCoda::ApriCartellaDownload);
    connect(BtCartellaTemp, &QToolButton::clicked, Code, &queue::ListeCoda::ApriCartellaTemp);
    TrayIcon->show();
    FormCreate();
    AvviaVelocita();
}

TForm1::~TForm1() {
    // First: waiting for the other threads must neither start a countdown nor let one act.
    if (AlTermine != nullptr)
        AlTermine->Ferma();
    FormMemo().SalvaAllUscita();
    FermaVelocita();
    fermaDownload();
    // FormDestroy: the notification icon goes with the window, and so do the add-links
    // dialogs still open, which queue into this window's lists.
    TrayIcon->hide();
    // Each dialog takes itself off the list as it goes, so walk a copy.
    const QList<QPointer<QWidget>> aperte = std::exchange(FinestreAggiungi(), {});
    for (const QPointer<QWidget>& dialogo : aperte)
        delete dialogo.data();
}

void TForm1::FormCreate() {
    StatoProcesso& stato = Processo();
    stato.Azzera();
    FinestreAggiungi().clear();
    if (const QClipboard* clipboard = QGuiApplication::clipboard())
        stato.UltimoTestoAppunti = clipboard->text();
    setAcceptDrops(true);

    const QString cartellaEseguibile = cartelle::CartellaEseguibile();
    ModalitaPortable = cartelle::ModalitaPortable(cartellaEseguibile);
    PortableLabel->setText(ModalitaPortable ? QStringLiteral("Portable Version")
                                            : QStringLiteral("Installed Version"));
    PortableLabel->setVisible(true);
    ImpostaFormatiProcesso();

    QCoreApplication::setApplicationName(QStringLiteral("Tarvolin"));
    setWindowTitle(QStringLiteral("Tarvolin - Download manager per easybytez - Ver.") +
                   QString::fromLatin1(kVersione));

    cartelle::PreparaCartelle(ModalitaPortable, cartellaEseguibile);
    CartellaDati = cartelle::CartellaDati(ModalitaPortable, cartellaEseguibile);
    SitoBase = deployment().hostSites.value(0);

    // Without its database the program still shows its window, but loads nothing.
    try {
        database_ = std::make_unique<tarvolin::queue::Database>(CartellaDati +
                                                                QStringLiteral("database.opt"));
        queue::CreaTabelle(*database_);
    } catch (const queue::DatabaseError& e) {
        qCDebug(lcApp) << "the queue database could not be opened:" << e.what();
        database_.reset();
        return;
    }
    Code->ImpostaDatabase(database_.get());
    finestreDettagli_->ImpostaDatabase(database_.get());
    caricamentoPronto_ = true;
}

void TForm1::ImpostaOpzioni(TForm_Opzioni* opzioni) {
    opzioni_ = opzioni;
    // Showing the splash runs the event loop, so the loading timer waits for every window.
    if (caricamentoPronto_)
        TimerCaricamento->start();
    connect(BtOpzioni, &QToolButton::clicked, opzioni_, [opzioni] {
        opzioni->show();
        opzioni->raise();
        opzioni->activateWindow();
    });
    connect(opzioni_, &TForm_Opzioni::SalvaRichiesto, this, [this] {
        Salvataggio();
        opzioni_->ColoreNormaleEmail();
        CaricaPersonalEasybytez();
        opzioni_->hide();
    });
    opzioni_->ServizioConnesso = [this] { return Servizio->Connesso(); };
    opzioni_->InviaServizio = [this](const QString& code, const QString& payload) {
        Servizio->senddata(code, payload);
    };
    Code->ImpostaOpzioni({[opzioni] { return opzioni->CompleteDir->text(); },
                          [opzioni] { return opzioni->TempDir->text(); },
                          [opzioni] { return opzioni->AlwaysFolder->isChecked(); }});
    connect(opzioni_, &TForm_Opzioni::ResetCartelleRichiesto, this, &TForm1::BtResetFolderClick);
    connect(opzioni_, &TForm_Opzioni::PortableCliccato, this, &TForm1::PortableClick);
    connect(opzioni_, &TForm_Opzioni::IntercettaCliccato, this, [this](bool ticked) {
        if (ticked)
            TimerCatchLink->start();
        else
            TimerCatchLink->stop();
    });
    creaMotore();
}

void TForm1::TimerCaricamentoTimer() {
    TimerCaricamento->stop();
    Caricamento();
    CaricaLista();
}

void TForm1::CaricaLista() {
    Code->CaricaLista();
}

void TForm1::FineSplash() {
    show();
    TimerAutoConnect->start();
    infoscreen_->LoadInfoScreen(deployment().makerSite);
}

void TForm1::MessaggioIstanza(const QString& testo) {
    Q_UNUSED(testo); // the text carries no meaning: any message brings the window forward
    // Out of the minimised state only: a maximised window comes back maximised.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TForm1::BtAddClick() {
    if (Lista->NumeroRighe() > queue::TForm_Add::kMassimoInCoda) {
        MostraMessaggio(this, queue::MessaggioCodaPiena(), QStringLiteral("Errore di protezione"));
        return;
    }
    const QString appunti = QGuiApplication::clipboard()->text();
    queue::ApriAggiungi(
        *Code, [this] { return opzioni_ != nullptr && opzioni_->AutoExtract->isChecked(); }, false,
        true, queue::DaIncollare(appunti) ? appunti : QString());
}

void TForm1::ChiudiTarvolin2Click() {
    Processo().ChiudiSenzaConferma = true;
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // FormCloseQuery: add-links dialogs first, last opened first.
    StatoProcesso& stato = Processo();
    for (qsizetype i = FinestreAggiungi().size() - 1; i >= 0; --i) {
        if (QWidget* dialog = FinestreAggiungi().value(i))
            dialog->close();
    }
    if (!stato.ChiudiSenzaConferma &&
        MostraMessaggio(this, QStringLiteral("Sicuro di voler chiudere Tarvolin?"),
                        QStringLiteral("Conferma"), Icona::Domanda,
                        Pulsanti::SiNo) != Risposta::Si) {
        event->ignore();
        return;
    }
    // FormClose
    Salvataggio();
    event->accept();
    QCoreApplication::exit(0);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (primoShow_) {
        primoShow_ = false;
        if (!isMaximized()) {
            if (const QScreen* screen = this->screen())
                move(screen->availableGeometry().center() - rect().center());
        }
        emit MainWindowShown();
    }
}

} // namespace tarvolin::app
