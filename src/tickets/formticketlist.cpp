#include "formticketlist.h"

#include "common_ui/messagebox.h"
#include "common_ui/modellorighe.h"
#include "common_ui/nominato.h"
#include "platform/shell.h"
#include "service/sessione.h"
#include "tickets/formticket.h"
#include "tickets/gestioneticket.h"
#include "tickets/recordticket.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tarvolin::tickets {

QString ProgrammaAssistenza() {
    return platform::shell().executableFolder() + QStringLiteral("RemoteDesktop");
}

TForm_TicketList::TForm_TicketList(GestioneTicket& gestione)
    : QWidget(nullptr, Qt::Window), gestione_(gestione) {
    setObjectName(QStringLiteral("TForm_TicketList"));
    setWindowTitle(QStringLiteral("Ticket utente"));
    resize(740, 420);
    creaControlli();
}

void TForm_TicketList::creaControlli() {
    Righe = new ModelloRighe({{QStringLiteral("Titolo Ticket")},
                              {QStringLiteral("Data di apertura"), Qt::AlignRight},
                              {QStringLiteral("Status"), Qt::AlignHCenter},
                              {},
                              {},
                              {}},
                             this);
    ListaTicket = named(new QTreeView, "ListaTicket");
    ListaTicket->setModel(Righe);
    ListaTicket->setRootIsDecorated(false);
    ListaTicket->setUniformRowHeights(true);
    ListaTicket->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListaTicket->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (const auto& [colonna, larghezza] :
         {std::pair{colonna::Titolo, 450}, std::pair{colonna::Data, 150},
          std::pair{colonna::Status, 100}})
        ListaTicket->setColumnWidth(colonna, larghezza);
    for (int nascosta : {colonna::Id, colonna::CampoA, colonna::CampoB})
        ListaTicket->setColumnHidden(nascosta, true);
    connect(ListaTicket, &QTreeView::doubleClicked, this, &TForm_TicketList::BtRispondiTicketClick);

    BtNuovoTicket = named(new QPushButton(QStringLiteral("Apri un nuovo Ticket di assistenza")),
                          "BtNuovoTicket");
    BtRispondiTicket = named(new QPushButton(QStringLiteral("Rispondi al ticket selezionato")),
                             "BtRispondiTicket");
    BtAssistenzaRemota =
        named(new QPushButton(QStringLiteral("Apri il software di assistenza remota")),
              "BtAssistenzaRemota");
    connect(BtNuovoTicket, &QPushButton::clicked, this, &TForm_TicketList::BtNuovoTicketClick);
    connect(BtRispondiTicket, &QPushButton::clicked, this,
            &TForm_TicketList::BtRispondiTicketClick);
    connect(BtAssistenzaRemota, &QPushButton::clicked, this,
            &TForm_TicketList::BtAssistenzaRemotaClick);

    auto* suggerimento = named(
        new QLabel(QStringLiteral("Fai doppio click su un ticket per aprirlo, oppure selezionalo "
                                  "e premi \"Rispondi al ticket selezionato\".")),
        "LabelSuggerimento");
    suggerimento->setWordWrap(true);
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(BtNuovoTicket);
    pulsanti->addWidget(BtRispondiTicket);
    pulsanti->addStretch(1);
    pulsanti->addWidget(BtAssistenzaRemota);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListaTicket, 1);
    layout->addWidget(suggerimento);
    layout->addLayout(pulsanti);
}

void TForm_TicketList::AggiornaListaTicket(QStringView records) {
    Righe->Sostituisci(LeggiListaTicket(records));
}

void TForm_TicketList::BtNuovoTicketClick() {
    for (int r = 0; r < Righe->rowCount(); ++r) {
        if (Righe->Cella(r, colonna::Status) != QLatin1String("Chiuso")) {
            MostraMessaggio(this,
                            QStringLiteral("Non puoi aprire un nuovo ticket se ne hai uno ancora "
                                           "aperto!"),
                            QStringLiteral("Attenzione"), Icona::Avviso);
            return;
        }
    }
    if (TForm_Ticket* aperta = gestione_.Finestra(TForm_Ticket::kNuovo)) {
        MostraFinestra(aperta);
        return;
    }
    MostraFinestra(gestione_.ApriFinestra(TForm_Ticket::kNuovo, gestione_.EmailCliente(), {}));
}

void TForm_TicketList::BtRispondiTicketClick() {
    const QModelIndexList scelte = ListaTicket->selectionModel()->selectedRows();
    if (scelte.isEmpty())
        return;
    gestione_.FermaLampeggio();
    const QString id = Righe->Cella(scelte.first().row(), colonna::Id);
    if (TForm_Ticket* aperta = gestione_.Finestra(id)) {
        MostraFinestra(aperta);
        return;
    }
    BtRispondiTicket->setEnabled(false);
    gestione_.Servizio().senddata(QStringLiteral("#0202"),
                                  id + u'|' + gestione_.Servizio().CodiceIdentificativo());
}

void TForm_TicketList::BtAssistenzaRemotaClick() {
    const QString programma = ProgrammaAssistenza();
    if (QFileInfo(programma).isFile())
        QProcess::startDetached(programma, {}, QFileInfo(programma).absolutePath());
}

} // namespace tarvolin::tickets
