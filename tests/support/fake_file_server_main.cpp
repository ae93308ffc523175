// fake_file_server [--port N] [--dir DIR] [--generated PATH:SIZE[:SEED]]... [--drop-every N]
//                  [--restart-every-ms N]
// A local file server for reliability scripts. Its root goes alone on the first line of stderr,
// then one line per file; it runs until SIGINT or SIGTERM.
//   --dir DIR             serves the files under DIR, at their paths relative to it
//   --generated P:S[:SD]  a generated file of S bytes (suffix K, M or G) at path P, seed SD
//   --drop-every N        every response's connection is dropped after about N body bytes
//   --restart-every-ms N  the server goes down for a moment every N milliseconds
#include "support/fake_file_server.h"
#include "support/stop_signals.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <optional>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

using tarvolin::test::FakeFileServer;
using tarvolin::test::Guasti;

constexpr quint32 kDropSeed = 1;
constexpr auto kDowntime = std::chrono::milliseconds(200);

struct Opzioni {
    quint16 port = 0;
    QString dir;
    QList<QByteArray> generati;
    qint64 dropEvery = -1;
    int restartEveryMs = 0;
};

int usage() {
    std::fprintf(stderr, "usage: fake_file_server [--port N] [--dir DIR] "
                         "[--generated PATH:SIZE[:SEED]]... [--drop-every N] "
                         "[--restart-every-ms N]\n");
    return 2;
}

std::optional<qint64> byteCount(QByteArray text) {
    qint64 scale = 1;
    const char last = text.isEmpty() ? '\0' : text.back();
    if (last == 'K' || last == 'M' || last == 'G') {
        scale = last == 'K' ? 1LL << 10 : last == 'M' ? 1LL << 20 : 1LL << 30;
        text.chop(1);
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 ? std::optional(value * scale) : std::nullopt;
}

bool parse(int argc, char** argv, Opzioni& opzioni) {
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            return false;
        const char* flag = argv[i];
        const QByteArray value = argv[++i];
        bool ok = true;
        if (std::strcmp(flag, "--port") == 0) {
            const uint port = value.toUInt(&ok);
            ok = ok && port <= 65535;
            opzioni.port = static_cast<quint16>(port);
        } else if (std::strcmp(flag, "--dir") == 0) {
            opzioni.dir = QString::fromLocal8Bit(value);
        } else if (std::strcmp(flag, "--generated") == 0) {
            opzioni.generati.append(value);
        } else if (std::strcmp(flag, "--drop-every") == 0) {
            opzioni.dropEvery = value.toLongLong(&ok);
            ok = ok && opzioni.dropEvery > 0;
        } else if (std::strcmp(flag, "--restart-every-ms") == 0) {
            opzioni.restartEveryMs = value.toInt(&ok);
            ok = ok && opzioni.restartEveryMs > 0;
        } else {
            return false;
        }
        if (!ok)
            return false;
    }
    return true;
}

// Mapped rather than read, so a big file costs no memory; the maps live as long as the server.
bool addDir(FakeFileServer& server, const QString& dir, std::vector<std::unique_ptr<QFile>>& maps,
            QList<QByteArray>& paths) {
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        auto file = std::make_unique<QFile>(it.next());
        if (!file->open(QIODevice::ReadOnly))
            return false;
        const QByteArray path = "/" + QDir(dir).relativeFilePath(file->fileName()).toUtf8();
        const uchar* data = file->size() > 0 ? file->map(0, file->size()) : nullptr;
        if (file->size() > 0 && data == nullptr)
            return false;
        server.aggiungi(path, QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                      static_cast<qsizetype>(file->size())));
        paths.append(path);
        maps.push_back(std::move(file));
    }
    return true;
}

bool addGenerated(FakeFileServer& server, const QByteArray& voce, QList<QByteArray>& paths) {
    const QList<QByteArray> parts = voce.split(':');
    const auto bytes = parts.size() >= 2 ? byteCount(parts[1]) : std::nullopt;
    bool ok = parts.size() <= 3 && !parts[0].isEmpty() && bytes;
    const quint32 seed = parts.size() == 3 ? parts[2].toUInt(&ok) : 0;
    if (!ok)
        return false;
    const QByteArray path = parts[0].startsWith('/') ? parts[0] : "/" + parts[0];
    server.aggiungiGenerato(path, *bytes, seed);
    paths.append(path);
    return true;
}

// Waits for a stop signal, restarting the server every `everyMs` meanwhile (0: never).
int waitForStop(FakeFileServer& server, const sigset_t& stopSignals, int everyMs) {
    for (;;) {
        if (everyMs == 0) {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            return signal;
        }
        const timespec timeout{everyMs / 1000, (everyMs % 1000) * 1000000L};
        const int signal = sigtimedwait(&stopSignals, nullptr, &timeout);
        if (signal > 0)
            return signal;
        server.ferma();
        std::this_thread::sleep_for(kDowntime);
        server.riavvia();
    }
}

} // namespace

using tarvolin::test::BlockStopSignals;

int main(int argc, char** argv) {
    Opzioni opzioni;
    if (!parse(argc, argv, opzioni))
        return usage();

    const sigset_t stopSignals = BlockStopSignals();

    try {
        FakeFileServer server(opzioni.port);
        std::vector<std::unique_ptr<QFile>> maps;
        QList<QByteArray> paths;
        if (!opzioni.dir.isEmpty() && !addDir(server, opzioni.dir, maps, paths)) {
            std::fprintf(stderr, "fake_file_server: cannot read %s\n", qPrintable(opzioni.dir));
            return 1;
        }
        for (const QByteArray& voce : opzioni.generati) {
            if (!addGenerated(server, voce, paths))
                return usage();
        }
        if (opzioni.dropEvery > 0) {
            Guasti drops;
            drops.interrompiDopo = opzioni.dropEvery;
            drops.varia = kDropSeed;
            for (const QByteArray& path : paths)
                server.imposta(path, drops);
        }

        std::fprintf(stderr, "%s\n", qPrintable(server.radice()));
        for (const QByteArray& path : paths)
            std::fprintf(stderr, "  %s\n", qPrintable(server.url(path)));
        std::fflush(stderr);

        const int signal = waitForStop(server, stopSignals, opzioni.restartEveryMs);
        std::fprintf(stderr, "fake_file_server stopping (%s)\n", strsignal(signal));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fake_file_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
