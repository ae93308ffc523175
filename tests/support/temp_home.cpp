#include "temp_home.h"

#include <QByteArray>
#include <QDir>

#include <cstdlib>

namespace tarvolin::test {

namespace {
QString home;
}

void UseThrowAwayHome() {
    QByteArray templ = QDir::tempPath().toUtf8() + "/tarvolin-test-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr)
        std::abort();
    home = QString::fromUtf8(templ);
    qputenv("HOME", templ);
    qputenv("XDG_DATA_HOME", templ + "/.local/share");
    qputenv("XDG_CONFIG_HOME", templ + "/.config");
    qputenv("XDG_RUNTIME_DIR", templ);
    qputenv("TMPDIR", templ);
    QDir().mkpath(home + "/Documents");
    std::atexit([] { QDir(home).removeRecursively(); });
}

QString ThrowAwayHome() {
    return home;
}

} // namespace tarvolin::test
