#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace tarvolin::app {

// The splash shown while the program starts.
class TForm_Nag : public QWidget {
    Q_OBJECT
public:
    explicit TForm_Nag(QWidget* parent = nullptr);

    QLabel* LabelVersion = nullptr;
    QTimer* Timer1 = nullptr;

signals:
    // The splash time is over and the splash is hidden.
    void Terminato();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1Timer();
};

} // namespace tarvolin::app
