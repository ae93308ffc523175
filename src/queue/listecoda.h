#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QTabWidget;
class QTreeWidgetItem;
class QWidget;

namespace tarvolin::queue {

class Database;
class ModelloCoda;
class TForm_Add;
class VistaCoda;
struct RigaTabella;
enum class TipoLista;

// What the queue commands read from the options.
struct OpzioniCoda {
    std::function<QString()> CompleteDir = [] { return QString(); };
    std::function<QString()> TempDir = [] { return QString(); };
    std::function<bool()> AlwaysFolder = [] { return false; };
};

// The three queue lists and every command the user gives on them. The lists and the database
// agree after each command; rows are found by their row id.
class ListeCoda : public QObject {
    Q_OBJECT
public:
    ListeCoda(VistaCoda* lista, VistaCoda* nonCompletati, VistaCoda* completati, QTabWidget* schede,
              QObject* parent = nullptr);

    void ImpostaDatabase(Database* db) { db_ = db; }
    Database* Db() const { return db_; }
    void ImpostaOpzioni(OpzioniCoda opzioni) { opzioni_ = std::move(opzioni); }

    VistaCoda* Lista() const { return lista_; }
    VistaCoda* NonCompletati() const { return nonCompletati_; }
    VistaCoda* Completati() const { return completati_; }
    // The rows the three lists show.
    ModelloCoda& Modello() const { return *modello_; }

    void CaricaLista();
    void AggiornaTitoliListaDownload();
    // A queued row of `Lista`, as the intake and the re-queue build it.
    QTreeWidgetItem* AggiungiInCoda(const QString& didascalia, const QString& gruppo,
                                    const QString& link, const QString& passlink,
                                    const QString& id);

    // Queues each new link of `testo` in the database and in `Lista`, all in one transaction:
    // when it fails, neither shows any of them, the user is told over `finestra` (else the
    // main window) and the result is false.
    bool AggiungiListaLink(const QString& testo, const QString& passlink,
                           const QString& passwordArchivio, const QString& gruppo, bool autoExtract,
                           QWidget* finestra = nullptr);

    void EliminaSelezionati();
    void NascondiCompletati();
    void RimuoviGruppoSpuntati();
    void ApriLinkSelezionato();
    void Nascondi(VistaCoda* vista, bool tutti);
    void RimettiInCodaSpuntati(VistaCoda* vista);
    void CopiaColonnaSpuntati(VistaCoda* vista, int cella);
    static void SpuntaTutti(VistaCoda* vista, bool spunta);
    void MostraNellaCartella(const QString& nomeFile);
    void IconaPremuta(VistaCoda* vista, QTreeWidgetItem* riga);
    void ApriCartellaDownload();
    void ApriCartellaTemp();

    QMenu* PopupDownload = nullptr;
    QMenu* PopupIncompleti = nullptr;
    QMenu* PopupCompletati = nullptr;

signals:
    void AvviaDownload(const QString& id);
    void InterrompiDownload(const QString& id);
    // A double click or "Modifica download" on a row of `Lista`.
    void ModificaDownload(QTreeWidgetItem* riga);
    // The number of queued rows after a change, for the speed widget's queue line.
    void InCodaCambiato(int righe);
    // An add-links dialog holding a single link-folder address hands it over.
    void CartellaLinkRichiesta(const QString& riga, TForm_Add* dialogo);

private:
    void creaMenu();
    void riempi(VistaCoda* vista, const QList<RigaTabella>& righe);
    void aggiungiCompletato(const RigaTabella& riga);
    void aggiungiNonCompletato(const RigaTabella& riga);
    bool rimettiInCoda(TipoLista tipo, int posizione);
    void rimettiInCodaSulPosto(int posizione);
    // Runs `azione` on each ticked (or every) row from the last to the first, in one
    // transaction; a failing row is skipped.
    void perRigheAllIndietro(TipoLista tipo, bool soloSpuntate,
                             const std::function<void(int posizione)>& azione);

    VistaCoda* lista_;
    VistaCoda* nonCompletati_;
    VistaCoda* completati_;
    QTabWidget* schede_;
    Database* db_ = nullptr;
    OpzioniCoda opzioni_;
    ModelloCoda* modello_;
};

} // namespace tarvolin::queue
