#pragma once

#include <QByteArray>

// Header values of the outside services' requests, written as those services expect them.
namespace tarvolin::sources {

inline const QByteArray kUserAgentServizi =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/92.0.4515.159 Safari/537.36";

} // namespace tarvolin::sources
