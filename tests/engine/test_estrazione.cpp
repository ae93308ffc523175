// Archive extraction on real archives in temporary folders: which archive a finished file leads
// to, what lands where and with which modes, hostile entries, one extraction per archive, and the
// rows of the workers.
#include "common/clock.h"
#include "common/synccall.h"
#include "engine/estrazione.h"
#include "engine/programma.h"
#include "engine/programmacoda.h"
#include "engine/registroestrazioni.h"
#include "engine/registrofile.h"
#include "engine/tdownload.h"
#include "engine/unrar_finto/installata.h"
#include "queue/database.h"
#include "queue/intake.h"
#include "queue/listecoda.h"
#include "queue/schema.h"
#include "queue/vistacoda.h"
#include "support/fake_file_server.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTabWidget>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <latch>
#include <map>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::engine;

namespace {

using E = EsitoEstrazione;

const char* const kRar4 = "test_rar_multivolume_single_file.part%1.rar";
const char* const kRar5 = "test_read_format_rar5_multiarchive.part0%1.rar";
const char* const kZipAes = "test_read_format_zip_winzip_aes256.zip";              // "password"
const char* const kZipPk = "test_read_format_zip_traditional_encryption_data.zip"; // "12345678"
const char* const kRar4Cifrato = "test_read_format_rar4_encrypted.rar";
const char* const kRar5Cifrato = "test_read_format_rar5_encrypted.rar";
const QString kBsdtar = QStringLiteral("home/antek/temp/build/unrar5/libarchive/bin/bsdtar_test");
const QString kHtml = QStringLiteral("LibarchiveAddingTest.html");

QByteArray fixture(const QString& nome) {
    QFile f(QStringLiteral(ARCHIVI_PROVA) + nome);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void scrivi(const QString& path, const QByteArray& dati) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(dati);
}

// A fixture copied under another name; for a set, "%1" stands for the volume number.
struct Copia {
    const char* da = nullptr;
    const char* a = nullptr;
    int volumi = 0; // 0: a single file
    int cifre = 1;
    void in(const QString& cartella) const {
        if (da == nullptr)
            return;
        if (volumi == 0)
            scrivi(cartella + a, fixture(da));
        for (int i = 1; i <= volumi; ++i)
            scrivi(cartella + QString(a).arg(i, cifre, 10, QChar('0')),
                   fixture(QString(da).arg(i)));
    }
};

struct Voce {
    QByteArray nome, dati, collegamento; // a name ending with "/" is a folder
    int modo = 0644;
};

void scriviZip(const QString& path, const std::vector<Voce>& voci) {
    const std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(),
                                                                    archive_write_free);
    archive_write_set_format_zip(a.get());
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_EQ(archive_write_open_filename(a.get(), QFile::encodeName(path)), ARCHIVE_OK);
    for (const Voce& v : voci) {
        const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> e(archive_entry_new(),
                                                                              archive_entry_free);
        archive_entry_set_pathname(e.get(), v.nome.constData());
        archive_entry_set_filetype(e.get(), v.nome.endsWith('/')       ? AE_IFDIR
                                            : v.collegamento.isEmpty() ? AE_IFREG
                                                                       : AE_IFLNK);
        archive_entry_set_perm(e.get(), v.modo);
        if (!v.collegamento.isEmpty())
            archive_entry_set_symlink(e.get(), v.collegamento.constData());
        archive_entry_set_size(e.get(), v.dati.size());
        ASSERT_EQ(archive_write_header(a.get(), e.get()), ARCHIVE_OK) << v.nome.constData();
        archive_write_data(a.get(), v.dati.constData(), v.dati.size());
    }
}

class Estrazione : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    QString base_ = dir_.path() + "/done/";
};

