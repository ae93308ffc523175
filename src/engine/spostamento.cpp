#include "spostamento.h"

#include "engine/nomefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace tarvolin::engine {

namespace {

class Descrittore {
public:
    explicit Descrittore(int fd) : fd_(fd) {}
    ~Descrittore() { Chiudi(); }
    Descrittore(const Descrittore&) = delete;
    Descrittore& operator=(const Descrittore&) = delete;
    int fd() const { return fd_; }
    bool Chiudi() {
        if (fd_ < 0)
            return true;
        const int r = ::close(fd_);
        fd_ = -1;
        return r == 0 || errno == EINTR;
    }

private:
    int fd_;
};

QByteArray nativo(const QString& percorso) {
    return QFile::encodeName(percorso);
}

bool scriviTutto(int fd, const char* dati, size_t n) {
    while (n > 0) {
        const ssize_t r = ::write(fd, dati, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        dati += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

EsitoSpostamento copia(const QString& da, const QString& temporaneo,
                       const std::function<bool()>& annulla) {
    Descrittore in(::open(nativo(da).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    // Whatever is at the copy's name goes first: a link planted there is never written through.
    ::unlink(nativo(temporaneo).constData());
    Descrittore out(::open(nativo(temporaneo).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (in.fd() < 0 || out.fd() < 0)
        return EsitoSpostamento::Fallito;
    std::vector<char> blocco(1 << 20);
    for (;;) {
        if (annulla && annulla())
            return EsitoSpostamento::Interrotto;
        const ssize_t letti = ::read(in.fd(), blocco.data(), blocco.size());
        if (letti < 0 && errno == EINTR)
            continue;
        if (letti < 0)
            return EsitoSpostamento::Fallito;
        if (letti == 0)
            break;
        if (!scriviTutto(out.fd(), blocco.data(), static_cast<size_t>(letti)))
            return errno == ENOSPC ? EsitoSpostamento::SpazioInsufficiente
                                   : EsitoSpostamento::Fallito;
    }
    if (::fsync(out.fd()) != 0 || !out.Chiudi())
        return EsitoSpostamento::Fallito;
    return EsitoSpostamento::Fatto;
}

} // namespace

EsitoSpostamento Sposta(const QString& da, const QString& a, const std::function<bool()>& annulla) {
    if (::rename(nativo(da).constData(), nativo(a).constData()) == 0)
        return EsitoSpostamento::Fatto;
    if (errno != EXDEV)
        return EsitoSpostamento::Fallito;
    const qint64 dimensione = DimensioneFile(da);
    const qint64 libero = SpazioLibero(QFileInfo(a).absolutePath());
    if (dimensione < 0)
        return EsitoSpostamento::Fallito;
    if (libero >= 0 && dimensione > libero)
        return EsitoSpostamento::SpazioInsufficiente;
    const QFileInfo destinazione(a);
    const QString temporaneo =
        destinazione.absolutePath() + u'/' +
        NomeConSuffisso(u'.' + destinazione.fileName(), QStringLiteral(".trvlcopia"));
    const EsitoSpostamento copiato = copia(da, temporaneo, annulla);
    if (copiato == EsitoSpostamento::Fatto &&
        ::rename(nativo(temporaneo).constData(), nativo(a).constData()) == 0) {
        ::unlink(nativo(da).constData());
        return EsitoSpostamento::Fatto;
    }
    ::unlink(nativo(temporaneo).constData());
    return copiato == EsitoSpostamento::Fatto ? EsitoSpostamento::Fallito : copiato;
}

bool RinominaSenzaSostituire(const QString& da, const QString& a) {
    return ::renameat2(AT_FDCWD, nativo(da).constData(), AT_FDCWD, nativo(a).constData(),
                       RENAME_NOREPLACE) == 0;
}

bool SincronizzaCartella(const QString& cartella) {
    Descrittore fd(::open(nativo(cartella).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.fd() >= 0 && ::fsync(fd.fd()) == 0 && fd.Chiudi();
}

qint64 SpazioLibero(const QString& cartella) {
    struct statvfs sv {};
    if (::statvfs(nativo(cartella).constData(), &sv) != 0)
        return -1;
    return static_cast<qint64>(sv.f_bavail) * static_cast<qint64>(sv.f_frsize);
}

bool PreparaCartella(const QString& cartella) {
    return QDir().mkpath(cartella) && ::access(nativo(cartella).constData(), W_OK | X_OK) == 0;
}

qint64 DimensioneFile(const QString& percorso) {
    struct stat st {};
    if (::lstat(nativo(percorso).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

} // namespace tarvolin::engine
