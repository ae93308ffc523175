#include "notifiche.h"

namespace tarvolin::app {

void NotificheCoda::Concluso(const QString& id, const QString& nomeFile, bool riuscito) {
    (riuscito ? falliti_ : completati_).remove(id);
    (riuscito ? completati_ : falliti_).insert(id);
    if (!riuscito)
        mostra(QStringLiteral("Download interrotto: ") + nomeFile, QString());
}

void NotificheCoda::FineDownload(bool finita) {
    if (!finita || completati_.size() + falliti_.size() == 0)
        return;
    mostra(QStringLiteral("Download terminati"),
           TestoDownloadTerminati(static_cast<int>(completati_.size()),
                                  static_cast<int>(falliti_.size())));
    completati_.clear();
    falliti_.clear();
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