TEST_F(Estrazione, PlanFollowsTheNamesOfVolumesAndArchives) {
    for (const char* f :
         {"Film.part1.rar", "Film.part2.rar", "Film.part3.rar", "Film.part5.rar",
          "Serie.part01.rar", "Serie.part02.rar", "Doc.part001.rar", "Mix.part1.rar",
          "Mix.part01.rar", "Backup.rar", "Grande.Part1.rar", "Grande.Part2.rar", "Vecchio.rar",
          "Vecchio.r00", "Vecchio.r01", "Foto.Zip", "LEGGIMI.zip"})
        scrivi(base_ + f, "x");
    const struct {
        const char* nome;
        bool tentato;
        const char* archivio; // empty: none
        const char* cartella;
        int volumi; // of a RAR set
    } casi[] = {
        {"Film.part3.rar", true, "Film.part1.rar", "Film", 3},
        {"Film.part4.rev", true, "Film.part1.rar", "Film", 3},
        {"Serie.part02.rar", true, "Serie.part01.rar", "Serie", 2},
        {"Doc.part001.rar", true, "Doc.part001.rar", "Doc", 1},
        {"Mix.part01.rar", true, "Mix.part1.rar", "Mix", 1},
        {"Assente.part2.rar", true, "", "Assente", 0},
        {"Backup.rar", true, "Backup.rar", "Backup", 1},
        {"Backup.REV", true, "Backup.REV", "Backup", 1},
        {"Grande.Part1.rar", true, "Grande.Part1.rar", "Grande.Part1", 2},
        {"Vecchio.rar", true, "Vecchio.rar", "Vecchio", 3},
        {"Foto.zip", true, "Foto.Zip", "Foto", 0},
        {"Foto.jpg", true, "Foto.Zip", "Foto", 0},
        {"LEGGIMI", true, "LEGGIMI.zip", "LEGGIMI", 0},
        {"Nota.txt", false, "", "", 0},
    };
    for (const auto& c : casi) {
        const PianoEstrazione piano = PianificaEstrazione(base_, c.nome);
        EXPECT_EQ(piano.tentato, c.tentato) << c.nome;
        EXPECT_EQ(piano.archivio, *c.archivio ? base_ + c.archivio : QString()) << c.nome;
        EXPECT_EQ(piano.cartella, *c.cartella ? base_ + c.cartella : QString()) << c.nome;
        if (piano.rar && !piano.archivio.isEmpty()) {
            EXPECT_EQ(VolumiDelSet(piano.archivio).size(), c.volumi) << c.nome;
        }
    }
}

TEST_F(Estrazione, ExtractsEachKindIntoTheFolderNamedAfterIt) {
    const struct {
        const char* nome;
        Copia copia;
        const char* password;
        E atteso;
        QString file; // in the folder named after the archive, with its size
        qint64 size;
        bool annulla = false;
    } casi[] = {
        {"Film.part2.rar", {kRar4, "Film.part%1.rar", 3}, "", E::Riuscita, kHtml, 20111},
        {"Film.part4.rev", {kRar4, "Film.part%1.rar", 3}, "", E::Riuscita, kHtml, 20111},
        {"Serie.part08.rar", {kRar5, "Serie.part%1.rar", 8, 2}, "", E::Riuscita, kBsdtar, 365672},
        {"Doc.part002.rar", {kRar5, "Doc.part%1.rar", 8, 3}, "", E::Riuscita, kBsdtar, 365672},
        {"Grande.Part1.rar", {kRar4, "Grande.Part%1.rar", 3}, "", E::Riuscita, kHtml, 20111},
        {"Backup.rar", {"test_read_format_rar.rar", "Backup.rar"}, "", E::Riuscita, "testlink", 20},
        {"Segreto.zip", {kZipAes, "Segreto.zip"}, "password", E::Riuscita, "README", 6818},
        {"Lettere.zip", {kZipPk, "Lettere.ZIP"}, "12345678", E::Riuscita, "foo.txt", 495},
        // Failures the library reports, or that a short entry shows.
        {"Segreto.zip", {kZipAes, "Segreto.zip"}, "sbagliata", E::NonRiuscita, {}, 0},
        {"Lettere.zip", {kZipPk, "Lettere.zip"}, "", E::NonRiuscita, {}, 0},
        // Encrypted RARs, and no UnRAR on this machine: given a password, or marked by libarchive.
        {"Chiuso.rar", {kRar5Cifrato, "Chiuso.rar"}, "password", E::SenzaUnrar, {}, 0},
        {"Chiuso.rar", {kRar4Cifrato, "Chiuso.rar"}, "", E::SenzaUnrar, {}, 0},
        {"Serie.part05.rar", {kRar5, "Serie.part%1.rar", 5, 2}, "", E::NonRiuscita, {}, 0},
        {"Backup.REV", {}, "", E::NonRiuscita, {}, 0},
        {"Serie.part01.rar", {kRar5, "Serie.part%1.rar", 8, 2}, "", E::Annullata, {}, 0, true},
    };
    int i = 0;
    for (const auto& c : casi) {
        const QString base = base_ + QString::number(++i) + '/';
        c.copia.in(base);
        const QStringList archivi = QDir(base).entryList(QDir::Files);
        const PianoEstrazione piano = PianificaEstrazione(base, c.nome);
        EXPECT_EQ(EstraiArchivio(piano, c.password, [&] { return c.annulla; }), c.atteso)
            << c.nome << " " << c.password;
        if (!c.file.isEmpty()) {
            EXPECT_EQ(QFileInfo(piano.cartella + '/' + c.file).size(), c.size) << c.nome;
        }
        EXPECT_EQ(QDir(base).entryList(QDir::Files), archivi) << c.nome; // left in place
    }
}

