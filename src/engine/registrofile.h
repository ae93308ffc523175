#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

namespace tarvolin::engine {

// The files running downloads are writing or about to finish into, by path, each held by one
// row: two rows never write one partial file, and two rows finishing with one name never pick
// the same free name. Thread-safe; shared by every worker.
class RegistroFile {
public:
    // True when `percorso` is now held by `idRiga`: it was free, or already its own.
    bool Prenota(const QString& percorso, const QString& idRiga);
    void Rilascia(const QString& percorso, const QString& idRiga);

    // The number a RAR set takes in `cartella` when its names are taken, chosen once for its
    // group so that every volume and the extraction folder agree: the number `gruppo` took for
    // the stem `radice`, if any.
    std::optional<int> NumeroSet(const QString& cartella, const QString& radice,
                                 const QString& gruppo);
    // `gruppo` takes number `n`, whose stem is `radiceNumerata`; false when another group holds
    // that stem, or the group took another number, unless `altroNumero` says the group's own
    // could not be had. Held for the rest of the run.
    bool PrenotaSet(const QString& cartella, const QString& radice, const QString& radiceNumerata,
                    int n, const QString& gruppo, bool altroNumero = false);

private:
    std::mutex blocco_;
    QHash<QString, QString> tenuti_;     // path -> row id
    QHash<QString, QString> stemTenuti_; // folder and numbered stem -> group
    QHash<QString, int> numeri_;         // folder, stem and group -> number
};

// What one worker holds, let go when it ends.
class Prenotazioni {
public:
    Prenotazioni(RegistroFile* registro, QString idRiga)
        : registro_(registro), idRiga_(std::move(idRiga)) {}
    ~Prenotazioni();
    Prenotazioni(const Prenotazioni&) = delete;
    Prenotazioni& operator=(const Prenotazioni&) = delete;

    // Without a registry every path is free.
    bool Prenota(const QString& percorso);
    void Rilascia(const QString& percorso);
    void RilasciaTutte();

private:
    RegistroFile* registro_;
    QString idRiga_;
    QStringList tenuti_;
};

} // namespace tarvolin::engine
