#pragma once

#include <QString>

namespace tarvolin::engine {

class ProgrammaMotore;

// What a row shows of its download, and the table row that goes with it. Main thread.
struct EsitoRiga {
    QString id;
    qint64 byteScaricati = 0;
    qint64 dimensioneTotale = 0;
};

// "12.34/56.78 MB": bytes held and size, in MB with two decimals.
QString CoppiaMB(qint64 scaricati, qint64 totale);

void MostraStato(ProgrammaMotore& p, const QString& id, const QString& testo);
void MostraDownload(ProgrammaMotore& p, const QString& id, const QString& nomeFile);
void MostraErrore(ProgrammaMotore& p, const QString& id, const QString& testo);
// A full disk fails the pass, not yet the download: no notice that it ended.
void MostraSpazioInsufficiente(ProgrammaMotore& p, const QString& id);
// The attempts are used up; a row whose last pass found the disk full keeps saying so.
void MostraInterrotto(ProgrammaMotore& p, const QString& id, bool spazioEsaurito);
// The three finished updates record completato "1"; the first two may move the row to the
// completed list when `nascondi` is set (the first only when its group is not complete).
void MostraCompletato(ProgrammaMotore& p, const EsitoRiga& e, bool nascondi, bool estrai,
                      const QString& gruppo);
void MostraNonSpostato(ProgrammaMotore& p, const EsitoRiga& e);
void MostraSaltato(ProgrammaMotore& p, const EsitoRiga& e, bool nascondi);

// While an archive is extracted, and after: the download itself did complete, and the Progresso
// cell tells whether the extraction did too. The second may move the row to the completed list.
void MostraEstrazione(ProgrammaMotore& p, const QString& id);
void MostraFineEstrazione(ProgrammaMotore& p, const QString& id, bool riuscita, bool nascondi);

// Which other finished rows recorded the file name `nome`: rows of another link, whose file a
// new download must not replace, and rows of this same link.
struct ProprietariFile {
    bool altroLink = false;
    bool questoLink = false;
};
ProprietariFile ProprietariDi(ProgrammaMotore& p, const QString& id, const QString& link,
                              const QString& nome);

// Owners of the finished RAR volumes whose set stem is `radice` (the group's own rows, or the
// rows without a group for a row without one, count as this link's), and the number the group's
// finished volumes of the stem `radiceBase` took (0: none yet).
ProprietariFile ProprietariSet(ProgrammaMotore& p, const QString& id, const QString& link,
                               const QString& gruppo, const QString& radice);
int NumeroDelGruppo(ProgrammaMotore& p, const QString& id, const QString& gruppo,
                    const QString& radiceBase);

// True when no row of the group is still to be completed; an empty group is complete.
bool ControllaGruppo(ProgrammaMotore& p, const QString& gruppo);

} // namespace tarvolin::engine
