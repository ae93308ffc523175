// Service link frames: building and decoding beside the bare cipher over the same bytes, and
// the receive buffer under a flood and under many small frames in one read.
#include "service/frame.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <memory>

using namespace tarvolin::service;

namespace {

using Contesto = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const unsigned char* U(const QByteArray& b) {
    return reinterpret_cast<const unsigned char*>(b.constData());
}

unsigned char* U(QByteArray& b) {
    return reinterpret_cast<unsigned char*>(b.data());
}

qsizetype LunghezzaFrame(qsizetype testo) {
    return (16 + testo + 15) / 16 * 16;
}

void Conta(benchmark::State& state, qsizetype bytes) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * bytes);
}

// One message out and back: what a send and a receive of it cost.
void BM_FrameCostruisciEDecifra(benchmark::State& state) {
    const QByteArray testo(state.range(0), 'p');
    const QByteArray key = Chiave();
    const QByteArray iv = Iv();
    for (auto _ : state) {
        const QByteArray frame = BuildFrame(testo);
        const QByteArray chiaro = DecryptText(frame, key, iv);
        benchmark::DoNotOptimize(chiaro.constData());
    }
    Conta(state, state.range(0));
}

// The same amount of cipher work with nothing around it, one context per direction per
// message as the frame code does.
void BM_EvpGrezzo(benchmark::State& state) {
    const qsizetype n = LunghezzaFrame(state.range(0));
    const QByteArray chiaro(n, 'p');
    const QByteArray key = Chiave();
    const QByteArray iv = Iv();
    QByteArray cifrato(n, '\0');
    QByteArray ritorno(n, '\0');
    for (auto _ : state) {
        int scritti = 0;
        Contesto enc(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
        EVP_EncryptInit_ex(enc.get(), EVP_aes_256_cbc(), nullptr, U(key), U(iv));
        EVP_CIPHER_CTX_set_padding(enc.get(), 0);
        EVP_EncryptUpdate(enc.get(), U(cifrato), &scritti, U(chiaro), static_cast<int>(n));
        Contesto dec(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
        EVP_DecryptInit_ex(dec.get(), EVP_aes_256_cbc(), nullptr, U(key), U(iv));
        EVP_CIPHER_CTX_set_padding(dec.get(), 0);
        EVP_DecryptUpdate(dec.get(), U(ritorno), &scritti, U(cifrato), static_cast<int>(n));
        benchmark::DoNotOptimize(ritorno.constData());
    }
    Conta(state, state.range(0));
}

// The floor: two contexts set up once, only the IV reset per message, no allocation.
void BM_EvpGrezzoContestiRiusati(benchmark::State& state) {
    const qsizetype n = LunghezzaFrame(state.range(0));
    const QByteArray chiaro(n, 'p');
    const QByteArray key = Chiave();
    const QByteArray iv = Iv();
    QByteArray cifrato(n, '\0');
    QByteArray ritorno(n, '\0');
    Contesto enc(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    Contesto dec(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    EVP_EncryptInit_ex(enc.get(), EVP_aes_256_cbc(), nullptr, U(key), U(iv));
    EVP_DecryptInit_ex(dec.get(), EVP_aes_256_cbc(), nullptr, U(key), U(iv));
    EVP_CIPHER_CTX_set_padding(enc.get(), 0);
    EVP_CIPHER_CTX_set_padding(dec.get(), 0);
    for (auto _ : state) {
        int scritti = 0;
        EVP_EncryptInit_ex(enc.get(), nullptr, nullptr, nullptr, U(iv));
        EVP_EncryptUpdate(enc.get(), U(cifrato), &scritti, U(chiaro), static_cast<int>(n));
        EVP_DecryptInit_ex(dec.get(), nullptr, nullptr, nullptr, U(iv));
        EVP_DecryptUpdate(dec.get(), U(ritorno), &scritti, U(cifrato), static_cast<int>(n));
        benchmark::DoNotOptimize(ritorno.constData());
    }
    Conta(state, state.range(0));
}

// A peer streaming 100 MiB in 64 KiB reads and never a terminator.
void BM_FlussoSenzaTerminatore(benchmark::State& state) {
    constexpr qsizetype kPezzo = 64 * 1024;
    constexpr qsizetype kTotale = 100 * 1024 * 1024;
    const QByteArray pezzo(kPezzo, 'x');
    for (auto _ : state) {
        BufferRicezione buffer;
        for (qsizetype fatto = 0; fatto < kTotale; fatto += kPezzo) {
            buffer.Aggiungi(pezzo);
            benchmark::DoNotOptimize(buffer.ProssimoMessaggio());
        }
    }
    state.SetBytesProcessed(state.iterations() * kTotale);
}

// N small frames arriving in one read, then drained.
void BM_MoltiFrameInUnaLettura(benchmark::State& state) {
    QByteArray flusso;
    for (int i = 0; i < state.range(0); ++i)
        flusso += FrameSulFilo("#0100", QByteArray::number(i));
    for (auto _ : state) {
        BufferRicezione buffer;
        buffer.Aggiungi(flusso);
        int n = 0;
        while (buffer.ProssimoMessaggio())
            ++n;
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_FrameCostruisciEDecifra)->Arg(100)->Arg(64 * 1024);
BENCHMARK(BM_EvpGrezzo)->Arg(100)->Arg(64 * 1024);
BENCHMARK(BM_EvpGrezzoContestiRiusati)->Arg(100)->Arg(64 * 1024);
BENCHMARK(BM_FlussoSenzaTerminatore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoltiFrameInUnaLettura)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
