#pragma once

#include "net/client.h"

#include <QUrl>

#include <curl/curl.h>

// One request and its response on the client's easy handle; the client loops over these to
// follow redirects itself.
namespace tarvolin::net::dettaglio {

struct Passo {
    CURL* easy;
    char* erroreCurl; // the handle's error buffer
    const Profilo& profilo;
    const Richiesta& richiesta;
    QUrl url;
    bool post;
    const QByteArray& modulo;
};

struct EsitoPasso {
    bool redirect = false; // else `risposta` is final, successful or not
    QUrl verso;            // the next URL when redirect
};

EsitoPasso EseguiPasso(const Passo& passo, Risposta& risposta);

} // namespace tarvolin::net::dettaglio
