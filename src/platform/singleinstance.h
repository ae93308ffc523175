#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tarvolin::platform {

// One running instance per user: a later start hands the word "Open" to the running one
// over a local socket named after the main window's private class name, then exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user channel name for a window-class name.
    static QString nameFor(const QString& className);

    // True when a running instance took the message: this process should end at once.
    bool handOverToRunningInstance(int timeoutMs = 1000);

    // Starts answering later starts; false when the channel could not be opened.
    bool listen();

signals:
    // A later start sent `text` ("Open").
    void messageReceived(const QString& text);

private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace tarvolin::platform
