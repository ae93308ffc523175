#include "modellocoda.h"

#include "queue/comandicoda.h"

namespace tarvolin::queue {

int CellaGruppo(TipoLista tipo) {
    switch (tipo) {
    case TipoLista::Coda:
        return cella::Gruppo;
    case TipoLista::NonCompletati:
        return 2;
    case TipoLista::Completati:
        break;
    }
    return 1;
}

int ModelloCoda::Posizione(TipoLista tipo, const QString& id) const {
    const Lista& l = liste_[indice(tipo)];
    if (!l.indiceValido) {
        l.indice.clear();
        const int c = CellaId(tipo);
        // Backwards, so that of two rows with one id the first wins, as a scan would find it.
        for (int i = static_cast<int>(l.righe.size()) - 1; i >= 0; --i)
            l.indice.insert(l.righe[i].Cella(c), i);
        l.indiceValido = true;
    }
    return l.indice.value(id, -1);
}

const RigaCoda* ModelloCoda::RigaPerId(TipoLista tipo, const QString& id) const {
    const int p = Posizione(tipo, id);
    return p < 0 ? nullptr : &lista(tipo)[p];
}

QString ModelloCoda::Id(TipoLista tipo, int posizione) const {
    return Riga(tipo, posizione).Cella(CellaId(tipo));
}

void ModelloCoda::Aggiungi(TipoLista tipo, RigaCoda riga) {
    Lista& l = liste_[indice(tipo)];
    const int p = static_cast<int>(l.righe.size());
    if (l.indiceValido) {
        const QString id = riga.Cella(CellaId(tipo));
        if (!l.indice.contains(id))
            l.indice.insert(id, p);
    }
    l.righe.append(std::move(riga));
    emit RigaAggiunta(tipo, p);
}

void ModelloCoda::Rimuovi(TipoLista tipo, int posizione) {
    Lista& l = liste_[indice(tipo)];
    l.righe.removeAt(posizione);
    l.indiceValido = false;
    emit RigaRimossa(tipo, posizione);
}

void ModelloCoda::ImpostaDidascalia(TipoLista tipo, int posizione, const QString& testo) {
    liste_[indice(tipo)].righe[posizione].didascalia = testo;
    emit RigaCambiata(tipo, posizione, Parte::Didascalia, 0);
}

void ModelloCoda::ImpostaCella(TipoLista tipo, int posizione, int c, const QString& testo) {
    Lista& l = liste_[indice(tipo)];
    QStringList& celle = l.righe[posizione].celle;
    while (celle.size() <= c)
        celle.append(QString());
    celle[c] = testo;
    if (c == CellaId(tipo))
        l.indiceValido = false;
    emit RigaCambiata(tipo, posizione, Parte::Cella, c);
}

void ModelloCoda::ImpostaIcona(TipoLista tipo, int posizione, int icona) {
    liste_[indice(tipo)].righe[posizione].icona = icona;
    emit RigaCambiata(tipo, posizione, Parte::Icona, 0);
}

ModelloCoda::Aggiornamento::Aggiornamento(ModelloCoda& m) : m_(m) {
    if (m_.aggiornamenti_++ == 0)
        emit m_.AggiornamentoIniziato();
}

ModelloCoda::Aggiornamento::~Aggiornamento() {
    if (--m_.aggiornamenti_ == 0)
        emit m_.AggiornamentoFinito();
}

void ModelloCoda::Spunta(TipoLista tipo, int posizione, bool spuntata) {
    RigaCoda& r = liste_[indice(tipo)].righe[posizione];
    if (r.spuntata == spuntata)
        return;
    r.spuntata = spuntata;
    emit RigaCambiata(tipo, posizione, Parte::Spunta, 0);
}

void ModelloCoda::SpostaInCompletati(int posizione) {
    const RigaCoda r = Riga(TipoLista::Coda, posizione);
    Aggiungi(TipoLista::Completati,
             RigaCoda{r.didascalia,
                      {DimensioneSpostata(r.Cella(cella::Size)), r.Cella(cella::Gruppo),
                       r.Cella(cella::Link), r.Cella(cella::Password), r.Cella(cella::Id)},
                      IconaCompletato,
                      false});
    Rimuovi(TipoLista::Coda, posizione);
}

} // namespace tarvolin::queue
