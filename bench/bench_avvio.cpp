// Start-up cost: time from process start until the main window is shown, less the splash,
// and the resident memory at that moment. Runs the same windows as the program, with its
// data under a throw-away HOME. Prints one line per run.
#include "app/avvio.h"
#include "app/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

double secondsSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Field 22, counted after the command name in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started;
}

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/.local/share"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const double appReady = secondsSinceProcessStart();
    tarvolin::app::Applicazione applicazione;
    std::printf("application object after %.0f ms, windows created after %.0f ms; ",
                appReady * 1000.0, secondsSinceProcessStart() * 1000.0);
    QObject::connect(&applicazione.Form1(), &tarvolin::app::TForm1::MainWindowShown, [] {
        const double shownAfter = secondsSinceProcessStart();
        std::printf(
            "window shown after %.0f ms (splash 4500 ms excluded: %.0f ms), resident %.1f MiB\n",
            shownAfter * 1000.0, shownAfter * 1000.0 - 4500.0, residentKiB() / 1024.0);
        QCoreApplication::exit(0);
    });
    return QApplication::exec();
}
