#include "ripresa.h"

#include "common/diagnostica.h"

#include <QByteArrayList>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tarvolin::engine {

namespace {

constexpr char kAttributo[] = "user.tarvolin.ripresa";
const QByteArray kIntestazione = "tarvolin-ripresa 1";
constexpr qsizetype kMassimo = 64 * 1024; // far more than a link and a validator take

bool senzaAttributi(int errore) {
    return errore == ENOTSUP || errore == EOPNOTSUPP;
}

// ext4 keeps an attribute within one block: a long link and validator go to the side file.
bool troppoGrande(int errore) {
    return errore == E2BIG || errore == ENOSPC || errore == ERANGE;
}

// One line per field; percent-encoding keeps line breaks out of the values.
QByteArray campo(const char* nome, const QByteArray& valore) {
    return QByteArray(nome) + '=' + valore.toPercentEncoding() + '\n';
}

std::optional<QByteArray> valoreDi(const QByteArray& riga, const char* nome) {
    const QByteArray prefisso = QByteArray(nome) + '=';
    if (!riga.startsWith(prefisso))
        return std::nullopt;
    const QByteArray codificato = riga.mid(prefisso.size());
    const QByteArray valore = QByteArray::fromPercentEncoding(codificato);
    // Only what CodificaRipresa writes: the same bytes must encode back to the same text.
    if (valore.toPercentEncoding() != codificato)
        return std::nullopt;
    return valore;
}

// Read-only and without waiting: a pipe planted at the name must not hold the worker.
int apriInLettura(const QString& percorso) {
    const int fd = ::open(QFile::encodeName(percorso).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray leggiLaterale(const QString& parziale) {
    const int fd = apriInLettura(FileLateraleRipresa(parziale));
    if (fd < 0)
        return {};
    QByteArray testo(kMassimo, Qt::Uninitialized);
    const ssize_t letti = ::read(fd, testo.data(), static_cast<size_t>(testo.size()));
    ::close(fd);
    return letti > 0 ? testo.left(letti) : QByteArray();
}

// Made anew each time, so that no link planted at its name is written through.
bool scriviLaterale(const QString& parziale, const QByteArray& testo) {
    const QByteArray nome = QFile::encodeName(FileLateraleRipresa(parziale));
    ::unlink(nome.constData());
    const int fd =
        ::open(nome.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool scritto = ::write(fd, testo.constData(), static_cast<size_t>(testo.size())) ==
                         static_cast<ssize_t>(testo.size());
    return ::close(fd) == 0 && scritto;
}

} // namespace

QByteArray CodificaRipresa(const DatiRipresa& dati) {
    return kIntestazione + '\n' + campo("link", dati.link.toUtf8()) +
           campo("totale", QByteArray::number(dati.totale)) + campo("validatore", dati.validatore);
}

std::optional<DatiRipresa> DecodificaRipresa(const QByteArray& testo) {
    if (!testo.endsWith('\n'))
        return std::nullopt;
    const QByteArrayList righe = testo.chopped(1).split('\n');
    if (righe.size() != 4 || righe[0] != kIntestazione)
        return std::nullopt;
    const auto link = valoreDi(righe[1], "link");
    const auto totale = valoreDi(righe[2], "totale");
    const auto validatore = valoreDi(righe[3], "validatore");
    if (!link || !totale || !validatore)
        return std::nullopt;
    DatiRipresa dati;
    bool ok = false;
    dati.totale = totale->toLongLong(&ok);
    dati.link = QString::fromUtf8(*link);
    dati.validatore = *validatore;
    // The text must be the one these values write, byte for byte.
    if (!ok || CodificaRipresa(dati) != testo)
        return std::nullopt;
    return dati;
}

QString FileLateraleRipresa(const QString& parziale) {
    const QLatin1String suffisso(".trvltmp");
    return (parziale.endsWith(suffisso) ? parziale.chopped(suffisso.size()) : parziale) +
           QStringLiteral(".trvlval");
}

bool ScriviRipresa(int fd, const QString& parziale, const DatiRipresa& dati) {
    const QByteArray testo = CodificaRipresa(dati);
    if (::fsetxattr(fd, kAttributo, testo.constData(), static_cast<size_t>(testo.size()), 0) == 0) {
        ::unlink(QFile::encodeName(FileLateraleRipresa(parziale)).constData());
        return true;
    }
    if (!senzaAttributi(errno) && !troppoGrande(errno))
        return false;
    ::fremovexattr(fd, kAttributo); // an older one would be read before the side file
    return scriviLaterale(parziale, testo);
}

std::optional<DatiRipresa> LeggiRipresa(int fd, const QString& parziale) {
    QByteArray testo(kMassimo, Qt::Uninitialized);
    const ssize_t n = ::fgetxattr(fd, kAttributo, testo.data(), static_cast<size_t>(testo.size()));
    if (n >= 0)
        return DecodificaRipresa(testo.left(n));
    if (!senzaAttributi(errno) && errno != ENODATA)
        return std::nullopt;
    return DecodificaRipresa(leggiLaterale(parziale));
}

std::optional<DatiRipresa> LeggiRipresaDi(const QString& parziale) {
    const int fd = apriInLettura(parziale);
    if (fd < 0)
        return std::nullopt;
    std::optional<DatiRipresa> dati = LeggiRipresa(fd, parziale);
    ::close(fd);
    return dati;
}

void CancellaRipresaDi(const QString& file, const QString& parziale) {
    if (::lremovexattr(QFile::encodeName(file).constData(), kAttributo) != 0 && errno != ENODATA &&
        !senzaAttributi(errno))
        qCDebug(lcMotore) << "kept validator of" << file << "not removed:" << errno;
    ::unlink(QFile::encodeName(FileLateraleRipresa(parziale)).constData());
}

} // namespace tarvolin::engine
