#pragma once

#include "common/messaggio.h"

#include <QList>
#include <QString>

#include <functional>

class QWidget;

// The one routine through which the program shows modal message boxes. A test answers the
// boxes in place of the user and sees what would have been shown.
namespace tarvolin {

Risposta MostraMessaggio(QWidget* parent, const QString& testo, const QString& didascalia,
                         Icona icona = Icona::Avviso, Pulsanti pulsanti = Pulsanti::Ok);

// While alive, boxes are not shown: each is recorded and answered by `answer`
// (or with OK / Yes when no answer function is given).
class ScopedMessageBoxAnswerer {
public:
    using Answer = std::function<Risposta(const Messaggio&)>;
    explicit ScopedMessageBoxAnswerer(Answer answer = {});
    ~ScopedMessageBoxAnswerer();
    ScopedMessageBoxAnswerer(const ScopedMessageBoxAnswerer&) = delete;
    ScopedMessageBoxAnswerer& operator=(const ScopedMessageBoxAnswerer&) = delete;

    const QList<Messaggio>& shown() const { return shown_; }
    Risposta answer(const Messaggio& m);

private:
    Answer answer_;
    QList<Messaggio> shown_;
    ScopedMessageBoxAnswerer* previous_;
};

} // namespace tarvolin
