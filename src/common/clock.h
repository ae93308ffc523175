#pragma once

#include <QtGlobal>

// Every timer interval and wait of the program passes through here, so that tests can run
// the program's clock faster than the wall clock.
namespace tarvolin::clock {

// The wall-clock milliseconds that stand for a program interval of `ms`.
int Intervallo(int ms);

// Sleeps the calling thread for a program interval of `ms`.
void Attendi(int ms);

// Milliseconds since the computer started.
qint64 MillisecondiDallAvvio();

// Speeds the clock up by `factor` for the lifetime of the object (tests only).
class ScopedSpeedUp {
public:
    explicit ScopedSpeedUp(int factor);
    ~ScopedSpeedUp();
    ScopedSpeedUp(const ScopedSpeedUp&) = delete;
    ScopedSpeedUp& operator=(const ScopedSpeedUp&) = delete;

private:
    int previous_;
};

} // namespace tarvolin::clock
