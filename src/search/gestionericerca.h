#pragma once

#include "search/formricerca.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace tarvolin::search {

// The open search windows and the replies of the service server addressed to them.
class GestioneRicerca : public QObject {
    Q_OBJECT
public:
    GestioneRicerca(service::Sessione& servizio, TForm_Ricerca::Coda coda,
                    QWidget* finestraPrincipale);
    ~GestioneRicerca() override;

    QList<QPointer<TForm_Ricerca>> FinestreRicerca;

    void BtScibileClick();
    void RisultatiRicevuti(const QString& payload); // "#0777"
    void RicercaRifiutata(const QString& payload);  // "#0771"

private:
    // Runs `passo` on every open window whose id heads `payload`, with the rest of it.
    void perFinestra(const QString& payload,
                     const std::function<void(TForm_Ricerca&, const QString&)>& passo);

    service::Sessione& servizio_;
    TForm_Ricerca::Coda coda_;
    QWidget* finestraPrincipale_;
    int prossimoId_ = 1;
};

} // namespace tarvolin::search
