#include "fake_shell.h"

namespace tarvolin::test {

bool FakeShell::openUrl(const QString& target) {
    opened << target;
    return true;
}

bool FakeShell::showInFolder(const QString& filePath) {
    shownInFolder << filePath;
    return true;
}

} // namespace tarvolin::test
