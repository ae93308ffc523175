// One download from start to end against a file server that misbehaves on purpose, with real
// files and a real database; the rows live in a small table of the test.
#include "common/clock.h"
#include "common/synccall.h"
#include "engine/programma.h"
#include "engine/tdownload.h"
#include "net/cookie.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"
#include "support/fake_file_server.h"
#include "support/fake_host_site.h"

#include <httplib.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <mutex>
#include <optional>
#include <sys/resource.h>

#include "support/qt_print.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace tarvolin;
using namespace tarvolin::engine;
using tarvolin::test::FakeFileServer;
using tarvolin::test::Guasti;

namespace {

struct Riga {
    QString didascalia;
    QStringList celle = QStringList(6);
    int icona = queue::IconaInCorso;
    bool completati = false;
};

class ProgrammaProva : public ProgrammaMotore {
public:
    explicit ProgrammaProva(queue::Database& db) : db_(db) {}
    QString Cella(const QString& id, int c) const override { return righe.at(id).celle.value(c); }
    void ImpostaCella(const QString& id, int c, const QString& t) override {
        if (righe.count(id) && !righe[id].completati)
            righe[id].celle[c] = t;
    }
    QString Didascalia(const QString& id) const override { return righe.at(id).didascalia; }
    void ImpostaDidascalia(const QString& id, const QString& t) override {
        righe[id].didascalia = t;
    }
    void ImpostaIcona(const QString& id, int icona) override { righe[id].icona = icona; }
    void SpostaInCompletati(const QString& id) override { righe[id].completati = true; }
    queue::Database* Db() override { return &db_; }
    void DisattivaDownloadAutomatico() override { automaticoSpento = true; }
    void RimuoviDaAttivi(StatoDownload& d) override { rimossi << d.IdRiga; }
    void FineDownload() override { ++fini; }
    void DownloadConcluso(const QString& id, bool riuscito) override {
        conclusi << id + (riuscito ? " sì" : " no");
    }

    std::map<QString, Riga> righe;
    QStringList conclusi;
    QStringList rimossi;
    int fini = 0;
    bool automaticoSpento = false;

private:
    queue::Database& db_;
};

class Motore : public ::testing::Test {
protected:
    Motore() {
        queue::CreaTabelle(db_);
        QDir().mkpath(temp_);
        QDir().mkpath(completati_);
        ambiente_.programma = &programma_;
        ambiente_.attivi = &attivi_;
        ambiente_.file = &registro_;
        ambiente_.accesso.senddata = [this](const QString& c, const QString& p) {
            std::lock_guard lock(bloccoInviati_);
            inviati_ << c + p;
        };
        ambiente_.dominiHost = {"easybytez.localhost"};
        ambiente_.hostConosciuto = [](const QString&) { return false; };
    }

    ParametriDownload parametri(const QString& url) {
        const QString id = QString::number(queue::InserisciLink(db_, url, {}, {}, false, {}));
        programma_.righe[id].didascalia = url;
        ParametriDownload p;
        p.IdRiga = id;
        p.Link = url;
        p.CartellaTemp = temp_;
        p.CartellaCompletati = completati_;
        return p;
    }
    // Queues `url` and runs one worker on it to its end.
    QString scarica(const QString& url,
                    const std::function<void(ParametriDownload&)>& cambia = {}) {
        ParametriDownload p = parametri(url);
        const QString id = p.IdRiga;
        if (cambia)
            cambia(p);
        TDownload worker(p, ambiente_);
        attivi_.Lista << &worker;
        worker.start();
        EXPECT_TRUE(AttendiThread(worker, 60000));
        attivi_.Lista.removeAll(&worker);
        return id;
    }
    QString completato(const QString& id) {
        return db_.Query("SELECT completato FROM table_download WHERE id = ?", {id})
            .Value(0, "completato");
    }
    // Whole files compared without printing megabytes on a failure.
    static ::testing::AssertionResult stessi(const QByteArray& a, const QByteArray& b) {
        if (a == b)
            return ::testing::AssertionSuccess();
        qsizetype i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i])
            ++i;
        return ::testing::AssertionFailure()
               << a.size() << " bytes against " << b.size() << ", first difference at " << i;
    }
    static QByteArray leggi(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void scrivi(const QString& path, const QByteArray& dati) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dati);
    }
    QByteArrayList range(const QByteArray& path) {
        QByteArrayList out;
        for (const auto& r : server_.richieste())
            if (r.path == path)
                out << r.range;
        return out;
    }

    clock::ScopedSpeedUp veloce_{1000};
    QTemporaryDir dir_;
    QString temp_ = dir_.path() + "/temp/";
    QString completati_ = dir_.path() + "/done/";
    queue::Database db_{dir_.path() + "/database.opt"};
    ProgrammaProva programma_{db_};
    DownloadAttivi attivi_;
    RegistroFile registro_;
    AmbienteMotore ambiente_;
    FakeFileServer server_;
    std::mutex bloccoInviati_;
    QStringList inviati_;
    QStringList inviati() {
        std::lock_guard lock(bloccoInviati_);
        return inviati_;
    }
};

