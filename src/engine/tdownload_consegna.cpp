// The last stage of a download: the partial file flushed, given its final name and folder, and
// recorded only once it lies there for good.
#include "tdownload.h"

#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "engine/fileparziale.h"
#include "engine/mostra.h"
#include "engine/nomefile.h"
#include "engine/percorsi.h"
#include "engine/programma.h"
#include "engine/ripresa.h"
#include "engine/spostamento.h"
#include "queue/modellocoda.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>

namespace tarvolin::engine {

namespace {

constexpr int kTentativiNome = 1000;

// The new name on the disk before the row is recorded. A folder the disk cannot flush (a file
// system without it, a folder we may enter but not read) still holds the whole file: failing
// the row would only fetch it again.
void sincronizza(const QString& cartella) {
    if (!SincronizzaCartella(cartella))
        qCDebug(lcMotore) << "folder" << cartella << "not flushed:" << errno;
}

} // namespace

TDownload::EsitoPassata TDownload::finisci(FileParziale& file) {
    // The flush overlaps the pause before the move instead of adding to it.
    QElapsedTimer flush;
    flush.start();
    const bool scritto = file.Tronca(DimensioneTotale);
    const bool sincronizzato = scritto && file.Sincronizza();
    if (!file.Chiudi() || !sincronizzato) {
        const int errore = file.Errore();
        // What a failed flush or close leaves cannot be trusted; a failed write leaves on disk
        // only what was written.
        if (scritto)
            file.Scarta();
        if (errore == ENOSPC)
            return spazioInsufficiente();
        mostraStato(QStringLiteral("Errore di scrittura"));
        return {Esito::Contato, 2500};
    }
    pausa(static_cast<int>(std::max<qint64>(0, 1500 - flush.elapsed())));
    return completa();
}

QString TDownload::chiaveGruppo() const {
    // Rows without a group are one group: the volumes of a set pasted without one stay together.
    return QStringLiteral("gruppo:") + p_.Gruppo;
}

std::optional<int> TDownload::numeroDelGruppo(const QString& cartellaBase) {
    const QString radice = DividiSet(NomeFile).radice;
    if (a_.file != nullptr) {
        if (const std::optional<int> n = a_.file->NumeroSet(cartellaBase, radice, chiaveGruppo()))
            return n;
    }
    int n = 0;
    sulPrincipaleGarantito(
        [&](ProgrammaMotore& p) { n = NumeroDelGruppo(p, IdRiga, p_.Gruppo, radice); });
    return n > 0 ? std::optional(n) : std::nullopt;
}

bool TDownload::nomeOccupato(const QString& percorso, const QString& nome, int n) {
    // The name itself replaces what is there, as always, unless another link's finished file
    // is; a numbered name only replaces this link's own earlier file.
    const QFileInfo info(percorso);
    if (!info.exists() && !info.isSymLink())
        return false;
    if (info.isDir() && !info.isSymLink())
        return true; // a folder, an extraction's perhaps, is never replaced by a file
    ProprietariFile proprietari;
    sulPrincipaleGarantito(
        [&](ProgrammaMotore& p) { proprietari = ProprietariDi(p, IdRiga, p_.Link, nome); });
    return n == 1 ? proprietari.altroLink : proprietari.altroLink || !proprietari.questoLink;
}

bool TDownload::setLibero(const QString& cartellaBase, const QString& nome, int n,
                          int numeroGruppo) {
    const QString radiceBase = DividiSet(NomeFile).radice;
    const QString radice = DividiSet(nome).radice;
    // A number new to the group must be free for every volume it will get.
    if (n != numeroGruppo) {
        ProprietariFile proprietari;
        sulPrincipaleGarantito([&](ProgrammaMotore& p) {
            proprietari = ProprietariSet(p, IdRiga, p_.Link, p_.Gruppo, radice);
        });
        if (proprietari.altroLink)
            return false;
    }
    // Another volume of the group may have taken a number since: it is the group's, unless the
    // group's own could not be had at all.
    const bool altroNumero = numeroGruppo > 0 && n != numeroGruppo;
    return a_.file == nullptr ||
           a_.file->PrenotaSet(cartellaBase, radiceBase, radice, n, chiaveGruppo(), altroNumero);
}

QString TDownload::nomeLibero(const QString& cartellaBase, bool sottocartella) {
    const bool volume = DividiSet(NomeFile).volume;
    // 0: the group has no number yet.
    const int delGruppo = volume ? numeroDelGruppo(cartellaBase).value_or(0) : 0;
    QList<int> numeri;
    if (delGruppo > 0)
        numeri << delGruppo;
    for (int n = 1; n <= kTentativiNome; ++n) {
        if (n != delGruppo)
            numeri << n;
    }
    for (const int n : std::as_const(numeri)) {
        const QString nome = NomeAlternativo(NomeFile, n);
        const QString cartella =
            cartellaBase + (sottocartella ? SottocartellaFile(nome) : QString());
        const QString percorso = cartella + nome;
        if (!prenotazioni_.Prenota(percorso))
            continue;
        if (!nomeOccupato(percorso, nome, n) &&
            (!volume || setLibero(cartellaBase, nome, n, delGruppo)))
            return nome;
        prenotazioni_.Rilascia(percorso);
    }
    return {};
}

TDownload::EsitoPassata TDownload::completa() {
    const bool inPosto = p_.CartellaTemp == p_.CartellaCompletati;
    if (!inPosto)
        mostraStato(QStringLiteral("Spostamento..."));
    const bool sottocartella = !inPosto && p_.SempreCartella;
    const QString nome = nomeLibero(p_.CartellaCompletati, sottocartella);
    if (nome.isEmpty())
        return nonSpostato(QString());
    const QString cartella =
        p_.CartellaCompletati + (sottocartella ? SottocartellaFile(nome) : QString());
    const QString destinazione = cartella + nome;
    // Checked before the folder is made (which would follow a planted link) and after.
    const auto dentro = [&] {
        return CartellaDentro(p_.CartellaCompletati, cartella, !sottocartella) &&
               FileDentro(p_.CartellaCompletati, destinazione);
    };
    if (!dentro() || !PreparaCartella(cartella) || !dentro())
        return nonSpostato(QStringLiteral("Cartella non accessibile"));
    switch (Sposta(parziale_, destinazione, [this] { return terminato(); })) {
    case EsitoSpostamento::Fatto:
        break;
    case EsitoSpostamento::SpazioInsufficiente:
        return spazioInsufficiente();
    case EsitoSpostamento::Interrotto:
        return {Esito::Fermo}; // whole in the temporary folder: the next start finds it there
    case EsitoSpostamento::Fallito:
        return nonSpostato(QString());
    }
    CancellaRipresaDi(destinazione, parziale_);
    sincronizza(cartella);
    if (DimensioneFile(destinazione) != DimensioneTotale) {
        mostraStato(QStringLiteral("Errore!"));
        return {Esito::Contato, 2500};
    }
    NomeFile = nome;
    Sottocartella = sottocartella ? SottocartellaFile(nome) : QString();
    const EsitoRiga esito{IdRiga, DimensioneTotale, DimensioneTotale};
    sulPrincipaleGarantito([&](ProgrammaMotore& p) {
        p.ImpostaDidascalia(IdRiga, NomeFile);
        MostraCompletato(p, esito, p_.NascondiCompletati, p_.Estrai, p_.Gruppo);
    });
    Finito = true;
    return {};
}

TDownload::EsitoPassata TDownload::nonSpostato(const QString& motivo) {
    // Kept in the temporary folder under its own name, never over another file.
    for (int n = 1; n <= kTentativiNome; ++n) {
        const QString nome = NomeAlternativo(NomeFile, n);
        const QString percorso = p_.CartellaTemp + nome;
        if (!prenotazioni_.Prenota(percorso))
            continue;
        if (!RinominaSenzaSostituire(parziale_, percorso)) {
            prenotazioni_.Rilascia(percorso);
            if (QFileInfo::exists(percorso) || QFileInfo(percorso).isSymLink())
                continue;
            break;
        }
        CancellaRipresaDi(percorso, parziale_);
        sincronizza(p_.CartellaTemp);
        if (DimensioneFile(percorso) != DimensioneTotale)
            break;
        NomeFile = nome;
        const EsitoRiga esito{IdRiga, DimensioneTotale, DimensioneTotale};
        sulPrincipaleGarantito([&](ProgrammaMotore& p) {
            p.ImpostaDidascalia(IdRiga, NomeFile);
            MostraNonSpostato(p, esito);
            if (!motivo.isEmpty())
                p.ImpostaCella(IdRiga, queue::cella::Progresso, motivo);
        });
        Finito = true;
        return {Esito::Termina};
    }
    mostraStato(motivo.isEmpty() ? QStringLiteral("Errore!") : motivo);
    return {Esito::Contato, 2500};
}

} // namespace tarvolin::engine
