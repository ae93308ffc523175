#pragma once

#include "engine/attivi.h"
#include "engine/registrofile.h"
#include "net/cookie.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QMenu;
class QAction;
class QSpinBox;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QToolButton;

namespace tarvolin::engine {
class OperazioneAlTermine;
class ProgrammaCoda;
class RegistroEstrazioni;
class Scheduler;
} // namespace tarvolin::engine
namespace tarvolin::sources {
class CatturaAppunti;
}
namespace tarvolin::service {
class Dispatcher;
class Sessione;
} // namespace tarvolin::service
namespace tarvolin::auxiliary {
struct Banner;
class TAggiornaApplicazione;
class TForm_Infoscreen;
class TForm_Memo;
} // namespace tarvolin::auxiliary
namespace tarvolin::search {
class GestioneRicerca;
}
namespace tarvolin::tickets {
class GestioneTicket;
}
namespace tarvolin::queue {
class Database;
class EditoriDettagli;
class ListeCoda;
class TForm_Add;
class VistaCoda;
} // namespace tarvolin::queue

namespace tarvolin::app {

class NotificheCoda;
class TForm_Opzioni;

// The main window: owns the long-lived objects of the program and wires them together.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The options dialog is created after the main window; it is handed over here, and
    // then the settings and the queue are loaded.
    void ImpostaOpzioni(TForm_Opzioni* opzioni);
    TForm_Opzioni* Opzioni() const { return opzioni_; }

    // Null when the database could not be opened at start.
    tarvolin::queue::Database* Db() const { return database_.get(); }
    queue::EditoriDettagli& FinestreDettagli() const { return *finestreDettagli_; }

    bool ModalitaPortable = false;
    QString CartellaDati; // with a trailing separator
    QString CodiceIdentificativo;
    // The current host account: the user's own or a slot handed out by the service.
    QString AccountEmail;
    QString AccountPassword;
    QString SitoBase;
    // Host login cookies, shared by every resolution of a host link.
    net::ArchivioCookie IdCookieManager1;
    // Host names whose links go through host accounts; empty until the maker's list arrives.
    QStringList ListaHosting;
    // The running downloads and their locks.
    engine::DownloadAttivi DownloadAttivi;
    // Archives being extracted by workers.
    engine::RegistroEstrazioni* Estrazioni = nullptr;
    // Partial and finished files the workers are writing.
    engine::RegistroFile FileInCorso;
    // Download scheduler and its automatic-mode panel.
    engine::Scheduler* Scheduler = nullptr;
    QLabel* LabelDownloadAutomatico = nullptr;
    QPushButton* BtAnnullaDownloadAutomatico = nullptr;
    // Bandwidth cap and speed display
    double PausaCorrente = 0;  // ms each worker sleeps per received block; 0: no cap
    qint64 VelocitaTotale = 0; // bytes per second of the last sample
    void SettaLimitiDiBanda();
    void SpeedLimitChange();
    void AggiornaVelocita();
    // The floating speed widget, TForm_Speed; null before creation ends.
    QWidget* FormSpeed() const;
    void AvviaVelocita(); // the sampler and the widget, at the end of creation
    void FermaVelocita(); // the sampler stops before anything it reads goes
    void MostraSpeedDopoSplash();
    struct Velocimetro;
    std::shared_ptr<Velocimetro> Velocita; // shared: its type is complete only where it is made
    // The floating speed widget's position, kept from the settings until that widget exists.
    int SpeedTop = 0;
    int SpeedLeft = 0;
    // False when start-up stopped before the settings could be read: then nothing overwrites them.
    bool ImpostazioniCaricate = false;

