// Queue commands on real database files, each beside the bare SQLite statements it runs.
#include "common_ui/messagebox.h"
#include "queue/database.h"
#include "queue/formadd.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

using namespace tarvolin;

namespace {

QString links(int n, int offset = 0) {
    QString text;
    for (int i = 0; i < n; ++i)
        text +=
            QString("http://www.easybytez.com/abc%1/Film.part%2.rar.html\n").arg(offset + i).arg(i);
    return text;
}

// A database file with a table of `rows` rows, of which 500 pending, 500 completed and
// 500 failed lie at the end, the rest completed.
struct Archivio {
    QTemporaryDir dir;
    QString path = dir.filePath("database.opt");

    explicit Archivio(int rows) {
        queue::Database db(path);
        queue::CreaTabelle(db);
        queue::Transazione t(db);
        for (int i = 0; i < rows; ++i) {
            const char* stato = i < rows - 1500   ? "1"
                                : i < rows - 1000 ? "0"
                                : i < rows - 500  ? "1"
                                                  : "2";
            db.Execute(
                "INSERT INTO table_download VALUES (NULL,?,'','','0','','file.rar','1048576',?)",
                {QString("http://h/%1").arg(i), stato});
        }
        t.Commit();
    }
};

struct Liste {
    QTabWidget schede;
    queue::ListeCoda code{new queue::VistaCoda(queue::TipoLista::Coda),
                          new queue::VistaCoda(queue::TipoLista::NonCompletati),
                          new queue::VistaCoda(queue::TipoLista::Completati), &schede};
    Liste() {
        schede.addTab(code.Lista(), "");
        schede.addTab(code.NonCompletati(), "");
        schede.addTab(code.Completati(), "");
    }
};

using Handle = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

Handle apri(const QString& path) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    return Handle(raw, &sqlite3_close_v2);
}

void esegui(sqlite3* db, const char* sql, const QByteArray& a = {}, const QByteArray& b = {}) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (!a.isNull())
        sqlite3_bind_text(stmt, 1, a.constData(), -1, SQLITE_TRANSIENT);
    if (!b.isNull())
        sqlite3_bind_text(stmt, 2, b.constData(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
    }
    sqlite3_finalize(stmt);
}

void BM_AggiungiListaLink500(benchmark::State& state) {
    const QString testo = links(500);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        queue::Database db(dir.filePath("database.opt"));
        queue::CreaTabelle(db);
        Liste liste;
        liste.code.ImpostaDatabase(&db);
        state.ResumeTiming();
        liste.code.AggiungiListaLink(testo, "pw", "", "gruppo", true);
        benchmark::DoNotOptimize(liste.code.Lista()->NumeroRighe());
    }
}

void BM_AggiungiListaLink500_SoloSQL(benchmark::State& state) {
    QList<QByteArray> stored;
    for (const QString& l : links(500).split('\n', Qt::SkipEmptyParts))
        stored << l.toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        {
            queue::Database db(dir.filePath("database.opt"));
            queue::CreaTabelle(db);
        }
        Handle db = apri(dir.filePath("database.opt"));
        state.ResumeTiming();
        esegui(db.get(), "BEGIN TRANSACTION");
        for (const QByteArray& l : stored) {
            esegui(db.get(), "SELECT link FROM table_download WHERE link = ? and completato = '0'",
                   l);
            esegui(db.get(),
                   "INSERT INTO table_download VALUES (NULL,?,'pw','','-1','gruppo','','','0')", l);
        }
        esegui(db.get(), "COMMIT");
    }
}

void BM_CaricaLista(benchmark::State& state) {
    static Archivio archivio(100000);
    queue::Database db(archivio.path);
    for (auto _ : state) {
        state.PauseTiming();
        auto liste = std::make_unique<Liste>();
        liste->code.ImpostaDatabase(&db);
        state.ResumeTiming();
        liste->code.CaricaLista();
        benchmark::DoNotOptimize(liste->code.Completati()->NumeroRighe());
        state.PauseTiming();
        liste.reset();
        state.ResumeTiming();
    }
}

void BM_CaricaLista_SoloSQL(benchmark::State& state) {
    static Archivio archivio(100000);
    Handle db = apri(archivio.path);
    for (auto _ : state) {
        esegui(db.get(), "SELECT * FROM table_download WHERE completato = '0'");
        esegui(db.get(), "SELECT * FROM table_download WHERE completato = '1' LIMIT 500");
        esegui(db.get(), "SELECT * FROM table_download WHERE completato = '2' LIMIT 500");
    }
}

void BM_Elimina500Spuntati(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        queue::Database db(dir.filePath("database.opt"));
        queue::CreaTabelle(db);
        Liste liste;
        liste.code.ImpostaDatabase(&db);
        liste.code.AggiungiListaLink(links(500), {}, {}, {}, false);
        queue::ListeCoda::SpuntaTutti(liste.code.Lista(), true);
        ScopedMessageBoxAnswerer si; // "Eliminare i link selezionati nella lista?" -> Yes
        state.ResumeTiming();
        liste.code.EliminaSelezionati();
        benchmark::DoNotOptimize(liste.code.Lista()->NumeroRighe());
    }
}

void BM_Elimina500Spuntati_SoloSQL(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        {
            queue::Database db(dir.filePath("database.opt"));
            queue::CreaTabelle(db);
            Liste liste;
            liste.code.ImpostaDatabase(&db);
            liste.code.AggiungiListaLink(links(500), {}, {}, {}, false);
        }
        Handle db = apri(dir.filePath("database.opt"));
        state.ResumeTiming();
        esegui(db.get(), "BEGIN TRANSACTION");
        for (int id = 500; id >= 1; --id)
            esegui(db.get(), "DELETE FROM table_download WHERE id = ?", QByteArray::number(id));
        esegui(db.get(), "COMMIT");
    }
}

// How long the add-links dialog holds the window for a pasted text of 100 000 lines
// (about 4 MB), refused because it is over the queue limit.
void BM_DialogoTestoEnorme(benchmark::State& state) {
    QString testo;
    for (int i = 0; i < 100000; ++i)
        testo += QString("http://www.easybytez.com/abcdefgh%1/Film.part%1.rar.html\n").arg(i);
    ScopedMessageBoxAnswerer ok;
    QTemporaryDir dir;
    queue::Database db(dir.filePath("database.opt"));
    queue::CreaTabelle(db);
    Liste liste;
    liste.code.ImpostaDatabase(&db);
    for (auto _ : state) {
        queue::TForm_Add dialogo(
            liste.code, [] { return false; }, false);
        dialogo.ListaLink->setPlainText(testo);
        dialogo.AggiungiBtClick();
        benchmark::DoNotOptimize(liste.code.Lista()->NumeroRighe());
    }
}

} // namespace

BENCHMARK(BM_DialogoTestoEnorme)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AggiungiListaLink500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AggiungiListaLink500_SoloSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaricaLista)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaricaLista_SoloSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Elimina500Spuntati)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Elimina500Spuntati_SoloSQL)->Unit(benchmark::kMillisecond);
