#pragma once

// What the program asks of the computer's power management.
namespace tarvolin::platform {

class Power {
public:
    virtual ~Power() = default;
    // Each asks the system at once, without asking the user to authenticate, and does not wait
    // for the answer: a refusal leaves the program running. False when nothing could be asked.
    virtual bool powerOff() = 0;
    virtual bool suspend() = 0;
};

// The power management in use: the system's unless a test has put another in place.
Power& power();

// Puts `replacement` in place of the system's power management for the lifetime of the object
// (tests only).
class ScopedPowerOverride {
public:
    explicit ScopedPowerOverride(Power& replacement);
    ~ScopedPowerOverride();
    ScopedPowerOverride(const ScopedPowerOverride&) = delete;
    ScopedPowerOverride& operator=(const ScopedPowerOverride&) = delete;

private:
    Power* previous_;
};

} // namespace tarvolin::platform
