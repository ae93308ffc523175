// bench_motore [--parallel N] [--cap KBs] [--rounds R] [--servizio 1] [--estrai 1] --temp DIR
//              --done DIR URL...
// Downloads the URLs (or one a line from stdin when none are given) with the real download
// workers, N at once, under an optional cap shared by the running ones; rows that did not
// finish are started again for up to R rounds, as a user pressing start would. The table is
// emptied first, so rows are numbered 1, 2... in the order given. A URL may be followed by a
// tab and a group, stored with its row as the add-links dialog stores it. Prints wall and CPU
// time, bytes, aggregate rate, peak resident size and each row's outcome. With --servizio 1
// every link is taken as one the service resolves, answered at once with itself, so the
// workers judge the answers as they judge a host's. With --estrai 1 every row is extracted
// once its group is complete, as with the option to extract automatically.
#include "engine/programma.h"
#include "engine/registroestrazioni.h"
#include "engine/tdownload.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <sys/resource.h>

using namespace tarvolin;
using namespace tarvolin::engine;

namespace {

struct Link {
    QString url, gruppo;
};

struct Opzioni {
    int parallel = 1, capKBs = 0, rounds = 1;
    bool servizio = false, estrai = false;
    QString temp, done;
    QList<Link> urls;
};

// "URL" or "URL<TAB>GROUP".
Link leggiLink(const QString& riga) {
    return {riga.section(u'\t', 0, 0).trimmed(), riga.section(u'\t', 1).trimmed()};
}

bool leggiOpzioni(const QStringList& args, Opzioni& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool conValore = a.startsWith("--") && i + 1 < args.size();
        if (a.startsWith("--") && !conValore)
            return false;
        if (a == "--parallel")
            o.parallel = args[++i].toInt();
        else if (a == "--cap")
            o.capKBs = args[++i].toInt();
        else if (a == "--rounds")
            o.rounds = args[++i].toInt();
        else if (a == "--servizio")
            o.servizio = args[++i] == "1";
        else if (a == "--estrai")
            o.estrai = args[++i] == "1";
        else if (a == "--temp")
            o.temp = args[++i] + '/';
        else if (a == "--done")
            o.done = args[++i] + '/';
        else if (a.startsWith("--"))
            return false;
        else
            o.urls << leggiLink(a);
    }
    return o.parallel > 0 && o.rounds > 0 && o.capKBs >= 0 && !o.temp.isEmpty() &&
           !o.done.isEmpty();
}

// The rows the workers show, kept in memory; the database is real.
class Programma : public ProgrammaMotore {
public:
    Programma(queue::Database& db, DownloadAttivi& attivi, int capKBs)
        : db_(db), attivi_(attivi), capKBs_(capKBs) {}
    QString Cella(const QString& id, int c) const override { return celle_.at(id).value(c); }
    void ImpostaCella(const QString& id, int c, const QString& t) override {
        auto& riga = celle_[id];
        if (riga.size() <= c)
            riga.resize(c + 1);
        riga[c] = t;
    }
    QString Didascalia(const QString& id) const override { return didascalie_.at(id); }
    void ImpostaDidascalia(const QString& id, const QString& t) override { didascalie_[id] = t; }
    void ImpostaIcona(const QString&, int) override {}
    void SpostaInCompletati(const QString&) override {}
    queue::Database* Db() override { return &db_; }
    void DisattivaDownloadAutomatico() override {}
    void RimuoviDaAttivi(StatoDownload& d) override {
        {
            std::lock_guard lock(attivi_.BloccoContatori);
            attivi_.Lista.removeAll(&d);
        }
        RicalcolaLimite();
    }
    void FineDownload() override {}
    void RicalcolaLimite() { SettaLimitiDiBanda(attivi_, capKBs_, capKBs_ > 0); }

private:
    queue::Database& db_;
    DownloadAttivi& attivi_;
    int capKBs_;
    std::map<QString, QStringList> celle_;
    std::map<QString, QString> didascalie_;
};

// Every worker has had its file's last byte (or is done): the flush and the settling wait
// before the move are not the transfer's.
bool ricevutiTutti(DownloadAttivi& attivi, const std::vector<std::unique_ptr<TDownload>>& l) {
    std::lock_guard lock(attivi.BloccoContatori);
    return std::all_of(l.begin(), l.end(), [](const auto& w) {
        const qint64 totale = w->DimensioneTotale.load();
        return w->Finito.load() ||
               (totale > 0 && w->ByteMancanti == 0 && w->ByteScaricati >= totale);
    });
}

struct Esecuzione {
    double ultimoByteS = 0; // when the last worker had every byte, before its settling wait
};