// Every file under `cartella`, as "path=contents".
QStringList fileIn(const QString& cartella) {
    QStringList file;
    for (QDirIterator i(cartella, QDir::Files, QDirIterator::Subdirectories); i.hasNext();) {
        QFile f(i.next());
        f.open(QIODevice::ReadOnly);
        file << QDir(cartella).relativeFilePath(f.fileName()) + '=' + f.readAll();
    }
    file.sort();
    return file;
}

// UnRAR, as the stand-in of unrar_finto/ plays it: the row's password, volumes, hostile names.
TEST_F(Estrazione, UnrarGetsTheRowsPasswordAndVolumesAndNoEntryLeavesTheFolder) {
    const test::UnrarInstallata unrar;
    const QString fuori = dir_.path() + "/fuori";
    QDir().mkpath(fuori);
    const QByteArray foto = "dir album\nfile album/chiaro.txt visibile\npassword pässwörd\n"
                            "file album/segreto.txt nascosto\n";
    const QByteArray uno = "RARFINTO 5\nfile uno.txt 1\nnext Set.part2.rar\n";
    const QByteArray tre = "RARFINTO 5\nfile tre.txt 3\n";
    const struct {
        std::vector<std::pair<QString, QByteArray>> volumi;
        const char* password;
        E atteso;
        QStringList file; // in the folder named after the archive
        bool annulla = false;
    } casi[] = {
        {{{"Foto.rar", "RARFINTO 5\n" + foto}},
         "pässwörd",
         E::Riuscita,
         {"album/chiaro.txt=visibile", "album/segreto.txt=nascosto"}},
        {{{"Foto.rar", "RARFINTO 5\n" + foto}},
         "sbagliata",
         E::NonRiuscita,
         {"album/chiaro.txt=visibile"}},
        {{{"Foto.rar", "RARFINTO 4\n" + foto}},
         "sbagliata",
         E::NonRiuscita,
         {"album/chiaro.txt=visibile"}},
        {{{"Foto.rar", "RARFINTO 5\n" + foto}}, "pässwörd", E::Annullata, {}, true},
        {{{"Set.part1.rar", uno},
          {"Set.part2.rar", "RARFINTO 5\nfile due.txt 2\nnext Set.part3.rar\n"},
          {"Set.part3.rar", tre}},
         "x",
         E::Riuscita,
         {"due.txt=2", "tre.txt=3", "uno.txt=1"}},
        {{{"Set.part1.rar", uno}, {"Set.part3.rar", tre}}, "x", E::NonRiuscita, {"uno.txt=1"}},
        {{{"Ostile.rar", "RARFINTO 5\nfile ../fuga.txt x\nfile " + fuori.toUtf8() +
                             "/assoluto.txt x\nfile dentro.txt ok\n"}},
         "x",
         E::NonRiuscita,
         {"dentro.txt=ok"}},
    };
    int i = 0;
    for (const auto& c : casi) {
        const QString base = base_ + QString::number(++i) + '/';
        for (const auto& [nome, testo] : c.volumi)
            scrivi(base + nome, testo);
        const QStringList archivi = QDir(base).entryList(QDir::Files);
        const PianoEstrazione piano = PianificaEstrazione(base, c.volumi.back().first);
        EXPECT_EQ(EstraiArchivio(piano, c.password, [&] { return c.annulla; }), c.atteso) << i;
        EXPECT_EQ(fileIn(piano.cartella), c.file) << i;
        EXPECT_EQ(QDir(base).entryList(QDir::Files), archivi) << i;
        EXPECT_TRUE(QDir(fuori).isEmpty()) << i;
    }
    // Real encrypted RARs, which the stand-in cannot read: with UnRAR there, none lacks it.
    for (const auto& [archivio, password] :
         {std::pair{kRar5Cifrato, "password"}, {kRar4Cifrato, ""}}) {
        const QString base = base_ + archivio + '/';
        scrivi(base + "Chiuso.rar", fixture(archivio));
        EXPECT_EQ(EstraiArchivio(PianificaEstrazione(base, "Chiuso.rar"), password), E::NonRiuscita)
            << archivio;
    }
}

