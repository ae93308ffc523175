#pragma once

#include <QString>

// Which requests a cookie goes with: host and path matching of stored cookies.
namespace tarvolin::net::dominio {

// A Domain attribute as compared: lower case, without a leading dot.
QString Canonico(const QString& dominio);

// True when `host` is `dominio` or a name under it (never for an IP address).
bool Corrisponde(const QString& host, const QString& dominio);

// True when a request for `percorso` may carry a cookie of `percorsoCookie`.
bool PercorsoCorrisponde(const QString& percorso, const QString& percorsoCookie);

// The path a cookie gets when its line names none: the request path up to its last "/".
QString PercorsoPredefinito(const QString& percorsoUrl);

} // namespace tarvolin::net::dominio
