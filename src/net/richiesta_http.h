#pragma once

#include "net/client.h"

#include <QByteArray>
#include <QList>

// What one request puts on the wire besides the request line and Host.
namespace tarvolin::net::dettaglio {

// "name=value&…" in field order, each part percent-encoded.
QByteArray CodificaModulo(const QList<QPair<QString, QString>>& campi);

// The header lines of one request in curl's list form: the profile's, Range, the request's own,
// Cookie, and the empty entries that keep curl's own defaults off the wire.
QList<QByteArray> RigheIntestazione(const Profilo& profilo, bool post, const Richiesta& richiesta,
                                    const QByteArray& cookie);

bool StessoNome(const QByteArray& a, const char* b);

} // namespace tarvolin::net::dettaglio
