// Arbitrary bytes from the service link, cut into a few reads.
#include "service/frame.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)tarvolin::servizio::DecodificaChunk(input);

    // The first byte says how many reads, the next ones where each ends.
    qsizetype pos = 0;
    const int letture = input.isEmpty() ? 1 : 1 + static_cast<uint8_t>(input[pos++]) % 8;
    tarvolin::servizio::BufferRicezione buffer;
    for (int i = 0; i < letture && pos <= input.size(); ++i) {
        qsizetype fine = input.size();
        if (i + 1 < letture && pos < input.size()) {
            const auto passo = static_cast<uint8_t>(input[pos++]);
            fine = std::min(input.size(), pos + passo * 4);
        }
        buffer.Aggiungi(input.mid(pos, fine - pos));
        pos = fine;
        while (auto messaggio = buffer.ProssimoMessaggio()) {
            // A message never holds more than the bytes that carried it.
            if (messaggio->size() > input.size())
                __builtin_trap();
        }
        if (buffer.Dimensione() < 0 || buffer.Dimensione() > input.size())
            __builtin_trap();
    }
    // Every byte has been seen, so no complete frame may remain.
    if (buffer.ProssimoMessaggio())
        __builtin_trap();

    // The input as a message of our own comes back unchanged, even after the noise. The noise
    // is closed first, with a byte that no terminator holds so that its tail cannot pair up
    // with the one appended.
    buffer.Aggiungi(QByteArray("X") + tarvolin::servizio::kTerminatore);
    while (buffer.ProssimoMessaggio()) {
    }
    buffer.Aggiungi(tarvolin::servizio::FrameSulFilo(input.left(5), input.mid(5)));
    if (buffer.ProssimoMessaggio() != input || buffer.Dimensione() != 0)
        __builtin_trap();
    return 0;
}
