#include "nomefile.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace tarvolin::engine {

namespace {

// An extension longer than this is part of the name: cutting it is better than keeping no name.
constexpr qsizetype kMassimaEstensione = 32;

const QString kSicuro = QStringLiteral("download");

bool esadecimale(QChar h) {
    const char16_t u = h.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

// "%XX" decoded where XX is hexadecimal, anything else kept as it is ("50%.html").
QByteArray decodificaPercento(const QString& testo) {
    QByteArray byte;
    const QByteArray utf8 = testo.toUtf8();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '%' && i + 2 < utf8.size() && esadecimale(QLatin1Char(utf8[i + 1])) &&
            esadecimale(QLatin1Char(utf8[i + 2]))) {
            byte += static_cast<char>(utf8.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            byte += utf8[i];
        }
    }
    return byte;
}

// Header bytes as a browser reads them: UTF-8 when they are, else ISO-8859-1.
QString testoIntestazione(const QByteArray& valore) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = utf8(valore);
    return utf8.hasError() ? QString::fromLatin1(valore) : testo;
}

struct Parametro {
    QString nome; // lower case
    QString valore;
    bool citato = false;
};

// From `i` on: a quoted string with its escapes undone, else a token up to the next ";".
QString leggiValore(const QString& t, qsizetype& i, bool& citato) {
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t'))
        ++i;
    QString valore;
    citato = i < t.size() && t[i] == u'"';
    if (!citato) {
        while (i < t.size() && t[i] != u';')
            valore += t[i++];
        return valore.trimmed();
    }
    for (++i; i < t.size() && t[i] != u'"'; ++i) {
        if (t[i] == u'\\' && i + 1 < t.size())
            ++i;
        valore += t[i];
    }
    while (i < t.size() && t[i] != u';') // past the closing quote, to the next parameter
        ++i;
    return valore;
}

// The parameters after the disposition type; only the first of each name counts.
QList<Parametro> parametri(const QString& t) {
    QList<Parametro> lista;
    qsizetype i = 0;
    while (i < t.size()) {
        qsizetype fine = i;
        while (fine < t.size() && t[fine] != u';' && t[fine] != u'=')
            ++fine;
        const QString nome = t.mid(i, fine - i).trimmed().toLower();
        i = fine;
        if (i < t.size() && t[i] == u'=') {
            ++i;
            Parametro p{nome, {}, false};
            p.valore = leggiValore(t, i, p.citato);
            const bool gia = std::any_of(lista.cbegin(), lista.cend(),
                                         [&](const Parametro& q) { return q.nome == nome; });
            if (!gia)
                lista << p;
        }
        if (i < t.size() && t[i] == u';')
            ++i;
    }
    return lista;
}

// "charset'language'percent-encoded", in UTF-8 or ISO-8859-1; nullopt when malformed.
std::optional<QString> valoreEsteso(const QString& valore) {
    const qsizetype primo = valore.indexOf(u'\'');
    const qsizetype secondo = primo < 0 ? -1 : valore.indexOf(u'\'', primo + 1);
    if (secondo < 0)
        return std::nullopt;
    const QString charset = valore.left(primo).toLower();
    const QString codificato = valore.mid(secondo + 1);
    QByteArray byte;
    for (qsizetype i = 0; i < codificato.size(); ++i) {
        const QChar c = codificato[i];
        if (c != u'%') {
            if (c.unicode() > 0x7E || c.unicode() <= 0x20)
                return std::nullopt;
            byte += static_cast<char>(c.unicode());
            continue;
        }
        if (i + 2 >= codificato.size() || !esadecimale(codificato[i + 1]) ||
            !esadecimale(codificato[i + 2]))
            return std::nullopt;
        const int v = codificato.mid(i + 1, 2).toInt(nullptr, 16);
        byte += static_cast<char>(v);
        i += 2;
    }
    if (charset == QLatin1String("iso-8859-1"))
        return QString::fromLatin1(byte);
    if (charset != QLatin1String("utf-8"))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = utf8(byte);
    return utf8.hasError() ? std::nullopt : std::optional(testo);
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

// Folders are named after the text before a name's last "." and before its first ".part": when
// that text is empty or dots, the folder would be the completed folder itself or its parent.
QString stemSicuro(const QString& nome) {
    qsizetype punti = 0;
    while (punti < nome.size() && nome[punti] == u'.')
        ++punti;
    if (punti == 0)
        return nome;
    qsizetype fine = -1;
    for (const qsizetype taglio :
         {nome.lastIndexOf(u'.'), nome.indexOf(QLatin1String(".part"), 0, Qt::CaseInsensitive)}) {
        if (taglio >= 0 && taglio < punti)
            fine = std::max(fine, taglio);
    }
    return fine < 0 ? nome : kSicuro + nome.mid(fine);
}

// The program's own files in the temporary folder end so, or are named so.
bool comeFileProprio(const QString& nome) {
    static const QRegularExpression proprio(
        QStringLiteral("(\\.trvltmp|\\.trvlval|\\.trvlcopia)$|^FakeStream\\d+\\.tmp$"),
        QRegularExpression::CaseInsensitiveOption);
    return proprio.match(nome).hasMatch();
}

} // namespace

