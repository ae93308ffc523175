#include "tdownload.h"

#include "common/clock.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"
#include "common/synccall.h"
#include "engine/estrazione.h"
#include "engine/fileparziale.h"
#include "engine/mostra.h"
#include "engine/nomefile.h"
#include "engine/percorsi.h"
#include "engine/programma.h"
#include "engine/spostamento.h"
#include "host/tokenhost.h"
#include "net/client.h"
#include "net/profili.h"
#include "queue/modellocoda.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace tarvolin::engine {

namespace {

constexpr qint64 kBlocco = 32768;

net::Profilo profiloDownload(net::ArchivioCookie* cookie) {
    net::Profilo profilo;
    profilo.intestazioni = {
        {"Accept", net::kAcceptBrowser},
        {"Accept-Encoding", "gzip, deflate"},
        {"Accept-Language", net::kAcceptLanguage},
        {"User-Agent", net::kUserAgentChrome92},
        {"sec-ch-ua",
         "\"Chromium\";v=\"94\", \"Google Chrome\";v=\"94\", \";Not A Brand\";v=\"99\""},
        {"sec-ch-ua-mobile", "?0"},
        {"sec-ch-ua-platform", "\"Windows\""},
        {"Sec-Fetch-Dest", "document"},
        {"Sec-Fetch-Mode", "navigate"},
        {"Sec-Fetch-Site", "none"},
        {"Sec-Fetch-User", "?1"},
        {"Upgrade-Insecure-Requests", "1"}};
    profilo.cookie = cookie;
    return profilo;
}

QString testoParolaChiave(const QString& risultato) {
    if (risultato == QLatin1String(host::kLoginError))
        return QStringLiteral("Errore account!");
    if (risultato == QLatin1String(host::kNotAvailable))
        return QStringLiteral("File mancante!");
    if (risultato == QLatin1String(host::kDownloadLimit))
        return QStringLiteral("Limite raggiunto");
    if (risultato == QLatin1String(host::kPassError))
        return QStringLiteral("Password errata!");
    return {};
}

bool paginaWeb(const net::Risposta& r) {
    return r.Intestazione("Content-Type").trimmed().toLower().startsWith("text/html");
}

// A strong ETag names one version of the file; a weak one cannot vouch for its bytes.
QByteArray validatoreDi(const net::Risposta& r) {
    const QByteArray etag = r.Intestazione("ETag").trimmed();
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return r.Intestazione("Last-Modified").trimmed();
}

// "bytes START-END/TOTAL"; false when the header is not of that form.
bool leggiContentRange(const QByteArray& valore, qint64& inizio, qint64& totale) {
    const QByteArray v = valore.trimmed();
    if (!v.startsWith("bytes "))
        return false;
    const qsizetype trattino = v.indexOf('-');
    const qsizetype barra = v.indexOf('/');
    if (trattino < 0 || barra < trattino)
        return false;
    bool ok1 = false, ok2 = false;
    inizio = v.mid(6, trattino - 6).trimmed().toLongLong(&ok1);
    totale = v.mid(barra + 1).trimmed().toLongLong(&ok2);
    return ok1 && ok2;
}

} // namespace

TDownload::TDownload(ParametriDownload parametri, AmbienteMotore ambiente)
    : p_(std::move(parametri)), a_(std::move(ambiente)), prenotazioni_(a_.file, p_.IdRiga) {
    IdRiga = p_.IdRiga;
    UrlCorrente = p_.Link;
    a_.accesso.annulla = [this] { return terminato(); };
}

TDownload::~TDownload() {
    RiceviFine(this);
}

void TDownload::ImpostaUrlServizio(const QString& url) {
    std::lock_guard lock(bloccoUrl_);
    UrlServizio = url;
}

void TDownload::sulPrincipale(const std::function<void(ProgrammaMotore&)>& fn) {
    if (a_.programma != nullptr)
        ChiamataSincronizzata([&] { fn(*a_.programma); });
}

void TDownload::sulPrincipaleGarantito(const std::function<void(ProgrammaMotore&)>& fn) {
    if (a_.programma != nullptr)
        ChiamataSincronizzataGarantita([&] { fn(*a_.programma); });
}

