#include "notifiche.h"

namespace tarvolin::app {

void NotificheCoda::Concluso(const QString& nomeFile, bool riuscito) {
    if (riuscito) {
        ++completati_;
        return;
    }
    ++falliti_;
    mostra(QStringLiteral("Download interrotto: ") + nomeFile, QString());
}

void NotificheCoda::FineDownload(bool finita) {
    if (!finita || completati_ + falliti_ == 0)
        return;
    mostra(QStringLiteral("Download terminati"), TestoDownloadTerminati(completati_, falliti_));
    completati_ = falliti_ = 0;
}

void NotificheCoda::mostra(const QString& titolo, const QString& testo) {
    if (mostra_ && !(osservata_ && osservata_()))
        mostra_(titolo, testo);
}

QString TestoDownloadTerminati(int completati, int falliti) {
    return QStringLiteral("%1 %2, %3 %4")
        .arg(completati)
        .arg(completati == 1 ? QStringLiteral("completato") : QStringLiteral("completati"))
        .arg(falliti)
        .arg(falliti == 1 ? QStringLiteral("non riuscito") : QStringLiteral("non riusciti"));
}

} // namespace tarvolin::app
