#include "tdownload.h"

#include "common/clock.h"
#include "common/funzioni.h"
#include "common/synccall.h"
#include "engine/estrazione.h"
#include "engine/fileparziale.h"
#include "engine/mostra.h"
#include "engine/nomefile.h"
#include "engine/programma.h"
#include "host/tokenhost.h"
#include "net/client.h"
#include "net/profili.h"
#include "queue/vistacoda.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace tarvolin::motore {

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

// A rename, or a copy and a delete across file systems.
bool sposta(const QString& da, const QString& a) {
    std::error_code errore;
    const std::filesystem::path sorgente(QFile::encodeName(da).toStdString());
    const std::filesystem::path destinazione(QFile::encodeName(a).toStdString());
    std::filesystem::rename(sorgente, destinazione, errore);
    if (!errore)
        return true;
    if (errore != std::errc::cross_device_link)
        return false;
    if (!std::filesystem::copy_file(sorgente, destinazione,
                                    std::filesystem::copy_options::overwrite_existing, errore))
        return false;
    std::filesystem::remove(sorgente, errore);
    return true;
}

} // namespace

TDownload::TDownload(ParametriDownload parametri, AmbienteMotore ambiente)
    : p_(std::move(parametri)), a_(std::move(ambiente)) {
    IdRiga = p_.IdRiga;
    UrlCorrente = p_.Link;
}

TDownload::~TDownload() = default;

void TDownload::ImpostaUrlServizio(const QString& url) {
    QMutexLocker lock(&bloccoUrl_);
    UrlServizio = url;
}

void TDownload::sulPrincipale(const std::function<void(ProgrammaMotore&)>& fn) {
    if (a_.programma != nullptr)
        ChiamataSincronizzata([&] { fn(*a_.programma); });
}

void TDownload::segnala(const QString& codice, const QString& payload) {
    if (a_.accesso.senddata)
        a_.accesso.senddata(codice, payload);
}

QString TDownload::percorsoParziale() const {
    return p_.CartellaTemp + NomeFile + QStringLiteral(".trvltmp");
}

void TDownload::run() {
    net::ArchivioCookie cookie; // this worker's own, apart from the host logins
    net::ClientHttp client(profiloDownload(&cookie));
    qint64 tentativo = 1;
    azzeraByte(0, 0);
    Finito = false;
    Avviato = true;
    while (!Finito && tentativo < 4 && !Interrompi && !terminato()) {
        const EsitoPassata esito = passata(client);
        if (esito.esito == Esito::Termina)
            break;
        if (esito.esito == Esito::Contato)
            ++tentativo;
        if (esito.pausaMs > 0)
            clock::Attendi(esito.pausaMs);
    }
    dopoIlCiclo(tentativo);
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
        const host::EsitoLink esito = host::GeneraLinkDiretto(
            a_.accesso, link, p_.PasswordLink, p_.AccountEmail, p_.AccountPassword, CookieLogin);
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
    ImpostaUrlServizio(QString());
    segnala(QStringLiteral("#0333"), p_.PasswordLink.isEmpty()
                                         ? IdRiga + '!' + link
                                         : IdRiga + '!' + link + '|' + p_.PasswordLink);
    for (int passo = 0; passo < 120 && !terminato(); ++passo) {
        {
            QMutexLocker lock(&bloccoUrl_);
            if (!UrlServizio.isEmpty()) {
                UrlCorrente = UrlServizio;
                return {};
            }
        }
        clock::Attendi(1000);
    }
    QMutexLocker lock(&bloccoUrl_);
    if (UrlServizio.isEmpty())
        return {Esito::Termina}; // no answer: the row stays as it was
    UrlCorrente = UrlServizio;
    return {};
}

TDownload::EsitoPassata TDownload::sonda(net::ClientHttp& client, net::Risposta& risposta) {
    // The scratch file shows a full disk before anything is received.
    const QString scratch = p_.CartellaTemp + QStringLiteral("FakeStream") +
                            QString::number(QRandomGenerator::global()->bounded(999999)) +
                            QStringLiteral(".tmp");
    {
        FileParziale prova(scratch);
        const bool pieno = !prova.Aperto() && prova.Errore() == ENOSPC;
        prova.Chiudi();
        QFile::remove(scratch);
        if (pieno) {
            sulPrincipale([&](ProgrammaMotore& p) { MostraSpazioInsufficiente(p, IdRiga); });
            return {Esito::Contato, 2000};
        }
    }
    net::Richiesta richiesta;
    richiesta.url = UrlCorrente;
    richiesta.range = QByteArray("bytes=0-");
    richiesta.inizioCorpo = [](const net::Risposta&) { return false; }; // headers only
    risposta = client.Esegui(richiesta);
    return {};
}