void TDownload::mostraStato(const QString& testo) {
    qCDebug(lcMotore) << "row" << IdRiga << testo;
    sulPrincipale([&](ProgrammaMotore& p) { MostraStato(p, IdRiga, testo); });
}

void TDownload::segnala(const QString& codice, const QString& payload) {
    if (a_.accesso.senddata)
        a_.accesso.senddata(codice, payload);
}

void TDownload::pausa(int ms) {
    QElapsedTimer trascorso;
    trascorso.start();
    const qint64 durata = clock::Intervallo(ms);
    while (!terminato()) {
        const qint64 resto = durata - trascorso.elapsed();
        if (resto <= 0)
            return;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(resto, 50)));
    }
}

void TDownload::run() {
    const FineAnnunciata fine(this);
    net::ArchivioCookie cookie; // this worker's own, apart from the host logins
    net::Profilo profilo = profiloDownload(&cookie);
    // A hanging server never holds a closing window; a stop cuts only the transfer itself.
    profilo.annulla = [this] { return terminato() || (Interrompi && trasferendo_); };
    net::ClientHttp client(std::move(profilo));
    qint64 tentativo = 1;
    azzeraByte(0, 0);
    Finito = false;
    Avviato = true;
    while (!Finito && tentativo < 4 && !Interrompi && !terminato()) {
        const EsitoPassata esito = passata(client);
        if (esito.esito == Esito::Termina)
            break;
        if (esito.esito == Esito::Contato) {
            qCDebug(lcMotore) << "row" << IdRiga << "pass" << tentativo << "of 3 failed, pause"
                              << esito.pausaMs << "ms";
            ++tentativo;
            spazio_ = esito.spazio;
        }
        if (esito.pausaMs > 0)
            pausa(esito.pausaMs);
    }
    dopoIlCiclo(tentativo);
    prenotazioni_.RilasciaTutte();
}

void TDownload::azzeraByte(qint64 scaricati, qint64 mancanti) {
    std::lock_guard lock(a_.attivi->BloccoContatori);
    ByteScaricati = scaricati;
    ByteMancanti = mancanti;
}

void TDownload::contaByte(qint64 delta) {
    {
        std::lock_guard lock(a_.attivi->BloccoContatori);
        ByteScaricati += delta;
        ByteMancanti -= delta;
        ByteTentativo += delta;
    }
    std::lock_guard lock(a_.attivi->BloccoVelocita);
    AccumuloVelocita += delta;
}

TDownload::EsitoPassata TDownload::risolvi() {
    const QString& link = p_.Link;
    const bool diHost =
        std::any_of(a_.dominiHost.begin(), a_.dominiHost.end(),
                    [&](const QString& d) { return !d.isEmpty() && link.contains(d); });
    if (diHost) {
        linkHost_ = true;
        risolto_ = true;
        const host::EsitoLink esito = host::GeneraLinkDiretto(
            a_.accesso, link, p_.PasswordLink, p_.AccountEmail, p_.AccountPassword, CookieLogin);
        if (terminato())
            return {Esito::Termina}; // cut short: its result says nothing of the file
        UrlCorrente = esito.risultato;
        if (esito.loggato) {
            sulPrincipale([&](ProgrammaMotore& p) {
                if (p.Db() != nullptr)
                    host::SalvaToken(*p.Db(), CookieLogin, QString::fromLatin1(host::kPortale),
                                     p_.AccountEmail);
            });
        }
        TestoStato = testoParolaChiave(esito.risultato);
        if (!TestoStato.isEmpty()) {
            sulPrincipale([&](ProgrammaMotore& p) { MostraErrore(p, IdRiga, TestoStato); });
            return {Esito::Termina};
        }
        return {};
    }
    bool conosciuto = false;
    if (a_.hostConosciuto)
        ChiamataSincronizzata([&] { conosciuto = a_.hostConosciuto(link); });
    if (!conosciuto) {
        UrlCorrente = link;
        return {};
    }
    risolto_ = true;
    ImpostaUrlServizio(QString());
    segnala(QStringLiteral("#0333"), p_.PasswordLink.isEmpty()
                                         ? QString(IdRiga + u'!' + link)
                                         : QString(IdRiga + u'!' + link + u'|' + p_.PasswordLink));
    for (int passo = 0; passo < 120 && !terminato(); ++passo) {
        {
            std::lock_guard lock(bloccoUrl_);
            if (!UrlServizio.isEmpty()) {
                UrlCorrente = UrlServizio;
                return {};
            }
        }
        pausa(1000);
    }
    std::lock_guard lock(bloccoUrl_);
    if (UrlServizio.isEmpty())
        return {Esito::Termina}; // no answer: the row stays as it was
    UrlCorrente = UrlServizio;
    return {};
}

