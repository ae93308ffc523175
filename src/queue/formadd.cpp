#include "formadd.h"

#include "common/deployment.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "common_ui/messagebox.h"
#include "common_ui/nominato.h"
#include "queue/intake.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"

#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tarvolin::queue {

namespace {

QString dominio(int i) {
    return deployment().hostDomains.value(i);
}

} // namespace

bool SembraLink(const QString& testo) {
    return testo.startsWith(QLatin1String("WWW."), Qt::CaseInsensitive) ||
           testo.startsWith(QLatin1String("HTTP:"), Qt::CaseInsensitive) ||
           testo.startsWith(QLatin1String("HTTPS:"), Qt::CaseInsensitive);
}

bool DaIncollare(const QString& appunti) {
    constexpr qsizetype kMassimo = 1024 * 1024;
    return appunti.size() <= kMassimo && SembraLink(appunti);
}

QString MessaggioCodaPiena() {
    return QStringLiteral("Per non rallentare troppo il computer e Tarvolin, è possibile inserire "
                          "un massimo di 500 download in coda.");
}

TForm_Add::TForm_Add(ListeCoda& code, std::function<bool()> autoExtractOpzioni, bool standAlone)
    : QWidget(nullptr, Qt::Window), code_(code),
      autoExtractOpzioni_(std::move(autoExtractOpzioni)) {
    setObjectName(QStringLiteral("TForm_Add"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Aggiungi Link"));
    if (standAlone)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(641, 486);
    creaControlli();
    connect(this, &TForm_Add::CartellaLinkRichiesta, &code_, &ListeCoda::CartellaLinkRichiesta);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm_Add::~TForm_Add() {
    QList<QPointer<QWidget>>& aperte = FinestreAggiungi();
    aperte.removeIf([this](const QPointer<QWidget>& w) { return w.isNull() || w == this; });
}

void TForm_Add::creaControlli() {
    Label1 = named(new QLabel(QStringLiteral(
                       "Inserisci i link da scaricare oppure passa con il mouse sopra se li hai "
                       "copiati tra gli appunti di windows.")),
                   "Label1");
    Label1->setWordWrap(true);
    ListaLink = named(new QPlainTextEdit, "ListaLink");
    ListaLink->setLineWrapMode(QPlainTextEdit::NoWrap);
    ListaLink->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListaLink->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListaLink->viewport()->setMouseTracking(true);
    ListaLink->viewport()->installEventFilter(this);

    const QString com = dominio(0), eu = dominio(1), me = dominio(2);
    BtComEu = named(new QPushButton(com + QStringLiteral(" -> ") + eu), "BtComEu");
    BtComMe = named(new QPushButton(com + QStringLiteral(" -> ") + me), "BtComMe");
    BtAllCom = named(new QPushButton(me + QStringLiteral(", ") + eu + QStringLiteral(" -> ") + com),
                     "BtAllCom");
    connect(BtComEu, &QPushButton::clicked, this, [this, com, eu] { RiscriviDomini({com}, eu); });
    connect(BtComMe, &QPushButton::clicked, this, [this, com, me] { RiscriviDomini({com}, me); });
    connect(BtAllCom, &QPushButton::clicked, this, [this, com, eu, me] {
        RiscriviDomini({me, eu}, com);
    });

    NomeGruppo = named(new QLineEdit, "NomeGruppo");
    NomeGruppo->setToolTip(QStringLiteral(
        "Questo campo sarà il titolo del gruppo di link, la cartella creata avrà questo nome"));
    AggiungiBt =
        named(new QPushButton(QStringLiteral("Aggiungi alla lista dei download")), "AggiungiBt");
    connect(AggiungiBt, &QPushButton::clicked, this, &TForm_Add::AggiungiBtClick);
    Password = named(new QLineEdit, "Password");
    AutoExtract =
        named(new QCheckBox(QStringLiteral("Estrai automaticamente al termine del download")),
              "AutoExtract");
    PasswordArchivio = named(new QLineEdit, "PasswordArchivio");

    auto* grid = new QGridLayout;
    auto etichetta = [](const char* name, const QString& testo) {
        return named(new QLabel(testo), name);
    };
    grid->addWidget(etichetta("Label4", QStringLiteral("Nome gruppo : ")), 0, 0);
    grid->addWidget(NomeGruppo, 0, 1);
    grid->addWidget(
        etichetta("Label6", QStringLiteral("(Obbligatorio in caso di estrazione automatica)")), 0,
        2);
    // Right under the group: the tab order follows the grid.
    grid->addWidget(AggiungiBt, 1, 0, 1, 3);
    grid->addWidget(etichetta("labelpassword", QStringLiteral("Password download : ")), 2, 0);
    grid->addWidget(Password, 2, 1);
    grid->addWidget(
        etichetta("Label3",
                  QStringLiteral("(lascia il campo vuoto se il link non ha password di download)")),
        2, 2);
    grid->addWidget(AutoExtract, 3, 0, 1, 3);
    grid->addWidget(etichetta("Label2", QStringLiteral("Password archivio : ")), 4, 0);
    grid->addWidget(PasswordArchivio, 4, 1);
    grid->addWidget(
        etichetta("Label5",
                  QStringLiteral("(lascia il campo vuoto se l'archivio non ha password)")),
        4, 2);

    auto* domini = new QHBoxLayout;
    domini->addWidget(BtComEu);
    domini->addWidget(BtComMe);
    domini->addWidget(BtAllCom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ListaLink, 1);
    layout->addLayout(domini);
    layout->addLayout(grid);
}

void TForm_Add::RiscriviDomini(const QStringList& da, const QString& a) {
    QString testo = ListaLink->toPlainText();
    for (const QString& d : da) {
        if (!d.isEmpty())
            testo.replace(d, a, Qt::CaseSensitive);
    }
    ListaLink->setPlainText(testo);
}

void TForm_Add::avviso(const QString& testo, const QString& didascalia) {
    MostraMessaggio(this, testo, didascalia, Icona::Avviso);
}

void TForm_Add::AggiungiBtClick() {
    QStringList righe = DividiRighe(ListaLink->toPlainText());
    bool rifilate = false;
    for (QString& riga : righe) {
        QString pulita = TrimRiga(riga);
        rifilate = rifilate || pulita.size() != riga.size();
        riga = std::move(pulita);
    }
    const QString testo = righe.join(u'\n');
    // Relaying out a long text costs the window its responsiveness: only when it changed.
    if (rifilate)
        ListaLink->setPlainText(testo);

    const QStringList& dominiCartella = deployment().linkFolderDomains;
    if (CartellaLinkSingola(testo, dominiCartella)) {
        AggiungiBt->setText(QStringLiteral("Tentativo di estrazione di filecrypt, attendere..."));
        AggiungiBt->setEnabled(false);
        emit CartellaLinkRichiesta(testo, this);
        return;
    }
    const EsitoValidazione esito = ValidaRighe(righe, dominiCartella);
    if (esito.tipo == EsitoValidazione::CartellaLink) {
        avviso(QStringLiteral("I link ") + esito.dominio +
                   QStringLiteral(" vanno inseriti separatamente ed uno per volta al fine di "
                                  "scompattarli e mostrarne il contenuto!"),
               QStringLiteral("ATTENZIONE"));
        return;
    }
    if (esito.tipo == EsitoValidazione::NonConforme) {
        avviso(QStringLiteral("Sembra che uno o più link inseriti non siano conformi ad un url di "
                              "download, verifica che siano corretti."),
               QStringLiteral("ATTENZIONE"));
        return;
    }
    if (righe.size() + code_.Lista()->NumeroRighe() > kMassimoInCoda) {
        avviso(MessaggioCodaPiena(), QStringLiteral("Errore di protezione"));
        return;
    }
    if ((AutoExtract->isChecked() || autoExtractOpzioni_()) && NomeGruppo->text().isEmpty() &&
        ContieneMultiParte(righe))
        NomeGruppo->setText(GruppoAutomatico());
    if (!code_.AggiungiListaLink(testo, Password->text(), PasswordArchivio->text(),
                                 NomeGruppo->text(), AutoExtract->isChecked(), this))
        return; // open with its text, for another try
    ListaLink->clear();
    NomeGruppo->clear();
    Password->clear();
    close();
    code_.AggiornaTitoliListaDownload();
}

bool TForm_Add::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListaLink->viewport() && event->type() == QEvent::MouseMove &&
        ListaLink->document()->isEmpty()) {
        const QString appunti = QGuiApplication::clipboard()->text();
        if (DaIncollare(appunti))
            ListaLink->setPlainText(appunti);
    }
    return QWidget::eventFilter(watched, event);
}

TForm_Add* ApriAggiungi(ListeCoda& code, const std::function<bool()>& autoExtractOpzioni,
                        bool standAlone, bool copiaAutoExtract, const QString& testo,
                        QWidget* proprietario) {
    auto* dialogo = new TForm_Add(code, autoExtractOpzioni, standAlone);
    if (proprietario != nullptr)
        dialogo->setParent(proprietario, dialogo->windowFlags());
    if (!testo.isEmpty())
        dialogo->ListaLink->setPlainText(testo);
    if (copiaAutoExtract)
        dialogo->AutoExtract->setChecked(autoExtractOpzioni());
    dialogo->show();
    FinestreAggiungi().append(dialogo);
    return dialogo;
}

} // namespace tarvolin::queue
