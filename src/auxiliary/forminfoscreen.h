#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace tarvolin::auxiliary {

// The maker's notice of the day: hidden until "/infoscreen.ini" brings some text.
class TForm_Infoscreen : public QWidget {
    Q_OBJECT
public:
    // Shown centred on `centro`.
    explicit TForm_Infoscreen(QWidget* centro);

    QPlainTextEdit* MemoInfo = nullptr;

    // Fetches the notice from the maker's site `sito` and shows it when there is one.
    void LoadInfoScreen(const QString& sito);
    void MostraAvviso(const QString& testo);

private:
    QPointer<QWidget> centro_;
};

} // namespace tarvolin::auxiliary
