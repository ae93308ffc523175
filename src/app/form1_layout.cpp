// Builds the main window's controls; behaviour is wired in form1.cpp and in the subsystems.
#include "form1.h"

#include "common/clock.h"
#include "common_ui/icone.h"
#include "common_ui/nominato.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvolin::app {

namespace {

QToolButton* pulsante(const char* name, const QString& hint, const QString& glifo,
                      const QColor& colore, int lato = 52) {
    auto* b = named(new QToolButton, name);
    b->setToolTip(hint);
    b->setIcon(IconaPulsante(glifo, colore));
    b->setIconSize(QSize(lato - 6, lato - 6));
    b->setFixedSize(lato, lato);
    b->setAutoRaise(true);
    return b;
}

QFrame* pannelloNascosto(const char* name, QWidget* parent, int w, int h) {
    auto* panel = named(new QFrame(parent), name);
    panel->setFrameShape(QFrame::Box);
    panel->setAutoFillBackground(true);
    panel->resize(w, h);
    panel->hide();
    return panel;
}

} // namespace

void TForm1::creaLayout() {
    auto* central = named(new QWidget, "PanelCentrale");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    creaBarraSuperiore();
    creaListe();
    creaBarraInferiore();
    layout->addWidget(PanelTop);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(PanelBottom);
    PanelBanner468 = named(new QFrame, "PanelBanner468");
    PanelBanner468->setFixedHeight(72);
    ImageBanner468 = named(new QLabel, "ImageBanner468");
    ImageBanner468->setFixedSize(468, 60);
    ImageBanner468->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImageBanner468->setCursor(Qt::PointingHandCursor);
    auto* striscia = new QHBoxLayout(PanelBanner468);
    striscia->addWidget(ImageBanner468, 0, Qt::AlignHCenter);
    PanelBanner468->hide();
    layout->addWidget(PanelBanner468);
    setCentralWidget(central);
    StatusBar1 = named(new QStatusBar, "StatusBar1");
    setStatusBar(StatusBar1);
    creaPannelli();
}

void TForm1::creaBarraSuperiore() {
    PanelTop = named(new QFrame, "PanelTop");
    PanelTop->setFixedHeight(67);
    auto* row = new QHBoxLayout(PanelTop);
    row->setContentsMargins(6, 6, 6, 6);
    const QColor blu(30, 110, 200), rosso(200, 50, 50), verde(40, 150, 60), grigio(90, 90, 90);
    BtAdd = pulsante("BtAdd", QStringLiteral("Aggiungi un nuovo download o una lista di download"),
                     QStringLiteral("+"), blu);
    BtElimina = pulsante("BtElimina", QStringLiteral("Elimina i download selezionati"),
                         QStringLiteral("\u2715"), rosso);
    BtPlay = pulsante("BtPlay", QStringLiteral("Avvia i download selezionati"),
                      QStringLiteral("\u25B6"), verde);
    BtStop = pulsante("BtStop", QStringLiteral("Interrompi i download selezionati"),
                      QStringLiteral("\u25A0"), rosso);
    BtScibile = pulsante("BtScibile", QStringLiteral("Cerca tra i download di easybytez"),
                         QStringLiteral("?"), blu);
    BtOpzioni = pulsante("BtOpzioni", QStringLiteral("Apri le opzioni del software"),
                         QStringLiteral("\u2699"), grigio);
    BtTicket = pulsante("BtTicket", QStringLiteral("Apri un ticket di assistenza"),
                        QStringLiteral("!"), QColor(220, 140, 20));
    BtOperazioneAlTermine =
        pulsante("BtOperazioneAlTermine",
                 QStringLiteral("Al termine dei download effetta questa operazione"),
                 QStringLiteral("\u2713"), grigio);
    BtCartellaDownload =
        pulsante("BtCartellaDownload", QStringLiteral("Apri la cartella dei download completati"),
                 QStringLiteral("D"), verde);
    BtCartellaTemp =
        pulsante("BtCartellaTemp", QStringLiteral("Apri la cartella dei file temporanei"),
                 QStringLiteral("T"), grigio);
    for (QToolButton* b : {BtAdd, BtElimina, BtPlay, BtStop, BtScibile, BtOpzioni, BtTicket,
                           BtOperazioneAlTermine, BtCartellaDownload, BtCartellaTemp})
        row->addWidget(b);
    ImageBanner250 = named(new QLabel, "ImageBanner250");
    ImageBanner250->setFixedSize(250, 52);
    ImageBanner250->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImageBanner250->setCursor(Qt::PointingHandCursor);
    ImageBanner250->hide();
    ImageTicket1 = named(new QLabel, "ImageTicket1");
    ImageTicket2 = named(new QLabel, "ImageTicket2");
    for (QLabel* l : {ImageTicket1, ImageTicket2}) {
        l->setFixedSize(48, 48);
        l->hide();
    }
    row->addWidget(ImageBanner250);
    row->addWidget(ImageTicket1);
    row->addWidget(ImageTicket2);
    row->addStretch(1);
    PanelSpeed = named(new QFrame, "PanelSpeed");
    auto* speed = new QHBoxLayout(PanelSpeed);
    LabelSpeed = named(new QLabel(QStringLiteral("0 KB/s")), "LabelSpeed");
    QFont font = LabelSpeed->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + 6);
    LabelSpeed->setFont(font);
    speed->addWidget(LabelSpeed);
    row->addWidget(PanelSpeed);
}

