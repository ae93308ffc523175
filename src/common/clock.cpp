#include "clock.h"

#include <QThread>

#include <atomic>
#include <ctime>

namespace tarvolin::clock {

namespace {
std::atomic<int> speedFactor{1};
}

int Intervallo(int ms) {
    const int factor = speedFactor.load();
    if (ms <= 0)
        return 0;
    return std::max(1, ms / std::max(1, factor));
}

void Attendi(int ms) {
    QThread::msleep(static_cast<unsigned long>(Intervallo(ms)));
}

qint64 MillisecondiDallAvvio() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

ScopedSpeedUp::ScopedSpeedUp(int factor) : previous_(speedFactor.exchange(std::max(1, factor))) {}

ScopedSpeedUp::~ScopedSpeedUp() {
    speedFactor.store(previous_);
}

} // namespace tarvolin::clock
