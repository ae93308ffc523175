// fake_service [--port N] [--code ABC123] [--obsolete]
// A local Tarvolin service server for demos: it logs every frame it receives on stdout as
// "<code> <payload>" and answers the login, until SIGINT or SIGTERM. With --obsolete the login
// is followed by the mandatory-update demand "#0665".
#include "support/fake_service_server.h"
#include "support/stop_signals.h"

#include <QString>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <pthread.h>

namespace {

using tarvolin::test::FakeServiceServer;
using tarvolin::test::FrameRicevuto;

constexpr quint16 kDefaultPort = 11368;

// The payloads are Windows-1252; the terminal is UTF-8.
QString fromWindows1252(const QByteArray& bytes) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(b));
    }
    return text;
}

int usage() {
    std::fprintf(stderr, "usage: fake_service [--port N] [--code ABC123] [--obsolete]\n");
    return 2;
}

} // namespace

using tarvolin::test::BlockStopSignals;

int main(int argc, char** argv) {
    quint16 port = kDefaultPort;
    QByteArray code = "DEMO-0001";
    bool obsolete = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--port") == 0 && hasValue) {
            bool ok = false;
            const uint value = QByteArray(argv[++i]).toUInt(&ok);
            if (!ok || value > 65535)
                return usage();
            port = static_cast<quint16>(value);
        } else if (std::strcmp(argv[i], "--code") == 0 && hasValue) {
            code = argv[++i];
        } else if (std::strcmp(argv[i], "--obsolete") == 0) {
            obsolete = true;
        } else {
            return usage();
        }
    }

    const sigset_t stopSignals = BlockStopSignals();

    try {
        FakeServiceServer server(port);
        std::mutex printing;
        server.onEveryFrame([&](const FrameRicevuto& frame) {
            std::lock_guard lock(printing);
            if (frame.decodificato) {
                std::printf("%s %s\n", frame.code.constData(),
                            fromWindows1252(frame.payload).toUtf8().constData());
            } else {
                std::printf("?? (%lld bytes that do not decode)\n",
                            static_cast<long long>(frame.raw.size()));
            }
            std::fflush(stdout);
        });
        server.onFrame("#0666", [code, obsolete](const FrameRicevuto& frame) {
            FakeServiceServer::Reply reply;
            // A login without an identification code gets one assigned first.
            if (frame.payload.startsWith("FREEUSER|"))
                reply.append(qMakePair(QByteArray("#0663"), code));
            reply.append(qMakePair(QByteArray("#0666"), QByteArray("OK")));
            if (obsolete)
                reply.append(qMakePair(QByteArray("#0665"), QByteArray()));
            return reply;
        });
        std::fprintf(stderr, "fake_service listening on %s\n", qPrintable(server.address()));

        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(stderr, "fake_service stopping (%s)\n", strsignal(signal));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fake_service: %s\n", e.what());
        return 1;
    }
    return 0;
}
