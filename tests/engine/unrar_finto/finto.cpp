// A stand-in for the UnRAR library, built by the tests and found by the program as libunrar.so.
// Its archives are text:
//
//   RARFINTO 5               first line: the RAR format played, 4 or 5
//   dir Cartella             a folder entry
//   file Cartella/a.txt uno  a file entry and its contents, to the end of the line
//   password pässwörd        the entries after it are encrypted with this password
//   next Set.part2.rar       the volume after this one, beside it
//
// It keeps to the published interface: the password is asked for through the callback at the
// first encrypted entry, and again after a wrong one in format 5 (format 4 cannot tell, and
// reports bad data); a volume is announced when it opens and asked for while it is missing;
// unpacked data goes through UCM_PROCESSDATA. Entries are written where their names say, "../"
// and absolute names too: keeping them in is the caller's task. Where the real library would
// wait forever on a caller that never gives up, the stand-in aborts.
#include "unrar.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPazienza = 100; // requests a caller that never gives up gets before the abort
constexpr size_t kNome = 1024; // characters of a name the callback receives
constexpr size_t kPassword = 512;

struct Voce {
    std::string nome, dati;
    bool cartella = false;
    std::wstring password; // empty: not encrypted
};

struct Archivio {
    UNRARCALLBACK richiamo = nullptr;
    long utente = 0;
    int formato = 5;
    std::string volume;
    std::vector<Voce> voci; // of the current volume
    size_t prossima = 0;
    std::string seguente;      // empty: the last volume
    bool intestazione = false; // an entry was read and not yet processed
    std::wstring password;     // the caller's latest
    bool passwordData = false;
};

[[noreturn]] void rinuncia(const char* perche) {
    std::fprintf(stderr, "unrar finto: %s\n", perche);
    std::abort();
}

std::wstring largo(const std::string& utf8) {
    std::wstring w;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int seguito = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        wchar_t u = seguito == 0 ? c : c & (0x3F >> seguito);
        for (int k = 1; k <= seguito && i + k < utf8.size(); ++k)
            u = (u << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        w += u;
        i += static_cast<size_t>(seguito) + 1;
    }
    return w;
}

std::string stretto(const wchar_t* w) {
    std::string s;
    for (; *w != 0; ++w) {
        const auto u = static_cast<unsigned long>(*w);
        if (u < 0x80) {
            s += static_cast<char>(u);
            continue;
        }
        const int seguito = u < 0x800 ? 1 : u < 0x10000 ? 2 : 3;
        s += static_cast<char>(((0xFF00 >> (seguito + 1)) & 0xFF) | (u >> (6 * seguito)));
        for (int k = seguito - 1; k >= 0; --k)
            s += static_cast<char>(0x80 | ((u >> (6 * k)) & 0x3F));
    }
    return s;
}

// `testo` into a field of `byte` bytes of the packed structures, cut and ended with a zero.
template <typename Carattere>
void copiaCampo(void* campo, size_t byte, const std::basic_string<Carattere>& testo) {
    std::vector<Carattere> copia(byte / sizeof(Carattere));
    testo.copy(copia.data(), copia.size() - 1);
    std::memcpy(campo, copia.data(), byte);
}

int chiama(const Archivio& a, unsigned int messaggio, long p1, long p2) {
    return a.richiamo ? a.richiamo(messaggio, a.utente, p1, p2) : 0;
}