void TForm1::creaListe() {
    PageControl1 = named(new QTabWidget, "PageControl1");
    Lista = new queue::VistaCoda(queue::TipoLista::Coda);
    ListaNonCompletati = new queue::VistaCoda(queue::TipoLista::NonCompletati);
    ListaCompletati = new queue::VistaCoda(queue::TipoLista::Completati);
    PageControl1->addTab(Lista, queue::IconaStatoRiga(queue::IconaInCoda),
                         QStringLiteral("Download in coda/attivi"));
    PageControl1->addTab(ListaNonCompletati, queue::IconaStatoRiga(queue::IconaFallito),
                         QStringLiteral("Trasferimenti non completati"));
    PageControl1->addTab(ListaCompletati, queue::IconaStatoRiga(queue::IconaCompletato),
                         QStringLiteral("Trasferimenti completati"));
    Code = new queue::ListeCoda(Lista, ListaNonCompletati, ListaCompletati, PageControl1, this);
}

void TForm1::creaBarraInferiore() {
    PanelBottom = named(new QFrame, "PanelBottom");
    PanelBottom->setFixedHeight(45);
    auto* row = new QHBoxLayout(PanelBottom);
    row->setContentsMargins(6, 2, 6, 2);
    DownloadAutomatico =
        named(new QCheckBox(QStringLiteral("Download automatico")), "DownloadAutomatico");
    LimiteCheck = named(new QCheckBox(QStringLiteral("Limite velocità KB/s : ")), "LimiteCheck");
    SpeedLimit = named(new QSpinBox, "SpeedLimit");
    SpeedLimit->setRange(0, 2048);
    SpeedLimit->setSingleStep(32);
    SpeedLimit->setValue(640);
    SpeedLimit->setEnabled(false); // follows LimiteCheck
    auto* nota = named(new QLabel(QStringLiteral("(0 = illimitato)")), "LabelIllimitato");
    JdBt = pulsante("JdBt", QStringLiteral("Carica una lista .dlc"), QStringLiteral("J"),
                    QColor(90, 90, 160), 36);
    BtMemo =
        pulsante("BtMemo", QStringLiteral("Scrivi su un memo tutti i tuoi appunti sui download"),
                 QStringLiteral("M"), QColor(160, 130, 40), 36);
    LabelCodiceIdentificativo =
        named(new QLabel(QStringLiteral("Codice : n/d")), "LabelCodiceIdentificativo");
    LabelCodiceIdentificativo->setCursor(Qt::PointingHandCursor);
    ImageTelegram = named(new QLabel, "ImageTelegram");
    ImageTelegram->setFixedSize(24, 24);
    ImageTelegram->setCursor(Qt::PointingHandCursor);
    LabelTelegram =
        named(new QLabel(QStringLiteral("Resta aggiornato!\nUnisci al nostro canale Telegram!")),
              "LabelTelegram");
    LabelTelegram->setCursor(Qt::PointingHandCursor);
    PortableLabel = named(new QLabel, "PortableLabel");
    row->addWidget(DownloadAutomatico);
    row->addSpacing(12);
    row->addWidget(LimiteCheck);
    row->addWidget(SpeedLimit);
    row->addWidget(nota);
    row->addSpacing(12);
    row->addWidget(JdBt);
    row->addWidget(BtMemo);
    row->addSpacing(12);
    row->addWidget(LabelCodiceIdentificativo);
    row->addStretch(1);
    row->addWidget(ImageTelegram);
    row->addWidget(LabelTelegram);
    row->addSpacing(12);
    row->addWidget(PortableLabel);
}

