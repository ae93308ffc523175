#include "net/cookie.h"

#include "net/dominio.h"

#include <curl/curl.h>

namespace tarvolin::net {

namespace {

constexpr qsizetype kLunghezzaMassimaRiga = 64 * 1024;

// English names whatever the locale: the date is read back by HTTP date parsers.
QString DataNetscape(const QDateTime& quando) {
    static constexpr const char* kGiorni[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static constexpr const char* kMesi[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime utc = quando.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QStringLiteral("%1, %2-%3-%4 %5:%6:%7 GMT")
        .arg(QLatin1String(kGiorni[d.dayOfWeek() - 1]))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMesi[d.month() - 1]))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'));
}

std::optional<QDateTime> LeggiData(const QString& testo) {
    const time_t secondi = curl_getdate(testo.toLatin1().constData(), nullptr);
    if (secondi == -1)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(secondi, Qt::UTC);
}

std::optional<qint64> LeggiMaxAge(const QString& testo) {
    if (testo.isEmpty() || (!testo.front().isDigit() && testo.front() != QLatin1Char('-')))
        return std::nullopt;
    bool ok = false;
    const qint64 n = testo.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n < 0 ? 0 : n; // a negative age expires at once
}

bool Uguale(QStringView a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

void LeggiAttributo(QStringView attributo, Cookie& c) {
    const qsizetype uguale = attributo.indexOf(QLatin1Char('='));
    const QStringView nome = (uguale < 0 ? attributo : attributo.left(uguale)).trimmed();
    const QString valore = uguale < 0 ? QString() : attributo.mid(uguale + 1).trimmed().toString();
    if (Uguale(nome, "expires")) {
        if (auto data = LeggiData(valore))
            c.scadenza = data;
    } else if (Uguale(nome, "max-age")) {
        if (auto eta = LeggiMaxAge(valore))
            c.maxAge = *eta;
    } else if (Uguale(nome, "domain")) {
        if (!dominio::Canonico(valore).isEmpty())
            c.dominio = valore;
    } else if (Uguale(nome, "path")) {
        if (valore.startsWith(QLatin1Char('/')))
            c.percorso = valore;
    } else if (Uguale(nome, "secure")) {
        c.sicuro = true;
    } else if (Uguale(nome, "httponly")) {
        c.soloHttp = true;
    }
}

// A Domain must cover the host, and a bare top-level name is accepted only as the host itself.
bool DominioAmmesso(const QString& host, const QString& dominio) {
    const QString canonico = dominio::Canonico(dominio);
    if (!canonico.contains(QLatin1Char('.')) && canonico != host)
        return false;
    return dominio::Corrisponde(host, canonico);
}

} // namespace

QString RigaSetCookie(const Cookie& c) {
    QString riga = c.nome + QLatin1Char('=') + c.valore;
    if (!c.percorso.isEmpty())
        riga += QStringLiteral("; Path=") + c.percorso;
    if (!c.dominio.isEmpty())
        riga += QStringLiteral("; Domain=") + c.dominio;
    if (c.sicuro)
        riga += QStringLiteral("; Secure");
    if (c.soloHttp)
        riga += QStringLiteral("; HttpOnly");
    if (c.maxAge >= 0)
        riga += QStringLiteral("; Max-Age=") + QString::number(c.maxAge);
    if (c.scadenza)
        riga += QStringLiteral("; Expires=") + DataNetscape(*c.scadenza);
    return riga;
}

std::optional<Cookie> LeggiSetCookie(const QString& riga, const QUrl& sito) {
    if (riga.size() > kLunghezzaMassimaRiga)
        return std::nullopt;
    // A line break would let a stored value add headers of its own to a request.
    for (QChar c : riga) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0)
            return std::nullopt;
    }
    const QList<QStringView> parti = QStringView(riga).split(QLatin1Char(';'));
    const qsizetype uguale = parti.front().indexOf(QLatin1Char('='));
    if (uguale < 0)
        return std::nullopt;
    Cookie c;
    c.nome = parti.front().left(uguale).trimmed().toString();
    if (c.nome.isEmpty())
        return std::nullopt;
    c.valore = parti.front().mid(uguale + 1).trimmed().toString();
    for (qsizetype i = 1; i < parti.size(); ++i)
        LeggiAttributo(parti.at(i), c);

    const QString host = sito.host().toLower();
    if (c.dominio.isEmpty()) {
        if (host.isEmpty())
            return std::nullopt;
        c.dominio = host;
        c.soloHost = true;
    } else if (!DominioAmmesso(host, c.dominio)) {
        return std::nullopt;
    }
    if (c.percorso.isEmpty())
        c.percorso = dominio::PercorsoPredefinito(sito.path(QUrl::FullyEncoded));
    return c;
}

} // namespace tarvolin::net
