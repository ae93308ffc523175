#include "synccall.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tarvolin {

void ChiamataSincronizzata(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

} // namespace tarvolin