TDownload::EsitoPassata TDownload::sonda(net::ClientHttp& client, net::Risposta& risposta) {
    if (!PreparaCartella(p_.CartellaTemp)) {
        sulPrincipale([&](ProgrammaMotore& p) {
            MostraErrore(p, IdRiga, QStringLiteral("Cartella non accessibile"));
        });
        return {Esito::Termina};
    }
    // The scratch file shows a full disk before anything is received.
    const QString scratch = p_.CartellaTemp + QStringLiteral("FakeStream") +
                            QString::number(QRandomGenerator::global()->bounded(999999)) +
                            QStringLiteral(".tmp");
    {
        FileParziale prova(scratch);
        const bool pieno = !prova.Aperto() && prova.Errore() == ENOSPC;
        prova.Chiudi();
        QFile::remove(scratch);
        if (pieno)
            return spazioInsufficiente();
    }
    net::Richiesta richiesta;
    richiesta.url = UrlCorrente;
    richiesta.range = QByteArray("bytes=0-");
    richiesta.inizioCorpo = [](const net::Risposta&) { return false; }; // headers only
    risposta = client.Esegui(richiesta);
    return {};
}

TDownload::EsitoPassata TDownload::giudicaSonda(const net::Risposta& risposta, int stato) {
    DimensioneTotale = risposta.ContentLength();
    {
        std::lock_guard lock(a_.attivi->BloccoContatori);
        ByteTentativo = 0;
    }
    if (terminato())
        return {Esito::Termina};
    if (DimensioneTotale < 1 || stato == 404) {
        mostraStato(QStringLiteral("File mancante!"));
        return {Esito::Contato, 2000};
    }
    validatoreSonda_ = validatoreDi(risposta);
    azzeraByte(ByteScaricati, DimensioneTotale);
    return {};
}

TDownload::EsitoPassata TDownload::spazioInsufficiente() {
    sulPrincipale([&](ProgrammaMotore& p) { MostraSpazioInsufficiente(p, IdRiga); });
    return {Esito::Contato, 2000, true};
}

TDownload::EsitoPassata TDownload::senzaProgresso(int volta) {
    constexpr int kPrimaPausa = 1000, kPausaMassima = 60000;
    const int pausa = std::min(kPausaMassima, kPrimaPausa << std::clamp(volta, 0, 6));
    qCDebug(lcMotore) << "row" << IdRiga << "pass without progress, pause" << pausa << "ms";
    return {Esito::Avanti, pausa};
}

TDownload::EsitoPassata TDownload::passata(net::ClientHttp& client) {
    const EsitoPassata risolto = risolvi();
    if (risolto.esito != Esito::Avanti)
        return risolto;
    mostraStato(QStringLiteral("Avvio..."));

    net::Risposta risposta;
    const EsitoPassata sondato = sonda(client, risposta);
    if (sondato.esito != Esito::Avanti)
        return sondato;
    const int stato = risposta.stato != 0 ? static_cast<int>(risposta.stato) : 404;
    const EsitoPassata giudicato = giudicaSonda(risposta, stato);
    if (giudicato.esito != Esito::Avanti)
        return giudicato;
    const qint64 dimensione = DimensioneTotale;

    NomeFile = NomeDaRisposta(risposta.Intestazione("Content-Disposition"), risposta.urlFinale,
                              a_.marcatoreProduttore);
    Sottocartella = p_.SempreCartella ? SottocartellaFile(NomeSicuro(NomeFile)) : QString();
    if (linkHost_)
        segnala(QStringLiteral("#0600"), p_.Link + QStringLiteral("|||") + p_.PasswordLink +
                                             QStringLiteral("|||") + p_.PasswordArchivio +
                                             QStringLiteral("|||") + QString::number(dimensione) +
                                             QStringLiteral("|||") + NomeFile);
    // An error page where the host promised a file says the file is gone.
    if (risolto_ && paginaWeb(risposta)) {
        mostraStato(QStringLiteral("File mancante!"));
        return {Esito::Contato, 2000};
    }
    if (p_.SaltaRev && NomeFile.toLower().endsWith(QLatin1String(".rev"))) {
        sulPrincipaleGarantito([&](ProgrammaMotore& p) {
            MostraSaltato(p, {IdRiga, 0, dimensione}, p_.NascondiCompletati);
        });
        Finito = true;
        return {};
    }
    NomeFile = NomeSicuro(NomeFile);

    std::unique_ptr<FileParziale> file;
    const EsitoPassata preparato = apriParziale(file);
    if (preparato.esito != Esito::Avanti)
        return preparato;
    if (stato == 200)
        OffsetRipresa = 0; // the server ignores ranges: all of it again, from byte 0
    file->Posiziona(OffsetRipresa, true);
    azzeraByte(OffsetRipresa, dimensione - OffsetRipresa);
    if (stato != 200 && stato != 206) {
        if (stato == 204)
            segnala(QStringLiteral("#0778"), QString());
        azzeraByte(0, dimensione);
        return {Esito::Contato, 1000};
    }
    return trasferisci(client, *file);
}

