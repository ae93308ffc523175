#include "net/client.h"

namespace tarvolin::net {

QByteArray Risposta::Intestazione(const QByteArray& nome) const {
    for (const auto& [n, valore] : intestazioni) {
        if (n.compare(nome, Qt::CaseInsensitive) == 0)
            return valore;
    }
    return {};
}

qint64 Risposta::ContentLength() const {
    const QByteArray valore = Intestazione("Content-Length").trimmed();
    bool valido = false;
    const qint64 n = valore.toLongLong(&valido);
    return valido && n >= 0 && !valore.startsWith('+') ? n : -1;
}

} // namespace tarvolin::net
