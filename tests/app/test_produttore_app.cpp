// The maker's web site as the program meets it: banners, the notice of the day, the Telegram
// panel and the application updater, against a local maker's site.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "auxiliary/aggiornamento.h"
#include "auxiliary/avvisi.h"
#include "auxiliary/forminfoscreen.h"
#include "common/statoprocesso.h"
#include "net/client.h"
#include "net/profili.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "service/dispatcher.h"
#include "siti_app.h"
#include "support/app_fixture.h"
#include "support/fake_maker_site.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;
using auxiliary::Banner;

namespace {

QByteArray immagine(const char* formato, int w = 40, int h = 20) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray dati;
    QBuffer buffer(&dati);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, formato);
    return dati;
}

const QByteArray kBannerIni = "/banner.ini";
const QByteArray kInfoIni = "/infoscreen.ini";
const QByteArray kSetup = "/download/Setup.exe";

class ProduttoreApp : public AppFixture {
protected:
    ~ProduttoreApp() override {
        for (const QByteArray& p : {kBannerIni, kInfoIni, kSetup, QByteArray("/b1.bmp"),
                                    QByteArray("/b2.bmp"), QByteArray("/b2.png")})
            sito().removeResource(p);
    }
    static FakeMakerSite& sito() { return SitoProduttore(); }
    static void servi(const QByteArray& path, const QByteArray& body, Invio invio = Invio::Intero) {
        sito().setResource(path, Risorsa{200, body, "application/octet-stream", {}, invio});
    }
};

TEST_F(ProduttoreApp, BannerFileIsReadByItsFourMarkersAndFailsWhole) {
    servi("/b1.bmp", immagine("BMP"));
    servi("/b2.bmp", immagine("BMP", 468, 60));
    servi("/b2.png", immagine("PNG"));
    servi("/big.bmp", QByteArray(16 * 1024 * 1024 + 1, 'B'));
    struct Caso {
        const char* nome;
        QByteArray ini;
        bool arriva;
        bool prima = false, seconda = false;
        QString link1 = {}, link2 = {};
    } casi[] = {
        {"only the second pair", "image2=\"b2.bmp\" link2=\"http://x/2\"", true, false, true, "",
         "http://x/2"},
        {"second not a bitmap", "image1=\"b1.bmp\"link1=\"http://x/1\"\nimage2=\"b2.png\"", true,
         true, false, "http://x/1", ""},
        {"blank before '=' and wrong case", "image1 =\"b1.bmp\" Image2=\"b2.bmp\"", true, false,
         false, "", ""},
        {"link without its picture", "link1=\"http://x/1\"", true, false, false, "", ""},
        {"a named picture is missing", "image1=\"b1.bmp\" image2=\"nope.bmp\"", false},
        {"a picture over the bound", "image1=\"big.bmp\"", false},
    };
    net::ArchivioCookie cookie;
    net::ClientHttp client(net::ProfiloSitoProduttore(&cookie));
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        servi(kBannerIni, c.ini);
        const std::optional<Banner> b = auxiliary::ScaricaBanner(client, sito().radice());
        ASSERT_EQ(b.has_value(), c.arriva);
        if (!b)
            continue;
        EXPECT_EQ(!b->immagine1.isNull(), c.prima);
        EXPECT_EQ(!b->immagine2.isNull(), c.seconda);
        EXPECT_EQ(b->link1, c.link1);
        EXPECT_EQ(b->link2, c.link2);
    }
    sito().removeResource("/big.bmp");
    sito().removeResource(kBannerIni);
    EXPECT_FALSE(auxiliary::ScaricaBanner(client, sito().radice()));
}

TEST_F(ProduttoreApp, NoticeTextIsSingleByteWithCrLfAndNeedsStatus200AndText) {
    struct Caso {
        const char* nome;
        long stato;
        QByteArray corpo;
        std::optional<QString> testo;
    } casi[] = {
        {"accents kept, others as '?'", 200, QString("Novità: €5 ✓ 😀\n").toUtf8(),
         QString("Novità: €5 ? ?\r\n")},
        {"only line breaks", 200, "\n\n", QString("\r\n\r\n")},
        {"CR LF becomes CR CR LF", 200, "a\r\nb", QString("a\r\r\nb")},
        {"empty", 200, "", std::nullopt},
        {"other success status", 203, "testo", std::nullopt},
        {"error status", 404, "Not Found", std::nullopt},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        net::Risposta r;
        r.ok = c.stato < 400;
        r.stato = c.stato;
        r.corpo = c.corpo;
        EXPECT_EQ(auxiliary::TestoInfo(r), c.testo);
    }
}

