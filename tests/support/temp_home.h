#pragma once

#include <QString>

namespace tarvolin::test {

// Points HOME, the XDG folders and TMPDIR at a fresh folder for the whole test program.
void UseThrowAwayHome();

// The folder chosen by UseThrowAwayHome.
QString ThrowAwayHome();

} // namespace tarvolin::test
