#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tarvolin::auxiliary {

// The notes window: hidden, never destroyed, while the program runs.
class TForm_Memo : public QWidget {
    Q_OBJECT
public:
    // `salvaMemo` stores a text.
    explicit TForm_Memo(std::function<void(const QString&)> salvaMemo);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BtSalvataggio = nullptr;

    bool Modificato() const { return modificato_; }
    // The stored text, when there is one, in place of the shown one; loading is no change.
    void Carica(const std::optional<QString>& testo);
    void BtSalvataggioClick();
    // The program ends: edits not yet stored are, while the window is open.
    void SalvaAllUscita();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void creaControlli();

    std::function<void(const QString&)> salvaMemo_;
    QTimer* riabilitaSalva_ = nullptr;
    bool modificato_ = false;
};

} // namespace tarvolin::auxiliary
