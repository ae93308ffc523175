#include "net/curl_handle.h"

#include <new>

namespace tarvolin::net::curl {

EasyPtr NuovoEasy() {
    static const bool pronto = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!pronto)
        return nullptr;
    return EasyPtr(curl_easy_init());
}

ListaPtr Lista(const QList<QByteArray>& righe) {
    ListaPtr lista;
    for (const QByteArray& riga : righe) {
        curl_slist* testa = curl_slist_append(lista.get(), riga.constData());
        if (!testa)
            throw std::bad_alloc();
        (void)lista.release();
        lista.reset(testa);
    }
    return lista;
}

} // namespace tarvolin::net::curl
