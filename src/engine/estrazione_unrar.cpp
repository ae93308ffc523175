// RAR archives with a password through RARLAB's UnRAR library, when the machine has it. The
// library is loaded for one archive and let go after it, so the program runs without it.
// UnRAR keeps entries inside the destination by itself: it drops absolute paths and "..", and
// its recent versions refuse symlinks that lead out.
#include "engine/estrazione_librerie.h"

#include <QFile>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace tarvolin::motore::dettaglio {

namespace {

// The few declarations of the UnRAR library's public interface that are used here.
using UnrarCallback = int (*)(unsigned int messaggio, long dati, long p1, long p2);

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
    unsigned int Reserved[25];
};

// Filled by the library; only its size matters here, with room to spare.
struct RARHeaderDataEx {
    std::array<unsigned char, 64 * 1024> spazio;
};

constexpr unsigned int RAR_OM_EXTRACT = 1;
constexpr int RAR_EXTRACT = 2;
constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr unsigned int UCM_CHANGEVOLUME = 0;
constexpr unsigned int UCM_PROCESSDATA = 1;
constexpr unsigned int UCM_NEEDPASSWORD = 2;
constexpr unsigned int UCM_CHANGEVOLUMEW = 3;
constexpr unsigned int UCM_NEEDPASSWORDW = 4;
constexpr long RAR_VOL_NOTIFY = 1;

using FnApri = void* (*)(RAROpenArchiveDataEx*);
using FnChiudi = int (*)(void*);
using FnIntestazione = int (*)(void*, RARHeaderDataEx*);
using FnElabora = int (*)(void*, int, char*, char*);
using FnPassword = void (*)(void*, char*);

struct ChiudiLibreria {
    void operator()(void* libreria) const { dlclose(libreria); }
};

struct Unrar {
    std::unique_ptr<void, ChiudiLibreria> libreria;
    FnApri apri = nullptr;
    FnChiudi chiudi = nullptr;
    FnIntestazione intestazione = nullptr;
    FnElabora elabora = nullptr;
    FnPassword password = nullptr;
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
    u.password = reinterpret_cast<FnPassword>(dlsym(l, "RARSetPassword"));
    if (!u.apri || !u.chiudi || !u.intestazione || !u.elabora || !u.password)
        return std::nullopt;
    return u;
}

struct Contesto {
    const Annulla* annulla = nullptr;
    QByteArray password;
    std::wstring passwordW;
    bool passwordFornita = false;
    bool annullata = false;
};

// The row's password, once: an archive with encrypted names asks for it while it is opened. A
// second request means it was wrong, and nobody is asked.
template <typename Carattere>
int daiPassword(Contesto& contesto, long buffer, long dimensione, const Carattere* password,
                size_t lunghezza) {
    if (contesto.passwordFornita || lunghezza >= static_cast<size_t>(dimensione))
        return -1;
    contesto.passwordFornita = true;
    auto* destinazione = reinterpret_cast<Carattere*>(buffer);
    std::copy(password, password + lunghezza, destinazione);
    destinazione[lunghezza] = 0;
    return 1;
}

// Later volumes found beside the first are taken; a missing one and a stop request end the
// extraction.
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
    case UCM_NEEDPASSWORD:
        return daiPassword(contesto, p1, p2, contesto.password.constData(),
                           static_cast<size_t>(contesto.password.size()));
    case UCM_NEEDPASSWORDW:
        return daiPassword(contesto, p1, p2, contesto.passwordW.c_str(), contesto.passwordW.size());
    default:
        return -1;
    }
}

} // namespace

std::optional<EsitoEstrazione> EstraiConUnrar(const QString& archivio, const QString& destinazione,
                                              const QString& password, const Annulla& annulla) {
    const std::optional<Unrar> u = caricaUnrar();
    if (!u)
        return std::nullopt;
    QByteArray nome = QFile::encodeName(archivio);
    QByteArray cartella = QFile::encodeName(destinazione);
    Contesto contesto{&annulla, password.toLocal8Bit(), password.toStdWString()};
    RAROpenArchiveDataEx dati{};
    dati.ArcName = nome.data();
    dati.OpenMode = RAR_OM_EXTRACT;
    dati.Callback = richiamo;
    dati.UserData = reinterpret_cast<long>(&contesto);
    const auto chiudi = [&u](void* h) { u->chiudi(h); };
    const std::unique_ptr<void, decltype(chiudi)> archivioAperto(u->apri(&dati), chiudi);
    if (!archivioAperto || dati.OpenResult != ERAR_SUCCESS)
        return EsitoEstrazione::NonRiuscita;
    u->password(archivioAperto.get(), contesto.password.data());
    const auto intestazione = std::make_unique<RARHeaderDataEx>();
    int r = ERAR_SUCCESS;
    while ((r = u->intestazione(archivioAperto.get(), intestazione.get())) == ERAR_SUCCESS) {
        r = u->elabora(archivioAperto.get(), RAR_EXTRACT, cartella.data(), nullptr);
        if (r != ERAR_SUCCESS)
            break;
    }
    if (contesto.annullata)
        return EsitoEstrazione::Annullata;
    return r == ERAR_END_ARCHIVE ? EsitoEstrazione::Riuscita : EsitoEstrazione::NonRiuscita;
}

} // namespace tarvolin::motore::dettaglio
