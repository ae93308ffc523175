#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace tarvolin::net {
class ArchivioCookie;
}

// Turning a host file page into a direct file URL, logging in with the host account when the
// page asks for it.
namespace tarvolin::host {

inline constexpr const char* kLoginError = "LOGINERROR";
inline constexpr const char* kNotAvailable = "NOTAVAILABLE";
inline constexpr const char* kDownloadLimit = "DOWNLOADLIMIT";
inline constexpr const char* kPassError = "PASSERROR";

// What a resolution uses of the program: the host site of the login, the shared cookie store,
// and the service link for the usage reports.
struct AccessoHost {
    QString sitoBase;
    net::ArchivioCookie* cookie = nullptr;
    std::function<void(const QString& codice, const QString& payload)> senddata;
    std::function<bool()> annulla; // true: the thread is ending, pending requests are cut
};

struct EsitoLink {
    QString risultato;    // the direct URL, empty, or one of the four keywords
    bool loggato = false; // the login form was posted in this call
};

// Blocking; any thread. After a login, the host cookies are appended to `testoCookie` in
// Set-Cookie form, one per CR LF line. Never throws: every failure ends in a result.
EsitoLink GeneraLinkDiretto(const AccessoHost& accesso, const QString& link,
                            const QString& passwordDownload, const QString& email,
                            const QString& password, QString& testoCookie);

// The href of the download answer made fit for a request: UTF-8 decoded, then percent-encoded
// component by component (user information and fragment dropped), with the host's U+A789
// written as "%EA%9E%89".
QString CodificaLinkDiretto(QByteArray href);

} // namespace tarvolin::host
