// File names a server chooses: a Content-Disposition value and a final URL, read as a probe's
// answer, must give a name that stays in its folder, fits the file system and cannot pass for
// one of the program's own files, and so must every name tried when it is taken.
#include "engine/nomefile.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace tarvolin::engine;

// Only ASCII letters: a name that matches only under Unicode folding is no file of ours.
QString minuscoleAscii(QString testo) {
    for (QChar& c : testo) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return testo;
}

bool soloPunti(QStringView testo) {
    return std::all_of(testo.begin(), testo.end(), [](QChar c) { return c == u'.'; });
}

void intero(const QString& nome) {
    const ParteSet parti = DividiSet(nome);
    if (parti.radice + parti.suffisso != nome)
        __builtin_trap();
}

// What any name handed to the file system must be.
void valido(const QString& nome) {
    if (nome.isEmpty() || nome == u"." || nome == u".." || nome.contains(u'/') ||
        nome.toUtf8().size() > kMassimoNome)
        __builtin_trap();
    for (const QChar c : nome) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            __builtin_trap();
    }
    const QString l = minuscoleAscii(nome);
    if (l.endsWith(u".trvltmp") || l.endsWith(u".trvlval") || l.endsWith(u".trvlcopia"))
        __builtin_trap();
    if (l.size() > 14 && l.startsWith(u"fakestream") && l.endsWith(u".tmp")) {
        const QStringView cifre = QStringView(l).sliced(10, l.size() - 14);
        if (std::all_of(cifre.begin(), cifre.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            __builtin_trap();
    }
    intero(nome);
}

void controlla(const QString& nome, int n) {
    intero(nome);
    const QString sicuro = NomeSicuro(nome);
    valido(sicuro);
    // A folder is named after these stems.
    const qsizetype punto = sicuro.lastIndexOf(u'.');
    const qsizetype parte = minuscoleAscii(sicuro).indexOf(u".part");
    if ((punto >= 0 && soloPunti(QStringView(sicuro).left(punto))) ||
        (parte >= 0 && soloPunti(QStringView(sicuro).left(parte))))
        __builtin_trap();
    if (NomeSicuro(sicuro) != sicuro)
        __builtin_trap();
    for (const int k : {1, 2, n, n + 1})
        valido(NomeAlternativo(sicuro, k));
}

} // namespace

// The first byte chooses the maker's marker, the next four the number of a taken name; the
// header value runs to the first line break and the final URL after it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    const bool marcatore = (data[0] & 1) != 0;
    uint32_t numero = 0;
    std::memcpy(&numero, data + 1, sizeof numero);
    const int n = 2 + static_cast<int>(numero % 0x7FFFFFF0U);

    const QByteArray resto(reinterpret_cast<const char*>(data) + 5,
                           static_cast<qsizetype>(size - 5));
    const qsizetype fine = resto.indexOf('\n');
    const QByteArray disposizione = fine < 0 ? resto : resto.left(fine);
    const QString url = fine < 0 ? QString() : QString::fromUtf8(resto.mid(fine + 1));

    controlla(NomeDaDisposizione(disposizione), n);
    controlla(NomeDaRisposta(disposizione, url,
                             marcatore ? QStringLiteral("tarvolin.invalid_") : QString()),
              n);
    // The URL as a name, so that what no parser would hand on is made safe too.
    controlla(url, n);
    return 0;
}
