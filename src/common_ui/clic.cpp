#include "clic.h"

#include <QMouseEvent>
#include <QWidget>

namespace tarvolin {

namespace {

class FiltroClic : public QObject {
public:
    FiltroClic(QWidget* widget, std::function<void()> azione)
        : QObject(widget), azione_(std::move(azione)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            azione_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> azione_;
};

} // namespace

void AlClic(QWidget* widget, std::function<void()> azione) {
    widget->installEventFilter(new FiltroClic(widget, std::move(azione)));
}

} // namespace tarvolin
