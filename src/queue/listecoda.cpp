#include "listecoda.h"

#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/messagebox.h"
#include "common/statoprocesso.h"
#include "platform/shell.h"
#include "queue/comandicoda.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/vistacoda.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QTabWidget>

#include <optional>

namespace tarvolin {

namespace {

const QString kInCoda = QStringLiteral("In coda");
const QString kNd = QStringLiteral("n/d");

QAction* voce(QMenu* menu, const char* name, const QString& testo) {
    QAction* action = menu->addAction(testo);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Suspends a list's redrawing for the lifetime of the object.
class SenzaRidisegno {
public:
    explicit SenzaRidisegno(QWidget* w) : w_(w) { w_->setUpdatesEnabled(false); }
    ~SenzaRidisegno() { w_->setUpdatesEnabled(true); }
    SenzaRidisegno(const SenzaRidisegno&) = delete;
    SenzaRidisegno& operator=(const SenzaRidisegno&) = delete;

private:
    QWidget* w_;
};

} // namespace

ListeCoda::ListeCoda(VistaCoda* lista, VistaCoda* nonCompletati, VistaCoda* completati,
                     QTabWidget* schede, QObject* parent)
    : QObject(parent), lista_(lista), nonCompletati_(nonCompletati), completati_(completati),
      schede_(schede) {
    lista_->setObjectName(QStringLiteral("Lista"));
    nonCompletati_->setObjectName(QStringLiteral("ListaNonCompletati"));
    completati_->setObjectName(QStringLiteral("ListaCompletati"));
    creaMenu();
    for (VistaCoda* vista : {lista_, nonCompletati_, completati_}) {
        connect(vista, &VistaCoda::IconaPremuta, this,
                [this, vista](QTreeWidgetItem* riga) { IconaPremuta(vista, riga); });
    }
    connect(lista_, &VistaCoda::CancellaPremuto, this, &ListeCoda::EliminaSelezionati);
    connect(nonCompletati_, &VistaCoda::CancellaPremuto, this,
            [this] { Nascondi(nonCompletati_, false); });
    connect(completati_, &VistaCoda::CancellaPremuto, this,
            [this] { Nascondi(completati_, false); });
    connect(lista_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* riga) {
        if (riga != nullptr && riga->isSelected())
            emit ModificaDownload(riga);
    });
}

void ListeCoda::creaMenu() {
    PopupDownload = new QMenu(lista_);
    PopupDownload->setObjectName(QStringLiteral("PopupDownload"));
    connect(voce(PopupDownload, "SelezionaTuttiDownload", QStringLiteral("Seleziona tutti")),
            &QAction::triggered, this, [this] { SpuntaTutti(lista_, true); });
    connect(voce(PopupDownload, "DeselezionaTuttiDownload", QStringLiteral("Deseleziona tutti")),
            &QAction::triggered, this, [this] { SpuntaTutti(lista_, false); });
    connect(voce(PopupDownload, "Modificadownload1", QStringLiteral("Modifica download")),
            &QAction::triggered, this, [this] {
                if (QTreeWidgetItem* riga = lista_->currentItem();
                    riga != nullptr && riga->isSelected())
                    emit ModificaDownload(riga);
            });
    connect(voce(PopupDownload, "NascondiCompletati",
                 QStringLiteral("Nascondi dalla lista i download completati")),
            &QAction::triggered, this, &ListeCoda::NascondiCompletati);
    connect(voce(PopupDownload, "Copialinknegliappunti1",
                 QStringLiteral("Copia negli appunti i link dei download selezionati")),
            &QAction::triggered, this, [this] { CopiaColonnaSpuntati(lista_, cella::Link); });
    // Its behaviour belongs to the scheduler.
    voce(PopupDownload, "Rimettiincodaperildownloadautomatico1",
         QStringLiteral("Rimetti in coda per il download automatico"));
    connect(voce(PopupDownload, "Rimuoviilgruppodagliannunciselezionati1",
                 QStringLiteral("Rimuovi il gruppo dagli annunci selezionati")),
            &QAction::triggered, this, &ListeCoda::RimuoviGruppoSpuntati);
    connect(voce(PopupDownload, "Aprilinksusubrowser1", QStringLiteral("Apri link su su browser")),
            &QAction::triggered, this, &ListeCoda::ApriLinkSelezionato);

    struct Nomi {
        const char *seleziona, *deseleziona, *nascondi, *nascondiTutti, *rimetti, *copia;
    };
    auto menuStorico = [this](VistaCoda* vista, const char* nomeMenu, const Nomi& n) {
        auto* menu = new QMenu(vista);
        menu->setObjectName(QString::fromLatin1(nomeMenu));
        connect(voce(menu, n.seleziona, QStringLiteral("Seleziona tutti")), &QAction::triggered,
                this, [vista] { SpuntaTutti(vista, true); });
        connect(voce(menu, n.deseleziona, QStringLiteral("Deseleziona tutti")), &QAction::triggered,
                this, [vista] { SpuntaTutti(vista, false); });
        connect(
            voce(menu, n.nascondi, QStringLiteral("Nascondi dalla lista i download selezionati")),
            &QAction::triggered, this, [this, vista] { Nascondi(vista, false); });
        connect(voce(menu, n.nascondiTutti, QStringLiteral("Nascondi tutti dalla lista")),
                &QAction::triggered, this, [this, vista] { Nascondi(vista, true); });
        connect(voce(menu, n.rimetti,
                     QStringLiteral("Metti nuovamente in coda i download selezionati")),
                &QAction::triggered, this, [this, vista] { RimettiInCodaSpuntati(vista); });
        connect(voce(menu, n.copia,
                     QStringLiteral("Copia negli appunti i link dei download selezionati")),
                &QAction::triggered, this,
                [this, vista] { CopiaColonnaSpuntati(vista, vista->CellaLink()); });
        return menu;
    };
    PopupIncompleti =
        menuStorico(nonCompletati_, "PopupIncompleti",
                    {"SelezionaTuttiIncompleti", "DeselezionaTuttiIncompletii",
                     "NascondiDaIncompleti", "NascondiTuttiDaIncompleti",
                     "RimettiInCodaDaIncompleti", "Copianegliappuntiilinkdeidownloadselezionati1"});
    PopupCompletati =
        menuStorico(completati_, "PopupCompletati",
                    {"SelezionatuttiCompletati1", "DeselezionatuttiCompletati1",
                     "Nascondidallalista1", "Nascondituttidallalista1", "Rimettiincodaneidownload1",
                     "Copialinkselezionatinegliappunti1"});
    for (auto [vista, menu] :
         {std::pair{lista_, PopupDownload}, std::pair{nonCompletati_, PopupIncompleti},
          std::pair{completati_, PopupCompletati}}) {
        vista->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(vista, &QWidget::customContextMenuRequested, menu,
                [v = vista, m = menu](const QPoint& pos) {
                    m->popup(v->viewport()->mapToGlobal(pos));
                });
    }
}

QTreeWidgetItem* ListeCoda::AggiungiInCoda(const QString& didascalia, const QString& gruppo,
                                           const QString& link, const QString& passlink,
                                           const QString& id) {
    return lista_->AggiungiRiga(didascalia, IconaInCoda,
                                {kNd, kInCoda, QString(), QString(), QString(),
                                 GruppoVisibile(gruppo), link, passlink, id});
}

bool ListeCoda::AggiungiListaLink(const QString& testo, const QString& passlink,
                                  const QString& passwordArchivio, const QString& gruppo,
                                  bool autoExtract, QWidget* finestra) {
    std::optional<QList<LinkAggiunto>> aggiunti;
    try {
        if (db_ != nullptr)
            aggiunti = AggiungiLink(*db_, testo, passlink, passwordArchivio, gruppo, autoExtract);
    } catch (const DatabaseError& e) {
        // The transaction was undone: nothing to show, and the links are the user's to retry.
        qCDebug(lcCoda) << "links not queued, transaction rolled back:" << e.what();
    }
    if (!aggiunti) {
        MostraMessaggio(finestra != nullptr ? finestra : lista_->window(),
                        QStringLiteral("Non è stato possibile salvare i link nel database: "
                                       "riprova."),
                        QStringLiteral("Attenzione"), Icona::Avviso);
        return false;
    }
    SenzaRidisegno sospeso(lista_);
    for (const LinkAggiunto& a : *aggiunti)
        AggiungiInCoda(a.testo, gruppo, a.link, passlink, QString::number(a.id));
    return true;
}

void ListeCoda::aggiungiCompletato(const RigaTabella& r) {
    completati_->AggiungiRiga(
        r.nomefile, IconaCompletato,
        {DimensioneCompletato(r.dimensione), GruppoVisibile(r.gruppo), r.link, r.passlink, r.id});
}

void ListeCoda::aggiungiNonCompletato(const RigaTabella& r) {
    nonCompletati_->AggiungiRiga(r.nomefile.isEmpty() ? r.link : r.nomefile, IconaFallito,
                                 {r.dimensione.isEmpty() ? kNd : r.dimensione,
                                  QStringLiteral("Errore download"), GruppoVisibile(r.gruppo),
                                  r.link, r.passlink, r.id});
}

void ListeCoda::CaricaLista() {
    if (db_ == nullptr)
        return;
    // A list that cannot be read stays empty; the rows wait in the database.
    const auto carica = [this](VistaCoda* vista, const QString& stato, int limite,
                               const std::function<void(const RigaTabella&)>& aggiungi) {
        SenzaRidisegno sospeso(vista);
        try {
            for (const RigaTabella& riga : LeggiRighe(*db_, stato, limite))
                aggiungi(riga);
        } catch (const DatabaseError& e) {
            qCDebug(lcCoda) << "list" << stato << "not loaded:" << e.what();
        }
    };
    carica(lista_, QStringLiteral("0"), 0, [this](const RigaTabella& r) {
        AggiungiInCoda(r.link, r.gruppo, r.link, r.passlink, r.id);
    });
    carica(completati_, QStringLiteral("1"), 500,
           [this](const RigaTabella& r) { aggiungiCompletato(r); });
    carica(nonCompletati_, QStringLiteral("2"), 500,
           [this](const RigaTabella& r) { aggiungiNonCompletato(r); });
    AggiornaTitoliListaDownload();
}

void ListeCoda::AggiornaTitoliListaDownload() {
    schede_->setTabText(schede_->indexOf(lista_),
                        QStringLiteral("Download in coda/attivi (%1)").arg(lista_->NumeroRighe()));
    schede_->setTabText(
        schede_->indexOf(nonCompletati_),
        QStringLiteral("Trasferimenti non completati (%1)").arg(nonCompletati_->NumeroRighe()));
    schede_->setTabText(
        schede_->indexOf(completati_),
        QStringLiteral("Trasferimenti completati (%1)").arg(completati_->NumeroRighe()));
    emit InCodaCambiato(lista_->NumeroRighe());
}

void ListeCoda::perRigheAllIndietro(VistaCoda* vista, bool soloSpuntate,
                                    const std::function<void(QTreeWidgetItem*)>& azione) {
    if (db_ == nullptr)
        return;
    try {
        Transazione transazione(*db_);
        for (int i = vista->NumeroRighe() - 1; i >= 0; --i) {
            QTreeWidgetItem* riga = vista->Riga(i);
            if (soloSpuntate && !VistaCoda::Spuntata(riga))
                continue;
            try {
                azione(riga);
            } catch (const DatabaseError& e) {
                // This row stays as it was; the others go on.
                qCDebug(lcCoda) << "row left as it was:" << e.what();
            }
        }
        transazione.Commit();
    } catch (const DatabaseError& e) {
        // No transaction could be had, or the commit failed: the rows are back at the next start.
        qCDebug(lcCoda) << "rows' change rolled back:" << e.what();
    }
}

void ListeCoda::EliminaSelezionati() {
    if (schede_->currentWidget() != lista_)
        return;
    if (MostraMessaggio(
            lista_->window(), QStringLiteral("Eliminare i link selezionati nella lista?"),
            QStringLiteral("Conferma"), Icona::Avviso, Pulsanti::SiNo) == Risposta::Si) {
        perRigheAllIndietro(lista_, true, [this](QTreeWidgetItem* riga) {
            const QString id = VistaCoda::Cella(riga, cella::Id);
            if (VistaCoda::Cella(riga, cella::Stato) == QLatin1String("Download") ||
                RigheTenute.contains(id))
                return;
            EliminaRigaTabella(*db_, id);
            lista_->RimuoviRiga(riga);
        });
    }
    AggiornaTitoliListaDownload();
}

void ListeCoda::NascondiCompletati() {
    for (int i = lista_->NumeroRighe() - 1; i >= 0; --i) {
        QTreeWidgetItem* riga = lista_->Riga(i);
        if (VistaCoda::Icona(riga) != IconaCompletato ||
            RigheTenute.contains(VistaCoda::Cella(riga, cella::Id)))
            continue;
        completati_->AggiungiRiga(
            riga->text(0), IconaCompletato,
            {DimensioneSpostata(VistaCoda::Cella(riga, cella::Size)),
             VistaCoda::Cella(riga, cella::Gruppo), VistaCoda::Cella(riga, cella::Link),
             VistaCoda::Cella(riga, cella::Password), VistaCoda::Cella(riga, cella::Id)});
        lista_->RimuoviRiga(riga);
    }
    AggiornaTitoliListaDownload();
}

void ListeCoda::RimuoviGruppoSpuntati() {
    perRigheAllIndietro(lista_, true, [this](QTreeWidgetItem* riga) {
        RimuoviGruppoTabella(*db_, VistaCoda::Cella(riga, cella::Id));
        VistaCoda::ImpostaCella(riga, cella::Gruppo, QString());
    });
}

void ListeCoda::ApriLinkSelezionato() {
    QTreeWidgetItem* riga = lista_->currentItem();
    if (riga != nullptr && riga->isSelected())
        ApriIndirizzo(VistaCoda::Cella(riga, cella::Link));
}

void ListeCoda::Nascondi(VistaCoda* vista, bool tutti) {
    perRigheAllIndietro(vista, !tutti, [this, vista](QTreeWidgetItem* riga) {
        EliminaRigaTabella(*db_, VistaCoda::Cella(riga, vista->CellaId()));
        vista->RimuoviRiga(riga);
    });
    AggiornaTitoliListaDownload();
}

bool ListeCoda::rimettiInCoda(VistaCoda* vista, QTreeWidgetItem* riga) {
    const std::optional<RigaTabella> r =
        RimettiInCodaTabella(*db_, VistaCoda::Cella(riga, vista->CellaId()));
    if (r)
        AggiungiInCoda(r->link, r->gruppo, r->link, r->passlink, r->id);
    vista->RimuoviRiga(riga);
    return r.has_value();
}

void ListeCoda::RimettiInCodaSpuntati(VistaCoda* vista) {
    perRigheAllIndietro(vista, true,
                        [this, vista](QTreeWidgetItem* riga) { rimettiInCoda(vista, riga); });
    AggiornaTitoliListaDownload();
}

void ListeCoda::CopiaColonnaSpuntati(VistaCoda* vista, int cella) {
    QStringList valori;
    for (int i = vista->NumeroRighe() - 1; i >= 0; --i) {
        if (VistaCoda::Spuntata(vista->Riga(i)))
            valori << VistaCoda::Cella(vista->Riga(i), cella);
    }
    const QString testo = valori.join(QStringLiteral("\r\n"));
    if (testo.isEmpty())
        return;
    Processo().UltimoTestoAppunti = testo;
    QGuiApplication::clipboard()->setText(testo);
}

void ListeCoda::SpuntaTutti(VistaCoda* vista, bool spunta) {
    for (int i = 0; i < vista->NumeroRighe(); ++i)
        VistaCoda::Spunta(vista->Riga(i), spunta);
}

void ListeCoda::MostraNellaCartella(QTreeWidgetItem* riga) {
    QString percorso = opzioni_.CompleteDir();
    if (opzioni_.AlwaysFolder())
        percorso += SottocartellaFile(riga->text(0));
    percorso += riga->text(0);
    if (QFileInfo(percorso).isFile())
        platform::shell().showInFolder(percorso);
}

void ListeCoda::rimettiInCodaSulPosto(QTreeWidgetItem* riga) {
    RimettiInCodaTabella(*db_, VistaCoda::Cella(riga, cella::Id));
    riga->setText(0, VistaCoda::Cella(riga, cella::Link));
    VistaCoda::ImpostaCella(riga, cella::Size, kNd);
    VistaCoda::ImpostaCella(riga, cella::Stato, kInCoda);
    VistaCoda::ImpostaCella(riga, cella::Fine, QString());
    lista_->ImpostaIcona(riga, IconaInCoda);
}

void ListeCoda::IconaPremuta(VistaCoda* vista, QTreeWidgetItem* riga) {
    const int icona = VistaCoda::Icona(riga);
    try {
        if (vista == lista_ && (icona == IconaInCoda || icona == IconaFermo))
            emit AvviaDownload(VistaCoda::Cella(riga, cella::Id));
        else if (vista == lista_ && icona == IconaInCorso)
            emit InterrompiDownload(VistaCoda::Cella(riga, cella::Id));
        else if (vista != nonCompletati_ && icona == IconaCompletato)
            MostraNellaCartella(riga);
        else if (vista == lista_ && icona == IconaFallito && db_ != nullptr)
            rimettiInCodaSulPosto(riga);
        else if (vista == nonCompletati_ && icona == IconaFallito && db_ != nullptr) {
            rimettiInCoda(vista, riga);
            AggiornaTitoliListaDownload();
        }
    } catch (const DatabaseError& e) {
        // The row keeps its state; a later click may try again.
        qCDebug(lcCoda) << "row not requeued:" << e.what();
    }
}

void ListeCoda::ApriCartellaDownload() {
    ApriIndirizzo(opzioni_.CompleteDir());
}

void ListeCoda::ApriCartellaTemp() {
    ApriIndirizzo(opzioni_.TempDir());
}

} // namespace tarvolin
