#pragma once

#include <QByteArray>

// Request header values that the program's clients send as a desktop browser would.
namespace tarvolin::net {

inline const QByteArray kAcceptBrowser =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;q=0.8";
inline const QByteArray kAcceptLanguage = "it-IT,it;q=0.9,en-US;q=0.8,en;q=0.7";
inline const QByteArray kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/63.0.3239.132 Safari/537.36";

} // namespace tarvolin::net
