// The scheduler as a user drives it: the start and stop buttons, the limit of the start button
// and automatic mode with its gates, against a local file server.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/notifiche.h"
#include "common/clock.h"
#include "common/statoprocesso.h"
#include "common/synccall.h"
#include "engine/scheduler.h"
#include "engine/unrar_finto/installata.h"
#include "queue/database.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "service/dispatcher.h"
#include "service/sessione.h"
#include "support/app_fixture.h"
#include "support/fake_file_server.h"
#include "support/fake_service_server.h"
#include "support/qt_print.h"

#include <QCheckBox>

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class MotoreApp : public AppFixture {
protected:
    QString accoda(TForm1& f, const QByteArray& path, bool spunta = true) {
        f.Code->AggiungiListaLink(file_.url(path), {}, {}, {}, false);
        QTreeWidgetItem* riga = f.Lista->Riga(f.Lista->NumeroRighe() - 1);
        queue::VistaCoda::Spunta(riga, spunta);
        return queue::VistaCoda::Cella(riga, queue::cella::Id);
    }
    // `dati` at `path`, sent at `byteAlSecondo`.
    void serviLento(const QByteArray& path, const QByteArray& dati, qint64 byteAlSecondo) {
        file_.aggiungi(path, dati);
        test::Guasti lento;
        lento.lento = byteAlSecondo;
        file_.imposta(path, lento);
    }
    static int icona(TForm1& f, const QString& id) {
        QTreeWidgetItem* r = f.Lista->RigaPerId(id);
        return r ? queue::VistaCoda::Icona(r) : -1;
    }
    QString completato(TForm1& f, const QString& id) {
        return f.Db()
            ->Query("SELECT completato FROM table_download WHERE id = ?", {id})
            .Value(0, "completato");
    }

    FakeFileServer file_;
};

TEST_F(MotoreApp, StartStopAndResumeFromTheButtons) {
    TForm1& f = startForDownloads();
    const QByteArray dati = FakeFileServer::bytesGenerati(4, 0, 600000);
    serviLento("/film.bin", dati, 300000);
    const QString id = accoda(f, "/film.bin");
    f.BtPlay->click();
    EXPECT_EQ(icona(f, id), queue::IconaInCorso);
    EXPECT_TRUE(f.Code->Modello().RigheTenute.contains(id));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return f.Lista->RigaPerId(id)->text(0) == "film.bin"; }, 10000));
    f.BtStop->click();
    EXPECT_EQ(icona(f, id), queue::IconaFermo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.DownloadAttivi.Lista.isEmpty(); }, 10000));
    EXPECT_EQ(completato(f, id), "0");

    file_.imposta("/film.bin", test::Guasti{});
    f.BtPlay->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return completato(f, id) == "1"; }, 20000));
    EXPECT_EQ(icona(f, id), queue::IconaCompletato);
    QFile finito(root_.path() + "/done/film.bin");
    ASSERT_TRUE(finito.open(QIODevice::ReadOnly));
    EXPECT_TRUE(finito.readAll() == dati);
}

// A stored ZIP of `voci` empty files: small to send, slow to extract.
QByteArray zipDiFileVuoti(int voci) {
    QByteArray locali, centrale, fine;
    QDataStream l(&locali, QIODevice::WriteOnly), c(&centrale, QIODevice::WriteOnly),
        e(&fine, QIODevice::WriteOnly);
    for (QDataStream* d : {&l, &c, &e})
        d->setByteOrder(QDataStream::LittleEndian);
    const quint16 zero = 0;
    for (int i = 0; i < voci; ++i) {
        const QByteArray nome = "f" + QByteArray::number(i);
        const auto offset = quint32(locali.size());
        // Signature, versions, flags, method, time, date, checksum, sizes, name and extra lengths.
        l << quint32(0x04034b50) << quint16(10) << zero << zero << zero << zero << quint32(0)
          << quint32(0) << quint32(0) << quint16(nome.size()) << zero;
        l.writeRawData(nome.constData(), int(nome.size()));
        c << quint32(0x02014b50) << quint16(20) << quint16(10) << zero << zero << zero << zero
          << quint32(0) << quint32(0) << quint32(0) << quint16(nome.size()) << zero << zero << zero
          << zero << quint32(0) << offset;
        c.writeRawData(nome.constData(), int(nome.size()));
    }
    e << quint32(0x06054b50) << zero << zero << quint16(voci) << quint16(voci)
      << quint32(centrale.size()) << quint32(locali.size()) << zero;
    return locali + centrale + fine;
}

