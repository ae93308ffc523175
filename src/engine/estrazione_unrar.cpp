// RAR archives with a password through RARLAB's UnRAR library, when the machine has it. The
// library is loaded for one archive and let go after it, so the program runs without it.
// UnRAR's recent versions refuse symlinks that lead out of the destination. Names that are
// absolute or hold ".." it would rewrite to a place of its own; they are refused here instead.
#include "engine/estrazione_librerie.h"
#include "engine/percorsi.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace tarvolin::engine::dettaglio {

namespace {

// The part of UnRAR's interface used here, as its dll.hpp publishes it at RAR_DLL_VERSION 9
// (UnRAR 7): packed structures, the default calling convention on Linux, wide strings of
// wchar_t. Earlier versions have the same sizes; fields added since took room from Reserved,
// which must stay zero.
using UnrarCallback = int (*)(unsigned int messaggio, long dati, long p1, long p2);

#pragma pack(push, 1)
struct RAROpenArchiveDataEx {
    char* ArcName;
    wchar_t* ArcNameW;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int Flags;
    UnrarCallback Callback;
    long UserData;
    unsigned int OpFlags;
    wchar_t* CmtBufW;
    wchar_t* MarkOfTheWeb;
    unsigned int Reserved[23];
};

struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int DictSize;
    unsigned int HashType;
    char Hash[32];
    unsigned int RedirType;
    wchar_t* RedirName;
    unsigned int RedirNameSize;
    unsigned int DirTarget;
    unsigned int MtimeLow;
    unsigned int MtimeHigh;
    unsigned int CtimeLow;
    unsigned int CtimeHigh;
    unsigned int AtimeLow;
    unsigned int AtimeHigh;
    wchar_t* ArcNameEx;
    unsigned int ArcNameExSize;
    wchar_t* FileNameEx;
    unsigned int FileNameExSize;
    unsigned int Reserved[982];
};
#pragma pack(pop)

// Unpacked, CmtBufW and the fields after it would lie elsewhere than where the library has them.
static_assert(sizeof(wchar_t) == 4);
static_assert(sizeof(RAROpenArchiveDataEx) == 176);
static_assert(sizeof(RARHeaderDataEx) == 14340);

constexpr unsigned int RAR_OM_EXTRACT = 1;
constexpr int RAR_SKIP = 0;
constexpr int RAR_EXTRACT = 2;
constexpr unsigned int RHDF_DIRECTORY = 0x20;
constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr unsigned int UCM_CHANGEVOLUME = 0;
constexpr unsigned int UCM_PROCESSDATA = 1;
constexpr unsigned int UCM_CHANGEVOLUMEW = 3;
constexpr unsigned int UCM_NEEDPASSWORDW = 4;
constexpr long RAR_VOL_NOTIFY = 1;

using FnApri = void* (*)(RAROpenArchiveDataEx*);
using FnChiudi = int (*)(void*);
using FnIntestazione = int (*)(void*, RARHeaderDataEx*);
using FnElabora = int (*)(void*, int, char*, char*);

struct ChiudiLibreria {
    void operator()(void* libreria) const { dlclose(libreria); }
};

struct Unrar {
    std::unique_ptr<void, ChiudiLibreria> libreria;
    FnApri apri = nullptr;
    FnChiudi chiudi = nullptr;
    FnIntestazione intestazione = nullptr;
    FnElabora elabora = nullptr;
};

std::optional<Unrar> caricaUnrar() {
    Unrar u;
    for (const char* nome : {"libunrar.so", "libunrar.so.5"}) {
        u.libreria.reset(dlopen(nome, RTLD_NOW | RTLD_LOCAL));
        if (u.libreria)
            break;
    }
    if (!u.libreria)
        return std::nullopt;
    void* l = u.libreria.get();
    u.apri = reinterpret_cast<FnApri>(dlsym(l, "RAROpenArchiveEx"));
    u.chiudi = reinterpret_cast<FnChiudi>(dlsym(l, "RARCloseArchive"));
    u.intestazione = reinterpret_cast<FnIntestazione>(dlsym(l, "RARReadHeaderEx"));
    u.elabora = reinterpret_cast<FnElabora>(dlsym(l, "RARProcessFile"));
    if (!u.apri || !u.chiudi || !u.intestazione || !u.elabora)
        return std::nullopt;
    return u;
}

struct Contesto {
    const Annulla* annulla = nullptr;
    std::wstring password;
    bool passwordFornita = false;
    bool annullata = false;
};

// The row's password, once, in the wide request (the narrow one then never comes). RARSetPassword
// would pass it through the locale and cannot open encrypted headers. A second request means it
// was wrong, and nobody is asked.
int daiPassword(Contesto& contesto, long buffer, long dimensione) {
    const size_t lunghezza = contesto.password.size();
    if (contesto.passwordFornita || lunghezza >= static_cast<size_t>(dimensione))
        return -1;
    contesto.passwordFornita = true;
    auto* destinazione = reinterpret_cast<wchar_t*>(buffer);
    std::copy(contesto.password.begin(), contesto.password.end(), destinazione);
    destinazione[lunghezza] = 0;
    return 1;
}

