#include "sources/trascinamento.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace tarvolin::sources {

QStringList PercorsiTrascinati(const QMimeData& dati) {
    QStringList percorsi;
    for (const QUrl& url : dati.urls()) {
        if (url.isLocalFile())
            percorsi << url.toLocalFile();
    }
    return percorsi;
}

RicevitoreFile::RicevitoreFile(QObject* finestra, Ricevuti ricevuti)
    : QObject(finestra), ricevuti_(std::move(ricevuti)) {
    finestra->installEventFilter(this);
}

bool RicevitoreFile::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* trascina = static_cast<QDropEvent*>(event);
        const QMimeData* dati = trascina->mimeData();
        if (dati != nullptr && !PercorsiTrascinati(*dati).isEmpty())
            trascina->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* rilascio = static_cast<QDropEvent*>(event);
        const QMimeData* dati = rilascio->mimeData();
        const QStringList percorsi = dati != nullptr ? PercorsiTrascinati(*dati) : QStringList();
        rilascio->acceptProposedAction();
        if (!percorsi.isEmpty())
            ricevuti_(percorsi);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tarvolin::sources