TEST_F(Motore, HostKeywordsEndAtOnceAndServiceLinksWaitForTheirOwnAnswer) {
    test::FakeHostSite sito;
    net::ArchivioCookie cookie;
    ambiente_.accesso.sitoBase = sito.radice();
    ambiente_.accesso.cookie = &cookie;
    const QString mancante = scarica(sito.link("nothere"), [](ParametriDownload& p) {
        p.AccountEmail = test::FakeHostSite::kEmail;
        p.AccountPassword = test::FakeHostSite::kPassword;
    });
    EXPECT_EQ(programma_.righe[mancante].celle[queue::cella::Stato], "File mancante!");
    EXPECT_EQ(programma_.righe[mancante].celle[queue::cella::Progresso], "Errore download");
    EXPECT_EQ(completato(mancante), "2");
    EXPECT_EQ(sito.loginAttempts().size(), 1); // one pass only

    // A host file that arrives: its size and name announced, then the bytes the account used.
    sito.addFile(test::FileOspitato::generated("abc123", "Parte 1.rar", 70000));
    const QString trovato = scarica(sito.link("abc123"), [](ParametriDownload& p) {
        p.AccountEmail = test::FakeHostSite::kEmail;
        p.PasswordLink = "pl";
        p.PasswordArchivio = "pa";
    });
    EXPECT_EQ(completato(trovato), "1");
    const QString link = sito.link("abc123");
    EXPECT_TRUE(inviati().contains("#0600" + link + "|||pl|||pa|||70000|||Parte 1.rar"));
    EXPECT_TRUE(inviati().contains(QString("#0335") + test::FakeHostSite::kEmail + "|||70000"));

    // A link of another listed host: only the answer for this row id is taken.
    clock::ScopedSpeedUp attesaPiuLunga(10);
    ambiente_.hostConosciuto = [](const QString&) { return true; };
    server_.aggiungi("/diretto.bin", "diretto");
    const QString id =
        QString::number(queue::InserisciLink(db_, "http://altro/x", {}, {}, false, {}));
    ParametriDownload p;
    p.IdRiga = id;
    p.Link = "http://altro/x";
    p.CartellaTemp = temp_;
    p.CartellaCompletati = completati_;
    TDownload worker(p, ambiente_);
    attivi_.Lista << &worker;
    worker.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            AttendiThread(worker, 10);
            return inviati().contains("#0333" + id + "!http://altro/x");
        },
        10000));
    InstradaLinkServizio(attivi_, "999|" + server_.url("/altro.bin"));
    AttendiThread(worker, 300);
    EXPECT_TRUE(worker.isRunning());
    InstradaLinkServizio(attivi_, id + "|" + server_.url("/diretto.bin"));
    EXPECT_TRUE(AttendiThread(worker, 20000));
    attivi_.Lista.removeAll(&worker);
    EXPECT_EQ(leggi(completati_ + "diretto.bin"), "diretto");
}

TEST_F(Motore, ResumesFromThePartialFileRefetchingItsLastBytes) {
    const QByteArray dati = FakeFileServer::bytesGenerati(7, 0, 300000);
    server_.aggiungi("/a.bin", dati);
    const struct {
        qint64 suDisco;
        QByteArray rangeAtteso;
    } casi[] = {{0, "bytes=0-300000"},
                {8192, "bytes=0-300000"},
                {8193, "bytes=1-300000"},
                {250000, "bytes=241808-300000"}};
    for (const auto& c : casi) {
        server_.azzera();
        QFile::remove(completati_ + "a.bin");
        if (c.suDisco > 0)
            scrivi(temp_ + "a.bin.trvltmp", dati.left(c.suDisco));
        const QString id = scarica(server_.url("/a.bin"));
        EXPECT_TRUE(stessi(leggi(completati_ + "a.bin"), dati)) << c.suDisco;
        EXPECT_EQ(range("/a.bin"), QByteArrayList({"bytes=0-", c.rangeAtteso})) << c.suDisco;
        EXPECT_EQ(completato(id), "1");
        EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Completato");
        EXPECT_EQ(programma_.righe[id].celle[queue::cella::Size], "0.29/0.29 MB");
        EXPECT_EQ(programma_.righe[id].didascalia, "a.bin");
        EXPECT_EQ(programma_.righe[id].icona, queue::IconaCompletato);
        EXPECT_FALSE(QFile::exists(temp_ + "a.bin.trvltmp"));
    }
}

TEST_F(Motore, AFileThatChangedOrShrankIsNeverFinishedWithStaleBytes) {
    const QByteArray vecchi = FakeFileServer::bytesGenerati(1, 0, 200000);
    const QByteArray nuovi = FakeFileServer::bytesGenerati(2, 0, 150000);
    // Changed under a partial file: the re-fetched tail differs, so it starts again.
    server_.aggiungi("/c.bin", nuovi);
    scrivi(temp_ + "c.bin.trvltmp", vecchi.left(100000));
    scarica(server_.url("/c.bin"));
    EXPECT_TRUE(stessi(leggi(completati_ + "c.bin"), nuovi));
    // A server that ignores ranges, over an older and longer partial file.
    Guasti senzaRange;
    senzaRange.ignoraRange = true;
    server_.aggiungi("/r.bin", nuovi);
    server_.imposta("/r.bin", senzaRange);
    scrivi(temp_ + "r.bin.trvltmp", vecchi);
    scarica(server_.url("/r.bin"));
    EXPECT_TRUE(stessi(leggi(completati_ + "r.bin"), nuovi));
}

