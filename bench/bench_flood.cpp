// A peer that sends 100 MiB without a terminator: the program's resident memory must stay
// bounded. Prints the peak resident size of the process.
#include "common/clock.h"
#include "service/sessione.h"
#include "support/fake_service_server.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

long kibDa(const char* campo) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(campo))
            return line.mid(qstrlen(campo)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tarvolin::test::FakeServiceServer server;
    QTimer a, b, c;
    a.setInterval(1);
    tarvolin::service::Sessione sessione(&a, &b, &c);
    sessione.ImpostaServer(QStringLiteral("127.0.0.1"), server.port());
    a.start();
    if (!QTest::qWaitFor([&] { return sessione.Connesso(); }, 5000)) {
        std::printf("no connection\n");
        return 1;
    }
    std::printf("resident before: %.1f MiB\n", kibDa("VmRSS:") / 1024.0);
    std::atomic<bool> fatto{false};
    std::unique_ptr<QThread> mittente(QThread::create([&] {
        const QByteArray blocco(64 * 1024, 'x');
        for (int i = 0; i < 1600; ++i) // 100 MiB
            server.sendRaw(blocco);
        fatto = true;
    }));
    mittente->start();
    const bool finito = QTest::qWaitFor(
        [&] { return fatto.load() && sessione.Client->bytesAvailable() == 0; }, 120000);
    QTest::qWait(200);
    mittente->wait();
    std::printf("after 100 MiB without a terminator%s: link %s, peak resident %.1f MiB\n",
                finito ? "" : " (timed out)", sessione.Connesso() ? "up" : "down",
                kibDa("VmHWM:") / 1024.0);
    return finito ? 0 : 1;
}
