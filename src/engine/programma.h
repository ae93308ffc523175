#pragma once

#include <QString>

namespace tarvolin {
namespace queue {
class Database;
}
} // namespace tarvolin

namespace tarvolin::engine {

struct StatoDownload;

// The worker's way into the program: the row it serves, the lists and the database. Used on
// the main thread only. Rows are found by id; once a row has left the queue list, updates of it
// do nothing.
class ProgrammaMotore {
public:
    virtual ~ProgrammaMotore() = default;

    virtual QString Cella(const QString& id, int cella) const = 0;
    virtual void ImpostaCella(const QString& id, int cella, const QString& testo) = 0;
    virtual QString Didascalia(const QString& id) const = 0;
    virtual void ImpostaDidascalia(const QString& id, const QString& testo) = 0;
    virtual void ImpostaIcona(const QString& id, int icona) = 0;
    // The row goes to the completed list with the done icon.
    virtual void SpostaInCompletati(const QString& id) = 0;
    virtual queue::Database* Db() = 0;
    // The disk is full: automatic starts stop.
    virtual void DisattivaDownloadAutomatico() = 0;
    // The worker leaves the running downloads; the others share the cap again.
    virtual void RimuoviDaAttivi(StatoDownload& download) = 0;
    // The last thing a worker does: the end-of-queue check.
    virtual void FineDownload() = 0;
    // The row has been recorded finished, or failed for good.
    virtual void DownloadConcluso(const QString& /*id*/, bool /*riuscito*/) {}
};

} // namespace tarvolin::engine
