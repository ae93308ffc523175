// Frames per second that four threads get through the session's send path to a local server.
#include "service/sessione.h"
#include "support/fake_service_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tarvolin::test::FakeServiceServer server;
    QTimer a, b, c;
    a.setInterval(1);
    tarvolin::service::Sessione sessione(&a, &b, &c);
    sessione.ImpostaServer(QStringLiteral("127.0.0.1"), server.port());
    a.start();
    if (!QTest::qWaitFor([&] { return sessione.Connesso(); }, 5000))
        return 1;
    constexpr int kThreads = 4, kFrames = 5000;
    std::atomic<int> finiti{0};
    std::vector<std::unique_ptr<QThread>> threads;
    QElapsedTimer tempo;
    tempo.start();
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([&] {
            for (int i = 0; i < kFrames; ++i)
                sessione.senddata(
                    QStringLiteral("#0600"),
                    QStringLiteral(
                        "http://www.easybytez.com/abc/f.rar|||pw|||arch|||1048576|||f.rar"));
            ++finiti;
        }));
        threads.back()->start();
    }
    QEventLoop loop; // a running loop serves the senders as the program's own does
    QTimer controllo;
    QObject::connect(&controllo, &QTimer::timeout, [&] {
        if (finiti == kThreads && server.frames().size() >= kThreads * kFrames)
            loop.quit();
    });
    controllo.start(1);
    loop.exec();
    const double secondi = static_cast<double>(tempo.nsecsElapsed()) / 1e9;
    for (auto& t : threads)
        t->wait();
    std::printf("%d frames from %d threads received in %.3f s: %.0f frames/s\n", kThreads * kFrames,
                kThreads, secondi, kThreads * kFrames / secondi);
    return 0;
}