int leggi(Archivio& a, const std::string& percorso) {
    FILE* f = std::fopen(percorso.c_str(), "r");
    if (f == nullptr)
        return ERAR_EOPEN;
    std::vector<std::string> righe;
    char* riga = nullptr;
    size_t spazio = 0;
    for (ssize_t n; (n = getline(&riga, &spazio, f)) >= 0;)
        righe.emplace_back(riga, static_cast<size_t>(n) - (n > 0 && riga[n - 1] == '\n'));
    std::free(riga);
    std::fclose(f);
    if (righe.empty() || (righe[0] != "RARFINTO 4" && righe[0] != "RARFINTO 5"))
        return ERAR_BAD_ARCHIVE;
    a.formato = righe[0].back() - '0';
    a.volume = percorso;
    a.voci.clear();
    a.prossima = 0;
    a.seguente.clear();
    std::wstring password;
    for (size_t i = 1; i < righe.size(); ++i) {
        const std::string& r = righe[i];
        const size_t spazio1 = r.find(' ');
        const std::string tipo = r.substr(0, spazio1);
        const std::string resto = spazio1 == std::string::npos ? "" : r.substr(spazio1 + 1);
        if (tipo == "password") {
            password = largo(resto);
        } else if (tipo == "next") {
            a.seguente = percorso.substr(0, percorso.rfind('/') + 1) + resto;
        } else if (tipo == "dir") {
            a.voci.push_back({resto, {}, true, password});
        } else if (tipo == "file") {
            const size_t spazio2 = resto.find(' ');
            a.voci.push_back({resto.substr(0, spazio2),
                              spazio2 == std::string::npos ? "" : resto.substr(spazio2 + 1), false,
                              password});
        } else {
            return ERAR_BAD_DATA;
        }
    }
    return ERAR_SUCCESS;
}

int cambiaVolume(Archivio& a) {
    std::string nome = a.seguente;
    for (int volta = 0; volta < kPazienza; ++volta) {
        struct stat info {};
        const bool presente = stat(nome.c_str(), &info) == 0;
        wchar_t buffer[kNome] = {};
        largo(nome).copy(buffer, kNome - 1);
        const int r = chiama(a, UCM_CHANGEVOLUMEW, reinterpret_cast<long>(buffer),
                             presente ? RAR_VOL_NOTIFY : RAR_VOL_ASK);
        if (r == -1 || (r == 0 && !presente))
            return ERAR_EOPEN;
        if (presente)
            return leggi(a, nome);
        buffer[kNome - 1] = 0;
        nome = stretto(buffer); // the caller may have named another volume
    }
    rinuncia("the caller keeps asking to retry a missing volume");
}

int verificaPassword(Archivio& a, const std::wstring& giusta) {
    for (int volta = 0; volta < kPazienza; ++volta) {
        if (a.passwordData && a.password == giusta)
            return ERAR_SUCCESS;
        if (a.passwordData && a.formato == 4)
            return ERAR_BAD_DATA;
        wchar_t buffer[kPassword] = {};
        if (chiama(a, UCM_NEEDPASSWORDW, reinterpret_cast<long>(buffer), kPassword) != 1)
            return a.passwordData ? ERAR_BAD_PASSWORD : ERAR_MISSING_PASSWORD;
        buffer[kPassword - 1] = 0;
        a.password = buffer;
        a.passwordData = true;
    }
    rinuncia("the caller keeps giving a wrong password");
}

void creaCartelle(const std::string& percorso) {
    for (size_t i = percorso.find('/', 1); i != std::string::npos; i = percorso.find('/', i + 1))
        mkdir(percorso.substr(0, i).c_str(), 0777);
}

int elabora(Archivio& a, int operazione, const std::string* cartella, const std::string* nome) {
    if (!a.intestazione)
        return ERAR_UNKNOWN;
    a.intestazione = false;
    const Voce& v = a.voci[a.prossima - 1];
    if (operazione == RAR_SKIP)
        return ERAR_SUCCESS;
    if (!v.password.empty()) {
        if (const int r = verificaPassword(a, v.password); r != ERAR_SUCCESS)
            return r;
    }
    if (!v.cartella && chiama(a, UCM_PROCESSDATA, reinterpret_cast<long>(v.dati.data()),
                              static_cast<long>(v.dati.size())) == -1)
        return ERAR_UNKNOWN;
    if (operazione != RAR_EXTRACT)
        return ERAR_SUCCESS;
    const std::string percorso = nome ? *nome
                                 : v.nome[0] == '/'
                                     ? v.nome
                                     : (cartella ? *cartella : std::string(".")) + '/' + v.nome;
    if (v.cartella) {
        creaCartelle(percorso + '/');
        return ERAR_SUCCESS;
    }
    creaCartelle(percorso);
    FILE* f = std::fopen(percorso.c_str(), "wb");
    if (f == nullptr)
        return ERAR_ECREATE;
    const bool scritto = std::fwrite(v.dati.data(), 1, v.dati.size(), f) == v.dati.size();
    return std::fclose(f) == 0 && scritto ? ERAR_SUCCESS : ERAR_EWRITE;
}

} // namespace

