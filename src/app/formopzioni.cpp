#include "formopzioni.h"

#include "common/deployment.h"
#include "common/funzioni.h"
#include "common_ui/messagebox.h"
#include "common_ui/nominato.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvolin::app {

namespace {

const QColor kArancio(250, 130, 71);

QCheckBox* casella(const char* name, const QString& text) {
    return named(new QCheckBox(text), name);
}

QHBoxLayout* riga(QWidget* label, QWidget* field, QWidget* extra = nullptr) {
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(field, 1);
    if (extra != nullptr)
        row->addWidget(extra);
    return row;
}

} // namespace

TForm_Opzioni::TForm_Opzioni(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TForm_Opzioni"));
    setWindowTitle(QStringLiteral("Opzioni"));
    setFixedSize(594, 404);

    PageControl = named(new QTabWidget, "PageControl1");
    PageControl->addTab(creaGenerale(), QStringLiteral("Generale"));
    PageControl->addTab(creaCartelle(), QStringLiteral("Cartelle"));
    PageControl->addTab(creaAccount(), QStringLiteral("Account easybytez"));
    PageControl->addTab(creaSito(), QStringLiteral("Seleziona sito"));

    BtSalvataggio = named(new QPushButton(QStringLiteral("Salva")), "BtSalvataggio");
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BtSalvataggio);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addLayout(bottom);

    TimerColor = named(new QTimer(this), "TimerColor");
    TimerColor->setInterval(750);

    ScegliCartella = [this](const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(this, title, start, QFileDialog::ShowDirsOnly);
    };

    connect(BtSalvataggio, &QPushButton::clicked, this, &TForm_Opzioni::SalvaRichiesto);
    connect(BtResetFolder, &QPushButton::clicked, this, &TForm_Opzioni::ResetCartelleRichiesto);
    connect(BtAggiornaEmail, &QPushButton::clicked, this, &TForm_Opzioni::BtAggiornaEmailClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Opzioni::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm_Opzioni::BitBtn3Click);
    connect(TimerColor, &QTimer::timeout, this, &TForm_Opzioni::TimerColorTimer);
    connect(Portable, &QCheckBox::clicked, this, &TForm_Opzioni::PortableCliccato);
    connect(PlugIn, &QCheckBox::clicked, this, &TForm_Opzioni::PlugInCliccato);
    connect(IntercettaBox, &QCheckBox::clicked, this, &TForm_Opzioni::IntercettaCliccato);
    connect(Trasparenza, &QSlider::valueChanged, this, &TForm_Opzioni::TrasparenzaCambiata);
    EmailCliente->installEventFilter(this);

    // An explicit position: left to itself, the window manager places it wherever it likes.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QWidget* TForm_Opzioni::creaGenerale() {
    auto* page = named(new QWidget, "TabGenerale");
    auto* download = new QGroupBox(QStringLiteral("Opzioni di download "));
    MaxDownload = named(new QSpinBox, "MaxDownload");
    MaxDownload->setRange(1, 15);
    MaxDownload->setValue(3);
    Portable = casella(
        "Portable", QStringLiteral("Crea una versione portable di Tarvolin (necessita riavvio)"));
    AutoExtract =
        casella("AutoExtract",
                QStringLiteral("Tenta sempre di estrarre l'archivio al termine del download"));
    SkipRev = casella("SkipRev", QStringLiteral("Escludi i file .REV dai download"));
    AutoHideOnCompleteBox = casella(
        "AutoHideOnCompleteBox", QStringLiteral("Nascondi automaticamente i download completati"));
    AlwaysFolder =
        casella("AlwaysFolder", QStringLiteral("Crea sempre una cartella dedicata per i download"));
    PlugIn =
        casella("PlugIn", QStringLiteral("Mostra il plugin della velocità con trasparenza : "));
    Trasparenza = named(new QSlider(Qt::Horizontal), "Trasparenza");
    Trasparenza->setRange(5, 255);
    IntercettaBox = casella(
        "IntercettaBox", QStringLiteral("Intercetta immediatamente i link copiati negli appunti"));

    auto* d = new QVBoxLayout(download);
    d->addLayout(riga(new QLabel(QStringLiteral(
                          "Numero massimo di download simultanei in modalità automatica : ")),
                      MaxDownload));
    for (QWidget* w : {static_cast<QWidget*>(Portable), static_cast<QWidget*>(AutoExtract),
                       static_cast<QWidget*>(SkipRev), static_cast<QWidget*>(AutoHideOnCompleteBox),
                       static_cast<QWidget*>(AlwaysFolder)})
        d->addWidget(w);
    d->addLayout(riga(PlugIn, Trasparenza));
    d->addWidget(IntercettaBox);

    auto* account = new QGroupBox(QStringLiteral(" Dettagli account "));
    EmailCliente = named(new QLineEdit, "EmailCliente");
    EmailCliente->setAutoFillBackground(true);
    BtAggiornaEmail = named(new QPushButton(QStringLiteral("Aggiorna")), "BtAggiornaEmail");
    auto* a = new QVBoxLayout(account);
    a->addLayout(
        riga(new QLabel(QStringLiteral("La tua email : ")), EmailCliente, BtAggiornaEmail));
    auto* nota = new QLabel(QStringLiteral(
        "Molto utile per la gestione dei ticket di assistenza e per comunicazioni importanti."));
    nota->setWordWrap(true);
    a->addWidget(nota);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(download);
    layout->addWidget(account);
    layout->addStretch(1);
    return page;
}

