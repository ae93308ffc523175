// The main window's side of the maker's web site: banners, the notice of the day, the
// Telegram channel panel and the application updater.
#include "app/avvio.h"
#include "app/form1.h"
#include "app/formopzioni.h"
#include "auxiliary/aggiornamento.h"
#include "auxiliary/avvisi.h"
#include "auxiliary/forminfoscreen.h"
#include "common/deployment.h"
#include "common/funzioni.h"
#include "common_ui/clic.h"
#include "common_ui/desktop.h"
#include "common_ui/icone.h"
#include "common_ui/messagebox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

namespace tarvolin::app {

namespace {

QLabel* grassetto(const QString& testo, int piu = 0) {
    auto* label = new QLabel(testo);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + piu);
    label->setFont(font);
    return label;
}

QPixmap immagine(const QString& glifo, const QColor& colore, int lato) {
    return IconaPulsante(glifo, colore).pixmap(lato, lato);
}

const QColor kBluTelegram(40, 160, 220);

} // namespace

void TForm1::creaPannelloAggiornamento() {
    auto* layout = new QVBoxLayout(PanelAggiornamento);
    LabelAggiornamento = grassetto(QStringLiteral("Aggiornamento del software in corso : 0.0%"), 2);
    LabelAggiornamento->setObjectName(QStringLiteral("LabelAggiornamento"));
    LabelAggiornamento->setAlignment(Qt::AlignCenter);
    auto* nota = new QLabel(QStringLiteral(
        "Al termine si aprirà il processo di installazione, i settaggi inseriti e tutta la coda "
        "download resteranno invariati."));
    nota->setAlignment(Qt::AlignCenter);
    layout->addWidget(LabelAggiornamento);
    layout->addWidget(nota);
}

void TForm1::creaPannelloTelegram() {
    QPalette verde = PanelCanaleTelegram->palette();
    verde.setColor(QPalette::Window, QColor(223, 255, 223));
    verde.setColor(QPalette::WindowText, Qt::black); // readable on a dark desktop too
    PanelCanaleTelegram->setPalette(verde);
    auto* griglia = new QGridLayout(PanelCanaleTelegram);
    auto* logo = new QLabel;
    logo->setFixedSize(64, 64);
    logo->setPixmap(immagine(QStringLiteral("\u2708"), kBluTelegram, 64));
    auto* testo = new QLabel(QStringLiteral(
        "Anteprima degli aggiornamenti,\nfeatures, promozioni e molto altro!\nUnisciti subito!"));
    LinkCanaleTelegram = new QLabel(QString::fromLatin1(kCanaleTelegram));
    LinkCanaleTelegram->setObjectName(QStringLiteral("LinkCanaleTelegram"));
    LinkCanaleTelegram->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    LinkCanaleTelegram->setCursor(Qt::PointingHandCursor);
    ImageCloseTelegram = new QLabel;
    ImageCloseTelegram->setObjectName(QStringLiteral("ImageCloseTelegram"));
    ImageCloseTelegram->setFixedSize(16, 16);
    ImageCloseTelegram->setPixmap(immagine(QStringLiteral("\u2715"), QColor(200, 50, 50), 16));
    ImageCloseTelegram->setCursor(Qt::PointingHandCursor);
    griglia->addWidget(logo, 0, 0, 3, 1, Qt::AlignTop);
    griglia->addWidget(grassetto(QStringLiteral("Canale Telegram")), 0, 1);
    griglia->addWidget(ImageCloseTelegram, 0, 2, Qt::AlignTop | Qt::AlignRight);
    griglia->addWidget(testo, 1, 1, 1, 2);
    griglia->addWidget(LinkCanaleTelegram, 2, 1, 1, 2);
    ImageTelegram->setPixmap(immagine(QStringLiteral("\u2708"), kBluTelegram, 24));
}

void TForm1::collegaProduttore() {
    creaPannelloAggiornamento();
    creaPannelloTelegram();
    infoscreen_ = std::make_unique<auxiliary::TForm_Infoscreen>(this);
    AlClic(ImageBanner250, [this] { ImageBanner250Click(); });
    AlClic(ImageBanner468, [this] { ImageBanner468Click(); });
    AlClic(ImageTelegram, [this] { LabelTelegramClick(); });
    AlClic(LabelTelegram, [this] { LabelTelegramClick(); });
    AlClic(LinkCanaleTelegram, [this] { LinkCanaleTelegramClick(); });
    AlClic(ImageCloseTelegram, [this] { ImageCloseTelegramClick(); });
}

void TForm1::AvviaBanner() {
    auxiliary::TLoadBanner::Avvia(deployment().makerSite,
                                  [finestra = QPointer<TForm1>(this)](const auxiliary::Banner& b) {
                                      if (finestra)
                                          finestra->ApplicaBanner(b);
                                  });
}

void TForm1::ApplicaBanner(const auxiliary::Banner& banner) {
    if (!banner.immagine1.isNull()) {
        ImageBanner250->setPixmap(QPixmap::fromImage(banner.immagine1));
        LinkBanner250 = banner.link1;
    }
    if (!banner.immagine2.isNull()) {
        ImageBanner468->setPixmap(QPixmap::fromImage(banner.immagine2));
        LinkBanner468 = banner.link2;
        if (LinkBanner468.isEmpty())
            ImageBanner468->setCursor(Qt::ArrowCursor);
        PanelBanner468->show();
    }
}

void TForm1::ImageBanner250Click() {
    if (!LinkBanner250.isEmpty())
        ApriIndirizzo(auxiliary::LinkConVoucher(LinkBanner250, CodiceIdentificativo));
}

void TForm1::ImageBanner468Click() {
    if (!LinkBanner468.isEmpty())
        ApriIndirizzo(auxiliary::LinkConVoucher(LinkBanner468, CodiceIdentificativo));
}

void TForm1::LabelTelegramClick() {
    mostraAlCentro(PanelCanaleTelegram);
}

void TForm1::LinkCanaleTelegramClick() {
    ApriIndirizzo(LinkCanaleTelegram->text());
}

void TForm1::ImageCloseTelegramClick() {
    PanelCanaleTelegram->hide();
}

void TForm1::AggiornaVersione() {
    // A repeated demand must not start a second writer of the same installer file.
    if (Aggiornamento)
        return;
    auxiliary::AzioniAggiornamento azioni;
    const QPointer<TForm1> finestra(this);
    azioni.mostraAvanzamento = [finestra](const QString& testo) {
        if (finestra)
            finestra->LabelAggiornamento->setText(testo);
    };
    azioni.mostraPannello = [finestra] {
        if (finestra)
            finestra->mostraAlCentro(finestra->PanelAggiornamento);
    };
    azioni.mostraErrore = [finestra] {
        MostraMessaggio(finestra,
                        QStringLiteral("Si è verificato un errore durante la procedura "
                                       "di aggiornamento. Riavvia Tarvolin e riprova."),
                        QStringLiteral("Attenzione"), Icona::Avviso);
    };
    azioni.apri = [](const QString& file) { ApriIndirizzo(file); };
    azioni.termina = TerminaApplicazione;
    Aggiornamento = auxiliary::TAggiornaApplicazione::Avvia(
        deployment().makerSite, opzioni_ != nullptr ? opzioni_->TempDir->text() : QString(),
        std::move(azioni));
}

} // namespace tarvolin::app