QString NomeDaDisposizione(const QByteArray& contentDisposition, bool* esteso) {
    if (esteso != nullptr)
        *esteso = false;
    const QString testo = testoIntestazione(contentDisposition);
    // A value that begins with a parameter has no type; a browser still takes its name.
    const qsizetype puntoVirgola = testo.indexOf(u';');
    const qsizetype uguale = testo.indexOf(u'=');
    const bool senzaTipo = uguale >= 0 && (puntoVirgola < 0 || uguale < puntoVirgola);
    const QList<Parametro> lista = parametri(senzaTipo ? testo : testo.mid(puntoVirgola + 1));
    if (!senzaTipo && puntoVirgola < 0)
        return {};
    QString semplice;
    for (const Parametro& p : lista) {
        if (p.nome == QLatin1String("filename*") && !p.citato) {
            if (const std::optional<QString> nome = valoreEsteso(p.valore);
                nome && !nome->isEmpty()) {
                if (esteso != nullptr)
                    *esteso = true;
                return *nome;
            }
        } else if (p.nome == QLatin1String("filename")) {
            semplice = p.valore;
        }
    }
    return semplice;
}

QString NomeDaRisposta(const QByteArray& contentDisposition, const QString& urlFinale,
                       const QString& marcatoreProduttore) {
    bool esteso = false;
    QString nome = NomeDaDisposizione(contentDisposition, &esteso);
    if (nome.isEmpty() || (!marcatoreProduttore.isEmpty() && nome.contains(marcatoreProduttore))) {
        nome = urlFinale.mid(urlFinale.lastIndexOf(u'/') + 1).left(1000);
        esteso = false;
    }
    if (esteso)
        return nome; // decoded: a "?" in it is the name's own, not a query
    nome = nome.left(nome.indexOf(u'?'));
    return testoIntestazione(decodificaPercento(nome));
}

QString NomeSicuro(QString nome) {
    nome.replace(u'?', u'_');
    QString sicuro;
    for (const char32_t c : nome.toUcs4())
        sicuro += daSostituire(c) ? QStringLiteral("_") : QString::fromUcs4(&c, 1);
    QString senzaPunti = sicuro;
    senzaPunti.remove(u'.');
    if (senzaPunti.trimmed().isEmpty())
        return kSicuro;
    // Cutting a long name may leave a stem of dots, and a safe stem may make it long again.
    sicuro = Accorcia(stemSicuro(Accorcia(sicuro)));
    // Last, since a cut may end anywhere; a "_" at the end leaves every stem as it was.
    if (comeFileProprio(sicuro)) {
        if (sicuro.toUtf8().size() < kMassimoNome)
            sicuro += u'_';
        else
            sicuro.back() = u'_'; // the last letter of the suffix, one byte
    }
    return sicuro;
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

ParteSet DividiSet(const QString& nome) {
    static const QRegularExpression volume(
        QStringLiteral("^(.+?)(\\.part\\d+\\.(?:rar|rev)|\\.(?:rar|rev|r\\d{2,3}))$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const QRegularExpressionMatch m = volume.match(nome); m.hasMatch())
        return {m.captured(1), m.captured(2), true};
    const qsizetype punto = inizioEstensione(nome);
    return {nome.left(punto), nome.mid(punto), false};
}

QString NomeAlternativo(const QString& nome, int n) {
    if (n <= 1)
        return nome;
    const ParteSet parti = DividiSet(nome);
    const QString coda = QStringLiteral(" (%1)").arg(n) + parti.suffisso;
    return inizioCheEntra(parti.radice, kMassimoNome - coda.toUtf8().size()) + coda;
}

int NumeroDiRadice(const QString& radice, const QString& radiceBase) {
    if (radice == radiceBase)
        return 1;
    const QString prefisso = radiceBase + QStringLiteral(" (");
    if (!radice.startsWith(prefisso) || !radice.endsWith(u')'))
        return 0;
    bool ok = false;
    const int n = radice.mid(prefisso.size(), radice.size() - prefisso.size() - 1).toInt(&ok);
    return ok && n >= 2 ? n : 0;
}

QString NomeConSuffisso(const QString& nome, const QString& suffisso) {
    return inizioCheEntra(nome, kMassimoNome - suffisso.toUtf8().size()) + suffisso;
}

} // namespace tarvolin::engine
