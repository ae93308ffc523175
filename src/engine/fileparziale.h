#pragma once

#include "engine/ripresa.h"

#include <QByteArray>
#include <QString>

namespace tarvolin::engine {

// A partial download on disk. Its length is always the bytes actually written: nothing is
// allocated ahead. A resumed file re-fetches its last bytes and checks them against the disk,
// so a file that changed on the server is caught before it is finished corrupt. A link planted
// at its name is never written through: a symbolic or hard link there is replaced by a new file.
class FileParziale {
public:
    static constexpr qint64 kRipresa = 8192;

    explicit FileParziale(const QString& percorso);
    ~FileParziale();
    FileParziale(const FileParziale&) = delete;
    FileParziale& operator=(const FileParziale&) = delete;

    bool Aperto() const { return fd_ >= 0; }
    int Errore() const { return errore_; } // errno of the last failure
    qint64 Lunghezza() const;

    // Where the next byte goes; from a resume point the bytes still on disk are checked, at most
    // the kRipresa re-fetched ones.
    void Posiziona(qint64 posizione, bool verifica);
    qint64 Posizione() const { return posizione_; }
    // False on a write failure or on bytes that differ from those on disk (Diverso()).
    bool Scrivi(const char* dati, size_t n);
    bool Diverso() const { return diverso_; }

    // Each of these first writes what is still held in memory.
    bool Tronca(qint64 lunghezza);
    bool Sincronizza(); // flushed to the disk
    bool Chiudi();      // false when the last writes failed after all
    // After a failed flush or close its bytes cannot be trusted: the file becomes empty.
    void Scarta();

    // What the file was started from, kept with it (ripresa.h).
    bool ScriviRipresa(const DatiRipresa& dati) {
        return engine::ScriviRipresa(fd_, percorso_, dati);
    }
    std::optional<DatiRipresa> LeggiRipresa() const { return engine::LeggiRipresa(fd_, percorso_); }

private:
    static constexpr qint64 kPassoScrittura = 8 << 20;
    // Bytes received are handed to the kernel in blocks of up to this size, not one call each.
    // A block ends where a received chunk ends: blocks cut at exact 1 MiB offsets measured
    // three times slower on a virtual machine that hands freed memory back to its host.
    static constexpr qsizetype kBlocco = 1 << 20;
    void avviaScrittura();
    bool svuota(); // the block held so far goes to the file

    QString percorso_;
    int fd_ = -1;
    int errore_ = 0;
    qint64 posizione_ = 0;
    QByteArray blocco_; // received, not yet written, from inizioBlocco_ on
    qint64 inizioBlocco_ = 0;
    QByteArray daVerificare_; // bytes on disk from the resume point on
    qint64 inizioVerifica_ = 0;
    qint64 inizioScrittura_ = 0; // first byte not yet handed to the disk
    bool diverso_ = false;
};

} // namespace tarvolin::engine
