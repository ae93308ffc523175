#include "engine/estrazione_librerie.h"

#include <QByteArrayList>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <vector>

namespace tarvolin::engine::dettaglio {

namespace {

constexpr size_t kBlocco = 1 << 20;

// Relative entries only, never "..", never through or into a symlink. Modes are masked with the
// umask and lose set-id bits: an archive does not get to make files others may write. libarchive
// reads the umask by setting it and putting it back, which after unshare(CLONE_FS) touches this
// thread alone.
constexpr int kOpzioni = ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                         ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS;

struct LiberaLettura {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct LiberaScrittura {
    void operator()(archive* a) const { archive_write_free(a); }
};
using Lettura = std::unique_ptr<archive, LiberaLettura>;
using Scrittura = std::unique_ptr<archive, LiberaScrittura>;

// The destination as the working directory of this thread alone. Entries are written relative
// to it, and libarchive's symlink guard, which walks every path with chdir(), then moves no
// other thread. Where the kernel refuses a private working directory, extractions take turns.
class CartellaDiLavoro {
public:
    explicit CartellaDiLavoro(const QString& cartella) {
        if (unshare(CLONE_FS) != 0)
            condivisa_ = std::unique_lock(bloccoCondiviso());
        precedente_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        entrata_ = precedente_ >= 0 && chdir(QFile::encodeName(cartella).constData()) == 0;
    }
    ~CartellaDiLavoro() {
        if (precedente_ < 0)
            return;
        [[maybe_unused]] const int tornata = fchdir(precedente_);
        close(precedente_);
    }
    CartellaDiLavoro(const CartellaDiLavoro&) = delete;
    CartellaDiLavoro& operator=(const CartellaDiLavoro&) = delete;

    bool Entrata() const { return entrata_; }

private:
    static std::mutex& bloccoCondiviso() {
        static std::mutex blocco; // guards the one working directory of the process
        return blocco;
    }

    std::unique_lock<std::mutex> condivisa_;
    int precedente_ = -1;
    bool entrata_ = false;
};

Lettura apri(const QStringList& volumi, bool rar, const QString& password) {
    Lettura in(archive_read_new());
    if (!in)
        return in;
    if (rar) {
        archive_read_support_format_rar(in.get());
        archive_read_support_format_rar5(in.get());
    } else {
        archive_read_support_format_zip(in.get());
    }
    if (!password.isEmpty())
        archive_read_add_passphrase(in.get(), password.toUtf8().constData());
    QByteArrayList nomi;
    std::vector<const char*> puntatori;
    for (const QString& volume : volumi)
        nomi << QFile::encodeName(volume);
    for (const QByteArray& nome : nomi)
        puntatori.push_back(nome.constData());
    puntatori.push_back(nullptr);
    if (archive_read_open_filenames(in.get(), puntatori.data(), kBlocco) != ARCHIVE_OK)
        in.reset();
    return in;
}

// A symlink is written only when it cannot lead out of the destination.
bool ammessa(archive_entry* voce) {
    const char* obiettivo = archive_entry_symlink(voce);
    if (obiettivo == nullptr)
        return true;
    const char* percorso = archive_entry_pathname(voce);
    return percorso != nullptr &&
           CollegamentoInterno(QFile::decodeName(percorso), QFile::decodeName(obiettivo));
}

enum class Passo { Avanti, Errore, Fine, Annullato };

Passo copiaDati(archive* in, archive* out, archive_entry* voce, const Annulla& annulla) {
    const void* blocco = nullptr;
    size_t n = 0;
    la_int64_t posizione = 0;
    la_int64_t copiati = 0;
    for (;;) {
        if (annulla && annulla())
            return Passo::Annullato;
        const int r = archive_read_data_block(in, &blocco, &n, &posizione);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return r == ARCHIVE_FATAL ? Passo::Fine : Passo::Errore;
        if (archive_write_data_block(out, blocco, n, posizione) < ARCHIVE_WARN)
            return Passo::Fine; // the disk, most likely full
        copiati += static_cast<la_int64_t>(n);
    }
    // A missing later volume ends the data early without an error of its own.
    const bool misurabile = archive_entry_filetype(voce) == AE_IFREG &&
                            archive_entry_hardlink(voce) == nullptr &&
                            archive_entry_size_is_set(voce);
    return !misurabile || copiati == archive_entry_size(voce) ? Passo::Avanti : Passo::Errore;
}

// One entry; a refused or broken entry spoils the outcome but the next ones are still written.
Passo estraiVoce(archive* in, archive* out, archive_entry* voce, bool sovrascrivi,
                 const Annulla& annulla) {
    if (!ammessa(voce))
        return Passo::Errore;
    // libarchive's own refusal to overwrite passes for a success: it is told apart here.
    if (!sovrascrivi &&
        PostoOccupato(archive_entry_pathname(voce), archive_entry_filetype(voce) == AE_IFDIR))
        return Passo::Errore;
    const int scritta = archive_write_header(out, voce);
    if (scritta < ARCHIVE_WARN)
        return scritta == ARCHIVE_FATAL ? Passo::Fine : Passo::Errore;
    const Passo passo = copiaDati(in, out, voce, annulla);
    if (passo != Passo::Avanti)
        return passo;
    return archive_write_finish_entry(out) < ARCHIVE_WARN ? Passo::Errore : Passo::Avanti;
}

EsitoEstrazione estraiTutte(archive* in, archive* out, bool sovrascrivi, const Annulla& annulla) {
    bool riuscita = true;
    archive_entry* voce = nullptr;
    for (;;) {
        const int r = archive_read_next_header(in, &voce);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return EsitoEstrazione::NonRiuscita;
        switch (estraiVoce(in, out, voce, sovrascrivi, annulla)) {
        case Passo::Avanti:
            break;
        case Passo::Errore:
            riuscita = false;
            break;
        case Passo::Fine:
            return EsitoEstrazione::NonRiuscita;
        case Passo::Annullato:
            return EsitoEstrazione::Annullata;
        }
    }
    // Folder times and permissions are set last, here.
    if (archive_write_close(out) < ARCHIVE_WARN)
        riuscita = false;
    return riuscita ? EsitoEstrazione::Riuscita : EsitoEstrazione::NonRiuscita;
}

} // namespace

EsitoLibarchive EstraiConLibarchive(const QStringList& volumi, bool rar,
                                    const QString& destinazione, const QString& password,
                                    bool sovrascrivi, const Annulla& annulla) {
    const CartellaDiLavoro lavoro(destinazione);
    if (!lavoro.Entrata())
        return {};
    const Lettura in = apri(volumi, rar, password);
    const Scrittura out(archive_write_disk_new());
    if (!in || !out)
        return {};
    archive_write_disk_set_options(out.get(),
                                   kOpzioni | (sovrascrivi ? 0 : ARCHIVE_EXTRACT_NO_OVERWRITE));
    const EsitoEstrazione esito = estraiTutte(in.get(), out.get(), sovrascrivi, annulla);
    return {esito, archive_read_has_encrypted_entries(in.get()) > 0};
}

} // namespace tarvolin::engine::dettaglio