TEST_F(Motore, DropsAreNotCountedAndOnesThatBringNothingWaitLongerEachTime) {
    clock::ScopedSpeedUp misurabile(20); // a first pause of 50 ms
    const struct {
        const char* caso;
        qint64 dopo;
    } casi[] = {{"after some bytes", 60000}, {"before a byte", 0}};
    int n = 0;
    for (const auto& c : casi) {
        const QByteArray path = "/d" + QByteArray::number(++n) + ".bin";
        const QByteArray dati = FakeFileServer::bytesGenerati(3, 0, 500000);
        server_.aggiungi(path, dati);
        Guasti cade;
        cade.interrompiDopo = c.dopo;
        cade.volte = 10; // five passes, probe and transfer, more than the counted attempts
        server_.imposta(path, cade);
        const QString id = scarica(server_.url(path));
        EXPECT_TRUE(stessi(leggi(completati_ + QString::fromLatin1(path.mid(1))), dati)) << c.caso;
        EXPECT_EQ(completato(id), "1") << c.caso;
        if (c.dopo > 0)
            continue;
        QList<qint64> trasferimenti;
        for (const auto& r : server_.richieste())
            if (r.path == path && r.range != "bytes=0-")
                trasferimenti << r.ms;
        ASSERT_EQ(trasferimenti.size(), 6);
        for (int k = 1; k < trasferimenti.size(); ++k)
            EXPECT_GE(trasferimenti[k] - trasferimenti[k - 1], 45 << (k - 1)) << k;
    }
}

TEST_F(Motore, AResumeIsCheckedAgainstTheFileItStarted) {
    Guasti stessoNome;
    stessoNome.contentDisposition = "attachment; filename=\"v.bin\"";
    Guasti lento = stessoNome;
    lento.lento = 2000000; // the first block on disk at 0.5 s, the file whole at 3 s
    const QString parziale = temp_ + "v.bin.trvltmp";
    constexpr qint64 kBloccoSuDisco = 1 << 20; // what is received reaches the disk in such blocks
    // Runs a row until its partial file holds `byte` bytes, then stops it.
    const auto ferma = [&](const ParametriDownload& p, qint64 byte) {
        TDownload worker(p, ambiente_);
        worker.start();
        while (QFileInfo(parziale).size() < byte && !worker.isFinished())
            AttendiThread(worker, 10);
        worker.Interrompi = true;
        EXPECT_TRUE(AttendiThread(worker, 20000));
    };
    const auto finisci = [&](const ParametriDownload& p) {
        TDownload worker(p, ambiente_);
        worker.start();
        EXPECT_TRUE(AttendiThread(worker, 60000));
    };
    const QByteArray vecchi = FakeFileServer::bytesGenerati(41, 0, 6000000);
    server_.aggiungi("/v", vecchi);
    server_.imposta("/v", lento);

    // Resumed as it was begun: the range asked for carries the version it began with.
    const ParametriDownload primo = parametri(server_.url("/v"));
    ferma(primo, kBloccoSuDisco);
    const qint64 lunghezza = QFileInfo(parziale).size();
    const QByteArray versione = server_.richieste().last().ifRange;
    server_.azzera();
    server_.imposta("/v", stessoNome);
    finisci(primo);
    EXPECT_TRUE(stessi(leggi(completati_ + "v.bin"), vecchi));
    EXPECT_FALSE(server_.richieste().last().ifRange.isEmpty());
    EXPECT_EQ(server_.richieste().last().range,
              QStringLiteral("bytes=%1-6000000").arg(lunghezza - 8192).toLatin1());
    EXPECT_TRUE(versione.isEmpty()); // a transfer from byte 0 needs none

    // Replaced on the server between two runs, the same where the resume would look again:
    // begun again from byte 0, never finished as a mix of the two.
    server_.imposta("/v", lento);
    const ParametriDownload secondo = parametri(server_.url("/v"));
    ferma(secondo, kBloccoSuDisco);
    QByteArray nuovi = vecchi;
    for (int i = 0; i < 1000; ++i)
        nuovi[i] = static_cast<char>(~nuovi[i]);
    server_.cambiaContenuto("/v", nuovi);
    server_.imposta("/v", stessoNome);
    finisci(secondo);
    EXPECT_TRUE(stessi(leggi(completati_ + "v.bin"), nuovi));

    // Another link's partial file of that name is left alone: this row takes its own.
    server_.aggiungi("/w", FakeFileServer::bytesGenerati(42, 0, 6000000));
    server_.imposta("/w", lento);
    server_.imposta("/v", lento);
    const ParametriDownload terzo = parametri(server_.url("/v"));
    ferma(terzo, kBloccoSuDisco);
    const QByteArray suoi = leggi(parziale);
    const ParametriDownload altro = parametri(server_.url("/w"));
    server_.imposta("/w", stessoNome);
    finisci(altro);
    EXPECT_EQ(leggi(parziale), suoi);
    EXPECT_EQ(programma_.righe[altro.IdRiga].didascalia, "v (2).bin");
}