    // Top bar
    QFrame* PanelTop = nullptr;
    QToolButton* BtAdd = nullptr;
    QToolButton* BtElimina = nullptr;
    QToolButton* BtPlay = nullptr;
    QToolButton* BtStop = nullptr;
    QToolButton* BtScibile = nullptr;
    QToolButton* BtOpzioni = nullptr;
    QToolButton* BtTicket = nullptr;
    QToolButton* BtOperazioneAlTermine = nullptr;
    QToolButton* BtCartellaDownload = nullptr;
    QToolButton* BtCartellaTemp = nullptr;
    QLabel* ImageBanner250 = nullptr;
    QLabel* ImageTicket1 = nullptr;
    QLabel* ImageTicket2 = nullptr;
    QFrame* PanelSpeed = nullptr;
    QLabel* LabelSpeed = nullptr;
    // Centre
    QTabWidget* PageControl1 = nullptr;
    queue::VistaCoda* Lista = nullptr;
    queue::VistaCoda* ListaNonCompletati = nullptr;
    queue::VistaCoda* ListaCompletati = nullptr;
    // The commands on the three lists.
    queue::ListeCoda* Code = nullptr;
    // Bottom bar
    QFrame* PanelBottom = nullptr;
    QCheckBox* DownloadAutomatico = nullptr;
    QCheckBox* LimiteCheck = nullptr;
    QSpinBox* SpeedLimit = nullptr;
    QToolButton* JdBt = nullptr;
    QToolButton* BtMemo = nullptr;
    QLabel* LabelCodiceIdentificativo = nullptr;
    QLabel* ImageTelegram = nullptr;
    QLabel* LabelTelegram = nullptr;
    QLabel* PortableLabel = nullptr;
    QFrame* PanelBanner468 = nullptr;
    QLabel* ImageBanner468 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // Overlays, hidden until their feature shows them
    QFrame* PanelAggiornamento = nullptr;
    QLabel* LabelAggiornamento = nullptr;
    QFrame* PanelDownloadAutomatico = nullptr;
    QFrame* PanelNewVoucher = nullptr;
    QPlainTextEdit* NewVoucherReceived = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QFrame* PanelAlTermine = nullptr;
    QLabel* SecondiRestantiAlTermine = nullptr;
    QPushButton* BtAnnullaAlTermine = nullptr;
    // What to do once the queue has run dry, and its countdown.
    QMenu* PopupOperazioniAlTermine = nullptr;
    QAction* Nonfarenulla1 = nullptr;
    QAction* Arrestailsistema1 = nullptr;
    QAction* MettiinStandby1 = nullptr;
    QAction* ChiudiTarvolin1 = nullptr;
    engine::OperazioneAlTermine* AlTermine = nullptr;
    QFrame* PanelCanaleTelegram = nullptr;
    QLabel* LinkCanaleTelegram = nullptr;
    QLabel* ImageCloseTelegram = nullptr;
    // Timers
    QTimer* TimerCaricamento = nullptr;
    QTimer* TimerDownloadAutomatico = nullptr;
    QTimer* TimerAutoConnect = nullptr;
    QTimer* TimerInviaCodiceVoucher = nullptr;
    QTimer* WakeUpTimer = nullptr;
    QTimer* TimerTicket = nullptr;
    QTimer* TimerCatchLink = nullptr;
    // The service link and its dispatcher.
    service::Sessione* Servizio = nullptr;
    service::Dispatcher* Messaggi = nullptr;
    // Notification area
    QSystemTrayIcon* TrayIcon = nullptr;
    // Desktop notifications go through here, to the notification-area icon.
    std::function<void(const QString& titolo, const QString& testo)> MostraNotifica;
    QMenu* PopupTray = nullptr;
    QAction* ChiudiTarvolin2 = nullptr;

    void TimerCaricamentoTimer();
    void Caricamento();
    void CaricaLista();
    void Salvataggio();
    void SaveVoucher(const QString& codice);
    void CaricaPersonalEasybytez();
    // Makes the stored login cookies of this host account the current ones.
    void CaricaCookieDauid(const QString& email);
    bool HostConosciuto(const QString& link) const;
    // The splash has ended: the main window appears and the service link may start.
    void FineSplash();
    // A later start of the program sent `testo`.
    void MessaggioIstanza(const QString& testo);
    void ChiudiTarvolin2Click();
    void BtAddClick();
    void LimiteCheckClick();
    void BtResetFolderClick();
    void PortableClick();
    // Recomputes the host site root from the options' radio buttons.
    void AggiornaSitoBase();

