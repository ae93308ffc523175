// The end-of-queue action as the user meets it: the menu, the countdown panel and its cancel
// button, driven by real downloads ending against a local file server.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "engine/altermine.h"
#include "engine/tdownload.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"
#include "support/app_fixture.h"
#include "support/attesa.h"
#include "support/fake_file_server.h"
#include "support/fake_power.h"
#include "support/qt_print.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

using namespace tarvolin;
using namespace tarvolin::app;
using namespace tarvolin::test;

namespace {

class AlTermineApp : public AppFixture {
protected:
    void accoda(TForm1& f, const QByteArray& path, bool spunta) {
        file_.aggiungi(path, QByteArray(1000, 'x'));
        f.Code->AggiungiListaLink(file_.url(path), {}, {}, {}, false);
        queue::VistaCoda::Spunta(f.Lista->Riga(f.Lista->NumeroRighe() - 1), spunta);
    }
    // One ticked download, run to the very end of its worker.
    void scarica(TForm1& f, const QByteArray& path) {
        accoda(f, path, true);
        f.BtPlay->click();
        ASSERT_EQ(f.DownloadAttivi.Lista.size(), 1);
        QPointer<QThread> worker = dynamic_cast<engine::TDownload*>(f.DownloadAttivi.Lista.first());
        ASSERT_TRUE(Finche([&] { return worker.isNull(); }, 10000));
        ASSERT_EQ(QFileInfo(root_.path() + "/done" + path).size(), 1000);
    }
    static bool finito(TForm1& f) { return f.AlTermine->Conto()->isFinished(); }

    clock::ScopedSpeedUp faster_{1000};
    FakePower power_;
    platform::ScopedPowerOverride powerOverride_{power_};
    FakeFileServer file_;
};

TEST_F(AlTermineApp, AWorkerEndingTheQueueStartsTheChosenCountdown) {
    TForm1& f = startForDownloads();
    struct Caso {
        QAction* scelta;
        bool rigaInAttesa;
        QStringList azioni;
    };
    int n = 0;
    for (const Caso& c :
         {Caso{f.Nonfarenulla1, false, {}}, Caso{f.MettiinStandby1, false, {"Suspend"}},
          Caso{f.Arrestailsistema1, true, {}}}) {
        SCOPED_TRACE(c.scelta->text().toStdString());
        c.scelta->trigger();
        f.PanelAlTermine->hide();
        if (c.rigaInAttesa)
            accoda(f, "/fermo.bin", false);
        scarica(f, "/" + QByteArray::number(++n) + ".bin");
        EXPECT_EQ(f.PanelAlTermine->isVisible(), !c.azioni.isEmpty());
        if (c.azioni.isEmpty())
            continue;
        ASSERT_TRUE(Finche([&] { return finito(f); }));
        EXPECT_EQ(power_.calls, c.azioni);
        // The system refused: the program runs on, still showing the panel, still armed.
        EXPECT_EQ(f.SecondiRestantiAlTermine->text(),
                  "Tra 1 secondi il computer andrà in standby.");
        EXPECT_TRUE(f.PanelAlTermine->isVisible());
        EXPECT_TRUE(c.scelta->isChecked());
        power_.calls.clear();
    }
}

TEST_F(AlTermineApp, OnlyTheCancelButtonStopsARunningCountdown) {
    TForm1& f = startForDownloads();
    auto* annulla = f.findChild<QPushButton*>("BtAnnullaAlTermine");
    ASSERT_NE(annulla, nullptr);
    struct Caso {
        QAction* cambio; // null: the cancel button
        QStringList azioni;
    };
    for (const Caso& c : {Caso{nullptr, {}}, Caso{f.MettiinStandby1, {"PowerOff"}},
                          Caso{f.Nonfarenulla1, {"PowerOff"}}}) {
        SCOPED_TRACE(c.cambio ? c.cambio->text().toStdString() : "annulla");
        power_.calls.clear();
        f.Arrestailsistema1->trigger();
        f.AlTermine->Controlla();
        ASSERT_TRUE(Finche([&] { return f.AlTermine->Conto()->SecondiRestanti < 55; }));
        if (c.cambio)
            c.cambio->trigger();
        else
            annulla->click();
        ASSERT_TRUE(Finche([&] { return finito(f); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(power_.calls, c.azioni);
        EXPECT_EQ(f.PanelAlTermine->isVisible(), c.cambio != nullptr);
        EXPECT_TRUE((c.cambio ? c.cambio : f.Nonfarenulla1)->isChecked());
    }
}

TEST_F(AlTermineApp, TheCloseActionEndsTheProgramWithoutTheQuestion) {
    TForm1& f = startForDownloads();
    f.ChiudiTarvolin1->trigger();
    f.AlTermine->Controlla();
    ASSERT_TRUE(Finche([&] { return !f.isVisible(); }));
    EXPECT_TRUE(boxes_->shown().isEmpty());
    EXPECT_TRUE(ReadAll(installedIni()).contains("completedir="));
}

} // namespace