TEST_F(Motore, ProbeFailures) {
    server_.aggiungi("/x.bin", "0123456789");
    const struct {
        int stato;
        int richieste;
    } casi[] = {{503, 3}, {404, 3}, {204, 3}};
    for (const auto& c : casi) {
        Guasti g;
        g.stato = c.stato;
        server_.imposta("/x.bin", g);
        server_.azzera();
        const QString id = scarica(server_.url("/x.bin"));
        EXPECT_EQ(completato(id), "2") << c.stato;
        EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Interrotto") << c.stato;
        EXPECT_EQ(programma_.righe[id].icona, queue::IconaFallito);
        EXPECT_EQ(server_.conteggio("/x.bin"), c.richieste) << c.stato;
    }
}

TEST_F(Motore, NamesFromTheServerStayInTheirFolder) {
    const struct {
        QByteArray path;
        QByteArray disposition;
        const char* atteso;
    } casi[] = {
        {"/q1", "attachment; filename=\"a?b.zip\"", "a"},
        {"/a%3Fb.zip", "", "a_b.zip"},
        {"/esc", "attachment; filename=\"../../x\"", ".._.._x"},
        {"/f.bin?token=1", "", "f.bin"},
    };
    for (const auto& c : casi) {
        const QByteArray path = c.path.split('?').first();
        server_.aggiungi(QByteArray::fromPercentEncoding(path), "contenuto");
        Guasti g;
        g.contentDisposition = c.disposition;
        server_.imposta(QByteArray::fromPercentEncoding(path), g);
        scarica(server_.radice() + c.path);
        EXPECT_EQ(leggi(completati_ + c.atteso), "contenuto") << c.path.toStdString();
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"database.opt"}));
    // Without Content-Disposition the name is the last segment after the redirects.
    server_.aggiungi("/finale.rar", "rar");
    Guasti redirect;
    redirect.redirectA = "/finale.rar";
    server_.aggiungi("/inizio", "x");
    server_.imposta("/inizio", redirect);
    scrivi(completati_ + "finale.rar", "an older file");
    scarica(server_.url("/inizio"));
    EXPECT_EQ(leggi(completati_ + "finale.rar"), "rar");
}

TEST_F(Motore, RevSkippedAndEqualFoldersRenamedInPlace) {
    server_.aggiungi("/Parte.REV", "rev");
    const QString rev =
        scarica(server_.url("/Parte.REV"), [](ParametriDownload& p) { p.SaltaRev = true; });
    EXPECT_EQ(programma_.righe[rev].celle[queue::cella::Size], "Skipped");
    EXPECT_EQ(completato(rev), "1");
    EXPECT_FALSE(QFile::exists(temp_ + "Parte.REV.trvltmp"));

    server_.aggiungi("/stesso.bin", "stesso");
    const QString id = scarica(server_.url("/stesso.bin"),
                               [this](ParametriDownload& p) { p.CartellaCompletati = temp_; });
    EXPECT_EQ(leggi(temp_ + "stesso.bin"), "stesso");
    EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Completato");
}

TEST_F(Motore, StopKeepsThePartialFileAndALaterStartFinishesItExactly) {
    const QByteArray dati = FakeFileServer::bytesGenerati(9, 0, 2000000);
    server_.aggiungi("/lento.bin", dati);
    Guasti lento;
    lento.lento = 400000;
    server_.imposta("/lento.bin", lento);
    const QString id =
        QString::number(queue::InserisciLink(db_, server_.url("/lento.bin"), {}, {}, false, {}));
    ParametriDownload p;
    p.IdRiga = id;
    p.Link = server_.url("/lento.bin");
    p.CartellaTemp = temp_;
    p.CartellaCompletati = completati_;
    {
        TDownload worker(p, ambiente_);
        worker.start();
        while (QFileInfo(temp_ + "lento.bin.trvltmp").size() < 300000)
            AttendiThread(worker, 20);
        worker.Interrompi = true;
        EXPECT_TRUE(AttendiThread(worker, 20000));
    }
    EXPECT_EQ(completato(id), "0");
    const qint64 parziale = QFileInfo(temp_ + "lento.bin.trvltmp").size();
    EXPECT_GT(parziale, 300000);
    server_.imposta("/lento.bin", Guasti{});
    TDownload ripresa(p, ambiente_);
    ripresa.start();
    EXPECT_TRUE(AttendiThread(ripresa, 60000));
    EXPECT_TRUE(stessi(leggi(completati_ + "lento.bin"), dati));
    EXPECT_EQ(range("/lento.bin").last(),
              QStringLiteral("bytes=%1-2000000").arg(parziale - 8192).toLatin1());
}

