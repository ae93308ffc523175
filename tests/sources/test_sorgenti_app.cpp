// Links reaching the real program from outside: the clipboard, DLC containers chosen or dropped,
// and link folders typed into an add-links dialog, against local stand-ins of both services.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "common/statoprocesso.h"
#include "common_ui/finestre.h"
#include "queue/formadd.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "support/app_fixture.h"
#include "support/attesa.h"
#include "support/fake_link_sources.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

FakeDlcService* gDlc = nullptr;
FakeLinkFolderSite* gCartelle = nullptr;

// Deployment values are read once per process, so the services exist before any test starts.
class Servizi : public ::testing::Environment {
public:
    void SetUp() override {
        dlc_ = std::make_unique<FakeDlcService>();
        cartelle_ = std::make_unique<FakeLinkFolderSite>();
        gDlc = dlc_.get();
        gCartelle = cartelle_.get();
        qputenv("TARVOLIN_DLC_SERVICE", dlc_->radice().toUtf8());
        qputenv("TARVOLIN_LINKFOLDER_DOMAINS", "cartella-uno.localhost;cartella-due.localhost");
        qputenv("TARVOLIN_LINKFOLDER_DLC_ROOT", QByteArray("http://cartella-uno.localhost:") +
                                                    QByteArray::number(cartelle_->porta()));
    }
    void TearDown() override {
        gDlc = nullptr;
        gCartelle = nullptr;
        dlc_.reset();
        cartelle_.reset();
    }

private:
    std::unique_ptr<FakeDlcService> dlc_;
    std::unique_ptr<FakeLinkFolderSite> cartelle_;
};
const auto* const kServizi = ::testing::AddGlobalTestEnvironment(new Servizi);

QList<queue::TForm_Add*> dialoghi() {
    QList<queue::TForm_Add*> out;
    for (const QPointer<QWidget>& w : FinestreAggiungi()) {
        if (auto* d = qobject_cast<queue::TForm_Add*>(w.data()))
            out << d;
    }
    return out;
}

QStringList testiDialoghi() {
    QStringList out;
    for (queue::TForm_Add* d : dialoghi())
        out << d->ListaLink->toPlainText();
    return out;
}

QList<QByteArray> nomiIntestazioni(const RichiestaRicevuta& r) {
    QList<QByteArray> out;
    for (const auto& [nome, valore] : r.headers)
        out << nome;
    return out;
}

class Sorgenti : public AppFixture {
protected:
    ~Sorgenti() override { gDlc->release(); }

