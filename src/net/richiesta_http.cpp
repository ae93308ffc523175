#include "net/richiesta_http.h"

#include <QUrl>

namespace tarvolin::net::dettaglio {

namespace {

const QByteArray kTipoModulo = "Content-Type: application/x-www-form-urlencoded";

// curl drops a header written "Name:" and sends "Name;" as a header with an empty value.
QByteArray Riga(const QByteArray& nome, const QByteArray& valore) {
    if (valore.isEmpty())
        return nome + ';';
    return nome + ": " + valore;
}

bool Presente(const Profilo& profilo, const char* nome) {
    for (const auto& intestazione : profilo.intestazioni) {
        if (StessoNome(intestazione.first, nome))
            return true;
    }
    return false;
}

} // namespace

bool StessoNome(const QByteArray& a, const char* b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray CodificaModulo(const QList<QPair<QString, QString>>& campi) {
    QByteArray modulo;
    for (const auto& [nome, valore] : campi) {
        if (!modulo.isEmpty())
            modulo += '&';
        modulo += QUrl::toPercentEncoding(nome) + '=' + QUrl::toPercentEncoding(valore);
    }
    return modulo;
}

QList<QByteArray> RigheIntestazione(const Profilo& profilo, bool post, const Richiesta& richiesta,
                                    const QByteArray& cookie) {
    QList<QByteArray> righe;
    bool tipoScritto = false;
    for (const auto& [nome, valore] : profilo.intestazioni) {
        if (post && StessoNome(nome, "Content-Type")) {
            if (!tipoScritto)
                righe.append(kTipoModulo);
            tipoScritto = true;
        } else {
            righe.append(Riga(nome, valore));
        }
    }
    if (post && !tipoScritto)
        righe.append(kTipoModulo);
    if (richiesta.range)
        righe.append("Range: " + *richiesta.range);
    for (const auto& [nome, valore] : richiesta.intestazioni)
        righe.append(Riga(nome, valore));
    if (!cookie.isEmpty())
        righe.append("Cookie: " + cookie);
    if (!Presente(profilo, "Accept"))
        righe.append("Accept:");
    if (!Presente(profilo, "Expect"))
        righe.append("Expect:");
    return righe;
}

} // namespace tarvolin::net::dettaglio
