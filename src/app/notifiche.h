#pragma once

#include <QSet>
#include <QString>

#include <functional>

namespace tarvolin::app {

// The desktop notifications of a queue that runs while nobody watches: one when the last
// running download has ended, with how many finished and how many failed since the last such
// notification, and one for each download that ends failed for good. A row counts once, as
// what it ended as last. Nothing is shown while the window is on screen, so a user who is
// watching is not disturbed.
class NotificheCoda {
public:
    using Mostra = std::function<void(const QString& titolo, const QString& testo)>;

    NotificheCoda(Mostra mostra, std::function<bool()> osservata)
        : mostra_(std::move(mostra)), osservata_(std::move(osservata)) {}

    void Concluso(const QString& id, const QString& nomeFile, bool riuscito);
    // A worker has ended; `finita` when nothing runs and nothing more will start by itself.
    void FineDownload(bool finita);

private:
    void mostra(const QString& titolo, const QString& testo);

    Mostra mostra_;
    std::function<bool()> osservata_;
    QSet<QString> completati_, falliti_; // row ids
};

// "3 completati, 1 non riuscito"
QString TestoDownloadTerminati(int completati, int falliti);

} // namespace tarvolin::app