QWidget* TForm_Opzioni::creaCartelle() {
    auto* page = named(new QWidget, "TabCartelle");
    TempDir = named(new QLineEdit, "TempDir");
    BitBtn2 = named(new QPushButton(QStringLiteral("...")), "BitBtn2");
    CompleteDir = named(new QLineEdit, "CompleteDir");
    BitBtn3 = named(new QPushButton(QStringLiteral("...")), "BitBtn3");
    BtResetFolder = named(new QPushButton(QStringLiteral("Reset cartelle")), "BtResetFolder");
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(
        riga(new QLabel(QStringLiteral("Cartella dei file temporanei : ")), TempDir, BitBtn2));
    layout->addLayout(
        riga(new QLabel(QStringLiteral("Cartella dei file completati : ")), CompleteDir, BitBtn3));
    layout->addWidget(BtResetFolder, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return page;
}

QWidget* TForm_Opzioni::creaAccount() {
    auto* page = named(new QWidget, "TabAccount");
    PersonalEmailEasybytez = named(new QLineEdit, "PersonalEmailEasybytez");
    PersonalPasswordEasybytez = named(new QLineEdit, "PersonalPasswordEasybytez");
    PersonalPasswordEasybytez->setEchoMode(QLineEdit::Password);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral(
        "Se hai un tuo account personale per easybytez, puoi inserirlo di seguito : ")));
    layout->addLayout(riga(new QLabel(QStringLiteral("Email : ")), PersonalEmailEasybytez));
    layout->addLayout(riga(new QLabel(QStringLiteral("Password : ")), PersonalPasswordEasybytez));
    auto* avviso = new QLabel(QStringLiteral(
        "Attenzione: se utilizzi gli account messi a disposizione da Tarvolin lascia vuoti "
        "entrambi i campi."));
    avviso->setWordWrap(true);
    layout->addWidget(avviso);
    layout->addStretch(1);
    return page;
}

QWidget* TForm_Opzioni::creaSito() {
    auto* page = named(new QWidget, "TabSito");
    const QStringList& domini = deployment().hostDomains;
    auto caption = [&](int i) { return i < domini.size() ? domini.at(i) : QString(); };
    EasyCom = named(new QRadioButton(caption(0)), "EasyCom");
    EasyEu = named(new QRadioButton(caption(1)), "EasyEu");
    EasyMe = named(new QRadioButton(caption(2)), "EasyMe");
    EasyCom->setChecked(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral(
        "Scegli quale sito utilizzare per easybytez (in base a quello che riesci a raggiungere)")));
    layout->addWidget(EasyCom);
    layout->addWidget(EasyEu);
    layout->addWidget(EasyMe);
    layout->addStretch(1);
    return page;
}

void TForm_Opzioni::ColoreNormaleEmail() {
    EmailCliente->setPalette(palette());
    TimerColor->stop();
}

void TForm_Opzioni::EvidenziaEmail() {
    QPalette p = EmailCliente->palette();
    p.setColor(QPalette::Base, kArancio);
    EmailCliente->setPalette(p);
}

bool TForm_Opzioni::EmailEvidenziata() const {
    return EmailCliente->palette().color(QPalette::Base) == kArancio;
}

void TForm_Opzioni::TimerColorTimer() {
    if (EmailEvidenziata())
        EmailCliente->setPalette(palette());
    else
        EvidenziaEmail();
}

void TForm_Opzioni::BtAggiornaEmailClick() {
    ColoreNormaleEmail();
    if (EmailCliente->text().isEmpty()) {
        MostraMessaggio(this, QStringLiteral("Il campo email non può essere vuoto!"),
                        QStringLiteral("Attenzione"), Icona::Avviso);
        return;
    }
    if (!ServizioConnesso())
        return;
    BtAggiornaEmail->setEnabled(false);
    if (InviaServizio)
        InviaServizio(QStringLiteral("#0710"), EmailCliente->text());
}

// Whether a folder was chosen or not, equal folders are worth a warning.
void TForm_Opzioni::scegliCartellaIn(QLineEdit* edit, const QString& title) {
    const QString chosen = ScegliCartella(title, edit->text());
    if (!chosen.isEmpty())
        edit->setText(ConSeparatore(chosen));
    if (CompleteDir->text() == TempDir->text())
        MostraMessaggio(this,
                        QStringLiteral("Utilizzare la stessa cartella per download e temporanei "
                                       "potrebbe creare malfunzionamenti su Tarvolin!"),
                        QStringLiteral("ATTENZIONE"), Icona::Informazione);
}

void TForm_Opzioni::BitBtn2Click() {
    scegliCartellaIn(TempDir, QStringLiteral("Seleziona la cartella dei Temporanei"));
}

void TForm_Opzioni::BitBtn3Click() {
    scegliCartellaIn(CompleteDir, QStringLiteral("Seleziona la cartella dei download"));
}

void TForm_Opzioni::closeEvent(QCloseEvent* event) {
    // The dialog lives for the whole run: closing only hides it.
    event->ignore();
    hide();
}

bool TForm_Opzioni::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EmailCliente && event->type() == QEvent::MouseButtonPress)
        ColoreNormaleEmail();
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvolin::app
