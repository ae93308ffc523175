// The main window's side of the bandwidth cap and the speed display: the cap controls, the
// once-a-second refresh, the progress bars of the queue list and the floating speed widget.
#include "app/form1.h"
#include "app/formopzioni.h"
#include "common/synccall.h"
#include "engine/formspeed.h"
#include "engine/progresso.h"
#include "engine/velocita.h"
#include "queue/listecoda.h"
#include "queue/vistacoda.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

namespace tarvolin::app {

struct TForm1::Velocimetro {
    std::unique_ptr<engine::TForm_Speed> Form_Speed;
    std::unique_ptr<engine::TItemSpeed> ItemSpeed;
};

namespace {

// The refresh writes into the queue's rows, found by their id.
class CelleLista : public engine::CelleVelocita {
public:
    explicit CelleLista(queue::ModelloCoda& modello) : modello_(modello) {}
    void ImpostaCella(const QString& idRiga, int cella, const QString& testo) override {
        if (const int p = modello_.Posizione(queue::TipoLista::Coda, idRiga); p >= 0)
            modello_.ImpostaCella(queue::TipoLista::Coda, p, cella, testo);
    }

private:
    queue::ModelloCoda& modello_;
};

} // namespace

void TForm1::AvviaVelocita() {
    Velocita = std::make_shared<Velocimetro>();
    Velocita->Form_Speed = std::make_unique<engine::TForm_Speed>();
    connect(SpeedLimit, &QSpinBox::valueChanged, this, &TForm1::SpeedLimitChange);
    connect(Code, &queue::ListeCoda::InCodaCambiato, Velocita->Form_Speed.get(),
            &engine::TForm_Speed::ImpostaInCoda);
    connect(this, &TForm1::MainWindowShown, this, &TForm1::MostraSpeedDopoSplash);

    const int colonnaProgresso = queue::cella::Progresso + 1;
    Lista->setItemDelegateForColumn(
        colonnaProgresso,
        new engine::DelegatoProgresso(
            colonnaProgresso,
            [this](const QModelIndex& i) {
                const QString id =
                    i.siblingAtColumn(Lista->CellaId() + 1).data(Qt::DisplayRole).toString();
                return engine::FrazioneRiga(DownloadAttivi, id);
            },
            Lista));

    Velocita->ItemSpeed =
        std::make_unique<engine::TItemSpeed>(DownloadAttivi, [this] { AggiornaVelocita(); });
    Velocita->ItemSpeed->start();
}

void TForm1::FermaVelocita() {
    if (!Velocita || !Velocita->ItemSpeed)
        return;
    Velocita->ItemSpeed->requestInterruption();
    AttendiThread(*Velocita->ItemSpeed);
}

QWidget* TForm1::FormSpeed() const {
    return Velocita ? Velocita->Form_Speed.get() : nullptr;
}

// The options decide whether and how the widget shows; it first appears after the splash.
void TForm1::MostraSpeedDopoSplash() {
    if (opzioni_ == nullptr || !Velocita)
        return;
    engine::TForm_Speed* speed = Velocita->Form_Speed.get();
    speed->ImpostaTrasparenza(opzioni_->Trasparenza->value());
    speed->setVisible(opzioni_->PlugIn->isChecked());
    connect(opzioni_, &TForm_Opzioni::PlugInCliccato, speed, &QWidget::setVisible);
    connect(opzioni_, &TForm_Opzioni::TrasparenzaCambiata, speed,
            &engine::TForm_Speed::ImpostaTrasparenza);
}

void TForm1::SettaLimitiDiBanda() {
    PausaCorrente =
        engine::SettaLimitiDiBanda(DownloadAttivi, SpeedLimit->value(), LimiteCheck->isChecked());
}

void TForm1::SpeedLimitChange() {
    if (SpeedLimit->value() < 0)
        SpeedLimit->setValue(0); // runs this handler again
    else
        SettaLimitiDiBanda();
}

void TForm1::AggiornaVelocita() {
    CelleLista celle(Code->Modello());
    const engine::Velocita v = engine::AggiornaVelocita(DownloadAttivi, celle);
    const QString testo = engine::TestoVelocitaTotale(v.Totale);
    LabelSpeed->setText(testo);
    if (Velocita) {
        Velocita->Form_Speed->LabelSpeed->setText(testo);
        Velocita->Form_Speed->ImpostaInDownload(v.InDownload);
    }
    VelocitaTotale = v.Totale;
    Lista->viewport()->update();
}

} // namespace tarvolin::app
