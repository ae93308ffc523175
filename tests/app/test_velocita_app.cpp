// The bandwidth cap and the speed display in the running main window.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/inifile.h"
#include "engine/attivi.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "service/sessione.h"
#include "support/app_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>
#include <vector>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class VelocitaApp : public AppFixture {
protected:
    void TearDown() override {
        if (form_ != nullptr) {
            std::lock_guard lock(form_->DownloadAttivi.BloccoContatori);
            form_->DownloadAttivi.Lista.clear();
        }
    }
    // A running download of a new queue row, as the scheduler would list it.
    engine::StatoDownload& avvia(TForm1& f, const QString& id) {
        form_ = &f;
        f.Code->AggiungiInCoda("file" + id + ".rar", QString(), "https://host/" + id, QString(),
                               id);
        f.Code->AggiornaTitoliListaDownload();
        auto& d = *lavoratori_.emplace_back(std::make_unique<engine::StatoDownload>());
        d.IdRiga = id;
        d.Avviato = true;
        std::lock_guard lock(f.DownloadAttivi.BloccoContatori);
        f.DownloadAttivi.Lista.append(&d);
        return d;
    }
    QLabel* etichettaWidget(TForm1& f) {
        return f.FormSpeed()->findChild<QLabel*>(QStringLiteral("LabelSpeed"));
    }

    TForm1* form_ = nullptr;
    std::vector<std::unique_ptr<engine::StatoDownload>> lavoratori_;
};

TEST_F(VelocitaApp, SamplerFillsTheRowAndTheSpeedTexts) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    engine::StatoDownload& d = avvia(f, "42");
    {
        std::lock_guard lock(f.DownloadAttivi.BloccoContatori);
        d.ByteScaricati = 12897485;
        d.ByteMancanti = qint64(3661) * 2097152;
    }
    d.DimensioneTotale = 59559117;

    // Bytes keep arriving at 2 MiB per sample until a refresh has shown them.
    const bool mostrato = QTest::qWaitFor(
        [&] {
            {
                std::lock_guard lock(f.DownloadAttivi.BloccoVelocita);
                d.AccumuloVelocita = 2097152;
            }
            return f.LabelSpeed->text() == "2.00 MB/s";
        },
        10000);
    ASSERT_TRUE(mostrato) << f.LabelSpeed->text().toStdString();

    const QTreeWidgetItem* riga = f.Lista->RigaPerId("42");
    ASSERT_NE(riga, nullptr);
    EXPECT_EQ(queue::VistaCoda::Cella(riga, queue::cella::Size), "12.3 / 56.8 MB");
    EXPECT_EQ(queue::VistaCoda::Cella(riga, queue::cella::Velocita), "2.00 MB/s");
    EXPECT_EQ(queue::VistaCoda::Cella(riga, queue::cella::Fine), "01.01.01");
    EXPECT_EQ(etichettaWidget(f)->text(), "2.00 MB/s");
    EXPECT_EQ(f.FormSpeed()->findChild<QLabel*>("PanelInDownload")->text(), " In download : 1");
    EXPECT_EQ(f.FormSpeed()->findChild<QLabel*>("PanelInCoda")->text(), " In coda : 1");
    EXPECT_EQ(f.VelocitaTotale, 2097152);
    EXPECT_EQ(f.Servizio->VelocitaTotale(), 2097152);
}

TEST_F(VelocitaApp, CapIsSharedByTheWorkersAndUntickingLiftsIt) {
    Applicazione& app = start();
    TForm1& f = app.Form1();
    engine::StatoDownload& primo = avvia(f, "1");
    f.LimiteCheck->click();
    ASSERT_TRUE(f.SpeedLimit->isEnabled());
    f.SpeedLimit->setValue(640);
    EXPECT_EQ(f.PausaCorrente, 36);
    EXPECT_EQ(primo.PausaMs, 36);

    engine::StatoDownload& secondo = avvia(f, "2");
    f.SettaLimitiDiBanda();
    EXPECT_EQ(primo.PausaMs, 71);
    EXPECT_EQ(secondo.PausaMs, 71);
    EXPECT_GT(secondo.IntervalloBloccoUs, 0);

    f.LimiteCheck->click();
    EXPECT_FALSE(f.SpeedLimit->isEnabled());
    EXPECT_EQ(f.SpeedLimit->value(), 0);
    EXPECT_EQ(f.PausaCorrente, 0);
    for (const engine::StatoDownload* d : {&primo, &secondo}) {
        EXPECT_EQ(d->PausaMs, 0);
        EXPECT_EQ(d->IntervalloBloccoUs, 0);
    }
}

TEST_F(VelocitaApp, WidgetFollowsTheOptionsKeepsItsPlaceAndCannotBeClosed) {
    QDir().mkpath(installedData());
    WriteAll(installedIni(), "[generale]\nplugin=1\ntrasparenza=51\nspeedtop=33\nspeedleft=44\n");
    Applicazione& app = start();
    TForm1& f = app.Form1();
    QWidget* speed = f.FormSpeed();
    EXPECT_FALSE(speed->isVisible()); // not before the splash ends
    waitForMainWindow();
    EXPECT_TRUE(speed->isVisible());
    EXPECT_EQ(speed->pos(), QPoint(44, 33));
    EXPECT_DOUBLE_EQ(speed->windowOpacity(), 0.2);

    EXPECT_FALSE(speed->close());
    EXPECT_TRUE(speed->isVisible());

    app.Opzioni().PlugIn->click();
    EXPECT_FALSE(speed->isVisible());
    app.Opzioni().Trasparenza->setValue(255);
    EXPECT_DOUBLE_EQ(speed->windowOpacity(), 1.0);

    speed->move(70, 90);
    f.Salvataggio();
    const IniFile ini(installedIni());
    EXPECT_EQ(ini.ReadInteger("generale", "speedtop", 0), 90);
    EXPECT_EQ(ini.ReadInteger("generale", "speedleft", 0), 70);
}

} // namespace
