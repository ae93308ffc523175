#include "sessione.h"

#include "common/ansi.h"
#include "common/clock.h"
#include "common/deployment.h"
#include "common/diagnostica.h"
#include "common/synccall.h"
#include "service/frame.h"

#include <QTcpSocket>
#include <QTimer>

namespace tarvolin::service {

Sessione::Sessione(QTimer* timerAutoConnect, QTimer* timerInviaCodiceVoucher, QTimer* wakeUpTimer,
                   QObject* parent)
    : QObject(parent), timerAutoConnect_(timerAutoConnect),
      timerInviaCodiceVoucher_(timerInviaCodiceVoucher), wakeUpTimer_(wakeUpTimer),
      ricezione_(std::make_unique<BufferRicezione>()), host_(deployment().serviceHost),
      port_(deployment().servicePort) {
    Client = new QTcpSocket(this);
    Client->setObjectName(QStringLiteral("Client"));
    connect(Client, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState s) {
        if (s == QAbstractSocket::ConnectingState)
            ClientConnecting();
    });
    connect(Client, &QTcpSocket::connected, this, &Sessione::ClientConnect);
    connect(Client, &QTcpSocket::disconnected, this, &Sessione::ClientDisconnect);
    connect(Client, &QTcpSocket::errorOccurred, this, &Sessione::ClientError);
    connect(Client, &QTcpSocket::readyRead, this, &Sessione::ClientRead);
    connect(timerAutoConnect_, &QTimer::timeout, this, &Sessione::TimerAutoConnectTimer);
    connect(timerInviaCodiceVoucher_, &QTimer::timeout, this,
            &Sessione::TimerInviaCodiceVoucherTimer);
    connect(wakeUpTimer_, &QTimer::timeout, this, &Sessione::WakeUpTimerTimer);
    wakeUpTimer_->start();
}

Sessione::~Sessione() = default;

bool Sessione::Connesso() const {
    return Client->state() == QAbstractSocket::ConnectedState;
}

void Sessione::Sospendi() {
    sospeso_ = true;
    timerAutoConnect_->stop();
}

void Sessione::ImpostaServer(const QString& host, quint16 port) {
    host_ = host;
    port_ = port;
}

void Sessione::Connetti() {
    if (Client->state() != QAbstractSocket::UnconnectedState)
        return;
    Client->connectToHost(host_, port_);
}

void Sessione::TimerAutoConnectTimer() {
    timerAutoConnect_->stop();
    Connetti();
}

void Sessione::ClientConnecting() {
    emit TestoStato(QStringLiteral("Tentativo di connessione al server di Tarvolin, attendere..."));
}

void Sessione::ClientConnect() {
    emit TestoStato(QStringLiteral("Connesso al server di Tarvolin."));
    timerInviaCodiceVoucher_->start();
}

void Sessione::riprovaTra5Secondi() {
    timerAutoConnect_->setInterval(clock::Intervallo(5000));
    if (!sospeso_)
        timerAutoConnect_->start();
}

void Sessione::ClientDisconnect() {
    emit TestoStato(QStringLiteral("Connessione al server di Tarvolin interrotta. Tentativo di "
                                   "riconnessione automatica tra 5 secondi..."));
    emit Disconnesso();
    riprovaTra5Secondi();
}

void Sessione::ClientError() {
    // A refused or broken connection only means another attempt later. A drop of an open
    // link also reports disconnected(), which schedules the same retry.
    if (Client->state() != QAbstractSocket::ConnectedState)
        riprovaTra5Secondi();
}

void Sessione::TimerInviaCodiceVoucherTimer() {
    timerInviaCodiceVoucher_->stop();
    if (!Connesso())
        return;
    const QString codice = CodiceIdentificativo();
    const QString versione = QString::fromLatin1(kVersione);
    senddata(QStringLiteral("#0666"), (codice.isEmpty() ? QStringLiteral("FREEUSER") : codice) +
                                          u'|' + versione + u'|' + LeggiUid());
}

void Sessione::WakeUpTimerTimer() {
    if (Connesso())
        senddata(QStringLiteral("#0999"), QString::number(VelocitaTotale()));
}

void Sessione::senddata(const QString& code, const QString& payload) {
    // Built on the calling thread; written on the main thread, which owns the socket. Each
    // frame is written whole, so frames of different threads never interleave. A frame that
    // cannot be built or written is lost and the link stays; once the program is ending the
    // synchronised call drops it instead of waiting.
    try {
        const QByteArray frame = FrameSulFilo(ToAnsi(code), ToAnsi(payload));
        ChiamataSincronizzata([this, &frame] { WriteSocket(frame); });
    } catch (const std::exception& e) {
        qCDebug(lcServizio) << "frame" << code << "dropped:" << e.what();
    }
}

void Sessione::WriteSocket(const QByteArray& frame) {
    if (!Connesso())
        return; // dropped: nothing is queued for a later connection
    Client->write(frame);
    Client->flush();
}

void Sessione::ClientRead() {
    ricezione_->Aggiungi(Client->readAll());
    // Handled after this read event returns: the socket announces no new data while its
    // read event runs, and a handler's message box must still let later frames in.
    if (!elaborazioneInAttesa_) {
        elaborazioneInAttesa_ = true;
        QMetaObject::invokeMethod(this, &Sessione::elaboraRicevuti, Qt::QueuedConnection);
    }
}

void Sessione::elaboraRicevuti() {
    elaborazioneInAttesa_ = false;
    // A handler's message box may run this again for newer frames: each pass takes whole
    // frames from the front of the one buffer, so the order of arrival holds.
    while (std::optional<QByteArray> messaggio = ricezione_->ProssimoMessaggio())
        emit MessaggioRicevuto(FromAnsi(*messaggio));
}

} // namespace tarvolin::service
