#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QMouseEvent;

namespace tarvolin::engine {

// The small floating window with the total speed and the counts of running and queued
// downloads. Always on top, translucent, moved by dragging any part of it; it cannot be closed
// while the program runs.
class TForm_Speed : public QWidget {
    Q_OBJECT
public:
    explicit TForm_Speed(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* LabelSpeed = nullptr;
    QLabel* PanelInDownload = nullptr;
    QLabel* PanelInCoda = nullptr;

    void ImpostaTrasparenza(int alpha);
    void ImpostaInDownload(qsizetype righe);
    void ImpostaInCoda(qsizetype righe);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* pannello(const char* nome, const QString& testo, int y);
    bool trascina(const QMouseEvent& event);

    bool trascinando_ = false;
    QPoint presa_; // the pointer's offset from the window's corner
};

} // namespace tarvolin::engine
