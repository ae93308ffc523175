#include "messagebox.h"

#include <QMessageBox>

namespace tarvolin {

namespace {
ScopedMessageBoxAnswerer* currentAnswerer = nullptr;

QMessageBox::Icon toQt(Icona icona) {
    switch (icona) {
    case Icona::Informazione:
        return QMessageBox::Information;
    case Icona::Domanda:
        return QMessageBox::Question;
    case Icona::Errore:
        return QMessageBox::Critical;
    case Icona::Avviso:
        break;
    }
    return QMessageBox::Warning;
}
} // namespace

ScopedMessageBoxAnswerer::ScopedMessageBoxAnswerer(Answer answer)
    : answer_(std::move(answer)), previous_(currentAnswerer) {
    currentAnswerer = this;
}

ScopedMessageBoxAnswerer::~ScopedMessageBoxAnswerer() {
    currentAnswerer = previous_;
}

Risposta ScopedMessageBoxAnswerer::answer(const Messaggio& m) {
    shown_.append(m);
    if (answer_)
        return answer_(m);
    return m.pulsanti == Pulsanti::SiNo ? Risposta::Si : Risposta::Ok;
}

Risposta MostraMessaggio(QWidget* parent, const QString& testo, const QString& didascalia,
                         Icona icona, Pulsanti pulsanti) {
    const Messaggio m{didascalia, testo, icona, pulsanti};
    if (currentAnswerer != nullptr)
        return currentAnswerer->answer(m);

    QMessageBox box(
        toQt(icona), didascalia, testo,
        pulsanti == Pulsanti::SiNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    const int result = box.exec();
    if (pulsanti == Pulsanti::Ok)
        return Risposta::Ok;
    return result == QMessageBox::Yes ? Risposta::Si : Risposta::No;
}

} // namespace tarvolin
