#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace tarvolin::host {

// The lines of the hosting file as they stand: CR LF, LF and CR end a line, nothing is trimmed.
QStringList RigheHosting(const QByteArray& corpo);

// True when an entry of the list occurs inside the link's host (case-sensitive). The host is
// what follows "://" up to the first "/", without user information and port; a host without
// "www" is tested with "www." in front. Empty entries match nothing.
bool HostConosciuto(const QStringList& listaHosting, const QString& link);

// Fetches "/hosting.ini" from the maker's site once and hands its lines to the main thread.
// Frees itself when done; a failed fetch hands over nothing.
class TLoadHosting : public QThread {
    Q_OBJECT
public:
    using Applica = std::function<void(const QStringList& righe)>;
    TLoadHosting(QString sitoProduttore, Applica applica);

    // Creates a self-freeing loader and starts it.
    static void Avvia(const QString& sitoProduttore, Applica applica);

protected:
    void run() override;

private:
    QString sito_;
    Applica applica_;
};

} // namespace tarvolin::host