TEST_F(ProduttoreApp, BannersFillTheirSlotsAndOpenTheirLinksWithTheCode) {
    servi("/b1.bmp", immagine("BMP", 250, 52));
    servi("/b2.bmp", immagine("BMP", 468, 60));
    servi(kBannerIni,
          "[banner]\nimage1=\"b1.bmp\"\nlink1=\"http://x/top?v=[VOUCHER]\"\n"
          "image2=\"b2.bmp\"\nlink2=\"http://x/[VOUCHER]/a?c=[VOUCHER]&z=[voucher]\"\n");
    TForm1& f = start().Form1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.PanelBanner468->isHidden(); }, 10000));
    EXPECT_FALSE(f.ImageBanner250->pixmap().isNull());
    EXPECT_TRUE(f.ImageBanner250->isHidden());
    EXPECT_EQ(f.ImageBanner468->pixmap().size(), QSize(468, 60));
    EXPECT_EQ(f.ImageBanner468->cursor().shape(), Qt::PointingHandCursor);

    f.CodiceIdentificativo = "AB-12";
    waitForMainWindow();
    QTest::mouseClick(f.ImageBanner468, Qt::LeftButton);
    f.ImageBanner250Click();
    EXPECT_EQ(shell_.opened,
              QStringList({"http://x/AB-12/a?c=AB-12&z=[voucher]", "http://x/top?v=AB-12"}));
}

TEST_F(ProduttoreApp, LargeBannerWithoutALinkShowsTheArrowAndOpensNothing) {
    servi("/b2.bmp", immagine("BMP", 468, 60));
    servi(kBannerIni, "image2=\"b2.bmp\"");
    TForm1& f = start().Form1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.PanelBanner468->isHidden(); }, 10000));
    EXPECT_EQ(f.ImageBanner468->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(f.ImageBanner250->pixmap().isNull());
    f.ImageBanner468Click();
    EXPECT_TRUE(shell_.opened.isEmpty());
}

TEST_F(ProduttoreApp, NoticeOpensOnceTheSplashHasEndedAndTelegramPanelOpensTheChannel) {
    servi(kInfoIni, QString("Città\r\n\nfine ✓").toUtf8());
    TForm1& f = start().Form1();
    auxiliary::TForm_Infoscreen& info = f.FormInfoscreen();
    waitForMainWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return info.isVisible(); }, 10000));
    EXPECT_EQ(info.windowTitle(), "Informazioni - Tarvolin");
    EXPECT_EQ(info.MemoInfo->toPlainText(), "Città\n\nfine ?");
    EXPECT_TRUE(info.MemoInfo->isReadOnly());

    QTest::mouseClick(f.LabelTelegram, Qt::LeftButton);
    ASSERT_TRUE(f.PanelCanaleTelegram->isVisible());
    EXPECT_TRUE(f.LinkCanaleTelegram->text().startsWith("https://"));
    QTest::mouseClick(f.LinkCanaleTelegram, Qt::LeftButton);
    EXPECT_EQ(shell_.opened, QStringList({f.LinkCanaleTelegram->text()}));
    QTest::mouseClick(f.ImageCloseTelegram, Qt::LeftButton);
    EXPECT_FALSE(f.PanelCanaleTelegram->isVisible());
}

TEST_F(ProduttoreApp, PercentageNeedsAKnownSizeAndHoldsPastTwoGigabytes) {
    const qint64 gib = qint64(1) << 30;
    EXPECT_EQ(auxiliary::TestoAvanzamento(10, 0), std::nullopt);
    EXPECT_EQ(auxiliary::TestoAvanzamento(427, 1000),
              "Aggiornamento del software in corso : 42.7%");
    EXPECT_EQ(auxiliary::TestoAvanzamento(2, 3), "Aggiornamento del software in corso : 66.7%");
    EXPECT_EQ(auxiliary::TestoAvanzamento(3 * gib, 4 * gib),
              "Aggiornamento del software in corso : 75.0%");
}

// "#0665" answered Yes; the program then runs until the updater ends it.
class AggiornamentoApp : public ProduttoreApp {
protected:
    TForm1& aggiorna(const QString& cartellaTemp) {
        Applicazione& app = start();
        waitForMainWindow();
        TForm1& f = app.Form1();
        app.Opzioni().TempDir->setText(cartellaTemp);
        QTimer::singleShot(0, [&f] { // a repeated demand starts no second download
            f.Messaggi->OnRead("#0665");
            f.Messaggi->OnRead("#0665");
        });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(QTest::qWaitFor([&f] { return f.Aggiornamento.isNull(); }, 10000));
        return f;
    }
    QStringList errori() const {
        QStringList testi;
        for (const Messaggio& m : boxes_->shown())
            if (m.didascalia == "Attenzione")
                testi << m.testo;
        return testi;
    }
    QString temp() const { return root_.path() + "/temp/"; }
    QString setup() const { return temp() + "Setup_Tarvolin.exe"; }
};

