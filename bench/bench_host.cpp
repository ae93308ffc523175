// Host link resolution against the local copy of the host's site: a resolution with a live
// login, one that logs in first (the 1000 ms settling wait taken out), and eight at once
// sharing one cookie store.
#include "common/clock.h"
#include "host/easybytez.h"
#include "net/cookie.h"
#include "support/fake_host_site.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <thread>
#include <vector>

using namespace tarvolin;
using tarvolin::test::FakeHostSite;
using tarvolin::test::FileOspitato;

namespace {

struct Sito {
    Sito() { host.addFile(FileOspitato::generated("abc123", "Film part.rar", 1000)); }
    FakeHostSite host;
};

Sito& sito() {
    static Sito s;
    return s;
}

QString risolvi(net::ArchivioCookie& cookie) {
    const host::AccessoHost accesso{sito().host.radice(), &cookie, {}, {}};
    QString testo;
    return host::GeneraLinkDiretto(accesso, sito().host.link("abc123"), {}, FakeHostSite::kEmail,
                                   FakeHostSite::kPassword, testo)
        .risultato;
}

double p95(const std::vector<double>& v) {
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s[static_cast<size_t>(0.95 * static_cast<double>(s.size() - 1))];
}

void ConLoginGiaFatto(benchmark::State& state) {
    net::ArchivioCookie cookie;
    risolvi(cookie);
    for (auto _ : state)
        benchmark::DoNotOptimize(risolvi(cookie));
}

void ConLogin(benchmark::State& state) {
    clock::ScopedSpeedUp senzaAttesa(1000000); // the settling wait becomes 0 ms
    for (auto _ : state) {
        net::ArchivioCookie cookie;
        benchmark::DoNotOptimize(risolvi(cookie));
    }
}

void OttoInsieme(benchmark::State& state) {
    net::ArchivioCookie cookie;
    risolvi(cookie);
    for (auto _ : state) {
        std::vector<std::thread> thread;
        for (int i = 0; i < 8; ++i)
            thread.emplace_back([&] { benchmark::DoNotOptimize(risolvi(cookie)); });
        for (auto& t : thread)
            t.join();
    }
}

} // namespace

BENCHMARK(ConLoginGiaFatto)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(200)
    ->Iterations(1)
    ->ComputeStatistics("p95", p95)
    ->ReportAggregatesOnly(true);
BENCHMARK(ConLogin)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(200)
    ->Iterations(1)
    ->ComputeStatistics("p95", p95)
    ->ReportAggregatesOnly(true);
BENCHMARK(OttoInsieme)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(50)
    ->Iterations(1)
    ->ComputeStatistics("p95", p95)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
