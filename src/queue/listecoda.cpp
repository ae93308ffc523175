#include "listecoda.h"

#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/statoprocesso.h"
#include "common_ui/desktop.h"
#include "common_ui/messagebox.h"
#include "platform/shell.h"
#include "queue/comandicoda.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/modellocoda.h"
#include "queue/vistacoda.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QTabWidget>

#include <optional>

namespace tarvolin::queue {

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
      schede_(schede), modello_(new ModelloCoda(this)) {
    for (VistaCoda* vista : {lista_, nonCompletati_, completati_})
        vista->Mostra(*modello_);
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

void ListeCoda::perRigheAllIndietro(TipoLista tipo, bool soloSpuntate,
                                    const std::function<void(int posizione)>& azione) {
    if (db_ == nullptr)
        return;
    try {
        Transazione transazione(*db_);
        for (int i = modello_->NumeroRighe(tipo) - 1; i >= 0; --i) {
            if (soloSpuntate && !modello_->Riga(tipo, i).spuntata)
                continue;
            try {
                azione(i);
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
        perRigheAllIndietro(TipoLista::Coda, true, [this](int i) {
            const RigaCoda& riga = modello_->Riga(TipoLista::Coda, i);
            const QString id = riga.Cella(cella::Id);
            if (riga.Cella(cella::Stato) == QLatin1String("Download") ||
                modello_->RigheTenute.contains(id))
                return;
            EliminaRigaTabella(*db_, id);
            modello_->Rimuovi(TipoLista::Coda, i);
        });
    }
    AggiornaTitoliListaDownload();
}

void ListeCoda::NascondiCompletati() {
    for (int i = modello_->NumeroRighe(TipoLista::Coda) - 1; i >= 0; --i) {
        const RigaCoda& riga = modello_->Riga(TipoLista::Coda, i);
        if (riga.icona != IconaCompletato || modello_->RigheTenute.contains(riga.Cella(cella::Id)))
            continue;
        modello_->SpostaInCompletati(i);
    }
    AggiornaTitoliListaDownload();
}

void ListeCoda::RimuoviGruppoSpuntati() {
    perRigheAllIndietro(TipoLista::Coda, true, [this](int i) {
        RimuoviGruppoTabella(*db_, modello_->Id(TipoLista::Coda, i));
        modello_->ImpostaCella(TipoLista::Coda, i, cella::Gruppo, QString());
    });
}

void ListeCoda::ApriLinkSelezionato() {
    QTreeWidgetItem* riga = lista_->currentItem();
    if (riga != nullptr && riga->isSelected())
        ApriIndirizzo(VistaCoda::Cella(riga, cella::Link));
}

void ListeCoda::Nascondi(VistaCoda* vista, bool tutti) {
    const TipoLista tipo = vista->Tipo();
    perRigheAllIndietro(tipo, !tutti, [this, tipo](int i) {
        EliminaRigaTabella(*db_, modello_->Id(tipo, i));
        modello_->Rimuovi(tipo, i);
    });
    AggiornaTitoliListaDownload();
}

bool ListeCoda::rimettiInCoda(TipoLista tipo, int posizione) {
    const std::optional<RigaTabella> r = RimettiInCodaTabella(*db_, modello_->Id(tipo, posizione));
    if (r)
        AggiungiInCoda(r->link, r->gruppo, r->link, r->passlink, r->id);
    modello_->Rimuovi(tipo, posizione);
    return r.has_value();
}

void ListeCoda::RimettiInCodaSpuntati(VistaCoda* vista) {
    const TipoLista tipo = vista->Tipo();
    perRigheAllIndietro(tipo, true, [this, tipo](int i) { rimettiInCoda(tipo, i); });
    AggiornaTitoliListaDownload();
}

void ListeCoda::CopiaColonnaSpuntati(VistaCoda* vista, int cella) {
    QStringList valori;
    const ModelloCoda& m = vista->Modello();
    for (int i = m.NumeroRighe(vista->Tipo()) - 1; i >= 0; --i) {
        if (m.Riga(vista->Tipo(), i).spuntata)
            valori << m.Riga(vista->Tipo(), i).Cella(cella);
    }
    const QString testo = valori.join(QStringLiteral("\r\n"));
    if (testo.isEmpty())
        return;
    Processo().UltimoTestoAppunti = testo;
    QGuiApplication::clipboard()->setText(testo);
}

void ListeCoda::SpuntaTutti(VistaCoda* vista, bool spunta) {
    ModelloCoda& m = vista->Modello();
    for (int i = 0; i < m.NumeroRighe(vista->Tipo()); ++i)
        m.Spunta(vista->Tipo(), i, spunta);
}

void ListeCoda::MostraNellaCartella(const QString& nomeFile) {
    QString percorso = opzioni_.CompleteDir();
    if (opzioni_.AlwaysFolder())
        percorso += SottocartellaFile(nomeFile);
    percorso += nomeFile;
    if (QFileInfo(percorso).isFile())
        platform::shell().showInFolder(percorso);
}

void ListeCoda::rimettiInCodaSulPosto(int i) {
    ModelloCoda& m = *modello_;
    constexpr TipoLista coda = TipoLista::Coda;
    RimettiInCodaTabella(*db_, m.Id(coda, i));
    m.ImpostaDidascalia(coda, i, m.Riga(coda, i).Cella(cella::Link));
    m.ImpostaCella(coda, i, cella::Size, kNd);
    m.ImpostaCella(coda, i, cella::Stato, kInCoda);
    m.ImpostaCella(coda, i, cella::Fine, QString());
    m.ImpostaIcona(coda, i, IconaInCoda);
}

void ListeCoda::IconaPremuta(VistaCoda* vista, QTreeWidgetItem* item) {
    const TipoLista tipo = vista->Tipo();
    const int posizione = vista->Posizione(item);
    const RigaCoda& riga = modello_->Riga(tipo, posizione);
    const int icona = riga.icona;
    try {
        if (vista == lista_ && (icona == IconaInCoda || icona == IconaFermo))
            emit AvviaDownload(riga.Cella(cella::Id));
        else if (vista == lista_ && icona == IconaInCorso)
            emit InterrompiDownload(riga.Cella(cella::Id));
        else if (vista != nonCompletati_ && icona == IconaCompletato)
            MostraNellaCartella(riga.didascalia);
        else if (vista == lista_ && icona == IconaFallito && db_ != nullptr)
            rimettiInCodaSulPosto(posizione);
        else if (vista == nonCompletati_ && icona == IconaFallito && db_ != nullptr) {
            rimettiInCoda(tipo, posizione);
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

} // namespace tarvolin::queue