QString TDownload::sceltaParziale() {
    // The row's own partial file from an earlier run first; then the common name, unless
    // another running row writes it or it was started for another link; else one of the row's
    // own.
    const QString proprio =
        p_.CartellaTemp + NomeConSuffisso(NomeFile, u'.' + IdRiga + QStringLiteral(".trvltmp"));
    const QString comune = p_.CartellaTemp + NomeConSuffisso(NomeFile, QStringLiteral(".trvltmp"));
    const auto diAltri = [&] {
        const std::optional<DatiRipresa> dati = LeggiRipresaDi(comune);
        return dati && dati->link != p_.Link;
    };
    if (QFileInfo::exists(proprio) && prenotazioni_.Prenota(proprio))
        return proprio;
    if (!diAltri() && prenotazioni_.Prenota(comune))
        return comune;
    if (prenotazioni_.Prenota(proprio))
        return proprio;
    return {};
}

void TDownload::controllaRipresa(FileParziale& file) {
    const qint64 lunghezza = file.Lunghezza();
    const std::optional<DatiRipresa> dati = file.LeggiRipresa();
    validatoreRipresa_ = dati ? dati->validatore : QByteArray();
    // Longer than the server's file, or begun from another link or another version of it.
    const bool altro = lunghezza > DimensioneTotale ||
                       (dati && (dati->link != p_.Link || dati->totale != DimensioneTotale ||
                                 dati->validatore != validatoreSonda_));
    if (lunghezza > 0 && altro) {
        qCDebug(lcMotore) << "row" << IdRiga << "partial file" << parziale_
                          << "is not the start of this file: begun again";
        file.Tronca(0);
        validatoreRipresa_.clear();
    }
}

TDownload::EsitoPassata TDownload::apriParziale(std::unique_ptr<FileParziale>& aperto) {
    parziale_ = sceltaParziale();
    if (parziale_.isEmpty() || !FileDentro(p_.CartellaTemp, parziale_))
        return {Esito::Contato, 1000};
    auto file = std::make_unique<FileParziale>(parziale_);
    if (!file->Aperto()) {
        // A file that cannot be made now will not be made on the next pass either.
        if (file->Errore() == ENOSPC)
            return spazioInsufficiente();
        return {Esito::Contato, 1000};
    }
    controllaRipresa(*file);
    const qint64 dimensione = DimensioneTotale;
    const qint64 lunghezza = file->Lunghezza();
    OffsetRipresa = lunghezza > FileParziale::kRipresa ? lunghezza - FileParziale::kRipresa : 0;
    const qint64 libero = SpazioLibero(p_.CartellaTemp);
    if (libero >= 0 && dimensione - lunghezza > libero)
        return spazioInsufficiente();
    aperto = std::move(file);
    return {};
}

