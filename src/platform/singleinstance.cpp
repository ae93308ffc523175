#include "singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include <unistd.h>

namespace tarvolin::platform {

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::nameFor(const QString& className) {
    return className + '-' + QString::number(getuid());
}

bool SingleInstance::handOverToRunningInstance(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // The four characters and the terminating zero, as the running instance expects.
    socket.write(QByteArray("Open", 5));
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // A channel left behind by a crashed instance: nobody answered, so take it over.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            client->setParent(this);
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                QByteArray data = client->property("pending").toByteArray() + client->readAll();
                // Each message is its text and a terminating zero.
                qsizetype end;
                while ((end = data.indexOf('\0')) >= 0) {
                    emit messageReceived(QString::fromLatin1(data.left(end)));
                    data.remove(0, end + 1);
                }
                client->setProperty("pending", data.left(4096));
            });
        }
    });
    return true;
}

} // namespace tarvolin::platform
