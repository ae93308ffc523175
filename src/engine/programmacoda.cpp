#include "programmacoda.h"

#include "engine/attivi.h"
#include "queue/comandicoda.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"

#include <QTreeWidgetItem>

namespace tarvolin::motore {

namespace {

template <typename F> void conRiga(ListeCoda& code, const QString& id, F&& fn) {
    if (QTreeWidgetItem* riga = code.Lista()->RigaPerId(id))
        fn(riga);
}

} // namespace

QString ProgrammaCoda::Cella(const QString& id, int cella) const {
    QString testo;
    conRiga(code_, id, [&](QTreeWidgetItem* r) { testo = VistaCoda::Cella(r, cella); });
    return testo;
}

void ProgrammaCoda::ImpostaCella(const QString& id, int cella, const QString& testo) {
    conRiga(code_, id, [&](QTreeWidgetItem* r) { VistaCoda::ImpostaCella(r, cella, testo); });
}

QString ProgrammaCoda::Didascalia(const QString& id) const {
    QString testo;
    conRiga(code_, id, [&](QTreeWidgetItem* r) { testo = r->text(0); });
    return testo;
}

void ProgrammaCoda::ImpostaDidascalia(const QString& id, const QString& testo) {
    conRiga(code_, id, [&](QTreeWidgetItem* r) { r->setText(0, testo); });
}

void ProgrammaCoda::ImpostaIcona(const QString& id, int icona) {
    conRiga(code_, id, [&](QTreeWidgetItem* r) { code_.Lista()->ImpostaIcona(r, icona); });
}

void ProgrammaCoda::SpostaInCompletati(const QString& id) {
    conRiga(code_, id, [&](QTreeWidgetItem* r) {
        code_.Completati()->AggiungiRiga(
            r->text(0), IconaCompletato,
            {DimensioneSpostata(VistaCoda::Cella(r, cella::Size)),
             VistaCoda::Cella(r, cella::Gruppo), VistaCoda::Cella(r, cella::Link),
             VistaCoda::Cella(r, cella::Password), VistaCoda::Cella(r, cella::Id)});
        code_.RigheTenute.remove(id);
        code_.Lista()->RimuoviRiga(r);
        code_.AggiornaTitoliListaDownload();
    });
}

Database* ProgrammaCoda::Db() {
    return code_.Db();
}

void ProgrammaCoda::DisattivaDownloadAutomatico() {
    if (SpegniAutomatico)
        SpegniAutomatico();
}

void ProgrammaCoda::RimuoviDaAttivi(StatoDownload& download) {
    code_.RigheTenute.remove(download.IdRiga);
    if (Rimuovi)
        Rimuovi(download);
}

void ProgrammaCoda::FineDownload() {
    if (Fine)
        Fine();
}

void ProgrammaCoda::DownloadConcluso(const QString& id, bool riuscito) {
    if (Concluso)
        Concluso(id, riuscito);
}

} // namespace tarvolin::motore