bool TDownload::accettaCorpo(const net::Risposta& r, FileParziale& file) {
    const qint64 dimensione = DimensioneTotale;
    if (r.stato >= 400) {
        rifiuto_ = Rifiuto::ErroreHttp;
        return false;
    }
    if (risolto_ && paginaWeb(r)) {
        rifiuto_ = Rifiuto::PaginaWeb;
        return false;
    }
    if (r.stato == 200) {
        // The whole file again, or not the file.
        const qint64 lunghezza = r.ContentLength();
        if (lunghezza != dimensione && (OffsetRipresa > 0 || lunghezza >= 0)) {
            rifiuto_ = Rifiuto::NonIlFile;
            return false;
        }
        if (OffsetRipresa > 0) {
            if (!file.Tronca(0)) {
                erroreScrittura_ = file.Errore();
                return false;
            }
            OffsetRipresa = 0;
            giaSuDisco_ = inizioTrasferimento_ = 0;
            file.Posiziona(0, false);
            azzeraByte(0, dimensione);
        }
        return true;
    }
    qint64 inizio = -1, totale = -1;
    if (r.stato != 206 || !leggiContentRange(r.Intestazione("Content-Range"), inizio, totale) ||
        inizio != OffsetRipresa || totale != dimensione) {
        rifiuto_ = Rifiuto::NonIlFile;
        return false;
    }
    return true;
}

TDownload::EsitoPassata TDownload::trasferisci(net::ClientHttp& client, FileParziale& file) {
    if (terminato())
        return {};
    const qint64 dimensione = DimensioneTotale;
    giaSuDisco_ = file.Lunghezza();
    inizioTrasferimento_ = OffsetRipresa;
    rifiuto_ = Rifiuto::Nessuno;
    erroreScrittura_ = 0;
    net::Richiesta richiesta;
    richiesta.url = UrlCorrente;
    richiesta.range = QStringLiteral("bytes=%1-%2").arg(OffsetRipresa).arg(dimensione).toLatin1();
    // The version the partial file began with: a file replaced since answers 200 with all of it
    // instead of a range of other bytes. The probe's own would vouch for the new one.
    if (OffsetRipresa > 0 && !validatoreRipresa_.isEmpty())
        richiesta.intestazioni = {{"If-Range", validatoreRipresa_}};
    richiesta.inizioCorpo = [&](const net::Risposta& r) {
        if (!accettaCorpo(r, file))
            return false;
        if (OffsetRipresa == 0) {
            // Its first byte is coming: what it is begun from goes with it. The probe's, which
            // later probes are compared with: a file replaced since gives the next pass another.
            validatoreRipresa_ = validatoreSonda_;
            if (!file.ScriviRipresa({p_.Link, dimensione, validatoreRipresa_}))
                qCDebug(lcMotore) << "row" << IdRiga << "validator not kept with" << parziale_
                                  << "errno" << errno;
        }
        bloccoCorrente_ = 0;
        sulPrincipale([&](ProgrammaMotore& p) { MostraDownload(p, IdRiga, NomeFile); });
        return true;
    };
    richiesta.scrivi = [&](const char* dati, size_t n) { return riceviBlocco(file, dati, n); };
    trasferendo_ = true;
    const net::Risposta risposta = client.Esegui(richiesta);
    trasferendo_ = false;
    return giudicaTrasferimento(risposta, file);
}

TDownload::EsitoPassata TDownload::giudicaTrasferimento(const net::Risposta& risposta,
                                                        FileParziale& file) {
    const qint64 dimensione = DimensioneTotale;
    if (file.Diverso()) {
        // The server's file is not the one on disk: start it again from the first byte. Once
        // is a replaced file, at once; a server that keeps changing it is waited for.
        file.Tronca(0);
        azzeraByte(0, dimensione);
        // Counted apart from the drops, and never reset: bytes that keep changing are no progress.
        return ++diversi_ == 1 ? EsitoPassata{} : senzaProgresso(diversi_ - 2);
    }
    if (rifiuto_ == Rifiuto::PaginaWeb) {
        mostraStato(QStringLiteral("File mancante!"));
        return {Esito::Contato, 2000};
    }
    if (rifiuto_ != Rifiuto::Nessuno) {
        mostraStato(QStringLiteral("Errore!"));
        return {Esito::Contato, 2500};
    }
    if (erroreScrittura_ == ENOSPC)
        return spazioInsufficiente();
    if (erroreScrittura_ != 0) {
        mostraStato(QStringLiteral("Errore di scrittura"));
        return {Esito::Contato, 2500};
    }
    // Every byte checked against the ranges asked for: a connection lost after the last one
    // takes nothing from the file.
    if (file.Posizione() == dimensione)
        return finisci(file);
    if (terminato())
        return {};
    if (!risposta.ok) {
        // Broken off: resumed at once when it brought something new, else after a pause.
        if (Interrompi)
            return {};
        // New: past the bytes this transfer only fetched again, or wrote over from byte 0.
        const qint64 rivisti = std::min(giaSuDisco_ - inizioTrasferimento_, FileParziale::kRipresa);
        if (file.Posizione() - inizioTrasferimento_ > rivisti) {
            senzaProgresso_ = 0;
            return {};
        }
        return senzaProgresso(senzaProgresso_++);
    }
    if (Interrompi) {
        mostraStato(QStringLiteral("Interrotto"));
        return {Esito::Fermo, 500};
    }
    mostraStato(QStringLiteral("Errore!"));
    return {Esito::Contato, 2500};
}

