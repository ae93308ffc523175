// fake_file_server [--port N] [--dir DIR] [--generated PATH:SIZE[:SEED]]... [--drop-every N]
//                  [--restart-every-ms N] [--hostile SEED] [--stall-ms N] [--same-name N]
// A local file server for reliability scripts. Its root goes alone on the first line of stderr,
// then one line per file, its URL and, with --hostile, its faults; it runs until SIGINT or
// SIGTERM.
//   --dir DIR             serves the files under DIR, at their paths relative to it
//   --generated P:S[:SD]  a generated file of S bytes (suffix K, M or G) at path P, seed SD
//   --drop-every N        every response's connection is dropped after about N body bytes
//   --restart-every-ms N  the server goes down for a moment every N milliseconds
//   --hostile SEED        each file gets its own mix of faults, drawn from SEED: drops, error
//                         pages, lying 206s, bodies too long, changing ETags, stalls. They hit
//                         only 1 to 3 requests, after 0 to 2 clean ones, so every file can
//                         still be fetched whole; a restart of the process starts them again.
//                         --drop-every then sets where the drops fall instead of the file size
//   --stall-ms N          how long a hostile stall lasts (default 30000)
//   --same-name N         every N files in a row share one Content-Disposition name, the
//                         first one's
#include "support/fake_file_server.h"
#include "support/stop_signals.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <optional>
#include <pthread.h>
#include <random>
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
    std::optional<quint32> hostile;
    int stallMs = 30000;
    int sameName = 1;
};

struct FileServito {
    QByteArray path;
    qint64 size = 0;
};

int usage() {
    std::fprintf(stderr, "usage: fake_file_server [--port N] [--dir DIR] "
                         "[--generated PATH:SIZE[:SEED]]... [--drop-every N] "
                         "[--restart-every-ms N] [--hostile SEED] [--stall-ms N] "
                         "[--same-name N]\n");
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
        } else if (std::strcmp(flag, "--hostile") == 0) {
            opzioni.hostile = value.toUInt(&ok);
        } else if (std::strcmp(flag, "--stall-ms") == 0) {
            opzioni.stallMs = value.toInt(&ok);
            ok = ok && opzioni.stallMs >= 0;
        } else if (std::strcmp(flag, "--same-name") == 0) {
            opzioni.sameName = value.toInt(&ok);
            ok = ok && opzioni.sameName > 0;
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
            QList<FileServito>& files) {
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
        files.append({path, file->size()});
        maps.push_back(std::move(file));
    }
    return true;
}

bool addGenerated(FakeFileServer& server, const QByteArray& voce, QList<FileServito>& files) {
    const QList<QByteArray> parts = voce.split(':');
    const qint64 bytes = parts.size() >= 2 ? byteCount(parts[1]).value_or(-1) : -1;
    bool ok = true;
    const quint32 seed = parts.size() == 3 ? parts[2].toUInt(&ok) : 0;
    if (!ok || bytes < 0 || parts.size() > 3 || parts[0].isEmpty())
        return false;
    const QByteArray path = parts[0].startsWith('/') ? parts[0] : "/" + parts[0];
    server.aggiungiGenerato(path, bytes, seed);
    files.append({path, bytes});
    return true;
}

const QByteArray kPaginaScaduta = "<!DOCTYPE html><html><head><title>Link expired</title></head>"
                                  "<body><h1>This download link has expired</h1></body></html>";