TDownload::EsitoPassata TDownload::passata(net::ClientHttp& client) {
    const EsitoPassata risolto = risolvi();
    if (risolto.esito != Esito::Avanti)
        return risolto;
    sulPrincipale([&](ProgrammaMotore& p) { MostraStato(p, IdRiga, QStringLiteral("Avvio...")); });

    net::Risposta risposta;
    const EsitoPassata sondato = sonda(client, risposta);
    if (sondato.esito != Esito::Avanti)
        return sondato;
    const int stato = risposta.stato != 0 ? static_cast<int>(risposta.stato) : 404;
    DimensioneTotale = risposta.ContentLength();
    {
        std::lock_guard lock(a_.attivi->BloccoContatori);
        ByteTentativo = 0;
    }
    if ((DimensioneTotale < 1 && !terminato()) || stato == 404) {
        sulPrincipale(
            [&](ProgrammaMotore& p) { MostraStato(p, IdRiga, QStringLiteral("File mancante!")); });
        return {Esito::Contato, 2000};
    }
    if (terminato())
        return {};
    const qint64 dimensione = DimensioneTotale;
    azzeraByte(ByteScaricati, dimensione);

    NomeFile = NomeDaRisposta(risposta.Intestazione("Content-Disposition"), risposta.urlFinale,
                              a_.marcatoreProduttore);
    Sottocartella = p_.SempreCartella ? SottocartellaFile(NomeSicuro(NomeFile)) : QString();
    if (linkHost_)
        segnala(QStringLiteral("#0600"), p_.Link + QStringLiteral("|||") + p_.PasswordLink +
                                             QStringLiteral("|||") + p_.PasswordArchivio +
                                             QStringLiteral("|||") + QString::number(dimensione) +
                                             QStringLiteral("|||") + NomeFile);
    if (p_.SaltaRev && NomeFile.toLower().endsWith(QLatin1String(".rev"))) {
        sulPrincipale([&](ProgrammaMotore& p) {
            MostraSaltato(p, {IdRiga, 0, dimensione}, p_.NascondiCompletati);
        });
        Finito = true;
        return {};
    }
    NomeFile = NomeSicuro(NomeFile);

    FileParziale file(percorsoParziale());
    if (!file.Aperto()) {
        // A file that cannot be made now will not be made on the next pass either.
        if (file.Errore() == ENOSPC) {
            sulPrincipale([&](ProgrammaMotore& p) { MostraSpazioInsufficiente(p, IdRiga); });
            return {Esito::Contato, 2000};
        }
        return {Esito::Contato, 1000};
    }
    const qint64 lunghezza = file.Lunghezza();
    OffsetRipresa = lunghezza > FileParziale::kRipresa ? lunghezza - FileParziale::kRipresa : 0;
    if (stato == 200)
        OffsetRipresa = 0; // the server ignores ranges: all of it again, from byte 0
    file.Posiziona(OffsetRipresa, true);
    azzeraByte(OffsetRipresa, dimensione - OffsetRipresa);
    if (stato != 200 && stato != 206) {
        if (stato == 204)
            segnala(QStringLiteral("#0778"), QString());
        azzeraByte(0, dimensione);
        return {Esito::Contato, 1000};
    }
    return trasferisci(client, file, stato);
}

