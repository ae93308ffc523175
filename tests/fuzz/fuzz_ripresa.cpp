// The kept validator of a partial file as it is read back from disk, where anything may have
// been left: a cut write, another version's format, another program's attribute. What reads
// back must be what was written, and bytes read from the file must never crash the reader.
#include "engine/ripresa.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using namespace tarvolin::engine;

constexpr char kAttributo[] = "user.tarvolin.ripresa";

// One partial file for the whole run: a file per input would cost more than the input.
struct Parziale {
    Parziale() {
        QByteArray modello = QFile::encodeName(QDir::tempPath()) + "/fuzz_ripresa.XXXXXX";
        if (::mkdtemp(modello.data()) == nullptr)
            std::abort();
        cartella = modello;
        percorso = QFile::decodeName(cartella) + QStringLiteral("/x.trvltmp");
        fd = ::open(QFile::encodeName(percorso).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            std::abort();
        std::atexit([] {
            const Parziale& p = parziale();
            ::close(p.fd);
            ::unlink(QFile::encodeName(p.percorso).constData());
            ::unlink(QFile::encodeName(FileLateraleRipresa(p.percorso)).constData());
            ::rmdir(p.cartella.constData());
        });
    }

    static Parziale& parziale() {
        static Parziale* p = new Parziale;
        return *p;
    }

    QByteArray cartella;
    QString percorso;
    int fd = -1;
};

// The input as the stored text, through the attribute or, where the file system has none,
// the side file.
std::optional<DatiRipresa> DalDisco(const QByteArray& testo) {
    const Parziale& p = Parziale::parziale();
    if (::fsetxattr(p.fd, kAttributo, testo.constData(), static_cast<size_t>(testo.size()), 0) !=
        0) {
        if (errno != ENOTSUP) {
            // Too long for an attribute: with none left on the file, nothing may be read.
            ::fremovexattr(p.fd, kAttributo);
            if (LeggiRipresa(p.fd, p.percorso))
                __builtin_trap();
            return DecodificaRipresa(testo);
        }
        QFile laterale(FileLateraleRipresa(p.percorso));
        if (!laterale.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            laterale.write(testo) != testo.size())
            std::abort();
    }
    return LeggiRipresa(p.fd, p.percorso);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const std::optional<DatiRipresa> letti = DecodificaRipresa(input);
    if (letti && DecodificaRipresa(CodificaRipresa(*letti)) != letti)
        __builtin_trap();
    if (DalDisco(input) != letti)
        __builtin_trap();

    // The first eight bytes are the size, the rest the link up to a line break and the
    // validator after it.
    DatiRipresa dati;
    uint64_t totale = 0;
    if (size > 0)
        std::memcpy(&totale, data, std::min(size, sizeof totale));
    dati.totale = static_cast<qint64>(totale >> 1);
    const QByteArray resto = input.mid(sizeof totale);
    const qsizetype fine = resto.indexOf('\n');
    dati.link = QString::fromUtf8(fine < 0 ? resto : resto.left(fine));
    dati.validatore = fine < 0 ? QByteArray() : resto.mid(fine + 1);
    if (DecodificaRipresa(CodificaRipresa(dati)) != dati)
        __builtin_trap();
    return 0;
}