    // Service session: the handlers that change this window.
    void NuovoCodice(const QString& codice);
    void LoginConfermato();
    void SlotRicevuto(const QString& email, const QString& password);
    void AggiornamentoObbligatorio();
    void BitBtn1Click();
    void LabelCodiceIdentificativoClick();

    void BtOperazioneAlTermineClick();
    void BtAnnullaAlTermineClick();

    // Support tickets, searches and notes.
    tickets::GestioneTicket& Ticket() const { return *ticket_; }
    search::GestioneRicerca& Ricerche() const { return *ricerche_; }
    auxiliary::TForm_Memo& FormMemo() const { return *memo_; }
    void BtTicketClick();
    void BtScibileClick();
    void BtMemoClick();
    void SalvaMemo(const QString& testo);

    // The maker's site: banners, the notice of the day, the Telegram channel and the updater.
    QString LinkBanner250; // where each banner leads; empty until "/banner.ini" names it
    QString LinkBanner468;
    auxiliary::TForm_Infoscreen& FormInfoscreen() const { return *infoscreen_; }
    // The running updater; null before "#0665" is answered Yes and once it has ended.
    QPointer<auxiliary::TAggiornaApplicazione> Aggiornamento;
    void AvviaBanner();
    void ApplicaBanner(const auxiliary::Banner& banner);
    void ImageBanner250Click();
    void ImageBanner468Click();
    void LabelTelegramClick();
    void LinkCanaleTelegramClick();
    void ImageCloseTelegramClick();
    void AggiornaVersione();

    // Links from the clipboard, DLC containers and link folders.
    QFileDialog* opendlc = nullptr;
    void TimerCatchLinkTimer();
    void JdBtClick();
    void ApriFileDlc(const QString& percorso);
    void FileTrascinati(const QStringList& percorsi);
    void AvviaDecodificaDlc(const QByteArray& contenitore);
    void EstraFileCrypt(const QString& url, queue::TForm_Add* dialogo);

signals:
    void MainWindowShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void creaLayout();
    void creaBarraSuperiore();
    void creaBarraInferiore();
    void creaListe();
    void creaPannelli();
    void creaTimer();
    void creaTray();
    void creaPannelloCodice();
    void creaPannelloAggiornamento();
    void creaPannelloTelegram();
    void collegaProduttore();
    void collegaServizio();
    void creaFinestreServizio();
    void creaMotore();
    void creaAlTermine();
    void creaPannelloAlTermine();
    void collegaSorgenti();
    queue::TForm_Add* apriAggiungiConOpzioni(const QString& testo, bool standAlone);
    void RisultatoDlc(const QByteArray& risposta);
    void fermaDownload();
    void mostraAlCentro(QWidget* pannello);
    QString FileImpostazioni() const;

    TForm_Opzioni* opzioni_ = nullptr;
    std::unique_ptr<tarvolin::queue::Database> database_;
    // Open details editors; they go before the database they write to.
    std::unique_ptr<queue::EditoriDettagli> finestreDettagli_;
    std::unique_ptr<engine::ProgrammaCoda> programmaCoda_;
    std::unique_ptr<NotificheCoda> notifiche_;
    bool codaFerma(); // nothing runs and nothing more starts by itself
    // They go before the database and the service link they use.
    std::unique_ptr<tickets::GestioneTicket> ticket_;
    std::unique_ptr<search::GestioneRicerca> ricerche_;
    std::unique_ptr<auxiliary::TForm_Memo> memo_;
    std::unique_ptr<auxiliary::TForm_Infoscreen> infoscreen_;
    bool primoShow_ = true;
    bool caricamentoPronto_ = false;
    sources::CatturaAppunti* catturaAppunti_ = nullptr;
};

} // namespace tarvolin::app
