#include "formricerca.h"

#include "common_ui/modellorighe.h"
#include "common_ui/nominato.h"
#include "queue/formadd.h"
#include "search/risultati.h"
#include "service/sessione.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvolin::search {

TForm_Ricerca::TForm_Ricerca(int idRicerca, service::Sessione& servizio, Coda coda)
    : QWidget(nullptr, Qt::Window), IdRicerca(idRicerca), servizio_(servizio),
      coda_(std::move(coda)) {
    setObjectName(QStringLiteral("TForm_Ricerca"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tarvolin Fast Search"));
    resize(980, 520);
    creaControlli();
}

void TForm_Ricerca::creaControlli() {
    CercaTxt = named(new QLineEdit, "CercaTxt");
    BtCerca = named(new QPushButton(QStringLiteral("Cerca")), "BtCerca");
    connect(BtCerca, &QPushButton::clicked, this, &TForm_Ricerca::BtCercaClick);
    connect(CercaTxt, &QLineEdit::returnPressed, BtCerca, &QPushButton::click);

    const Qt::Alignment destra = Qt::AlignRight;
    Risultati = new ModelloRighe({{QStringLiteral("Nome del file")},
                                  {QStringLiteral("Link")},
                                  {QStringLiteral("Password"), destra},
                                  {QStringLiteral("Pass. Archivio"), destra},
                                  {QStringLiteral("Dimensione (MB)"), destra},
                                  {QStringLiteral("Ultimo controllo"), destra}},
                                 this);
    ListaRisultati = named(new QTableView, "ListaRisultati");
    ListaRisultati->setModel(Risultati);
    ListaRisultati->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListaRisultati->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListaRisultati->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListaRisultati->setShowGrid(true);
    ListaRisultati->setWordWrap(false);
    ListaRisultati->verticalHeader()->hide();
    ListaRisultati->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListaRisultati->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* colonne = ListaRisultati->horizontalHeader();
    colonne->setSectionResizeMode(colonna::Nome, QHeaderView::Stretch);
    for (const auto& [c, larghezza] :
         {std::pair{colonna::Link, 210}, std::pair{colonna::Password, 100},
          std::pair{colonna::PasswordArchivio, 100}, std::pair{colonna::Dimensione, 100},
          std::pair{colonna::Controllo, 150}})
        ListaRisultati->setColumnWidth(c, larghezza);

    BtAggiungi =
        named(new QPushButton(QStringLiteral("Aggiungi i link selezionati alla lista download")),
              "BtAggiungi");
    connect(BtAggiungi, &QPushButton::clicked, this, &TForm_Ricerca::BtAggiungiClick);

    auto* barra = new QHBoxLayout;
    barra->addWidget(named(new QLabel(QStringLiteral("Cosa stai cercando? ")), "LabelCerca"));
    barra->addWidget(CercaTxt, 1);
    barra->addWidget(BtCerca);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(barra);
    layout->addWidget(ListaRisultati, 1);
    layout->addWidget(BtAggiungi, 0, Qt::AlignRight);
}

void TForm_Ricerca::BtCercaClick() {
    const QString query = CercaTxt->text();
    if (query.isEmpty())
        return;
    BtCerca->setEnabled(false);
    Risultati->Sostituisci(RigaSegnaposto(QStringLiteral("Ricerca in corso....attendere...")));
    servizio_.senddata(QStringLiteral("#0777"), QString::number(IdRicerca) + u'|' + query);
}

void TForm_Ricerca::SviluppaRisultati(QStringView records) {
    std::vector<QStringList> righe = LeggiRisultati(records);
    if (righe.empty())
        righe = RigaSegnaposto(QStringLiteral("Nessun risultato trovato :("));
    Risultati->Sostituisci(std::move(righe));
    BtCerca->setEnabled(true);
}

void TForm_Ricerca::RicercaErrore(const QString& messaggio) {
    BtCerca->setEnabled(true);
    Risultati->Sostituisci(RigaSegnaposto(messaggio));
}

void TForm_Ricerca::BtAggiungiClick() {
    QList<int> selezionate;
    for (const QModelIndex& indice : ListaRisultati->selectionModel()->selectedRows())
        selezionate.append(indice.row());
    const LinkScelti scelti = RaccogliLink(*Risultati, std::move(selezionate));
    if (scelti.link.isEmpty())
        return;
    queue::TForm_Add* dialogo =
        queue::ApriAggiungi(coda_.code, coda_.autoExtractOpzioni, false, false, scelti.link, this);
    dialogo->Password->setText(scelti.password);
    dialogo->PasswordArchivio->setText(scelti.passwordArchivio);
}

void TForm_Ricerca::closeEvent(QCloseEvent* event) {
    emit Chiusa(this);
    QWidget::closeEvent(event);
}

} // namespace tarvolin::search