// Drawn per file from the seed and the file's place, so a restarted server deals the same hand.
// Faults a client could not tell from the truth without an earlier clean answer (a lying
// Content-Range) come after at least one clean request.
Guasti ostili(quint32 seed, int indice, qint64 size, qint64 dropEvery, int stallMs,
              QStringList& descrizione) {
    std::mt19937_64 caso((static_cast<quint64>(seed) << 32) ^ static_cast<quint64>(indice));
    const auto tra = [&](qint64 da, qint64 a) {
        return std::uniform_int_distribution<qint64>(da, a)(caso);
    };
    const auto frazione = [&](double da, double a) {
        return static_cast<qint64>(static_cast<double>(size) *
                                   std::uniform_real_distribution<double>(da, a)(caso));
    };
    Guasti g;
    g.volte = static_cast<int>(tra(1, 3));
    g.dopo = static_cast<int>(tra(0, 2));
    g.bloccaMs = stallMs;
    if (tra(0, 9) < 7) {
        g.interrompiDopo = dropEvery > 0 ? dropEvery : std::max<qint64>(frazione(0.15, 0.6), 256);
        g.varia = static_cast<quint32>(caso());
        descrizione << QStringLiteral("drop~%1").arg(g.interrompiDopo);
    }
    for (qint64 n = tra(1, 2); n > 0; --n) {
        switch (tra(0, 7)) {
        case 0:
            g.paginaErrore = kPaginaScaduta;
            descrizione << QStringLiteral("page");
            break;
        case 1:
            g.paginaErrore = kPaginaScaduta;
            g.paginaSoloSuRipresa = true;
            descrizione << QStringLiteral("page-on-resume");
            break;
        case 2:
            g.scartoInizio = std::array<qint64, 3>{1, 512, 65536}[tra(0, 2)];
            g.dopo = std::max(g.dopo, 1);
            descrizione << QStringLiteral("range-start+%1").arg(g.scartoInizio);
            break;
        case 3:
            g.scartoTotale = tra(0, 1) == 0 ? -std::min<qint64>(4096, size / 2 + 1) : 4096;
            g.dopo = std::max(g.dopo, 1);
            descrizione << QStringLiteral("range-total%1%2")
                               .arg(g.scartoTotale > 0 ? "+" : "")
                               .arg(g.scartoTotale);
            break;
        case 4:
            g.byteInPiu = tra(1, 65536);
            descrizione << QStringLiteral("extra+%1").arg(g.byteInPiu);
            break;
        case 5:
            g.etagVariabile = true;
            descrizione << QStringLiteral("etag-varies");
            break;
        case 6:
            g.bloccaPrima = true;
            descrizione << QStringLiteral("stall-before-headers");
            break;
        default:
            g.bloccaDopo = frazione(0.1, 0.9);
            descrizione << QStringLiteral("stall-after-%1").arg(g.bloccaDopo);
            break;
        }
    }
    descrizione.prepend(QStringLiteral("dopo=%1 volte=%2").arg(g.dopo).arg(g.volte));
    return g;
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
        QList<FileServito> files;
        if (!opzioni.dir.isEmpty() && !addDir(server, opzioni.dir, maps, files)) {
            std::fprintf(stderr, "fake_file_server: cannot read %s\n", qPrintable(opzioni.dir));
            return 1;
        }
        for (const QByteArray& voce : opzioni.generati) {
            if (!addGenerated(server, voce, files))
                return usage();
        }

        std::fprintf(stderr, "%s\n", qPrintable(server.radice()));
        QByteArray nome;
        for (int i = 0; i < files.size(); ++i) {
            const FileServito& file = files[i];
            Guasti guasti;
            QStringList descrizione;
            if (opzioni.hostile) {
                guasti = ostili(*opzioni.hostile, i, file.size, opzioni.dropEvery, opzioni.stallMs,
                                descrizione);
            } else if (opzioni.dropEvery > 0) {
                guasti.interrompiDopo = opzioni.dropEvery;
                guasti.varia = kDropSeed;
            }
            if (opzioni.sameName > 1) {
                if (i % opzioni.sameName == 0)
                    nome = file.path.mid(file.path.lastIndexOf('/') + 1);
                guasti.contentDisposition = "attachment; filename=\"" + nome + "\"";
                descrizione << QStringLiteral("name=%1").arg(QString::fromUtf8(nome));
            }
            server.imposta(file.path, guasti);
            std::fprintf(stderr, "  %s%s%s\n", qPrintable(server.url(file.path)),
                         descrizione.isEmpty() ? "" : "  ", qPrintable(descrizione.join(' ')));
        }
        std::fflush(stderr);

        const int signal = waitForStop(server, stopSignals, opzioni.restartEveryMs);
        std::fprintf(stderr, "fake_file_server stopping (%s)\n", strsignal(signal));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fake_file_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