TEST_F(Motore, AnswersThatAreNotTheFileAreNeverWrittenIntoIt) {
    const QByteArray dati = FakeFileServer::bytesGenerati(11, 0, 200000);
    const auto guasti = [](const std::function<void(Guasti&)>& cambia) {
        Guasti g;
        cambia(g);
        return g;
    };
    const struct {
        const char* caso;
        Guasti guasti;
        const char* completato;
    } casi[] = {
        {"link expired once", guasti([](Guasti& g) {
             g.paginaErrore = "<html>scaduto</html>";
             g.paginaSoloSuRipresa = true;
             g.dopo = 1;
             g.volte = 1;
         }),
         "1"},
        {"link expired for good", guasti([](Guasti& g) {
             g.paginaErrore = "<html>scaduto</html>";
             g.paginaSoloSuRipresa = true;
         }),
         "2"},
        {"range from elsewhere once", guasti([](Guasti& g) {
             g.scartoInizio = 100;
             g.dopo = 1;
             g.volte = 1;
         }),
         "1"},
        {"range of another total", guasti([](Guasti& g) { g.scartoTotale = 7; }), "2"},
        {"body past its end", guasti([](Guasti& g) {
             g.byteInPiu = 5000;
             g.dopo = 1;
         }),
         "1"},
        {"file replaced between passes", guasti([](Guasti& g) { g.etagVariabile = true; }), "1"},
    };
    int n = 0;
    for (const auto& c : casi) {
        const QByteArray path = "/h" + QByteArray::number(++n) + ".bin";
        const QString nome = QString::fromLatin1(path.mid(1));
        server_.aggiungi(path, dati);
        server_.imposta(path, c.guasti);
        scrivi(temp_ + nome + ".trvltmp", dati.left(100000));
        const QString id = scarica(server_.url(path));
        EXPECT_EQ(completato(id), c.completato) << c.caso;
        if (QByteArray(c.completato) == "1") {
            EXPECT_TRUE(stessi(leggi(completati_ + nome), dati)) << c.caso;
            continue;
        }
        EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Interrotto") << c.caso;
        EXPECT_FALSE(QFile::exists(completati_ + nome)) << c.caso;
        const QByteArray parziale = leggi(temp_ + nome + ".trvltmp");
        EXPECT_TRUE(stessi(parziale, dati.left(parziale.size()))) << c.caso;
    }
}

TEST_F(Motore, AWebPageWhereAHostPromisedAFileIsAMissingFile) {
    const QByteArray pagina = "<html>il file non esiste</html>";
    server_.aggiungi("/pagina", pagina);
    Guasti html;
    html.tipo = "text/html; charset=utf-8";
    server_.imposta("/pagina", html);
    ambiente_.hostConosciuto = [](const QString& link) { return link.contains("altro"); };
    ambiente_.accesso.senddata = [this](const QString& codice, const QString& payload) {
        if (codice == "#0333")
            InstradaLinkServizio(attivi_,
                                 payload.section('!', 0, 0) + '|' + server_.url("/pagina"));
        std::lock_guard lock(bloccoInviati_);
        inviati_ << codice + payload;
    };
    const QString ospitato = scarica("http://altro.example/file.rar");
    EXPECT_EQ(completato(ospitato), "2");
    EXPECT_EQ(server_.conteggio("/pagina"), 3); // three probes, never a transfer
    EXPECT_FALSE(QFile::exists(completati_ + "pagina"));
    // A host's page still has its size and name announced before it is judged.
    test::FakeHostSite sito;
    net::ArchivioCookie cookie;
    ambiente_.accesso.sitoBase = sito.radice();
    ambiente_.accesso.cookie = &cookie;
    test::FileOspitato paginaHost = test::FileOspitato::generated("pag123", "Pagina.rar", 5000);
    paginaHost.type = "text/html";
    sito.addFile(paginaHost);
    const QString link = sito.link("pag123");
    const QString host = scarica(link, [](ParametriDownload& p) {
        p.AccountEmail = test::FakeHostSite::kEmail;
        p.AccountPassword = test::FakeHostSite::kPassword;
    });
    EXPECT_EQ(completato(host), "2");
    EXPECT_EQ(inviati().filter("#0600").size(), 3);
    EXPECT_TRUE(inviati().contains("#0600" + link + "|||||||||5000|||Pagina.rar"));
    // A plain link to a page is the page the user asked for.
    const QString diretto = scarica(server_.url("/pagina"));
    EXPECT_EQ(completato(diretto), "1");
    EXPECT_EQ(leggi(completati_ + "pagina"), pagina);
}

TEST_F(Motore, RowsWithOneNameKeepEachItsOwnFile) {
    Guasti stesso;
    stesso.contentDisposition = "attachment; filename=\"same.bin\"";
    stesso.lento = 2000000; // both are writing at once
    const QByteArray contenuti[] = {FakeFileServer::bytesGenerati(21, 0, 400000),
                                    FakeFileServer::bytesGenerati(22, 0, 400000)};
    const QByteArray path[] = {"/uno", "/due"};
    std::vector<std::unique_ptr<TDownload>> lavoratori;
    for (int i = 0; i < 2; ++i) {
        server_.aggiungi(path[i], contenuti[i]);
        server_.imposta(path[i], stesso);
        lavoratori.push_back(
            std::make_unique<TDownload>(parametri(server_.url(path[i])), ambiente_));
        attivi_.Lista << lavoratori.back().get();
    }
    for (const auto& w : lavoratori)
        w->start();
    for (const auto& w : lavoratori)
        EXPECT_TRUE(AttendiThread(*w, 60000));
    attivi_.Lista.clear();
    QStringList nomi;
    for (int i = 0; i < 2; ++i) {
        const QString id = lavoratori[i]->IdRiga;
        nomi << programma_.righe[id].didascalia;
        EXPECT_EQ(completato(id), "1");
        EXPECT_TRUE(stessi(leggi(completati_ + nomi.last()), contenuti[i])) << i;
    }
    std::sort(nomi.begin(), nomi.end());
    EXPECT_EQ(nomi, QStringList({"same (2).bin", "same.bin"}));
    // The same link again replaces its own earlier file, whichever name it took.
    const QString ancora = scarica(server_.url("/uno"));
    EXPECT_EQ(programma_.righe[ancora].didascalia,
              programma_.righe[lavoratori[0]->IdRiga].didascalia);
    EXPECT_EQ(QDir(completati_).entryList(QDir::Files).size(), 2);
}