extern "C" {

void* RAROpenArchiveEx(RAROpenArchiveDataEx* dati) {
    auto a = std::make_unique<Archivio>();
    a->richiamo = dati->Callback;
    a->utente = dati->UserData;
    const wchar_t* nomeW = dati->ArcNameW;
    const std::string nome = nomeW != nullptr && *nomeW != 0 ? stretto(nomeW)
                             : dati->ArcName != nullptr      ? dati->ArcName
                                                             : "";
    dati->CmtSize = 0;
    dati->CmtState = 0;
    dati->Flags = 0;
    dati->OpenResult = static_cast<unsigned int>(leggi(*a, nome));
    return dati->OpenResult == ERAR_SUCCESS ? a.release() : nullptr;
}

int RARCloseArchive(void* archivio) {
    delete static_cast<Archivio*>(archivio);
    return ERAR_SUCCESS;
}

int RARReadHeaderEx(void* archivio, RARHeaderDataEx* d) {
    auto& a = *static_cast<Archivio*>(archivio);
    while (a.prossima == a.voci.size()) {
        if (a.seguente.empty())
            return ERAR_END_ARCHIVE;
        if (const int r = cambiaVolume(a); r != ERAR_SUCCESS)
            return r;
    }
    const Voce& v = a.voci[a.prossima++];
    a.intestazione = true;
    copiaCampo(d->ArcName, sizeof d->ArcName, a.volume);
    copiaCampo(d->ArcNameW, sizeof d->ArcNameW, largo(a.volume));
    copiaCampo(d->FileName, sizeof d->FileName, v.nome);
    copiaCampo(d->FileNameW, sizeof d->FileNameW, largo(v.nome));
    d->Flags = (v.cartella ? RHDF_DIRECTORY : 0) | (v.password.empty() ? 0 : RHDF_ENCRYPTED);
    d->PackSize = d->UnpSize = static_cast<unsigned int>(v.dati.size());
    d->PackSizeHigh = d->UnpSizeHigh = 0;
    d->HostOS = 3;
    d->FileAttr = v.cartella ? 040755 : 0100644;
    d->Method = 0x30;
    d->HashType = 0;
    d->RedirType = 0;
    if (d->FileNameEx != nullptr && d->FileNameExSize > 0) {
        const std::wstring nome = largo(v.nome);
        const size_t n = nome.copy(d->FileNameEx, d->FileNameExSize - 1);
        d->FileNameEx[n] = 0;
    }
    return ERAR_SUCCESS;
}

int RARProcessFile(void* archivio, int operazione, char* cartella, char* nome) {
    const std::string c = cartella ? cartella : "", n = nome ? nome : "";
    return elabora(*static_cast<Archivio*>(archivio), operazione, cartella ? &c : nullptr,
                   nome ? &n : nullptr);
}

int RARProcessFileW(void* archivio, int operazione, wchar_t* cartella, wchar_t* nome) {
    const std::string c = cartella ? stretto(cartella) : "", n = nome ? stretto(nome) : "";
    return elabora(*static_cast<Archivio*>(archivio), operazione, cartella ? &c : nullptr,
                   nome ? &n : nullptr);
}

void RARSetCallback(void* archivio, UNRARCALLBACK richiamo, long utente) {
    auto& a = *static_cast<Archivio*>(archivio);
    a.richiamo = richiamo;
    a.utente = utente;
}

void RARSetPassword(void* archivio, char* password) {
    auto& a = *static_cast<Archivio*>(archivio);
    a.password = largo(password);
    a.passwordData = true;
}

int RARGetDllVersion() {
    return 9;
}

} // extern "C"
