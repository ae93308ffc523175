#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace tarvolin::platform {

// One running instance per user: a later start hands the word "Open" to the running one
// over a local socket named after the main window's private class name, then exits.
// Ownership of the channel is a lock held for the life of the process, so two starts in the
// same instant can never both become the running one, and a channel left by a crash is
// recognised as such.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user channel name for a window-class name.
    static QString nameFor(const QString& className);

    enum class Esito {
        Primo,      // this process is the instance, and already answers later starts
        Consegnato, // the running instance took "Open": this process should end at once
        Fallito     // neither within the time given
    };
    // Claims the channel before anything else is built, or hands over to its holder; a
    // holder that is still starting is waited for up to `timeoutMs`.
    Esito claim(int timeoutMs = 10000);

    // True when a running instance took the message.
    bool handOverToRunningInstance(int timeoutMs = 1000);

    // Takes the channel and starts answering later starts; false when another process holds
    // it or it could not be opened.
    bool listen();

signals:
    // A later start sent `text` ("Open").
    void messageReceived(const QString& text);

private:
    bool lock();
    void accept(QLocalSocket* client);

    QString name_;
    QLocalServer* server_ = nullptr;
    int lockFd_ = -1;
};

} // namespace tarvolin::platform