// Later volumes found beside the first are taken; a missing one and a stop request end the
// extraction. Messages not handled here get 0, as the library asks.
int richiamo(unsigned int messaggio, long dati, long p1, long p2) {
    auto& contesto = *reinterpret_cast<Contesto*>(dati);
    switch (messaggio) {
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW:
        return p2 == RAR_VOL_NOTIFY ? 1 : -1;
    case UCM_PROCESSDATA:
        if (*contesto.annulla && (*contesto.annulla)()) {
            contesto.annullata = true;
            return -1;
        }
        return 1;
    case UCM_NEEDPASSWORDW:
        return daiPassword(contesto, p1, p2);
    default:
        return 0;
    }
}

// Read once, before any thread could be making files: umask() can only be read by setting it.
mode_t leggiUmask() {
    QFile stato(QStringLiteral("/proc/self/status"));
    if (stato.open(QIODevice::ReadOnly)) {
        for (QByteArray riga = stato.readLine(); !riga.isEmpty(); riga = stato.readLine()) {
            if (!riga.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint valore = riga.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return static_cast<mode_t>(valore);
        }
    }
    const mode_t umaskProcesso = umask(022);
    umask(umaskProcesso);
    return umaskProcesso;
}

const mode_t kUmask = leggiUmask();

// The entry's name as the library tells it, when it stays inside the destination; UnRAR would
// write any other somewhere of its own choosing.
std::optional<QString> nomeInterno(const RARHeaderDataEx& intestazione) {
    // Copied out of the packed structure, where a wchar_t may sit unaligned.
    std::array<wchar_t, sizeof(RARHeaderDataEx::FileNameW) / sizeof(wchar_t)> nomeW{};
    std::memcpy(nomeW.data(), intestazione.FileNameW, sizeof(nomeW));
    nomeW.back() = 0;
    const QString nome = nomeW[0] != 0 ? QString::fromWCharArray(nomeW.data())
                                       : QString::fromLocal8Bit(intestazione.FileName);
    if (nome.isEmpty() || nome.startsWith(u'/') || nome.split(u'/').contains(QStringLiteral("..")))
        return std::nullopt;
    return nome;
}

// UnRAR gives an entry the mode stored in the archive, regardless of the umask.
void mascheraModo(const QString& destinazione, const QString& voce) {
    const QFileInfo info(voce);
    if (info.isSymLink() || !info.canonicalFilePath().startsWith(destinazione + u'/'))
        return;
    const QByteArray percorso = QFile::encodeName(voce);
    struct stat stato {};
    if (lstat(percorso.constData(), &stato) == 0 &&
        (S_ISREG(stato.st_mode) || S_ISDIR(stato.st_mode)))
        chmod(percorso.constData(), stato.st_mode & 0777 & ~kUmask);
}

} // namespace

std::optional<EsitoEstrazione> EstraiConUnrar(const QString& archivio, const QString& destinazione,
                                              const QString& password, bool sovrascrivi,
                                              const Annulla& annulla) {
    const std::optional<Unrar> u = caricaUnrar();
    if (!u)
        return std::nullopt;
    QByteArray nomeArchivio = QFile::encodeName(archivio);
    QByteArray cartella = QFile::encodeName(destinazione);
    Contesto contesto{&annulla, password.toStdWString()};
    RAROpenArchiveDataEx dati{};
    dati.ArcName = nomeArchivio.data();
    dati.OpenMode = RAR_OM_EXTRACT;
    dati.Callback = richiamo;
    dati.UserData = reinterpret_cast<long>(&contesto);
    const auto chiudi = [&u](void* h) { u->chiudi(h); };
    const std::unique_ptr<void, decltype(chiudi)> archivioAperto(u->apri(&dati), chiudi);
    if (!archivioAperto || dati.OpenResult != ERAR_SUCCESS)
        return EsitoEstrazione::NonRiuscita;
    const QString radice = QFileInfo(destinazione).canonicalFilePath();
    const auto intestazione = std::make_unique<RARHeaderDataEx>();
    bool riuscita = true;
    int r = ERAR_SUCCESS;
    while ((r = u->intestazione(archivioAperto.get(), intestazione.get())) == ERAR_SUCCESS) {
        const std::optional<QString> nome = nomeInterno(*intestazione);
        const QString voce = nome ? destinazione + u'/' + *nome : QString();
        const QByteArray percorso = QFile::encodeName(voce);
        const bool diCartella = (intestazione->Flags & RHDF_DIRECTORY) != 0;
        // Beside the archive, a folder already there is added to and left as it is.
        const bool libera = nome && FileDentro(radice, voce) &&
                            (sovrascrivi || !PostoOccupato(percorso.constData(), false));
        riuscita = riuscita &&
                   (libera || (nome && diCartella && !PostoOccupato(percorso.constData(), true)));
        r = u->elabora(archivioAperto.get(), libera ? RAR_EXTRACT : RAR_SKIP, cartella.data(),
                       nullptr);
        if (r != ERAR_SUCCESS)
            break;
        if (libera)
            mascheraModo(radice, voce);
    }
    if (contesto.annullata)
        return EsitoEstrazione::Annullata;
    return r == ERAR_END_ARCHIVE && riuscita ? EsitoEstrazione::Riuscita
                                             : EsitoEstrazione::NonRiuscita;
}

bool UnrarPresente() {
    return caricaUnrar().has_value();
}

} // namespace tarvolin::engine::dettaglio