TEST_F(AggiornamentoApp, CompleteInstallerIsOpenedAndTheProgramEndsUnsaved) {
    QDir().mkpath(temp());
    const QByteArray installatore = FakeMakerSite::binaryBytes().repeated(2048); // 2 MiB
    sito().clearRequests();
    for (const Invio invio : {Invio::Intero, Invio::SenzaLunghezza}) {
        SCOPED_TRACE(static_cast<int>(invio));
        servi(kSetup, installatore, invio);
        shell_.opened.clear();
        TForm1& f = aggiorna(temp());
        EXPECT_TRUE(errori().isEmpty());
        EXPECT_EQ(shell_.opened, QStringList({setup()}));
        QFile file(setup());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll() == installatore);
        EXPECT_TRUE(f.PanelAggiornamento->isVisible());
        EXPECT_TRUE(
            f.LabelAggiornamento->text().startsWith("Aggiornamento del software in corso : "));
        if (invio == Invio::SenzaLunghezza)
            EXPECT_EQ(f.LabelAggiornamento->text(), "Aggiornamento del software in corso : 0.0%");
        else
            EXPECT_NE(f.LabelAggiornamento->text(), "Aggiornamento del software in corso : 0.0%");
        EXPECT_FALSE(QFileInfo::exists(installedIni()));
        drop();
    }
    QList<RichiestaRicevuta> richieste = sito().requests();
    richieste.removeIf([](const RichiestaRicevuta& r) { return r.target != kSetup; });
    ASSERT_EQ(richieste.size(), 2);
    EXPECT_EQ(richieste.first().header("User-Agent"), net::kUserAgentChrome92);
    EXPECT_EQ(richieste.first().header("Accept-Encoding"), "gzip, deflate, br");
}

TEST_F(AggiornamentoApp, FailedDownloadShowsTheErrorAndOpensNothing) {
    QDir().mkpath(temp());
    const QString errore =
        "Si è verificato un errore durante la procedura di aggiornamento. Riavvia Tarvolin e "
        "riprova.";
    struct Caso {
        const char* nome;
        std::optional<Invio> invio; // none: not served
        QString cartella;
        qint64 restanti; // bytes left on disk, -1: no file
    } casi[] = {
        {"cut half way", Invio::Troncato, temp(), 1024 * 1024},
        {"not on the site", std::nullopt, temp(), 0},
        {"no temporary folder", Invio::Intero, root_.path() + "/missing/", -1},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        sito().removeResource(kSetup);
        if (c.invio)
            servi(kSetup, FakeMakerSite::binaryBytes().repeated(2048), *c.invio);
        shell_.opened.clear();
        boxes_.emplace([](const Messaggio&) { return Risposta::Si; });
        aggiorna(c.cartella);
        EXPECT_EQ(errori(), QStringList({errore}));
        EXPECT_TRUE(shell_.opened.isEmpty());
        const QFileInfo rimasto(c.cartella + "Setup_Tarvolin.exe");
        EXPECT_EQ(rimasto.exists() ? rimasto.size() : -1, c.restanti);
        drop();
    }
}

TEST_F(AggiornamentoApp, RefusedUpdateDownloadsNothing) {
    QDir().mkpath(temp());
    servi(kSetup, "MZ");
    sito().clearRequests();
    nextAnswer_ = Risposta::No;
    aggiorna(temp());
    EXPECT_FALSE(QFileInfo::exists(setup()));
    for (const RichiestaRicevuta& r : sito().requests())
        EXPECT_NE(r.target, kSetup);
}

TEST_F(AggiornamentoApp, NoQueuedDownloadStartsWhileTheUpdateIsDemanded) {
    QDir().mkpath(temp());
    servi(kSetup, "MZ");
    Applicazione& app = start();
    waitForMainWindow();
    TForm1& f = app.Form1();
    f.Code->AggiungiListaLink("http://127.0.0.1:1/film.bin", {}, {}, {}, false);
    QTreeWidgetItem* riga = f.Lista->Riga(0);
    queue::VistaCoda::Spunta(riga, true);
    QList<int> icone;
    boxes_.emplace([&](const Messaggio&) {
        f.BtPlay->click(); // while the question is on screen
        icone << queue::VistaCoda::Icona(riga);
        return Risposta::Si;
    });
    QTimer::singleShot(0, [&] {
        f.Messaggi->OnRead("#0665");
        f.BtPlay->click();
        icone << queue::VistaCoda::Icona(riga);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&f] { return f.Aggiornamento.isNull(); }, 10000));
    ASSERT_EQ(icone.size(), 2);
    EXPECT_NE(icone.at(0), queue::IconaInCorso);
    EXPECT_NE(icone.at(1), queue::IconaInCorso);
    EXPECT_TRUE(f.DownloadAttivi.Lista.isEmpty());
}

} // namespace
