#pragma once

#include "platform/energia.h"

#include <QStringList>

namespace tarvolin::test {

// Records each power request; the computer stays on, as when the system refuses.
class FakePower final : public platform::Power {
public:
    bool powerOff() override {
        calls << QStringLiteral("PowerOff");
        return true;
    }
    bool suspend() override {
        calls << QStringLiteral("Suspend");
        return true;
    }

    QStringList calls;
};

} // namespace tarvolin::test
