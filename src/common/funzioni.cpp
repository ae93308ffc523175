#include "funzioni.h"

#include "ansi.h"

#include <QFileInfo>

#include <string_view>

namespace tarvolin {

QString QuotaSQL(const QString& text) {
    QString out = text;
    out.replace(u'"', QLatin1String("\"\""));
    return out;
}

QString XorHexEncode(const QString& text, const QString& key) {
    const QByteArray in = ToAnsi(text);
    const QByteArray k = ToAnsi(key);
    QByteArray out;
    out.reserve(in.size() * 2);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (qsizetype i = 0; i < in.size(); ++i) {
        auto b = static_cast<unsigned char>(in[i]);
        if (!k.isEmpty())
            b ^= static_cast<unsigned char>(k[i % k.size()]);
        out.append(kDigits[b >> 4]);
        out.append(kDigits[b & 0x0F]);
    }
    return QString::fromLatin1(out);
}

int ValoreEsadecimale(char16_t u) {
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QString XorHexDecode(const QString& text, const QString& key) {
    const QByteArray k = ToAnsi(key);
    QByteArray out;
    qsizetype keyPos = 0;
    for (qsizetype i = 0; i < text.size(); i += 2) {
        int value = 0;
        const qsizetype end = std::min(i + 2, text.size());
        for (qsizetype j = i; j < end; ++j) {
            const int digit = ValoreEsadecimale(text.at(j).unicode());
            if (digit < 0)
                return FromAnsi(out);
            value = value * 16 + digit;
        }
        if (!k.isEmpty()) {
            value ^= static_cast<unsigned char>(k[keyPos]);
            keyPos = (keyPos + 1) % k.size();
        }
        out.append(static_cast<char>(value));
    }
    return FromAnsi(out);
}

QString SottocartellaFile(const QString& nomeFile) {
    QString nome = QFileInfo(nomeFile).fileName();
    const qsizetype punto = nome.lastIndexOf(u'.');
    if (punto >= 0)
        nome.truncate(punto);
    if (nome.right(13).toLower().contains(QLatin1String(".part")))
        nome.truncate(nome.indexOf(QLatin1String(".part"), 0, Qt::CaseInsensitive));
    return nome + u'/';
}

QString FormatoDurata(qint64 secondi) {
    secondi = std::max<qint64>(0, secondi) % 31536000;
    const qint64 settimane = secondi / 604800;
    secondi %= 604800;
    const qint64 giorni = secondi / 86400;
    secondi %= 86400;
    QString testo;
    if (settimane > 0)
        testo += QString::number(settimane) + QStringLiteral("s ");
    if (giorni > 0)
        testo += QString::number(giorni) + QStringLiteral("g ");
    auto due = [](qint64 n) { return QString::number(n).rightJustified(2, u'0'); };
    return testo + due(secondi / 3600) + u'.' + due(secondi % 3600 / 60) + u'.' + due(secondi % 60);
}

QString ConSeparatore(const QString& folder) {
    if (folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

namespace {

template <typename Testo> Testo estrai(const Testo& testo, const Testo& inizio, const Testo& fine) {
    const qsizetype da = testo.indexOf(inizio);
    if (da < 0)
        return {};
    const Testo resto = testo.mid(da + inizio.size());
    const qsizetype a = resto.indexOf(fine);
    return a < 0 ? resto : resto.left(a);
}

} // namespace

QString EstraiTesto(const QString& testo, const QString& inizio, const QString& fine) {
    return estrai(testo, inizio, fine);
}

QByteArray EstraiTesto(const QByteArray& testo, const QByteArray& inizio, const QByteArray& fine) {
    return estrai(testo, inizio, fine);
}

QString CodificaPercentuale(const QString& testo, bool codificaPiu) {
    static constexpr std::string_view kDaCodificare = "*<>#%\"{}|\\^[]`";
    static constexpr char kHex[] = "0123456789ABCDEF";
    // The UTF-8 bytes, so a character outside the BMP is encoded whole, not as two halves.
    const QByteArray utf8 = testo.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte <= 32 || byte >= 128 || kDaCodificare.find(ch) != std::string_view::npos ||
            (codificaPiu && ch == '+'))
            out.append('%').append(kHex[byte >> 4]).append(kHex[byte & 15]);
        else
            out.append(ch);
    }
    return QString::fromLatin1(out);
}

} // namespace tarvolin
