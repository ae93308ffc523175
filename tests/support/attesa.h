#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace tarvolin::test {

// Serves the event loop until `condizione` holds. Unlike QTest::qWaitFor it takes no 10 ms naps,
// so a thread that shows each second on the main thread runs at the fast clock's pace.
inline bool Finche(const std::function<bool()>& condizione, int ms = 5000) {
    const QDeadlineTimer limite(ms);
    while (!condizione()) {
        if (limite.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::usleep(200);
    }
    return true;
}

} // namespace tarvolin::test
