// Arbitrary hosting lists and links: the first line of the input is the link, the rest the
// list as the maker's site would send it.
#include "host/hosting.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype fine = bytes.indexOf('\n');
    const QString link = QString::fromUtf8(fine < 0 ? bytes : bytes.left(fine));
    const QStringList lista =
        tarvolin::host::RigheHosting(fine < 0 ? QByteArray() : bytes.mid(fine + 1));
    const bool conosciuto = tarvolin::host::HostConosciuto(lista, link);
    // An empty list knows nothing.
    if (lista.isEmpty() && conosciuto)
        __builtin_trap();
    return 0;
}