TEST_F(Estrazione, EntriesNeverLeaveTheirFolder) {
    const QString fuori = dir_.path() + "/fuori";
    QDir().mkpath(fuori);
    scriviZip(base_ + "Ostile.zip", {{"a.txt", "dentro", {}},
                                     {"../evil", "x", {}},
                                     {(fuori + "/abs").toUtf8(), "x", {}},
                                     {"out", {}, fuori.toUtf8()},
                                     {"out/file", "x", {}},
                                     {"su", {}, "../../fuori"},
                                     {"x", {}, "."},
                                     {"y", {}, "x/.."},
                                     {"d/e/ok", {}, "../../a.txt"},
                                     {"alias", {}, "d"},
                                     {"alias/f", "x", {}}});
    const PianoEstrazione piano = PianificaEstrazione(base_, "Ostile.zip");
    EXPECT_EQ(EstraiArchivio(piano, {}), EsitoEstrazione::NonRiuscita);

    const QString dest = base_ + "Ostile/";
    EXPECT_TRUE(QDir(fuori).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(base_ + "evil"));
    EXPECT_FALSE(QFileInfo::exists(dir_.path() + "/evil"));
    EXPECT_FALSE(QFileInfo(dest + "out").isSymLink());
    EXPECT_FALSE(QFileInfo(dest + "su").isSymLink());
    EXPECT_FALSE(QFileInfo(dest + "y").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(dest + "d/f")); // never written through "alias"
    QFile ok(dest + "d/e/ok");                     // a link that stays inside is kept
    ASSERT_TRUE(ok.open(QIODevice::ReadOnly));
    EXPECT_EQ(ok.readAll(), "dentro");
}

