#pragma once

#include "net/client.h"

#include <QByteArray>

// Request header values that the program's clients send as a desktop browser would.
namespace tarvolin::net {

inline const QByteArray kAcceptBrowser =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;q=0.8";
inline const QByteArray kAcceptLanguage = "it-IT,it;q=0.9,en-US;q=0.8,en;q=0.7";
inline const QByteArray kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/63.0.3239.132 Safari/537.36";
inline const QByteArray kUserAgentChrome92 =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/92.0.4515.159 Safari/537.36";

// The maker's web site and its small files: cookies kept in `cookie`, bodies as received.
inline Profilo ProfiloSitoProduttore(ArchivioCookie* cookie) {
    Profilo profilo;
    profilo.intestazioni = {{"Accept", kAcceptBrowser},
                            {"Accept-Encoding", "gzip, deflate"},
                            {"Accept-Language", kAcceptLanguage},
                            {"User-Agent", kUserAgent}};
    profilo.cookie = cookie;
    return profilo;
}

} // namespace tarvolin::net
