#pragma once

#include <QString>

namespace tarvolin {
namespace queue {
class Database;
}
namespace net {
class ArchivioCookie;
}
} // namespace tarvolin

// Host logins kept between runs: the login cookies of one account, scrambled, in table_token.
namespace tarvolin::host {

inline constexpr const char* kPortale = "easybytez";

// Stores the cookie text of a fresh login. A second account gets a row of its own; storing for an
// account that has one overwrites every row of the portal. A database error leaves the table
// as it was.
void SalvaToken(queue::Database& db, const QString& testoCookie, const QString& portale,
                const QString& email);

// Replaces the host cookies of the store by those stored for this account, as received from
// `sitoUrl`. An account without a stored login drops every host login of the table.
void CaricaToken(queue::Database& db, net::ArchivioCookie& cookie, const QString& portale,
                 const QString& sitoUrl, const QString& email);

} // namespace tarvolin::host