QByteArray contenuto(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(Estrazione, ModesAreMaskedWithTheUmaskAndLoseSetIdBits) {
    const mode_t prima = umask(022);
    for (const mode_t maschera : {022, 077}) {
        const QString base = base_ + QString::number(maschera, 8) + '/';
        scriviZip(base + "Modi.zip",
                  {{"d/", {}, {}, 0777}, {"d/tutti", "x", {}, 0777}, {"setuid", "x", {}, 04755}});
        umask(maschera);
        const E esito = EstraiArchivio(PianificaEstrazione(base, "Modi.zip"), {});
        umask(022);
        EXPECT_EQ(esito, E::Riuscita);
        const struct {
            const char* voce;
            mode_t modo;
        } attesi[] = {{"d", 0777}, {"d/tutti", 0777}, {"setuid", 0755}};
        for (const auto& a : attesi) {
            struct stat info {};
            ASSERT_EQ(stat(QFile::encodeName(base + "Modi/" + a.voce).constData(), &info), 0);
            EXPECT_EQ(QString::number(info.st_mode & 07777, 8),
                      QString::number(a.modo & ~maschera, 8))
                << a.voce << " umask " << std::oct << maschera;
        }
    }
    umask(prima);
}

TEST_F(Estrazione, BesideTheArchiveNothingIsReplaced) {
    // A finished file named like the folder sends the entries beside the archive.
    const struct {
        std::vector<Voce> voci;
        E atteso;
    } casi[] = {
        {{{"nuovo.txt", "nuovo", {}}, {"sotto/", {}, {}}, {"sotto/c.txt", "c", {}}}, E::Riuscita},
        {{{"nuovo.txt", "nuovo", {}}, {"finito.txt", "dall'archivio", {}}, {"Doc", "x", {}}},
         E::NonRiuscita},
    };
    int i = 0;
    for (const auto& c : casi) {
        const QString base = base_ + QString::number(++i) + '/';
        scrivi(base + "Doc", "il download");
        scrivi(base + "finito.txt", "finito");
        QDir().mkpath(base + "sotto");
        scriviZip(base + "Doc.zip", c.voci);
        EXPECT_EQ(EstraiArchivio(PianificaEstrazione(base, "Doc"), {}), c.atteso) << i;
        EXPECT_EQ(contenuto(base + "Doc"), "il download") << i;
        EXPECT_EQ(contenuto(base + "finito.txt"), "finito") << i;
        EXPECT_EQ(contenuto(base + "nuovo.txt"), "nuovo") << i; // what finds its place is written
    }
    EXPECT_EQ(contenuto(base_ + "1/sotto/c.txt"), "c");
}

TEST_F(Estrazione, OneArchiveIsExtractedOnceByTheWorkersOfItsGroup) {
    RegistroEstrazioni registro;
    scrivi(base_ + "Uno.zip", fixture(kZipAes));
    scrivi(base_ + "Due.zip", fixture(kZipAes));
    // An extraction that ran asked at least once whether to go on.
    const auto estrai = [&](const char* nome, const char* password, E& esito) {
        std::atomic<bool> estratto = false;
        esito = EstraiAlTurno(&registro, PianificaEstrazione(base_, nome), password, [&] {
            estratto = true;
            return false;
        });
        return estratto.load();
    };

    std::latch via(2);
    E esiti[2];
    bool estratti[2] = {};
    {
        std::vector<std::jthread> fili;
        for (int i = 0; i < 2; ++i)
            fili.emplace_back([&, i] {
                via.arrive_and_wait();
                estratti[i] = estrai("Uno.zip", "password", esiti[i]);
            });
    }
    EXPECT_EQ(estratti[0] + estratti[1], 1);
    EXPECT_EQ(esiti[0], E::Riuscita);
    EXPECT_EQ(esiti[1], E::Riuscita);
    EXPECT_EQ(registro.InCorso(), 0);

    // A failure is tried again with another password; a success is not tried again.
    const struct {
        const char* password;
        bool estratto;
        E esito;
    } passi[] = {{"sbagliata", true, E::NonRiuscita},
                 {"sbagliata", false, E::NonRiuscita},
                 {"password", true, E::Riuscita},
                 {"sbagliata", false, E::Riuscita}};
    for (const auto& p : passi) {
        E esito;
        EXPECT_EQ(estrai("Due.zip", p.password, esito), p.estratto) << p.password;
        EXPECT_EQ(esito, p.esito) << p.password;
    }
    // The same archive downloaded again is extracted again.
    QFile file(base_ + "Due.zip");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    file.close();
    E esito;
    EXPECT_TRUE(estrai("Due.zip", "password", esito));
}

// The worker's side: rows and the completed list, with a real file server and database.
class ProgrammaProva : public ProgrammaMotore {
public:
    explicit ProgrammaProva(queue::Database& db) : db_(db) {}
    QString Cella(const QString&, int) const override { return {}; }
    void ImpostaCella(const QString& id, int c, const QString& t) override {
        if (!spostate.contains(id))
            celle[id][c] << t;
    }
    QString Didascalia(const QString& id) const override { return didascalie.value(id); }
    void ImpostaDidascalia(const QString& id, const QString& t) override { didascalie[id] = t; }
    void ImpostaIcona(const QString&, int) override {}
    void SpostaInCompletati(const QString& id) override { spostate << id; }
    queue::Database* Db() override { return &db_; }
    void DisattivaDownloadAutomatico() override {}
    void RimuoviDaAttivi(StatoDownload&) override {}
    void FineDownload() override {}

    std::map<QString, std::map<int, QStringList>> celle; // every text each cell got, in order
    QStringList spostate;
    QHash<QString, QString> didascalie;

private:
    queue::Database& db_;
};

class EstrazioneMotore : public Estrazione {
protected:
    EstrazioneMotore() {
        queue::CreaTabelle(db_);
        QDir().mkpath(temp_);
        QDir().mkpath(base_);
        ambiente_.programma = &programma_;
        ambiente_.attivi = &attivi_;
        ambiente_.estrazioni = &registro_;
        ambiente_.file = file_.get();
    }

    QString accoda(const QByteArray& path, const QString& gruppo, const QString& password = {}) {
        const QString url = server_.url(path);
        const QString id =
            QString::number(queue::InserisciLink(db_, url, {}, password, true, gruppo));
        ParametriDownload& p = parametri_[id];
        p.IdRiga = id;
        p.Link = url;
        p.CartellaTemp = temp_;
        p.CartellaCompletati = base_;
        p.PasswordArchivio = password;
        p.Gruppo = gruppo;
        p.Estrai = true;
        p.NascondiCompletati = true;
        return id;
    }
    // Downloads a queued row to its end, with extraction wanted and finished rows hidden.
    void scarica(const QString& id) {
        TDownload worker(parametri_[id], ambiente_);
        worker.start();
        EXPECT_TRUE(AttendiThread(worker, 60000));
    }

    std::map<QString, ParametriDownload> parametri_;
    clock::ScopedSpeedUp veloce_{1000};
    QString temp_ = dir_.path() + "/temp/";
    queue::Database db_{dir_.path() + "/database.opt"};
    ProgrammaProva programma_{db_};
    DownloadAttivi attivi_;
    RegistroEstrazioni registro_;
    std::unique_ptr<RegistroFile> file_ = std::make_unique<RegistroFile>();
    AmbienteMotore ambiente_;
    test::FakeFileServer server_;
};

TEST_F(EstrazioneMotore, OnlyTheWorkerThatCompletesTheGroupExtractsAndItsRowTellsHowItWent) {
    QStringList ids;
    for (int i = 1; i <= 3; ++i) {
        const QByteArray path = "/Film.part" + QByteArray::number(i) + ".rar";
        server_.aggiungi(path, fixture(QString(kRar4).arg(i)));
        ids << accoda(path, "Film");
    }
    for (const QString& id : ids) {
        scarica(id);
        EXPECT_EQ(QFileInfo::exists(base_ + "Film"), id == ids.last()) << id.toStdString();
    }
    EXPECT_EQ(QFileInfo(base_ + "Film/" + kHtml).size(), 20111);
    EXPECT_EQ(programma_.spostate, ids);
    EXPECT_EQ(programma_.celle[ids[2]][queue::cella::Progresso],
              QStringList({"Completato", "Estrazione archivio...", "Completato"}));

    // Rows without a group.
    server_.aggiungi("/Nulla.part2.rar", "x");
    server_.aggiungi("/Segreto.zip", fixture(kZipAes));
    server_.aggiungi("/nota.txt", "x");
    const struct {
        QByteArray path;
        const char* password;
        QStringList progressi;
        bool spostata;
    } casi[] = {
        {"/Nulla.part2.rar", "", {"Completato"}, false}, // no first volume
        {"/Segreto.zip",
         "sbagliata",
         {"Completato", "Estrazione archivio...", "Estrazione non riuscita"},
         true},
        {"/nota.txt", "", {"Completato"}, true}, // nothing to extract
    };
    for (const auto& c : casi) {
        const QString id = accoda(c.path, {}, c.password);
        scarica(id);
        EXPECT_EQ(programma_.celle[id][queue::cella::Progresso], c.progressi) << c.path.constData();
        EXPECT_EQ(programma_.celle[id][queue::cella::Stato].last(), "Completato")
            << c.path.constData();
        EXPECT_EQ(programma_.spostate.contains(id), c.spostata) << c.path.constData();
    }
}

// Names a server chooses, made of dots: no folder is named after them and nothing lands beside
// or above the completed folder.
TEST_F(EstrazioneMotore, NamesOfDotsNeverExtractBesideOrAboveTheCompletedFolder) {
    const QString sopra = dir_.path() + "/canarino.txt";
    const QString accanto = base_ + "canarino.txt";
    const std::vector<Voce> voci = {{"canarino.txt", "dall'archivio", {}}};
    const struct {
        QByteArray nome;
        bool sempreCartella;
    } casi[] = {{"..zip", false}, {"...zip", false}, {".zip", false},
                {"..zip", true},  {"...zip", true},  {"...part1.zip", true}};
    int n = 0;
    for (const auto& c : casi) {
        scrivi(sopra, "canarino");
        scrivi(accanto, "canarino");
        const QByteArray path = "/z" + QByteArray::number(++n);
        const QString zip = dir_.path() + "/z.zip";
        scriviZip(zip, voci);
        QFile f(zip);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        server_.aggiungi(path, f.readAll());
        test::Guasti nome;
        nome.contentDisposition = "attachment; filename=\"" + c.nome + "\"";
        server_.imposta(path, nome);
        const QString id = accoda(path, {});
        parametri_[id].SempreCartella = c.sempreCartella;
        scarica(id);
        EXPECT_EQ(QFile(sopra).size(), 8) << c.nome.constData();
        EXPECT_EQ(QFile(accanto).size(), 8) << c.nome.constData();
        EXPECT_EQ(programma_.celle[id][queue::cella::Progresso].last(), "Completato")
            << c.nome.constData();
        QFile::remove(zip);
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
              QStringList({"canarino.txt", "database.opt"}));
}

// Two groups with the same volume names: each set takes one name for all its volumes and is
// extracted from its own, also when its volumes finish interleaved and across a restart.
TEST_F(EstrazioneMotore, EqualVolumeNamesOfTwoGroupsEachKeepTheirOwnSet) {
    std::map<QString, QString> ids; // "A1"... -> row id
    std::map<QString, QByteArray> bytes;
    // C is pasted without a group: its volumes are one set all the same.
    for (const auto& [gruppo, archivio, volumi] :
         {std::tuple{QString("A"), kRar4, 3}, std::tuple{QString("B"), kRar5, 8},
          std::tuple{QString("C"), kRar4, 3}}) {
        for (int i = 1; i <= volumi; ++i) {
            const QString chiave = gruppo + QString::number(i);
            const QByteArray path = "/" + chiave.toUtf8();
            bytes[chiave] = fixture(QString(archivio).arg(i));
            server_.aggiungi(path, bytes[chiave]);
            test::Guasti nome;
            nome.contentDisposition =
                "attachment; filename=\"Film.part" + QByteArray::number(i) + ".rar\"";
            server_.imposta(path, nome);
            ids[chiave] = accoda(path, gruppo == "C" ? QString() : gruppo);
        }
    }
    const QStringList ordine = {"B2", "A1", "A2", "",   "B1", "A3", "B3", "B4",
                                "B5", "B6", "B7", "B8", "C1", "",   "C2", "C3"};
    for (const QString& chiave : ordine) {
        if (chiave.isEmpty()) { // the program starts again: only the table remembers
            file_ = std::make_unique<RegistroFile>();
            ambiente_.file = file_.get();
            continue;
        }
        scarica(ids[chiave]);
    }
    for (const auto& [chiave, id] : ids) {
        const QString nome = db_.Query("SELECT nomefile FROM table_download WHERE id = ?", {id})
                                 .Value(0, "nomefile");
        const QString numero = chiave[0] == 'A' ? " (2)" : chiave[0] == 'C' ? " (3)" : "";
        const QString atteso = QStringLiteral("Film%1.part%2.rar").arg(numero, chiave.mid(1));
        EXPECT_EQ(nome, atteso) << chiave.toStdString();
        QFile f(base_ + nome);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.readAll() == bytes[chiave])
            << chiave.toStdString();
    }
    EXPECT_EQ(QFileInfo(base_ + "Film (2)/" + kHtml).size(), 20111);
    EXPECT_EQ(QFileInfo(base_ + "Film/" + kBsdtar).size(), 365672);
    EXPECT_FALSE(QFileInfo::exists(base_ + "Film/" + kHtml));
}

