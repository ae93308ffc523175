#pragma once

#include <QStringView>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

namespace tarvolin {
namespace queue {
class ListeCoda;
}
class ModelloRighe;
namespace service {
class Sessione;
}
} // namespace tarvolin

namespace tarvolin::search {

// One search of the catalogue of host files and its results.
class TForm_Ricerca : public QWidget {
    Q_OBJECT
public:
    // What the window needs beyond the service link: the queue the add-links dialog fills.
    struct Coda {
        queue::ListeCoda& code;
        std::function<bool()> autoExtractOpzioni;
    };

    TForm_Ricerca(int idRicerca, service::Sessione& servizio, Coda coda);

    // Names this window in requests and replies; unique in the run.
    const int IdRicerca;
    QLineEdit* CercaTxt = nullptr;
    QPushButton* BtCerca = nullptr;
    QTableView* ListaRisultati = nullptr;
    ModelloRighe* Risultati = nullptr;
    QPushButton* BtAggiungi = nullptr;

    void BtCercaClick();
    void BtAggiungiClick();
    // Shows the "(|!|)"-closed result records.
    void SviluppaRisultati(QStringView records);
    // The search was refused: `messaggio` in place of results.
    void RicercaErrore(const QString& messaggio);

signals:
    void Chiusa(TForm_Ricerca* finestra);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void creaControlli();

    service::Sessione& servizio_;
    Coda coda_;
};

} // namespace tarvolin::search
