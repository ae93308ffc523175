// Arbitrary Set-Cookie lines, as a host answer or a corrupt stored login would bring them: the
// parser, the line writer and the store's matching must hold whatever they get.
#include "net/cookie.h"

#include <QByteArray>
#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString riga =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QUrl sito(QStringLiteral("http://www.easybytez.localhost/login.html"));
    if (const auto cookie = tarvolin::net::LeggiSetCookie(riga, sito)) {
        // What is written must read back as the same cookie.
        const QString scritta = tarvolin::net::RigaSetCookie(*cookie);
        const auto riletto = tarvolin::net::LeggiSetCookie(scritta, sito);
        if (!riletto || riletto->nome != cookie->nome || riletto->valore != cookie->valore)
            __builtin_trap();
    }
    tarvolin::net::ArchivioCookie archivio;
    archivio.AggiungiRighe(riga.split('\n'), sito);
    archivio.Ricevuti(
        {QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))}, sito);
    (void)archivio.IntestazioneCookie(sito);
    (void)archivio.Righe(QStringLiteral("easybytez"));
    return 0;
}
