#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTcpSocket;
class QTimer;

namespace tarvolin::service {

class BufferRicezione;

// The one connection to the service server: connecting and reconnecting, the login, the
// keep-alive, sending frames from any thread and receiving them on the main thread.
class Sessione : public QObject {
    Q_OBJECT
public:
    // The three timers belong to the main window; the session drives them.
    Sessione(QTimer* timerAutoConnect, QTimer* timerInviaCodiceVoucher, QTimer* wakeUpTimer,
             QObject* parent = nullptr);
    ~Sessione() override;

    QTcpSocket* Client = nullptr;

    // What the login and the keep-alive carry.
    std::function<QString()> CodiceIdentificativo = [] { return QString(); };
    std::function<QString()> LeggiUid = [] { return QStringLiteral("NULL"); };
    std::function<qint64()> VelocitaTotale = [] { return qint64(0); };

    // Suspended by the server: no further connection attempt for the rest of the run.
    bool Sospeso() const { return sospeso_; }
    void Sospendi();

    bool Connesso() const;
    void Connetti();
    // The server to connect to: the deployment's unless set (tests, local demos).
    void ImpostaServer(const QString& host, quint16 port);

    // One frame to the server. Any thread; returns once the frame is written or dropped
    // (dropped when the link is down).
    void senddata(const QString& code, const QString& payload);

    void TimerAutoConnectTimer();
    void TimerInviaCodiceVoucherTimer();
    void WakeUpTimerTimer();

signals:
    void TestoStato(const QString& testo);
    // The link went down: buttons waiting for a reply are enabled again.
    void Disconnesso();
    // One received message: the code (5 characters) followed by the payload.
    void MessaggioRicevuto(const QString& messaggio);

private:
    void ClientConnecting();
    void ClientConnect();
    void ClientDisconnect();
    void ClientError();
    void ClientRead();
    void elaboraRicevuti();
    void WriteSocket(const QByteArray& frame);
    void riprovaTra5Secondi();

    QTimer* timerAutoConnect_;
    QTimer* timerInviaCodiceVoucher_;
    QTimer* wakeUpTimer_;
    std::unique_ptr<BufferRicezione> ricezione_;
    bool sospeso_ = false;
    bool elaborazioneInAttesa_ = false;
    QString host_;
    quint16 port_ = 0;
};

} // namespace tarvolin::service