void TForm1::creaPannelli() {
    PanelAggiornamento = pannelloNascosto("PanelAggiornamento", this, 857, 79);
    PanelDownloadAutomatico = pannelloNascosto("PanelDownloadAutomatico", this, 420, 90);
    PanelNewVoucher = pannelloNascosto("PanelNewVoucher", this, 420, 220);
    creaPannelloCodice();
    PanelAlTermine = pannelloNascosto("PanelAlTermine", this, 583, 141);
    PanelCanaleTelegram = pannelloNascosto("PanelCanaleTelegram", this, 357, 131);
}

void TForm1::creaPannelloCodice() {
    auto* layout = new QVBoxLayout(PanelNewVoucher);
    auto* titolo = new QLabel(QStringLiteral("Questo è il tuo codice identificativo"));
    QFont grassetto = titolo->font();
    grassetto.setBold(true);
    titolo->setFont(grassetto);
    NewVoucherReceived = named(new QPlainTextEdit, "NewVoucherReceived");
    NewVoucherReceived->setReadOnly(true);
    QFont grande = NewVoucherReceived->font();
    grande.setPointSize(grande.pointSize() + 10);
    grande.setBold(true);
    NewVoucherReceived->setFont(grande);
    auto* consiglio = new QLabel(QStringLiteral(
        "Annota il codice e conservalo: ti servirà per l'assistenza e per ritrovare i tuoi dati."));
    consiglio->setWordWrap(true);
    BitBtn1 = named(new QPushButton(QStringLiteral("OK, ho capito.")), "BitBtn1");
    layout->addWidget(titolo);
    layout->addWidget(NewVoucherReceived, 1);
    layout->addWidget(consiglio);
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
}

void TForm1::creaTimer() {
    struct Voce {
        QTimer** timer;
        const char* name;
        int ms;
    };
    for (const Voce& s :
         {Voce{&TimerCaricamento, "TimerCaricamento", 150},
          Voce{&TimerDownloadAutomatico, "TimerDownloadAutomatico", 1000},
          Voce{&TimerAutoConnect, "TimerAutoConnect", 1000},
          Voce{&TimerInviaCodiceVoucher, "TimerInviaCodiceVoucher", 3000},
          Voce{&WakeUpTimer, "WakeUpTimer", 60000}, Voce{&TimerTicket, "TimerTicket", 750},
          Voce{&TimerCatchLink, "TimerCatchLink", 1000}}) {
        *s.timer = named(new QTimer(this), s.name);
        (*s.timer)->setInterval(clock::Intervallo(s.ms));
    }
    TimerCaricamento->setSingleShot(true);
}

void TForm1::creaTray() {
    PopupTray = named(new QMenu(this), "PopupTray");
    ChiudiTarvolin2 =
        named(PopupTray->addAction(QStringLiteral("Chiudi Tarvolin")), "ChiudiTarvolin2");
    TrayIcon = named(new QSystemTrayIcon(IconaProgramma(), this), "TrayIcon");
    TrayIcon->setToolTip(QStringLiteral("Tarvolin"));
    TrayIcon->setContextMenu(PopupTray);
}

} // namespace tarvolin::app
