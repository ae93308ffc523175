#include "fileparziale.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvolin::engine {

namespace {

constexpr int kApertura = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;

// A regular file with no other name: a hard link would carry the writes to another file.
bool soloNostro(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}

} // namespace

FileParziale::FileParziale(const QString& percorso) : percorso_(percorso) {
    const QByteArray nativo = QFile::encodeName(percorso);
    fd_ = ::open(nativo.constData(), kApertura, 0644);
    if (fd_ < 0 && errno != ELOOP) {
        errore_ = errno;
        return;
    }
    if (fd_ >= 0 && soloNostro(fd_))
        return;
    // Someone else's link at our name: it goes, and the file is made anew, or not at all.
    if (fd_ >= 0)
        ::close(fd_);
    ::unlink(nativo.constData());
    fd_ = ::open(nativo.constData(), kApertura | O_EXCL, 0644);
    if (fd_ < 0)
        errore_ = errno;
}

FileParziale::~FileParziale() {
    Chiudi();
}

qint64 FileParziale::Lunghezza() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return 0;
    return blocco_.isEmpty() ? st.st_size
                             : std::max<qint64>(st.st_size, inizioBlocco_ + blocco_.size());
}

void FileParziale::Posiziona(qint64 posizione, bool verifica) {
    svuota();
    posizione_ = posizione;
    inizioScrittura_ = posizione;
    diverso_ = false;
    daVerificare_.clear();
    inizioVerifica_ = posizione;
    if (!verifica)
        return;
    const qint64 lunghezza = std::min(Lunghezza() - posizione, kRipresa);
    if (lunghezza <= 0)
        return;
    daVerificare_.resize(lunghezza);
    const ssize_t letti =
        ::pread(fd_, daVerificare_.data(), static_cast<size_t>(lunghezza), posizione);
    daVerificare_.resize(letti > 0 ? letti : 0);
}

bool FileParziale::Scrivi(const char* dati, size_t n) {
    const qint64 inVerifica = inizioVerifica_ + daVerificare_.size() - posizione_;
    if (inVerifica > 0) {
        const size_t confronto = std::min(n, static_cast<size_t>(inVerifica));
        if (std::memcmp(daVerificare_.constData() + (posizione_ - inizioVerifica_), dati,
                        confronto) != 0) {
            diverso_ = true;
            return false;
        }
    }
    // A chunk that would overflow the block goes after it, so the block never grows.
    if (blocco_.size() + static_cast<qsizetype>(n) > kBlocco && !svuota())
        return false;
    if (blocco_.isEmpty()) {
        blocco_.reserve(kBlocco);
        inizioBlocco_ = posizione_;
    }
    blocco_.append(dati, static_cast<qsizetype>(n));
    posizione_ += static_cast<qint64>(n);
    return blocco_.size() < kBlocco || svuota();
}

bool FileParziale::svuota() {
    const size_t n = static_cast<size_t>(blocco_.size());
    size_t scritti = 0;
    while (scritti < n) {
        const ssize_t r = ::pwrite(fd_, blocco_.constData() + scritti, n - scritti,
                                   inizioBlocco_ + static_cast<qint64>(scritti));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            errore_ = errno;
            blocco_.clear();
            return false;
        }
        scritti += static_cast<size_t>(r);
    }
    blocco_.resize(0); // keeps the allocation for the next block
    avviaScrittura();
    return true;
}

void FileParziale::avviaScrittura() {
    // Hands written data to the disk as it comes, so the final flush has little left to do
    // and dirty pages do not pile up over a large file.
    if (posizione_ - inizioScrittura_ < kPassoScrittura)
        return;
    ::sync_file_range(fd_, inizioScrittura_, posizione_ - inizioScrittura_, SYNC_FILE_RANGE_WRITE);
    inizioScrittura_ = posizione_;
}

bool FileParziale::Tronca(qint64 lunghezza) {
    if (!svuota())
        return false;
    if (::ftruncate(fd_, lunghezza) == 0)
        return true;
    errore_ = errno;
    return false;
}

bool FileParziale::Sincronizza() {
    if (!svuota())
        return false;
    if (::fsync(fd_) == 0)
        return true;
    errore_ = errno;
    return false;
}

void FileParziale::Scarta() {
    blocco_.clear();
    daVerificare_.clear();
    const int fd = fd_ >= 0 ? fd_
                            : ::open(QFile::encodeName(percorso_).constData(),
                                     O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    if (::ftruncate(fd, 0) != 0)
        errore_ = errno;
    if (fd != fd_)
        ::close(fd);
    posizione_ = inizioScrittura_ = inizioBlocco_ = 0;
}

bool FileParziale::Chiudi() {
    if (fd_ < 0)
        return true;
    const bool scritto = svuota();
    const int r = ::close(fd_);
    fd_ = -1;
    if (r != 0 && errno != EINTR)
        errore_ = errno;
    return scritto && (r == 0 || errno == EINTR);
}

} // namespace tarvolin::engine
