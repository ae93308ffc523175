#pragma once

#include <QStringView>
#include <QWidget>

class QPushButton;
class QTreeView;

namespace tarvolin {
class ModelloRighe;
}

namespace tarvolin::tickets {

class GestioneTicket;

// The user's tickets, from which one is opened or a new one written.
class TForm_TicketList : public QWidget {
    Q_OBJECT
public:
    explicit TForm_TicketList(GestioneTicket& gestione);

    QTreeView* ListaTicket = nullptr;
    ModelloRighe* Righe = nullptr;
    QPushButton* BtNuovoTicket = nullptr;
    QPushButton* BtRispondiTicket = nullptr;
    QPushButton* BtAssistenzaRemota = nullptr;

    // Refills the list from the "{|end|}"-closed records.
    void AggiornaListaTicket(QStringView records);
    void BtNuovoTicketClick();
    void BtRispondiTicketClick();
    void BtAssistenzaRemotaClick();

private:
    void creaControlli();

    GestioneTicket& gestione_;
};

// The remote-assistance program beside the executable.
QString ProgrammaAssistenza();

} // namespace tarvolin::tickets
