#include "nomefile.h"

#include <QRegularExpression>
#include <QUrl>

namespace tarvolin::motore {

namespace {

QString filenameDi(const QByteArray& contentDisposition) {
    static const QRegularExpression parametro(
        QStringLiteral("(?:^|;)\\s*filename\\s*=\\s*(\"([^\"]*)\"|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = parametro.match(QString::fromUtf8(contentDisposition));
    if (!m.hasMatch())
        return {};
    return m.capturedLength(2) > 0 || m.captured(1).startsWith('"') ? m.captured(2)
                                                                    : m.captured(1).trimmed();
}

} // namespace

QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore) {
    QString nome = filenameDi(contentDisposition);
    if (nome.isEmpty() || (!marcatoreProduttore.isEmpty() && nome.contains(marcatoreProduttore)))
        nome = urlFinale.mid(urlFinale.lastIndexOf('/') + 1).left(1000);
    nome = nome.left(nome.indexOf('?'));
    return QUrl::fromPercentEncoding(nome.toUtf8());
}

QString NomeSicuro(QString nome) {
    nome.replace('?', '_');
    for (QChar& c : nome) {
        if (c == '/' || c == '\\' || c.unicode() < 32 || c.unicode() == 127)
            c = '_';
    }
    nome.replace(QLatin1String(".."), QLatin1String("_"));
    if (nome.trimmed().isEmpty() || nome == QLatin1String("."))
        return QStringLiteral("download");
    return nome;
}

} // namespace tarvolin::motore