TEST_F(MotoreApp, ClosingDuringAnExtractionWaitsForTheWorker) {
    TForm1& f = startForDownloads();
    app_->Opzioni().AutoExtract->setChecked(true);
    file_.aggiungi("/molti.zip", zipDiFileVuoti(30000));
    const QString id = accoda(f, "/molti.zip");
    f.BtPlay->click();
    // The worker has left the running list and is extracting.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QTreeWidgetItem* r = f.Lista->RigaPerId(id);
            return r == nullptr ||
                   queue::VistaCoda::Cella(r, queue::cella::Progresso).startsWith("Estrazione");
        },
        20000));
    drop();
    const auto estratti = [&] { return QDir(root_.path() + "/done/molti").count(); };
    const qsizetype subito = estratti();
    QTest::qWait(300); // a worker left running would write on, and report into a deleted window
    EXPECT_EQ(estratti(), subito);
    EXPECT_LT(subito, 30000); // stopped, not waited for to the end
}

// A RAR that only UnRAR could decrypt fails as any other, and the user learns why once a run;
// not while the library is there.
TEST_F(MotoreApp, AnEncryptedRarWithoutUnrarIsExplainedOnceARun) {
    TForm1& f = startForDownloads();
    app_->Opzioni().AutoExtract->setChecked(true);
    const auto estrai = [&](const QByteArray& gruppo, const char* archivio) {
        QFile fixture(QStringLiteral(ARCHIVI_PROVA) + archivio);
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        file_.aggiungi('/' + gruppo + ".rar", fixture.readAll());
        f.Code->AggiungiListaLink(file_.url('/' + gruppo + ".rar"), {}, "password", gruppo, false);
        QTreeWidgetItem* riga = f.Lista->Riga(f.Lista->NumeroRighe() - 1);
        queue::VistaCoda::Spunta(riga, true);
        f.BtPlay->click();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return queue::VistaCoda::Cella(riga, queue::cella::Progresso) ==
                       "Estrazione non riuscita";
            },
            20000))
            << gruppo.constData();
    };
    {
        const UnrarInstallata unrar;
        estrai("Uno", "test_read_format_rar5_encrypted.rar");
    }
    EXPECT_TRUE(boxes_->shown().isEmpty());
    estrai("Due", "test_read_format_rar4_encrypted.rar");
    estrai("Tre", "test_read_format_rar5_encrypted.rar");
    ASSERT_EQ(boxes_->shown().size(), 1);
    EXPECT_EQ(boxes_->shown().first().didascalia, "Attenzione");
    EXPECT_EQ(boxes_->shown().first().testo, "Per estrarre archivi RAR protetti da password "
                                             "installa la libreria UnRAR (pacchetto libunrar5).");
}

TEST_F(MotoreApp, TheStartButtonStopsAtFifteenRunningDownloads) {
    TForm1& f = startForDownloads();
    // Fourteen downloads already running, gone again before the window.
    struct Altri {
        engine::DownloadAttivi& attivi;
        std::vector<std::unique_ptr<engine::StatoDownload>> stati;
        ~Altri() {
            std::lock_guard lock(attivi.BloccoContatori); // the speed sampler walks the list
            for (const auto& s : stati)
                attivi.Lista.removeAll(s.get());
        }
    } altri{f.DownloadAttivi, {}};
    for (int i = 0; i < 14; ++i) {
        altri.stati.push_back(std::make_unique<engine::StatoDownload>());
        std::lock_guard lock(f.DownloadAttivi.BloccoContatori);
        f.DownloadAttivi.Lista << altri.stati.back().get();
    }
    for (const QByteArray path : {"/a.bin", "/b.bin"})
        serviLento(path, QByteArray(1000, 'a'), 200);
    const QString primo = accoda(f, "/a.bin");
    const QString secondo = accoda(f, "/b.bin");
    f.BtPlay->click();
    EXPECT_EQ(icona(f, primo), queue::IconaInCorso);
    EXPECT_EQ(icona(f, secondo), queue::IconaInCoda);
    ASSERT_EQ(boxes_->shown().size(), 1);
    EXPECT_EQ(boxes_->shown().first().testo,
              "Non è consigliato mettere più di 15 download contemporaneamente!");
    EXPECT_EQ(boxes_->shown().first().didascalia, "Errore di protezione");
}