TEST_F(Motore, MissingFoldersAreMadeAndOnesThatCannotBeSaySo) {
    server_.aggiungi("/f.bin", "contenuto");
    QDir(temp_).removeRecursively();
    QDir(completati_).removeRecursively();
    EXPECT_EQ(completato(scarica(server_.url("/f.bin"))), "1");
    EXPECT_EQ(leggi(completati_ + "f.bin"), "contenuto");

    scrivi(dir_.path() + "/file", "not a folder");
    const QString bloccato = dir_.path() + "/file/sotto/";
    const QString senzaTemp =
        scarica(server_.url("/f.bin"), [&](ParametriDownload& p) { p.CartellaTemp = bloccato; });
    EXPECT_EQ(programma_.righe[senzaTemp].celle[queue::cella::Stato], "Cartella non accessibile");
    EXPECT_EQ(completato(senzaTemp), "2");

    const QString senzaCompletati = scarica(
        server_.url("/f.bin"), [&](ParametriDownload& p) { p.CartellaCompletati = bloccato; });
    EXPECT_EQ(programma_.righe[senzaCompletati].celle[queue::cella::Stato],
              "Completato ma non spostato!");
    EXPECT_EQ(programma_.righe[senzaCompletati].celle[queue::cella::Progresso],
              "Cartella non accessibile");
    EXPECT_EQ(completato(senzaCompletati), "1");
    EXPECT_EQ(leggi(temp_ + "f.bin"), "contenuto");
}

TEST_F(Motore, AMoveToAnotherFileSystemLeavesOnlyTheWholeFile) {
    QTemporaryDir altro("/dev/shm/tarvolin-XXXXXX"); // a tmpfs apart from the test's folder
    if (!altro.isValid())
        GTEST_SKIP() << "no /dev/shm";
    const QByteArray dati = FakeFileServer::bytesGenerati(31, 0, 3000000);
    server_.aggiungi("/lontano.bin", dati);
    const QString cartella = altro.path() + "/done/";
    const QString id = scarica(server_.url("/lontano.bin"),
                               [&](ParametriDownload& p) { p.CartellaCompletati = cartella; });
    EXPECT_EQ(completato(id), "1");
    EXPECT_TRUE(stessi(leggi(cartella + "lontano.bin"), dati));
    EXPECT_EQ(QDir(cartella).entryList(QDir::Files | QDir::Hidden), QStringList{"lontano.bin"});
    EXPECT_FALSE(QFile::exists(temp_ + "lontano.bin.trvltmp"));
}

TEST_F(Motore, PlantedLinksAreNeverWrittenThrough) {
    QTemporaryDir shm("/dev/shm/tarvolin-XXXXXX"); // a move across file systems copies
    const QString canarino = dir_.path() + "/canarino";
    const QString lontano = shm.path() + "/done/";
    const struct {
        const char* caso;
        QString nome;       // the file served
        QString cartella;   // where it finishes
        QString posto;      // where the link is planted, "%1" the row id
        bool fisso = false; // a hard link
    } casi[] = {
        {"partial file", "p1.bin", completati_, temp_ + "p1.bin.trvltmp"},
        {"the row's own partial file", "p2.bin", completati_, temp_ + "p2.bin.%1.trvltmp"},
        {"hard link at the partial file", "p3.bin", completati_, temp_ + "p3.bin.trvltmp", true},
        {"finished file", "p4.bin", completati_, completati_ + "p4.bin"},
        {"copy across file systems", "p5.bin", lontano, lontano + ".p5.bin.trvlcopia"},
    };
    for (const auto& c : casi) {
        if (c.cartella == lontano && !shm.isValid())
            continue;
        scrivi(canarino, "canarino");
        const QByteArray dati = FakeFileServer::bytesGenerati(51, 0, 100000);
        server_.aggiungi("/" + c.nome.toUtf8(), dati);
        ParametriDownload p = parametri(server_.url("/" + c.nome.toUtf8()));
        p.CartellaCompletati = c.cartella;
        const QString posto = QString(c.posto).replace("%1", p.IdRiga);
        QDir().mkpath(QFileInfo(posto).path());
        ASSERT_TRUE(c.fisso ? ::link(qPrintable(canarino), qPrintable(posto)) == 0
                            : QFile::link(canarino, posto))
            << c.caso;
        TDownload worker(p, ambiente_);
        worker.start();
        EXPECT_TRUE(AttendiThread(worker, 60000));
        EXPECT_EQ(completato(p.IdRiga), "1") << c.caso;
        EXPECT_TRUE(stessi(leggi(c.cartella + c.nome), dati)) << c.caso;
        EXPECT_FALSE(QFileInfo(c.cartella + c.nome).isSymLink()) << c.caso;
        EXPECT_TRUE(leggi(canarino) == "canarino") << c.caso;
        QFile::remove(posto);
    }
}