// Runs the rows `ids` to their end, `parallel` at once, on the Qt event loop.
Esecuzione scarica(const Opzioni& o, queue::Database& db, RegistroEstrazioni& estrazioni,
                   const QStringList& ids) {
    DownloadAttivi attivi;
    Programma programma(db, attivi, o.capKBs);
    RegistroFile file;
    AmbienteMotore ambiente;
    ambiente.programma = &programma;
    ambiente.file = &file;
    ambiente.attivi = &attivi;
    ambiente.estrazioni = &estrazioni;
    ambiente.hostConosciuto = [&o](const QString&) { return o.servizio; };
    ambiente.accesso.senddata = [&attivi](const QString& codice, const QString& payload) {
        // "id!link" or "id!link|passlink": the link is its own direct URL.
        if (codice == "#0333")
            InstradaLinkServizio(attivi, payload.section('!', 0, 0) + '|' +
                                             payload.section('!', 1).section('|', 0, 0));
    };
    std::deque<QString> coda(ids.begin(), ids.end());
    std::vector<std::unique_ptr<TDownload>> lavoratori;
    Esecuzione esito;
    QElapsedTimer orologio;
    orologio.start();

    // A loop of its own: quitting the application's would stop the workers' synchronised calls
    // for the rounds after the first.
    QEventLoop ciclo;
    QTimer giro;
    QObject::connect(&giro, &QTimer::timeout, [&] {
        std::erase_if(lavoratori, [&](const std::unique_ptr<TDownload>& w) {
            if (!w->isFinished())
                return false;
            w->wait();
            return true;
        });
        const bool tuttiRicevuti = coda.empty() && ricevutiTutti(attivi, lavoratori);
        if (tuttiRicevuti && esito.ultimoByteS == 0)
            esito.ultimoByteS = static_cast<double>(orologio.nsecsElapsed()) / 1e9;
        while (!coda.empty() && std::ssize(lavoratori) < o.parallel) {
            const QString id = coda.front();
            coda.pop_front();
            const queue::RowSet riga =
                db.Query("SELECT link, gruppo FROM table_download WHERE id = ?", {id});
            const QString link = riga.Value(0, "link");
            programma.ImpostaDidascalia(id, link);
            ParametriDownload p;
            p.IdRiga = id;
            p.Link = link;
            p.CartellaTemp = o.temp;
            p.CartellaCompletati = o.done;
            p.Gruppo = riga.Value(0, "gruppo");
            p.Estrai = o.estrai;
            auto& w = lavoratori.emplace_back(std::make_unique<TDownload>(p, ambiente));
            {
                std::lock_guard lock(attivi.BloccoContatori);
                attivi.Lista << w.get();
            }
            programma.RicalcolaLimite();
            w->start();
        }
        if (coda.empty() && lavoratori.empty())
            ciclo.quit();
    });
    giro.start(5);
    ciclo.exec();
    if (esito.ultimoByteS == 0)
        esito.ultimoByteS = static_cast<double>(orologio.nsecsElapsed()) / 1e9;
    return esito;
}

QStringList nonFinite(queue::Database& db) {
    QStringList ids;
    for (queue::RowSet r = db.Query("SELECT id FROM table_download WHERE completato <> '1'");
         !r.Eof(); r.Next())
        ids << r.Value("id");
    return ids;
}

double secondi(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

void stampaRighe(queue::Database& db) {
    for (queue::RowSet r = db.Query("SELECT id, completato, dimensione, nomefile, link FROM "
                                    "table_download ORDER BY id");
         !r.Eof(); r.Next())
        std::printf("row %s completato=%s size=%s name=%s link=%s\n", qPrintable(r.Value("id")),
                    qPrintable(r.Value("completato")), qPrintable(r.Value("dimensione")),
                    qPrintable(r.Value("nomefile")), qPrintable(r.Value("link")));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Opzioni o;
    if (!leggiOpzioni(app.arguments(), o)) {
        std::fprintf(stderr, "usage: bench_motore [--parallel N] [--cap KBs] [--rounds R] "
                             "[--servizio 1] [--estrai 1] --temp DIR --done DIR [URL...]\n");
        return 2;
    }
    if (o.urls.isEmpty()) {
        QTextStream in(stdin);
        for (QString riga; in.readLineInto(&riga);)
            if (!riga.trimmed().isEmpty())
                o.urls << leggiLink(riga);
    }
    QDir().mkpath(o.temp);
    QDir().mkpath(o.done);
    queue::Database db(o.temp + "bench_motore.opt");
    queue::CreaTabelle(db);
    db.Execute("DELETE FROM table_download");
    for (const Link& l : o.urls)
        queue::InserisciLink(db, l.url, {}, {}, o.estrai, l.gruppo);
    // Shared by every round, as the program's lasts as long as it runs.
    RegistroEstrazioni estrazioni;

    QElapsedTimer orologio;
    orologio.start();
    Esecuzione totale;
    int round = 0;
    for (QStringList ids = nonFinite(db); !ids.isEmpty() && round < o.rounds;
         ids = nonFinite(db), ++round) {
        const double inizio = static_cast<double>(orologio.nsecsElapsed()) / 1e9;
        totale.ultimoByteS = inizio + scarica(o, db, estrazioni, ids).ultimoByteS;
        std::printf("round %d: %lld rows, %lld left unfinished\n", round + 1,
                    static_cast<long long>(ids.size()),
                    static_cast<long long>(nonFinite(db).size()));
    }
    const double wall = static_cast<double>(orologio.nsecsElapsed()) / 1e9;
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    stampaRighe(db);
    const qsizetype mancanti = nonFinite(db).size();
    const qint64 byte = db.Query("SELECT TOTAL(dimensione) AS b FROM table_download WHERE "
                                 "completato = '1'")
                            .Value(0, "b")
                            .toDouble();
    std::printf("files %lld finished %lld parallel %d cap_kbs %d\n",
                static_cast<long long>(o.urls.size()),
                static_cast<long long>(o.urls.size() - mancanti), o.parallel, o.capKBs);
    std::printf("wall_s %.3f last_byte_s %.3f user_s %.3f sys_s %.3f bytes %lld "
                "mb_s %.2f peak_rss_kib %ld\n",
                wall, totale.ultimoByteS, secondi(uso.ru_utime), secondi(uso.ru_stime),
                static_cast<long long>(byte), static_cast<double>(byte) / 1e6 / totale.ultimoByteS,
                uso.ru_maxrss);
    return mancanti == 0 ? 0 : 1;
}