TDownload::EsitoPassata TDownload::trasferisci(net::ClientHttp& client, FileParziale& file,
                                               int /*statoSonda*/) {
    if (terminato())
        return {};
    const qint64 dimensione = DimensioneTotale;
    net::Richiesta richiesta;
    richiesta.url = UrlCorrente;
    richiesta.range = QStringLiteral("bytes=%1-%2").arg(OffsetRipresa).arg(dimensione).toLatin1();
    richiesta.limiteCorpo = dimensione + FileParziale::kRipresa;
    richiesta.inizioCorpo = [&](const net::Risposta& r) {
        if (r.stato == 200 && OffsetRipresa > 0) {
            // Ranges ignored this time: take the whole body from byte 0.
            OffsetRipresa = 0;
            file.Posiziona(0, false);
            azzeraByte(0, dimensione);
        }
        bloccoCorrente_ = 0;
        sulPrincipale([&](ProgrammaMotore& p) { MostraDownload(p, IdRiga, NomeFile); });
        return true;
    };
    richiesta.scrivi = [&](const char* dati, size_t n) { return riceviBlocco(file, dati, n); };
    const net::Risposta risposta = client.Esegui(richiesta);

    if (file.Diverso()) {
        // The server's file is not the one on disk: start it again from the first byte.
        file.Tronca(0);
        azzeraByte(0, dimensione);
        return {};
    }
    if (!risposta.ok) {
        if (file.Errore() == ENOSPC) {
            sulPrincipale([&](ProgrammaMotore& p) { MostraSpazioInsufficiente(p, IdRiga); });
            return {Esito::Contato, 2000};
        }
        return {}; // broken off: the next pass resumes at once, uncounted
    }
    qint64 scaricati;
    {
        std::lock_guard lock(a_.attivi->BloccoContatori);
        scaricati = ByteScaricati;
    }
    if (scaricati == dimensione) {
        Finito = true;
        // The flush overlaps the pause before the move instead of adding to it.
        QElapsedTimer flush;
        flush.start();
        file.Tronca(DimensioneTotale);
        file.Sincronizza();
        file.Chiudi();
        clock::Attendi(static_cast<int>(std::max<qint64>(0, 1500 - flush.elapsed())));
        completa();
        return {};
    }
    if (Interrompi) {
        sulPrincipale(
            [&](ProgrammaMotore& p) { MostraStato(p, IdRiga, QStringLiteral("Interrotto")); });
        return {Esito::Fermo, 500};
    }
    sulPrincipale([&](ProgrammaMotore& p) { MostraStato(p, IdRiga, QStringLiteral("Errore!")); });
    return {Esito::Contato, 2500};
}

bool TDownload::riceviBlocco(FileParziale& file, const char* dati, size_t n) {
    if (!file.Scrivi(dati, n))
        return false;
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

void TDownload::completa() {
    const EsitoRiga esito{IdRiga, ByteScaricati, DimensioneTotale};
    if (p_.CartellaTemp == p_.CartellaCompletati) {
        sposta(percorsoParziale(), p_.CartellaTemp + NomeFile);
        sulPrincipale([&](ProgrammaMotore& p) {
            MostraCompletato(p, esito, p_.NascondiCompletati, p_.Estrai, p_.Gruppo);
        });
        return;
    }
    sulPrincipale(
        [&](ProgrammaMotore& p) { MostraStato(p, IdRiga, QStringLiteral("Spostamento...")); });
    if (!Sottocartella.isEmpty())
        QDir().mkpath(p_.CartellaCompletati + Sottocartella);
    const QString destinazione = p_.CartellaCompletati + Sottocartella + NomeFile;
    if (QFileInfo::exists(destinazione)) {
        QFile::remove(destinazione);
        clock::Attendi(500);
    }
    if (sposta(percorsoParziale(), destinazione)) {
        sulPrincipale([&](ProgrammaMotore& p) {
            MostraCompletato(p, esito, p_.NascondiCompletati, p_.Estrai, p_.Gruppo);
        });
        return;
    }
    sposta(percorsoParziale(), p_.CartellaTemp + NomeFile);
    sulPrincipale([&](ProgrammaMotore& p) { MostraNonSpostato(p, esito); });
}

void TDownload::dopoIlCiclo(qint64 tentativi) {
    if (linkHost_ && ByteTentativo > 0)
        segnala(QStringLiteral("#0335"),
                p_.AccountEmail + QStringLiteral("|||") + QString::number(ByteTentativo));
    sulPrincipale([&](ProgrammaMotore& p) { p.RimuoviDaAttivi(*this); });
    if (tentativi >= 4)
        sulPrincipale([&](ProgrammaMotore& p) { MostraInterrotto(p, IdRiga); });
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
    const PianoEstrazione piano =
        PianificaEstrazione(p_.CartellaCompletati + Sottocartella, NomeSicuro(NomeFile));
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
    const qsizetype barra = payload.indexOf('|');
    if (barra < 0)
        return;
    const QString id = payload.left(barra);
    std::lock_guard lock(attivi.BloccoContatori);
    for (StatoDownload* d : attivi.Lista) {
        if (auto* worker = dynamic_cast<TDownload*>(d); worker != nullptr && d->IdRiga == id)
            worker->ImpostaUrlServizio(payload.mid(barra + 1));
    }
}

} // namespace tarvolin::motore
