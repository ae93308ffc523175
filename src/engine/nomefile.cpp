#include "nomefile.h"

#include <QRegularExpression>
#include <QUrl>

namespace tarvolin::engine {

namespace {

// An extension longer than this is part of the name: cutting it is better than keeping no name.
constexpr qsizetype kMassimaEstensione = 32;

QString filenameDi(const QByteArray& contentDisposition) {
    static const QRegularExpression parametro(
        QStringLiteral("(?:^|;)\\s*filename\\s*=\\s*(\"([^\"]*)\"|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = parametro.match(QString::fromUtf8(contentDisposition));
    if (!m.hasMatch())
        return {};
    return m.capturedLength(2) > 0 || m.captured(1).startsWith(u'"') ? m.captured(2)
                                                                     : m.captured(1).trimmed();
}

bool daSostituire(char32_t c) {
    return c == '/' || c == '\\' || c < 0x20 || (c >= 0x7F && c <= 0x9F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Where the extension begins; the name's length when it has none worth keeping.
qsizetype inizioEstensione(const QString& nome) {
    const qsizetype punto = nome.lastIndexOf(u'.');
    if (punto <= 0 || nome.size() - punto > kMassimaEstensione)
        return nome.size();
    return punto;
}

// The longest start of `testo` that fits `byte` bytes of UTF-8, without splitting a character.
QString inizioCheEntra(const QString& testo, qsizetype byte) {
    QString out;
    qsizetype usati = 0;
    for (const char32_t c : testo.toUcs4()) {
        const qsizetype n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (usati + n > byte)
            break;
        usati += n;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

} // namespace

QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore) {
    QString nome = filenameDi(contentDisposition);
    if (nome.isEmpty() || (!marcatoreProduttore.isEmpty() && nome.contains(marcatoreProduttore)))
        nome = urlFinale.mid(urlFinale.lastIndexOf(u'/') + 1).left(1000);
    nome = nome.left(nome.indexOf(u'?'));
    return QUrl::fromPercentEncoding(nome.toUtf8());
}

QString NomeSicuro(QString nome) {
    nome.replace(u'?', u'_');
    QString sicuro;
    for (const char32_t c : nome.toUcs4())
        sicuro += daSostituire(c) ? QStringLiteral("_") : QString::fromUcs4(&c, 1);
    if (sicuro.trimmed().isEmpty() || sicuro == QLatin1String(".") || sicuro == QLatin1String(".."))
        return QStringLiteral("download");
    return Accorcia(sicuro);
}

QString Accorcia(const QString& nome, int massimoByte) {
    if (nome.toUtf8().size() <= massimoByte)
        return nome;
    const qsizetype punto = inizioEstensione(nome);
    const QString estensione = nome.mid(punto);
    const qsizetype spazio = massimoByte - estensione.toUtf8().size();
    if (spazio <= 0)
        return inizioCheEntra(nome, massimoByte);
    return inizioCheEntra(nome.left(punto), spazio) + estensione;
}

QString NomeAlternativo(const QString& nome, int n) {
    if (n <= 1)
        return nome;
    const qsizetype punto = inizioEstensione(nome);
    const QString numero = QStringLiteral(" (%1)").arg(n);
    const QString estensione = numero + nome.mid(punto);
    const qsizetype spazio = kMassimoNome - estensione.toUtf8().size();
    return inizioCheEntra(nome.left(punto), spazio) + estensione;
}

QString NomeConSuffisso(const QString& nome, const QString& suffisso) {
    return inizioCheEntra(nome, kMassimoNome - suffisso.toUtf8().size()) + suffisso;
}

} // namespace tarvolin::engine
