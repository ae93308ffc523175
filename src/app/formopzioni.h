#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;

namespace tarvolin::app {

// The options dialog. Its controls are the live settings: other windows read them directly.
class TForm_Opzioni : public QWidget {
    Q_OBJECT
public:
    explicit TForm_Opzioni(QWidget* parent = nullptr);

    QTabWidget* PageControl = nullptr;
    QSpinBox* MaxDownload = nullptr;
    QCheckBox* Portable = nullptr;
    QCheckBox* AutoExtract = nullptr;
    QCheckBox* SkipRev = nullptr;
    QCheckBox* AutoHideOnCompleteBox = nullptr;
    QCheckBox* AlwaysFolder = nullptr;
    QCheckBox* PlugIn = nullptr;
    QSlider* Trasparenza = nullptr;
    QCheckBox* IntercettaBox = nullptr;
    QLineEdit* EmailCliente = nullptr;
    QPushButton* BtAggiornaEmail = nullptr;
    QLineEdit* TempDir = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLineEdit* CompleteDir = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BtResetFolder = nullptr;
    QLineEdit* PersonalEmailEasybytez = nullptr;
    QLineEdit* PersonalPasswordEasybytez = nullptr;
    QRadioButton* EasyCom = nullptr;
    QRadioButton* EasyEu = nullptr;
    QRadioButton* EasyMe = nullptr;
    QPushButton* BtSalvataggio = nullptr;
    QTimer* TimerColor = nullptr;

    // Answers whether the service link is up; the service session puts the real one in place.
    std::function<bool()> ServizioConnesso = [] { return false; };
    // Sends one service message (code, payload).
    std::function<void(const QString&, const QString&)> InviaServizio;
    // Picks a folder; returns the empty text when cancelled. Replaceable for tests.
    std::function<QString(const QString& title, const QString& start)> ScegliCartella;

    void BtAggiornaEmailClick();
    void BitBtn2Click();
    void BitBtn3Click();
    void TimerColorTimer();
    // Back to the normal colour and no blinking.
    void ColoreNormaleEmail();
    // The orange that asks the user for the e-mail.
    void EvidenziaEmail();
    bool EmailEvidenziata() const;

signals:
    void SalvaRichiesto();         // "Salva"
    void ResetCartelleRichiesto(); // "Reset cartelle"
    void PortableCliccato(bool spuntato);
    void PlugInCliccato(bool spuntato);
    void TrasparenzaCambiata(int alpha);
    void IntercettaCliccato(bool spuntato);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* creaGenerale();
    QWidget* creaCartelle();
    QWidget* creaAccount();
    QWidget* creaSito();
    void scegliCartellaIn(QLineEdit* edit, const QString& title);
};

} // namespace tarvolin::app