    TForm1& avvia() {
        TForm1& f = start().Form1();
        app_->Opzioni().AutoExtract->setChecked(true);
        return f;
    }
    QString scrivi(const QString& nome, const QByteArray& dati) {
        const QString percorso = root_.filePath(nome);
        WriteAll(percorso, dati);
        return percorso;
    }
    static void accetta(TForm1& f) { static_cast<QDialog*>(f.opendlc)->accept(); }
    static void trascina(TForm1& f, const QStringList& percorsi) {
        QMimeData dati;
        QList<QUrl> url;
        for (const QString& p : percorsi)
            url << QUrl::fromLocalFile(p);
        dati.setUrls(url);
        QDragEnterEvent entra(QPoint(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, {});
        QApplication::sendEvent(&f, &entra);
        ASSERT_TRUE(entra.isAccepted());
        QDropEvent rilascia(QPointF(10, 10), Qt::CopyAction, &dati, Qt::LeftButton, {});
        QApplication::sendEvent(&f, &rilascia);
        EXPECT_TRUE(rilascia.isAccepted());
    }
};

TEST_F(Sorgenti, ClipboardOpensOneStandAloneDialogPerNewLink) {
    QClipboard* appunti = QGuiApplication::clipboard();
    appunti->setText("https://other.org/gia-qui.zip");
    TForm1& f = avvia();
    f.ListaHosting = {"easybytez.com"};
    app_->Opzioni().IntercettaBox->click();
    ASSERT_TRUE(f.TimerCatchLink->isActive());

    appunti->setText("https://www.easybytez.com/abc");
    ASSERT_TRUE(Finche([] { return dialoghi().size() == 1; }));
    queue::TForm_Add* primo = dialoghi().value(0);
    EXPECT_TRUE(primo->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(primo->AutoExtract->isChecked());

    const struct {
        const char* testo;
        int dialoghi;
    } passi[] = {
        {"https://www.easybytez.com/abc", 1}, // the same again
        {"https://other.org/b.rar", 2},
        {"https://www.easybytez.com/abc", 3}, // A, B, A
        {"parola", 3},
        {"https://other.org/gia-qui.zip", 4}, // on the clipboard at start, now copied again
        {"https://www.easybytez.com/abc\r\nnon un link", 5},
    };
    for (const auto& p : passi) {
        appunti->setText(QString::fromUtf8(p.testo));
        f.TimerCatchLinkTimer();
        EXPECT_EQ(Processo().UltimoTestoAppunti, QString::fromUtf8(p.testo));
        EXPECT_EQ(dialoghi().size(), p.dialoghi) << p.testo;
    }
    EXPECT_EQ(testiDialoghi().value(4), "https://www.easybytez.com/abc\nnon un link");

    // What the program itself copies, and pictures, are not links to capture.
    f.Code->AggiungiListaLink("https://other.org/in-coda.zip", {}, {}, {}, false);
    queue::VistaCoda::Spunta(f.Lista->Riga(0), true);
    f.Code->PopupDownload->findChild<QAction*>("Copialinknegliappunti1")->trigger();
    ASSERT_EQ(appunti->text(), "https://other.org/in-coda.zip");
    f.TimerCatchLinkTimer();
    appunti->setImage(QImage(4, 4, QImage::Format_RGB32));
    f.TimerCatchLinkTimer();
    EXPECT_EQ(dialoghi().size(), 5);
    EXPECT_EQ(Processo().UltimoTestoAppunti, "https://other.org/in-coda.zip");

    // Switched off, nothing is looked at; switched on, the first tick catches up.
    app_->Opzioni().IntercettaBox->click();
    EXPECT_FALSE(f.TimerCatchLink->isActive());
    appunti->setText("https://other.org/mentre-spento.zip");
    app_->Opzioni().IntercettaBox->click();
    EXPECT_TRUE(Finche([] { return dialoghi().size() == 6; }));
}

TEST_F(Sorgenti, ChosenContainerShowsItsLinksAndHoldsTheButtonMeanwhile) {
    gDlc->setReply("DUE-LINK+/=\n",
                   FakeDlcService::linksReply({"http://a.org/1.rar", "https://b.org/2.rar"}));
    TForm1& f = avvia();
    const QString due = scrivi("due.dlc", "DUE-LINK+/=\n");
    const QString vuoto = scrivi("vuoto.dlc", {});
    const QString grande = scrivi("grande.dlc", QByteArray(16 * 1024 * 1024 + 1, 'x'));
    const qsizetype richiestePrima = gDlc->containers().size();

    for (const QString& nulla : {vuoto, grande}) {
        f.JdBt->click();
        ASSERT_TRUE(f.opendlc->isVisible());
        f.opendlc->selectFile(nulla);
        accetta(f);
        EXPECT_TRUE(f.JdBt->isEnabled());
    }
    f.JdBt->click();
    static_cast<QDialog*>(f.opendlc)->reject();
    EXPECT_TRUE(f.JdBt->isEnabled());

    gDlc->hold();
    f.JdBt->click();
    f.opendlc->selectFile(due);
    accetta(f);
    EXPECT_FALSE(f.JdBt->isEnabled());
    ASSERT_TRUE(Finche([&] { return gDlc->containers().size() == richiestePrima + 1; }));
    EXPECT_FALSE(f.JdBt->isEnabled());
    gDlc->release();
    ASSERT_TRUE(Finche([] { return dialoghi().size() == 1; }));
    EXPECT_TRUE(f.JdBt->isEnabled());
    EXPECT_EQ(testiDialoghi(), QStringList({"http://a.org/1.rar\nhttps://b.org/2.rar\n"}));
    EXPECT_TRUE(dialoghi()[0]->AutoExtract->isChecked());

    const RichiestaRicevuta r = gDlc->requests().last();
    EXPECT_EQ(r.body, "content=DUE-LINK%2B%2F%3D%0A");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    const QList<QByteArray> nomi = nomiIntestazioni(r);
    EXPECT_LT(nomi.indexOf("Connection"), nomi.indexOf("Accept"));
    EXPECT_LT(nomi.indexOf("Accept"), nomi.indexOf("User-Agent"));
    EXPECT_TRUE(r.header("User-Agent").contains("Chrome/92.0.4515.159"));
}

TEST_F(Sorgenti, DroppedFilesEachStartADecoding) {
    gDlc->setReply("UNO", FakeDlcService::linksReply({"http://a.org/uno"}));
    gDlc->setReply("DUE", FakeDlcService::linksReply({"http://a.org/due"}));
    TForm1& f = avvia();
    const QString cartella = root_.filePath("una-cartella");
    QDir().mkpath(cartella);
    gDlc->hold();
    trascina(f, {scrivi("uno.dlc", "UNO"), cartella, root_.filePath("manca.dlc"),
                 scrivi("due.txt", "DUE"), scrivi("vuoto.dlc", {}), scrivi("tre.dlc", "TRE")});
    EXPECT_FALSE(f.JdBt->isEnabled());
    ASSERT_TRUE(Finche([] { return gDlc->containers().size() >= 3; }));
    gDlc->release();
    ASSERT_TRUE(Finche([] { return dialoghi().size() == 3; }));
    EXPECT_TRUE(f.JdBt->isEnabled());
    QStringList testi = testiDialoghi();
    testi.sort();
    EXPECT_EQ(testi, QStringList({"Si è verificato un errore con questo file dlc",
                                  "http://a.org/due\n", "http://a.org/uno\n"}));
}

TEST_F(Sorgenti, LinkFolderHandsItsContainerToTheDecoding) {
    const QByteArray porta = QByteArray::number(gCartelle->porta());
    gCartelle->setPage("/Container/SECONDO.html", FakeLinkFolderSite::folderPage("ID2"));
    gCartelle->setPage("/Container/MAIUSCOLE.html", FakeLinkFolderSite::folderPage("IDM"));
    gCartelle->setPage("/Container/DOPPIO.html", "x DownloadDLC('PRIMO') y DownloadDLC('ALTRO')");
    gCartelle->setPage("/Container/APERTO.html", "x DownloadDLC('resto della pagina</b>");
    gCartelle->setPage("/Container/SENZA.html", "<html>nessun contenitore</html>");
    gCartelle->setPage("/Container/CHIUSO.html", FakeLinkFolderSite::folderPage("IDC"));
    for (const char* id : {"ID2", "IDM", "PRIMO", "resto della pagina</b>", "IDC"}) {
        gCartelle->setContainer(id, QByteArray("CONT-") + id);
        gDlc->setReply(QByteArray("CONT-") + id,
                       FakeDlcService::linksReply({QByteArray("http://h.org/") + id}));
    }
    TForm1& f = avvia();

    const struct {
        QByteArray url;
        QByteArray host; // of the folder page request
        QByteArray dlc;  // the container asked for, empty: none
    } casi[] = {
        {"http://cartella-due.localhost:" + porta + "/Container/SECONDO.html",
         "cartella-due.localhost", "ID2"},
        {"  HTTP://CARTELLA-UNO.LOCALHOST:" + porta + "/Container/MAIUSCOLE.html ",
         "cartella-uno.localhost", "IDM"},
        {"http://cartella-uno.localhost:" + porta + "/Container/DOPPIO.html",
         "cartella-uno.localhost", "PRIMO"},
        {"http://cartella-uno.localhost:" + porta + "/Container/APERTO.html",
         "cartella-uno.localhost", "resto della pagina</b>"},
        {"http://cartella-uno.localhost:" + porta + "/Container/SENZA.html",
         "cartella-uno.localhost", ""},
    };
    for (const auto& c : casi) {
        const qsizetype prima = gCartelle->requests().size();
        queue::TForm_Add* avvio = queue::ApriAggiungi(
            *f.Code, [] { return false; }, false, false, QString::fromUtf8(c.url));
        QPointer<queue::TForm_Add> guardia(avvio);
        avvio->AggiungiBt->click();
        EXPECT_FALSE(avvio->AggiungiBt->isEnabled());
        ASSERT_TRUE(Finche([&] { return guardia.isNull(); })) << c.url.constData();
        const QList<RichiestaRicevuta> richieste = gCartelle->requests().mid(prima);
        ASSERT_EQ(richieste.size(), c.dlc.isEmpty() ? 1 : 2) << c.url.constData();
        EXPECT_EQ(richieste[0].header("Host"), c.host + ":" + porta);
        EXPECT_EQ(QByteArray::fromPercentEncoding(richieste[0].target),
                  QUrl(QString::fromUtf8(c.url).trimmed()).path().toUtf8());
        if (c.dlc.isEmpty()) {
            EXPECT_TRUE(dialoghi().isEmpty());
            continue;
        }
        EXPECT_EQ(richieste[1].header("Host"), "cartella-uno.localhost:" + porta);
        EXPECT_EQ(QByteArray::fromPercentEncoding(richieste[1].target), "/DLC/" + c.dlc + ".dlc");
        ASSERT_TRUE(Finche([] { return dialoghi().size() == 1; })) << c.url.constData();
        EXPECT_EQ(testiDialoghi(),
                  QStringList({"http://h.org/" + QString::fromUtf8(c.dlc) + "\n"}));
        delete dialoghi()[0];
    }

    // Both requests look like a browser's; the container request carries the page's cookie.
    const QList<RichiestaRicevuta> tutte = gCartelle->requests();
    qsizetype i = 0;
    while (i + 1 < tutte.size() && !tutte[i].target.endsWith("/APERTO.html"))
        ++i;
    ASSERT_LT(i + 1, tutte.size());
    const RichiestaRicevuta& pagina = tutte[i];
    EXPECT_EQ(nomiIntestazioni(pagina).mid(1, 12),
              QList<QByteArray>({"Content-Type", "Accept", "Accept-Language", "User-Agent",
                                 "sec-ch-ua", "sec-ch-ua-mobile", "sec-ch-ua-platform",
                                 "Sec-Fetch-Dest", "Sec-Fetch-Mode", "Sec-Fetch-Site",
                                 "Sec-Fetch-User", "Upgrade-Insecure-Requests"}));
    EXPECT_EQ(pagina.header("sec-ch-ua-platform"), "\"Windows\"");
    EXPECT_EQ(tutte[i + 1].header("Cookie"), "PHPSESSID=cartella42");

    // A dialog gone before the import reaches the main thread again is left alone.
    queue::TForm_Add* chiuso = queue::ApriAggiungi(
        *f.Code, [] { return false; }, false, false,
        QString::fromLatin1("http://cartella-uno.localhost:" + porta + "/Container/CHIUSO.html"));
    chiuso->AggiungiBt->click();
    delete chiuso;
    ASSERT_TRUE(Finche([] { return dialoghi().size() == 1; }));
    EXPECT_EQ(testiDialoghi(), QStringList({"http://h.org/IDC\n"}));
}

} // namespace
