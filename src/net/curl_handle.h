#pragma once

#include <QByteArray>
#include <QList>

#include <curl/curl.h>

#include <memory>

// Owners of libcurl's handles.
namespace tarvolin::net::curl {

struct ChiudiEasy {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct LiberaLista {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using EasyPtr = std::unique_ptr<CURL, ChiudiEasy>;
using ListaPtr = std::unique_ptr<curl_slist, LiberaLista>;

// A new easy handle, libcurl being initialised first once per process; null on failure.
EasyPtr NuovoEasy();

// The lines as a curl list; throws std::bad_alloc when libcurl is out of memory.
ListaPtr Lista(const QList<QByteArray>& righe);

} // namespace tarvolin::net::curl