// fsync, while one lives: fails for partial files or for folders when told to, and notes for
// each folder fsynced what `allaCartella` says at that moment.
class DiscoGuasto {
public:
    DiscoGuasto() { attivo_ = this; }
    ~DiscoGuasto() { attivo_ = nullptr; }
    DiscoGuasto(const DiscoGuasto&) = delete;
    DiscoGuasto& operator=(const DiscoGuasto&) = delete;

    static int fsync(int fd) {
        DiscoGuasto* d = attivo_.load();
        struct stat st {};
        if (d == nullptr || ::fstat(fd, &st) != 0)
            return static_cast<int>(::syscall(SYS_fsync, fd));
        const QString percorso = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
        if (S_ISDIR(st.st_mode)) {
            const QString visto = d->allaCartella ? d->allaCartella() : QString();
            std::lock_guard lock(d->blocco_);
            d->cartelle_ << percorso + "/ " + visto;
        }
        if ((d->guastoParziali && percorso.endsWith(".trvltmp")) ||
            (d->guastoCartelle && S_ISDIR(st.st_mode))) {
            errno = S_ISDIR(st.st_mode) ? EINVAL : EIO;
            return -1;
        }
        return static_cast<int>(::syscall(SYS_fsync, fd));
    }
    QStringList cartelle() {
        std::lock_guard lock(blocco_);
        return cartelle_;
    }
    std::atomic<bool> guastoParziali{false}, guastoCartelle{false};
    std::function<QString()> allaCartella; // set before a worker starts

private:
    static inline std::atomic<DiscoGuasto*> attivo_{nullptr};
    std::mutex blocco_;
    QStringList cartelle_;
};

TEST_F(Motore, RecordedFinishedOnlyOnceOnTheDiskAndNeverFromBytesAFlushLost) {
    DiscoGuasto disco;
    // The completed folder is flushed while the row is still to be recorded.
    server_.aggiungiGenerato("/s.bin", 300000, 61);
    const ParametriDownload p = parametri(server_.url("/s.bin"));
    disco.allaCartella = [&] {
        queue::Database lettore(dir_.path() + "/database.opt");
        return lettore.Query("SELECT completato FROM table_download WHERE id = ?", {p.IdRiga})
            .Value(0, "completato");
    };
    {
        TDownload worker(p, ambiente_);
        worker.start();
        EXPECT_TRUE(AttendiThread(worker, 60000));
    }
    disco.allaCartella = nullptr;
    EXPECT_EQ(completato(p.IdRiga), "1");
    EXPECT_TRUE(disco.cartelle().contains(completati_ + " 0"));

    // A folder the disk cannot flush still holds the whole file.
    disco.guastoCartelle = true;
    server_.aggiungiGenerato("/u.bin", 300000, 63);
    EXPECT_EQ(completato(scarica(server_.url("/u.bin"))), "1");
    EXPECT_EQ(QFileInfo(completati_ + "u.bin").size(), 300000);
    disco.guastoCartelle = false;

    // Bytes whose flush failed are never finished, nor kept to be resumed.
    disco.guastoParziali = true;
    server_.aggiungiGenerato("/t.bin", 300000, 62);
    const QString fallito = scarica(server_.url("/t.bin"));
    EXPECT_EQ(completato(fallito), "2");
    EXPECT_EQ(programma_.righe[fallito].celle[queue::cella::Stato], "Interrotto");
    EXPECT_EQ(QFileInfo(temp_ + "t.bin.trvltmp").size(), 0);
    EXPECT_FALSE(QFile::exists(completati_ + "t.bin"));
}

// One number for each set in a folder: the group's first stays, another group never shares it.
TEST(RegistroFile, ASetKeepsTheNumberItsGroupTookFirst) {
    RegistroFile r;
    EXPECT_TRUE(r.PrenotaSet("/d/", "Film", "Film (2)", 2, "G"));
    EXPECT_FALSE(r.PrenotaSet("/d/", "Film", "Film", 1, "G")); // a volume that looked earlier
    EXPECT_TRUE(r.PrenotaSet("/d/", "Film", "Film (3)", 3, "G", true)); // its own could not be had
    EXPECT_FALSE(r.PrenotaSet("/d/", "Film", "Film (2)", 2, "H"));
    EXPECT_TRUE(r.PrenotaSet("/d/", "Film", "Film", 1, "H"));
    EXPECT_TRUE(r.PrenotaSet("/altra/", "Film", "Film (2)", 2, "H"));
    EXPECT_EQ(r.NumeroSet("/d/", "Film", "G"), 2);
    EXPECT_EQ(r.NumeroSet("/d/", "Film", "H"), 1);
}

