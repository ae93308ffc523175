// fake_host [--port N] [--maker-port N]
// Local stand-ins for the file host's site and the maker's site, for demos: every request is
// logged on stdout as "<site> <method> <target>", until SIGINT or SIGTERM.
#include "support/fake_host_site.h"
#include "support/fake_maker_site.h"
#include "support/stop_signals.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <pthread.h>

namespace {

using tarvolin::test::FakeHostSite;
using tarvolin::test::FakeMakerSite;
using tarvolin::test::FileOspitato;
using tarvolin::test::FilePage;
using tarvolin::test::RichiestaRicevuta;

constexpr quint16 kDefaultPort = 18080;
constexpr quint16 kDefaultMakerPort = 18081;

int usage() {
    std::fprintf(stderr, "usage: fake_host [--port N] [--maker-port N]\n");
    return 2;
}

bool readPort(const char* text, quint16& port) {
    bool ok = false;
    const uint value = QByteArray(text).toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    port = static_cast<quint16>(value);
    return true;
}

void addDemoFiles(FakeHostSite& site) {
    FileOspitato text;
    text.id = "demotext0001";
    text.name = "Tarvolin demo.txt";
    text.content = "A small file from the local host site.\n";
    site.addFile(text);

    // U+A789 stands in for ':' in the host's file names.
    site.addFile(FileOspitato::generated("democolon001", "Report\xEA\x9E\x89 part 1.bin", 5 << 20));

    FileOspitato locked = FileOspitato::generated("demolocked01", "Locked file.bin", 1 << 20);
    locked.downloadPassword = "secret";
    site.addFile(locked);

    site.addFile(FileOspitato::generated("demobig00001", "Big file.bin", 1LL << 30));

    FileOspitato gone = FileOspitato::generated("demogone0001", "Gone.bin", 1);
    gone.page = FilePage::NotAvailable;
    site.addFile(gone);
}

void printRequest(std::mutex& printing, const char* site, const RichiestaRicevuta& request) {
    std::lock_guard lock(printing);
    const QByteArray range = request.header("Range");
    std::printf("%s %s %s%s%s\n", site, request.method.constData(), request.target.constData(),
                range.isEmpty() ? "" : " Range: ", range.constData());
    std::fflush(stdout);
}

} // namespace

using tarvolin::test::BlockStopSignals;

int main(int argc, char** argv) {
    quint16 port = kDefaultPort;
    quint16 makerPort = kDefaultMakerPort;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--port") == 0 && hasValue) {
            if (!readPort(argv[++i], port))
                return usage();
        } else if (std::strcmp(argv[i], "--maker-port") == 0 && hasValue) {
            if (!readPort(argv[++i], makerPort))
                return usage();
        } else {
            return usage();
        }
    }

    const sigset_t stopSignals = BlockStopSignals();

    try {
        FakeHostSite host(port);
        FakeMakerSite maker(makerPort);
        addDemoFiles(host);
        std::mutex printing;
        host.onRequest([&](const RichiestaRicevuta& r) { printRequest(printing, "host", r); });
        maker.onRequest([&](const RichiestaRicevuta& r) { printRequest(printing, "maker", r); });

        std::fprintf(stderr, "fake_host: host site on %s, maker site on %s\n",
                     qPrintable(host.radice()), qPrintable(maker.radice()));
        std::fprintf(stderr, "account: %s / %s\nfiles:\n", FakeHostSite::kEmail,
                     FakeHostSite::kPassword);
        for (const char* id :
             {"demotext0001", "democolon001", "demolocked01", "demobig00001", "demogone0001"}) {
            const auto file = host.file(id);
            std::fprintf(stderr, "  %s  %s%s\n", qPrintable(host.link(id)), file->name.constData(),
                         file->downloadPassword.isEmpty() ? "" : "  (download password: secret)");
        }

        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(stderr, "fake_host stopping (%s)\n", strsignal(signal));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fake_host: %s\n", e.what());
        return 1;
    }
    return 0;
}