// A finished row taken to the completed list by its worker, or by the menu command.
TEST(Completati, AMovedRowShowsWhatWasDownloadedOrSkipped) {
    QTabWidget schede;
    queue::ListeCoda code(new queue::VistaCoda(queue::TipoLista::Coda),
                          new queue::VistaCoda(queue::TipoLista::NonCompletati),
                          new queue::VistaCoda(queue::TipoLista::Completati), &schede);
    for (queue::VistaCoda* vista : {code.Lista(), code.NonCompletati(), code.Completati()})
        schede.addTab(vista, {});
    ProgrammaCoda programma(code.Modello(), [] { return nullptr; });
    const struct {
        const char* cella;
        const char* attesa;
    } casi[] = {
        {"Skipped", "Skipped"}, {"12.34/50.00 MB", "12.34 MB"}, {"10.50 / 10.50 MB", "10.50 MB"}};
    for (const bool menu : {false, true}) {
        for (const auto& c : casi) {
            QTreeWidgetItem* riga = code.AggiungiInCoda("f.rar", {}, "http://h/f", {}, "7");
            code.Lista()->ImpostaIcona(riga, queue::IconaCompletato);
            queue::VistaCoda::ImpostaCella(riga, queue::cella::Size, c.cella);
            if (menu)
                code.NascondiCompletati();
            else
                programma.SpostaInCompletati("7");
            ASSERT_EQ(code.Completati()->NumeroRighe(), 1) << c.cella;
            EXPECT_EQ(queue::VistaCoda::Cella(code.Completati()->Riga(0), 0), c.attesa)
                << c.cella << (menu ? " by the menu" : " by the worker");
            code.Completati()->RimuoviRiga(code.Completati()->Riga(0));
        }
    }
}

} // namespace
