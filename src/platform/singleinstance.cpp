#include "singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QVariant>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvolin::platform {

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

QString SingleInstance::nameFor(const QString& className) {
    return className + u'-' + QString::number(getuid());
}

bool SingleInstance::lock() {
    if (lockFd_ >= 0)
        return true;
    // Beside the socket, which QLocalServer puts in the temporary folder. The file stays: removing
    // it would let a later start lock a new file while this one is still held.
    const QByteArray path =
        QFile::encodeName(QDir::tempPath() + u'/' + name_ + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

SingleInstance::Esito SingleInstance::claim(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock())
            return listen() ? Esito::Primo : Esito::Fallito;
        // Held by a running instance, which may not be listening yet: keep knocking.
        if (handOverToRunningInstance(200))
            return Esito::Consegnato;
        if (deadline.hasExpired())
            return Esito::Fallito;
        QThread::msleep(20);
    }
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
    if (!lock())
        return false;
    if (server_ == nullptr) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* client = server_->nextPendingConnection())
                accept(client);
        });
    }
    if (server_->isListening())
        return true;
    // Holding the lock, nobody else owns the channel: a socket file there is a crash's leftover.
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

void SingleInstance::accept(QLocalSocket* client) {
    client->setParent(this);
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    auto leggi = [this, client] {
        QByteArray data = client->property("pending").toByteArray() + client->readAll();
        // Each message is its text and a terminating zero.
        qsizetype end;
        while ((end = data.indexOf('\0')) >= 0) {
            emit messageReceived(QString::fromLatin1(data.left(end)));
            data.remove(0, end + 1);
        }
        client->setProperty("pending", data.left(4096));
    };
    connect(client, &QLocalSocket::readyRead, this, leggi);
    // A start that knocked while this one was still building its windows has already written.
    if (client->bytesAvailable() > 0)
        leggi();
}

} // namespace tarvolin::platform
