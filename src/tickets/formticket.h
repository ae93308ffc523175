#pragma once

#include <QStringView>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tarvolin::service {
class Sessione;
}

namespace tarvolin::tickets {

// One ticket's conversation and the message being written.
class TForm_Ticket : public QWidget {
    Q_OBJECT
public:
    // The id of a ticket not yet created on the server.
    static inline const QString kNuovo = QStringLiteral("??");

    TForm_Ticket(service::Sessione& servizio, QString idTicket);

    const QString IdTicket;
    QLineEdit* VoucherTxt = nullptr;
    QLineEdit* EmailTxt = nullptr;
    QLineEdit* TitoloTxt = nullptr;
    QPlainTextEdit* TestoTicket = nullptr;
    QPlainTextEdit* NuovoMessaggioTxt = nullptr;
    QPushButton* BtInviaMessaggio = nullptr;
    QTimer* TimerInviaBt = nullptr;

    // Replaces the conversation with the "{|end|}"-closed records and shows its end.
    void CaricaTicket(QStringView conversazione);
    // A message that has just arrived, dated now.
    void AggiungiMessaggio(QStringView mittente, QStringView messaggio);
    void BtInviaMessaggioClick();

signals:
    void ConversazioneCaricata();
    void Chiusa(TForm_Ticket* finestra);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void creaControlli();
    void mostraFine();
    void avviso(const QString& testo);

    service::Sessione& servizio_;
};

} // namespace tarvolin::tickets
