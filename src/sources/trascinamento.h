#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;

namespace tarvolin::sources {

// The local file paths of a drop, whole and in the order given; other URLs are left out.
QStringList PercorsiTrascinati(const QMimeData& dati);

// Takes the files dropped on the window it watches (which must accept drops).
class RicevitoreFile : public QObject {
    Q_OBJECT
public:
    using Ricevuti = std::function<void(const QStringList& percorsi)>;
    RicevitoreFile(QObject* finestra, Ricevuti ricevuti);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Ricevuti ricevuti_;
};

} // namespace tarvolin::sources
