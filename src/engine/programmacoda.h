#pragma once

#include "engine/programma.h"

#include <functional>

namespace tarvolin {
namespace queue {
class ModelloCoda;
}
} // namespace tarvolin

namespace tarvolin::engine {

// The worker's row updates made on the queue's rows and its database.
class ProgrammaCoda : public ProgrammaMotore {
public:
    ProgrammaCoda(queue::ModelloCoda& code, std::function<queue::Database*()> db)
        : code_(code), db_(std::move(db)) {}

    std::function<void()> SpegniAutomatico;
    std::function<void(StatoDownload&)> Rimuovi;
    std::function<void()> Fine;
    std::function<void(const QString& id, bool riuscito)> Concluso;
    // A row has gone to the completed list.
    std::function<void()> Spostata;

    QString Cella(const QString& id, int cella) const override;
    void ImpostaCella(const QString& id, int cella, const QString& testo) override;
    QString Didascalia(const QString& id) const override;
    void ImpostaDidascalia(const QString& id, const QString& testo) override;
    void ImpostaIcona(const QString& id, int icona) override;
    void SpostaInCompletati(const QString& id) override;
    queue::Database* Db() override;
    void DisattivaDownloadAutomatico() override;
    void RimuoviDaAttivi(StatoDownload& download) override;
    void FineDownload() override;
    void DownloadConcluso(const QString& id, bool riuscito) override;

private:
    queue::ModelloCoda& code_;
    std::function<queue::Database*()> db_;
};

} // namespace tarvolin::engine
