#include "formticket.h"

#include "common/clock.h"
#include "common/formati.h"
#include "common_ui/messagebox.h"
#include "common_ui/nominato.h"
#include "service/sessione.h"
#include "tickets/conversazione.h"
#include "tickets/recordticket.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvolin::tickets {

TForm_Ticket::TForm_Ticket(service::Sessione& servizio, QString idTicket)
    : QWidget(nullptr, Qt::Window), IdTicket(std::move(idTicket)), servizio_(servizio) {
    setObjectName(QStringLiteral("TForm_Ticket"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Gestione Ticket"));
    resize(640, 560);
    creaControlli();
    TimerInviaBt = named(new QTimer(this), "TimerInviaBt");
    TimerInviaBt->setInterval(clock::Intervallo(3000));
    connect(TimerInviaBt, &QTimer::timeout, this, [this] {
        TimerInviaBt->stop();
        BtInviaMessaggio->setEnabled(true);
    });
}

void TForm_Ticket::creaControlli() {
    VoucherTxt = named(new QLineEdit, "VoucherTxt");
    VoucherTxt->setReadOnly(true);
    VoucherTxt->setFocusPolicy(Qt::ClickFocus);
    EmailTxt = named(new QLineEdit, "EmailTxt");
    TitoloTxt = named(new QLineEdit, "TitoloTxt");
    TitoloTxt->setReadOnly(IdTicket != kNuovo);
    // "|" separates the fields of the request.
    TitoloTxt->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), TitoloTxt));
    TestoTicket = named(new QPlainTextEdit, "TestoTicket");
    TestoTicket->setReadOnly(true);
    TestoTicket->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette bianco = TestoTicket->palette();
    bianco.setColor(QPalette::Base, Qt::white);
    bianco.setColor(QPalette::Text, Qt::black); // readable on a dark desktop too
    TestoTicket->setPalette(bianco);
    NuovoMessaggioTxt = named(new QPlainTextEdit, "NuovoMessaggioTxt");
    NuovoMessaggioTxt->setFixedHeight(70);
    NuovoMessaggioTxt->installEventFilter(this);
    BtInviaMessaggio = named(new QPushButton(QStringLiteral("Invia")), "BtInviaMessaggio");
    connect(BtInviaMessaggio, &QPushButton::clicked, this, &TForm_Ticket::BtInviaMessaggioClick);

    auto* campi = new QFormLayout;
    campi->addRow(QStringLiteral("Voucher"), VoucherTxt);
    campi->addRow(QStringLiteral("Email"), EmailTxt);
    campi->addRow(QStringLiteral("Titolo : "), TitoloTxt);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(campi);
    layout->addWidget(TestoTicket, 1);
    layout->addWidget(new QLabel(QStringLiteral("Aggiungi messaggio")));
    layout->addWidget(NuovoMessaggioTxt);
    layout->addWidget(BtInviaMessaggio, 0, Qt::AlignRight);
}

void TForm_Ticket::CaricaTicket(QStringView conversazione) {
    RiempiConversazione(TestoTicket, LeggiConversazione(conversazione));
    mostraFine();
    emit ConversazioneCaricata();
}

void TForm_Ticket::AggiungiMessaggio(QStringView mittente, QStringView messaggio) {
    const QDateTime adesso = QDateTime::currentDateTime();
    AggiungiAllaConversazione(
        TestoTicket,
        FormaRiga(mittente, messaggio, FormatoData(adesso) + u' ' + FormatoOra(adesso)));
    mostraFine();
}

void TForm_Ticket::mostraFine() {
    TestoTicket->moveCursor(QTextCursor::End);
    TestoTicket->ensureCursorVisible();
}

void TForm_Ticket::avviso(const QString& testo) {
    MostraMessaggio(this, testo, QStringLiteral("Attenzione"), Icona::Avviso);
}

void TForm_Ticket::BtInviaMessaggioClick() {
    if (!BtInviaMessaggio->isEnabled())
        return;
    const QString messaggio = NuovoMessaggioTxt->toPlainText();
    if (messaggio.isEmpty())
        return avviso(QStringLiteral("Devi inserire un messaggio per poterlo inviare!"));
    if (TitoloTxt->text().isEmpty())
        return avviso(QStringLiteral("Devi inserire un titolo per questo ticket!"));
    if (EmailTxt->text().isEmpty())
        return avviso(QStringLiteral("Devi inserire una email per questo ticket!"));
    BtInviaMessaggio->setEnabled(false);
    if (!servizio_.Connesso()) {
        avviso(QStringLiteral(
            "Non sembra esserci una connessione attiva, prova tra qualche secondo!"));
        BtInviaMessaggio->setEnabled(true);
        return;
    }
    const QChar bar = u'|';
    if (IdTicket != kNuovo) {
        servizio_.senddata(QStringLiteral("#0201"), IdTicket + bar + messaggio);
        TimerInviaBt->start();
        NuovoMessaggioTxt->clear();
        return;
    }
    servizio_.senddata(QStringLiteral("#0201"), kNuovo + bar + VoucherTxt->text() + bar +
                                                    EmailTxt->text() + bar + TitoloTxt->text() +
                                                    bar + messaggio);
    close();
}

bool TForm_Ticket::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NuovoMessaggioTxt && event->type() == QEvent::KeyPress) {
        const int tasto = static_cast<QKeyEvent*>(event)->key();
        if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter) {
            BtInviaMessaggioClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm_Ticket::closeEvent(QCloseEvent* event) {
    emit Chiusa(this);
    QWidget::closeEvent(event);
}

} // namespace tarvolin::tickets