TEST_F(MotoreApp, AutomaticModeWaitsForTheServiceThenFillsItsSlotsInOrder) {
    TForm1& f = startForDownloads();
    FakeServiceServer servizio;
    f.Servizio->ImpostaServer("127.0.0.1", servizio.port());
    f.Opzioni()->MaxDownload->setValue(2);
    for (const QByteArray path : {"/0.bin", "/1.bin", "/2.bin", "/3.bin"})
        serviLento(path, QByteArray(4000, 'x'), 1000); // long enough to hold both slots
    const QString fermo = accoda(f, "/0.bin", false);
    f.Lista->ImpostaIcona(f.Lista->RigaPerId(fermo), queue::IconaFermo);
    const QString a = accoda(f, "/1.bin", false);
    const QString b = accoda(f, "/2.bin", false);
    const QString c = accoda(f, "/3.bin", false);

    f.DownloadAutomatico->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.TimerDownloadAutomatico->isActive(); }, 10000));
    QTest::qWait(100); // ticks while the service is down start nothing
    EXPECT_TRUE(f.DownloadAttivi.Lista.isEmpty());

    f.TimerAutoConnect->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !servizio.frames().isEmpty(); }, 5000));
    servizio.send("#0666", "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.DownloadAttivi.Lista.size() == 2; }, 10000));
    QTest::qWait(100);
    EXPECT_EQ(icona(f, fermo), queue::IconaFermo);
    EXPECT_EQ(icona(f, a), queue::IconaInCorso);
    EXPECT_EQ(icona(f, b), queue::IconaInCorso);
    EXPECT_EQ(icona(f, c), queue::IconaInCoda);
}

TEST_F(MotoreApp, TheAutomaticCountdownCountsDownFromTenAndItsButtonCancelsIt) {
    TForm1& f = startForDownloads();
    accoda(f, "/0.bin", false);
    QStringList testi;
    QObject::connect(f.Scheduler, &engine::Scheduler::PannelloAutomatico, f.Scheduler,
                     [&](bool, const QString& testo) {
                         if (!testo.isEmpty())
                             testi << f.LabelDownloadAutomatico->text();
                     });
    f.DownloadAutomatico->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.TimerDownloadAutomatico->isActive(); }, 10000));
    QStringList attesi;
    for (int s = 10; s >= 1; --s)
        attesi << "Sta per avviarsi il download automatico\r\nPuoi annullarlo entro " +
                      QString::number(s) + " secondi premendo qui";
    EXPECT_EQ(testi, attesi);
    EXPECT_FALSE(f.PanelDownloadAutomatico->isVisible());

    f.DownloadAutomatico->setChecked(false);
    testi.clear();
    f.DownloadAutomatico->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return testi.size() >= 2; }, 10000));
    EXPECT_TRUE(f.PanelDownloadAutomatico->isVisible());
    f.BtAnnullaDownloadAutomatico->click();
    QTest::qWait(300); // the countdown's remaining seconds, had it gone on
    EXPECT_FALSE(f.PanelDownloadAutomatico->isVisible());
    EXPECT_FALSE(f.DownloadAutomatico->isChecked());
    EXPECT_FALSE(f.TimerDownloadAutomatico->isActive());
}

TEST_F(MotoreApp, StartingARowWhoseWorkerIsStillEndingWaitsForIt) {
    TForm1& f = startForDownloads();
    const QByteArray dati = FakeFileServer::bytesGenerati(5, 0, 800000);
    serviLento("/due.bin", dati, 400000);
    const QString id = accoda(f, "/due.bin");
    const auto vivi = [&] {
        const QList<engine::TDownload*> lavoratori = f.Scheduler->Lavoratori();
        return std::count_if(lavoratori.begin(), lavoratori.end(), [&](engine::TDownload* w) {
            return w->IdRiga == id && !w->isFinished();
        });
    };
    f.BtPlay->click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return f.Lista->RigaPerId(id)->text(0) == "due.bin"; }, 10000));
    f.BtStop->click();
    f.BtPlay->click(); // at once: the first worker has not noticed the stop yet
    EXPECT_LE(vivi(), 1);
    file_.imposta("/due.bin", test::Guasti{});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            EXPECT_LE(vivi(), 1);
            return completato(f, id) == "1";
        },
        20000));
    QFile finito(root_.path() + "/done/due.bin");
    ASSERT_TRUE(finito.open(QIODevice::ReadOnly));
    EXPECT_TRUE(finito.readAll() == dati);
}