// Writes beyond this size fail with EFBIG while it lives.
class LimiteFile {
public:
    explicit LimiteFile(rlim_t byte) {
        getrlimit(RLIMIT_FSIZE, &prima_);
        segnale_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{byte, prima_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteFile() {
        setrlimit(RLIMIT_FSIZE, &prima_);
        std::signal(SIGXFSZ, segnale_);
    }
    LimiteFile(const LimiteFile&) = delete;
    LimiteFile& operator=(const LimiteFile&) = delete;

private:
    rlimit prima_{};
    void (*segnale_)(int) = nullptr;
};

TEST_F(Motore, FailuresThatRepeatUseUpTheAttempts) {
    // A probe that looks fine and transfers that never bring the file.
    test::RecordingHttpServer guasto;
    guasto.get("/.*", [](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Range") == "bytes=0-") {
            res.status = 206;
            res.set_header("Content-Range", "bytes 0-9/10");
            res.set_content("0123456789", "application/octet-stream");
        } else {
            res.status = 500;
            res.set_content("errore", "text/plain");
        }
    });
    guasto.start(0);
    const QString radice = QStringLiteral("http://127.0.0.1:%1").arg(guasto.port());
    server_.aggiungiGenerato("/grande.bin", 300000, 6);

    const struct {
        const char* caso;
        QString url;
        std::function<int()> richieste;
        rlim_t limite;
    } casi[] = {
        {"HTTP 500 after a good probe", radice + "/x.bin",
         [&] { return int(guasto.requests().size()); }, RLIM_INFINITY},
        {"write refused", server_.url("/grande.bin"),
         [&] { return server_.conteggio("/grande.bin"); }, 100000},
    };
    for (const auto& c : casi) {
        std::optional<LimiteFile> limite;
        if (c.limite != RLIM_INFINITY)
            limite.emplace(c.limite);
        const QString id = scarica(c.url);
        limite.reset();
        EXPECT_EQ(completato(id), "2") << c.caso;
        EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Interrotto") << c.caso;
        EXPECT_EQ(c.richieste(), 6) << c.caso; // three probes and three transfers
    }
}

TEST_F(Motore, FreeSpaceIsCheckedBeforeAByteIsWritten) {
    test::RecordingHttpServer enorme;
    enorme.get("/.*", [](const httplib::Request&, httplib::Response& res) {
        constexpr size_t kPetabyte = size_t(1) << 50;
        res.status = 206;
        res.set_header("Content-Range", "bytes 0-" + std::to_string(kPetabyte - 1) + "/" +
                                            std::to_string(kPetabyte));
        res.set_content_provider(kPetabyte, "application/octet-stream",
                                 [](size_t offset, size_t, httplib::DataSink& sink) {
                                     static const std::string zeri(65536, '\0');
                                     return offset < (1 << 20) &&
                                            sink.write(zeri.data(), zeri.size());
                                 });
    });
    enorme.start(0);
    const QString id = scarica(QStringLiteral("http://127.0.0.1:%1/enorme.iso").arg(enorme.port()));
    EXPECT_EQ(completato(id), "2");
    EXPECT_TRUE(programma_.automaticoSpento);
    // A full disk fails each pass, and the row says so to the end; it ended failed once.
    EXPECT_EQ(programma_.righe[id].celle[queue::cella::Stato], "Spazio insufficiente");
    EXPECT_EQ(programma_.conclusi, QStringList{id + " no"});
    EXPECT_EQ(QFileInfo(temp_ + "enorme.iso.trvltmp").size(), 0);
    EXPECT_EQ(enorme.requests().size(), 3); // probes only
}

TEST_F(Motore, AThreadToldToEndLeavesAHangingServerAtOnce) {
    const struct {
        const char* caso;
        bool prima;
        qint64 dopo;
    } casi[] = {{"before the headers", true, -1}, {"inside the body", false, 50000}};
    int n = 0;
    for (const auto& c : casi) {
        const QByteArray path = "/fermo" + QByteArray::number(++n) + ".bin";
        server_.aggiungiGenerato(path, 300000, 8);
        Guasti blocca;
        blocca.bloccaPrima = c.prima;
        blocca.bloccaDopo = c.dopo;
        server_.imposta(path, blocca);
        const ParametriDownload p = parametri(server_.url(path));
        TDownload worker(p, ambiente_);
        worker.start();
        const auto inviati = [&] {
            qint64 byte = 0;
            for (const auto& r : server_.richieste())
                byte = r.path == path ? std::max(byte, r.byteInviati) : byte;
            return byte;
        };
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                AttendiThread(worker, 10);
                return c.prima ? server_.conteggio(path) > 0 : inviati() >= c.dopo;
            },
            10000))
            << c.caso;
        QTest::qWait(200); // well into the stall
        QElapsedTimer fine;
        fine.start();
        worker.Interrompi = true;
        worker.requestInterruption();
        EXPECT_TRUE(AttendiThread(worker, 10000)) << c.caso;
        EXPECT_LT(fine.elapsed(), 2500) << c.caso;
        EXPECT_EQ(completato(p.IdRiga), "0") << c.caso;
    }
}

} // namespace

// The program's fsync, in this test program: a disk that fails cannot be had otherwise.
extern "C" int fsync(int fd) {
    return DiscoGuasto::fsync(fd);
}