bool TDownload::riceviBlocco(FileParziale& file, const char* dati, size_t n) {
    const qint64 resto = DimensioneTotale - file.Posizione();
    const size_t presi = static_cast<size_t>(std::clamp<qint64>(resto, 0, qint64(n)));
    if (presi > 0 && !file.Scrivi(dati, presi)) {
        if (!file.Diverso())
            erroreScrittura_ = file.Errore();
        return false;
    }
    if (presi < n)
        return false; // the rest is not the file's
    contaByte(static_cast<qint64>(n));
    bloccoCorrente_ += static_cast<qint64>(n);
    while (bloccoCorrente_ >= kBlocco) {
        bloccoCorrente_ -= kBlocco;
        cadenza_.Blocco(IntervalloBloccoUs);
        if (Interrompi)
            return false;
    }
    return !Interrompi;
}

void TDownload::dopoIlCiclo(qint64 tentativi) {
    if (linkHost_ && ByteTentativo > 0)
        segnala(QStringLiteral("#0335"),
                p_.AccountEmail + QStringLiteral("|||") + QString::number(ByteTentativo));
    sulPrincipale([&](ProgrammaMotore& p) { p.RimuoviDaAttivi(*this); });
    if (tentativi >= 4)
        sulPrincipale([&](ProgrammaMotore& p) { MostraInterrotto(p, IdRiga, spazio_); });
    if (p_.Estrai && Finito)
        Estrazione();
    sulPrincipale([&](ProgrammaMotore& p) { p.FineDownload(); });
}

void TDownload::Estrazione() {
    bool completo = false;
    sulPrincipale([&](ProgrammaMotore& p) { completo = ControllaGruppo(p, p_.Gruppo); });
    if (!completo)
        return;
    // A skipped ".rev" name has not been made safe yet.
    PianoEstrazione piano =
        PianificaEstrazione(p_.CartellaCompletati + Sottocartella, NomeSicuro(NomeFile));
    piano.radice = p_.CartellaCompletati;
    if (!piano.tentato) {
        if (p_.NascondiCompletati)
            sulPrincipale([&](ProgrammaMotore& p) { p.SpostaInCompletati(IdRiga); });
        return;
    }
    if (piano.archivio.isEmpty())
        return;
    sulPrincipale([&](ProgrammaMotore& p) { MostraEstrazione(p, IdRiga); });
    const EsitoEstrazione esito =
        EstraiAlTurno(a_.estrazioni, piano, p_.PasswordArchivio, [this] { return terminato(); });
    sulPrincipale([&](ProgrammaMotore& p) {
        MostraFineEstrazione(p, IdRiga, esito == EsitoEstrazione::Riuscita, p_.NascondiCompletati);
    });
}

void InstradaLinkServizio(DownloadAttivi& attivi, const QString& payload) {
    const qsizetype barra = payload.indexOf(u'|');
    if (barra < 0)
        return;
    const QString id = payload.left(barra);
    std::lock_guard lock(attivi.BloccoContatori);
    for (StatoDownload* d : attivi.Lista) {
        if (auto* worker = dynamic_cast<TDownload*>(d); worker != nullptr && d->IdRiga == id)
            worker->ImpostaUrlServizio(payload.mid(barra + 1));
    }
}

} // namespace tarvolin::engine