TEST_F(MotoreApp, ClosingInTheLastPauseStillRecordsTheFinishedFile) {
    TForm1& f = startForDownloads();
    clock::ScopedSpeedUp tempoVero(1); // the pause before the move lasts 1.5 s
    const QByteArray dati = FakeFileServer::bytesGenerati(6, 0, 100000);
    file_.aggiungi("/ultimo.bin", dati);
    const QString id = accoda(f, "/ultimo.bin");
    f.BtPlay->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(root_.path() + "/temp/ultimo.bin.trvltmp").size() == dati.size(); },
        10000));
    FermaChiamateSincronizzate(); // what quitting the program does first
    QElapsedTimer chiusura;
    chiusura.start();
    drop();
    EXPECT_LT(chiusura.elapsed(), 2500);
    queue::Database db(installedData() + "database.opt");
    EXPECT_EQ(
        db.Query("SELECT completato FROM table_download WHERE id = ?", {id}).Value(0, "completato"),
        "1");
    QFile finito(root_.path() + "/done/ultimo.bin");
    ASSERT_TRUE(finito.open(QIODevice::ReadOnly));
    EXPECT_TRUE(finito.readAll() == dati);
}

TEST_F(MotoreApp, ClosingWhileAServerHangsTakesAboutASecond) {
    TForm1& f = startForDownloads();
    file_.aggiungiGenerato("/appeso.bin", 200000, 3);
    test::Guasti appeso;
    appeso.bloccaPrima = true;
    file_.imposta("/appeso.bin", appeso);
    accoda(f, "/appeso.bin");
    f.BtPlay->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return file_.conteggio("/appeso.bin") > 0; }, 10000));
    QElapsedTimer chiusura;
    chiusura.start();
    drop();
    EXPECT_LT(chiusura.elapsed(), 2500);
}

// Notifications only for a user who is not watching: the window hidden or minimised.
TEST_F(MotoreApp, AQueueEndingUnwatchedNotifiesTheDesktop) {
    TForm1& f = startForDownloads();
    file_.aggiungi("/buono.bin", QByteArray(5000, 'x'));
    QStringList notifiche;
    f.MostraNotifica = [&](const QString& t, const QString& m) { notifiche << t + " | " + m; };
    const QList<QPair<const char*, std::function<void()>>> finestre = {
        {"shown", [&] { f.showNormal(); }},
        {"minimised", [&] { f.showMinimized(); }},
        {"hidden", [&] { f.hide(); }},
    };
    for (const auto& [nome, disponi] : finestre) {
        notifiche.clear();
        for (int i = 0; i < f.Lista->NumeroRighe(); ++i)
            queue::VistaCoda::Spunta(f.Lista->Riga(i), false); // the last round's rows stay put
        disponi();
        const QString buono = accoda(f, "/buono.bin"), perso = accoda(f, "/manca.bin");
        const bool guardata = f.isVisible() && !f.isMinimized();
        f.BtPlay->click();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return completato(f, buono) == "1" && completato(f, perso) == "2"; }, 20000))
            << nome;
        (void)QTest::qWaitFor([&] { return notifiche.size() >= 2; }, guardata ? 500 : 5000);
        const QStringList attese =
            guardata ? QStringList{}
                     : QStringList{"Download interrotto: " +
                                       f.Db()
                                           ->Query("SELECT nomefile FROM table_download "
                                                   "WHERE id = ?",
                                                   {perso})
                                           .Value(0, "nomefile") +
                                       " | ",
                                   "Download terminati | 1 completato, 1 non riuscito"};
        EXPECT_EQ(notifiche, attese) << nome;
    }
}

// A row that failed for good and then finished counts as finished only.
TEST(NotificheCoda, ARowCountsOnceAsWhatItEndedAsLast) {
    QStringList mostrate;
    NotificheCoda notifiche([&](const QString& t, const QString& m) { mostrate << t + " | " + m; },
                            [] { return false; });
    notifiche.Concluso("1", "a.bin", false);
    notifiche.Concluso("1", "a.bin", true);
    notifiche.Concluso("2", "b.bin", true);
    notifiche.FineDownload(true);
    EXPECT_EQ(mostrate, QStringList({"Download interrotto: a.bin | ",
                                     "Download terminati | 2 completati, 0 non riusciti"}));
}

} // namespace
