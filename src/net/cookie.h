#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <shared_mutex>
#include <vector>

// Cookies as the program keeps them: the Set-Cookie line form that the host logins are stored
// in, and the store that several HTTP clients share.
namespace tarvolin::net {

struct Cookie {
    QString nome, valore, dominio, percorso;
    bool sicuro = false, soloHttp = false, soloHost = false;
    qint64 maxAge = -1;                // -1: none
    std::optional<QDateTime> scadenza; // UTC
};

// name=value, then "; " before each present attribute, in this order: Path, Domain, Secure,
// HttpOnly, Max-Age, Expires (Netscape form "Wdy, DD-Mon-YYYY HH:MM:SS GMT").
QString RigaSetCookie(const Cookie& cookie);

// One Set-Cookie line as received from `sito`. Without Domain the cookie belongs to the URL's
// host alone; without Path it gets the URL's default path. A Domain that does not cover the
// host is refused, as is a line without "name=" or longer than 64 KiB. A date that cannot be
// read drops only its attribute.
std::optional<Cookie> LeggiSetCookie(const QString& riga, const QUrl& sito);

// Thread-safe: readers share the lock, changes take it alone. Clients hold it only to build a
// Cookie header or to store what a response set, never during a transfer.
class ArchivioCookie {
public:
    // RigaSetCookie of every cookie whose domain contains the text (case-sensitive), in store
    // order.
    QStringList Righe(const QString& parteDominio) const;
    // Removes every cookie whose domain contains the text (case-sensitive).
    void Rimuovi(const QString& parteDominio);
    // Parses and adds, replacing the cookie of the same name, domain and path; false if the line
    // does not parse.
    bool Aggiungi(const QString& riga, const QUrl& sito);
    // Adds many lines at once; lines containing "-10000 " are skipped, lines that do not parse
    // are dropped.
    void AggiungiRighe(const QStringList& righe, const QUrl& sito);

    // The Cookie header value for a request to `url`; empty when no cookie applies.
    QByteArray IntestazioneCookie(const QUrl& url) const;
    // Stores the Set-Cookie values of one response from `url`; an expiry in the past or a
    // Max-Age of zero deletes.
    void Ricevuti(const QList<QByteArray>& setCookie, const QUrl& url);
    qsizetype Conta() const;

private:
    struct Voce {
        Cookie cookie;
        QString chiaveDominio;          // lower case, without a leading dot
        std::optional<QDateTime> scade; // Max-Age counted from when the cookie was stored
    };
    static Voce CreaVoce(Cookie cookie, const QDateTime& adesso);
    void InserisciBloccato(Voce voce);
    void TogliBloccato(const Voce& voce);

    mutable std::shared_mutex blocco_;
    std::vector<Voce> voci_;
};

} // namespace tarvolin::net
