// The settings store: the main window's and the options dialog's controls are the settings;
// this file moves them to and from the INI file.
#include "app/cartelle.h"
#include "app/form1.h"
#include "app/formopzioni.h"
#include "app/inifile.h"
#include "common/deployment.h"
#include "common/funzioni.h"
#include "common/statoprocesso.h"
#include "common_ui/messagebox.h"
#include "host/hosting.h"
#include "platform/shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

namespace tarvolin::app {

namespace {

const QString kSezione = QStringLiteral("generale");

QString sito(int numero) {
    return deployment().hostSites.value(numero - 1);
}

void spuntaSito(TForm_Opzioni& o, int numero) {
    QRadioButton* buttons[] = {o.EasyCom, o.EasyEu, o.EasyMe};
    if (numero >= 1 && numero <= 3) {
        buttons[numero - 1]->setChecked(true);
        return;
    }
    // Exclusive radio buttons cannot all be cleared without lifting the exclusivity.
    for (QRadioButton* b : buttons) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

int sitoSpuntato(const TForm_Opzioni& o) {
    if (o.EasyCom->isChecked())
        return 1;
    if (o.EasyEu->isChecked())
        return 2;
    if (o.EasyMe->isChecked())
        return 3;
    return 0;
}

} // namespace

QString TForm1::FileImpostazioni() const {
    return CartellaDati + cartelle::NomeFileImpostazioni(platform::shell().executablePath());
}

void TForm1::AggiornaSitoBase() {
    const int numero = opzioni_ != nullptr ? sitoSpuntato(*opzioni_) : 0;
    if (numero != 0 && !sito(numero).isEmpty())
        SitoBase = sito(numero);
}

void TForm1::Caricamento() {
    if (opzioni_ == nullptr)
        return;
    TForm_Opzioni& o = *opzioni_;
    const IniFile ini(FileImpostazioni());
    const QString cartellaEseguibile = cartelle::CartellaEseguibile();

    Processo().CaricamentoPortableFatto = false;
    o.Portable->setChecked(cartelle::ModalitaPortable(cartellaEseguibile));
    Processo().CaricamentoPortableFatto = true;

    const QString voucher = ini.ReadString(kSezione, QStringLiteral("voucher"), QString());
    if (!voucher.isEmpty()) {
        CodiceIdentificativo = XorHexDecode(voucher, QString::fromLatin1(kChiaveImpostazioni));
        LabelCodiceIdentificativo->setText(QStringLiteral("Codice : ") + CodiceIdentificativo);
    }
    bool ok = false;
    // Text that is no number reads as the spin box's minimum.
    const int limite =
        ini.ReadString(kSezione, QStringLiteral("limit"), QStringLiteral("0")).trimmed().toInt(&ok);
    SpeedLimit->setValue(ok ? limite : SpeedLimit->minimum());
    LimiteCheck->setChecked(ini.ReadBool(kSezione, QStringLiteral("limitecheck"), false));
    const QString maxDownload =
        ini.ReadString(kSezione, QStringLiteral("maxdownload"), QStringLiteral("3"));
    o.AutoExtract->setChecked(ini.ReadBool(kSezione, QStringLiteral("autoextract"), false));
    o.SkipRev->setChecked(ini.ReadBool(kSezione, QStringLiteral("skiprev"), false));
    o.EmailCliente->setText(ini.ReadString(kSezione, QStringLiteral("emailcliente"), QString()));
    o.AutoHideOnCompleteBox->setChecked(
        ini.ReadBool(kSezione, QStringLiteral("autohideoncomplete"), false));
    o.AlwaysFolder->setChecked(ini.ReadBool(kSezione, QStringLiteral("alwaysfolder"), false));
    const bool intercetta = ini.ReadBool(kSezione, QStringLiteral("intercetta"), false);
    if (intercetta != o.IntercettaBox->isChecked()) {
        o.IntercettaBox->setChecked(intercetta);
        emit o.IntercettaCliccato(intercetta);
    }
    SpeedTop = ini.ReadInteger(kSezione, QStringLiteral("speedtop"), 0);
    SpeedLeft = ini.ReadInteger(kSezione, QStringLiteral("speedleft"), 0);
    if (QWidget* speed = FormSpeed())
        speed->move(SpeedLeft, SpeedTop);
    const bool plugin = ini.ReadBool(kSezione, QStringLiteral("plugin"), false);
    if (plugin != o.PlugIn->isChecked()) {
        o.PlugIn->setChecked(plugin);
        emit o.PlugInCliccato(plugin);
    }
    o.Trasparenza->setValue(ini.ReadInteger(kSezione, QStringLiteral("trasparenza"), 150));
    spuntaSito(o, ini.ReadInteger(kSezione, QStringLiteral("sito"), 1));
    AggiornaSitoBase();

    if (ini.ReadBool(kSezione, QStringLiteral("maximized"), false)) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        const QRect g = geometry();
        const int top = ini.ReadInteger(kSezione, QStringLiteral("top"), g.top());
        const int left = ini.ReadInteger(kSezione, QStringLiteral("left"), g.left());
        const int width = ini.ReadInteger(kSezione, QStringLiteral("width"), g.width());
        const int height = ini.ReadInteger(kSezione, QStringLiteral("height"), g.height());
        if (top != g.top() || left != g.left())
            move(left, top);
        if (width != g.width() || height != g.height())
            resize(width, height);
    }
    const int max = maxDownload.trimmed().toInt(&ok);
    o.MaxDownload->setValue(ok ? max : 3);
    DownloadAutomatico->setChecked(
        ini.ReadBool(kSezione, QStringLiteral("downloadautomatico"), false));

    o.CompleteDir->setText(
        ini.ReadString(kSezione, QStringLiteral("completedir"),
                       cartelle::CompleteDirPredefinita(ModalitaPortable, cartellaEseguibile)));
    o.TempDir->setText(
        ini.ReadString(kSezione, QStringLiteral("tempdir"),
                       cartelle::TempDirPredefinita(ModalitaPortable, cartellaEseguibile)));

    o.PersonalEmailEasybytez->setText(
        ini.ReadString(kSezione, QStringLiteral("easyaccount"), QString()));
    o.PersonalPasswordEasybytez->setText(
        ini.ReadString(kSezione, QStringLiteral("easypassword"), QString()));
    CaricaPersonalEasybytez();
    ImpostazioniCaricate = true;

    cartelle::EliminaSetupResiduo(o.TempDir->text());

    AvviaBanner();
    host::TLoadHosting::Avvia(deployment().makerSite,
                              [finestra = QPointer<TForm1>(this)](const QStringList& righe) {
                                  if (finestra)
                                      finestra->ListaHosting = righe;
                              });
}

void TForm1::Salvataggio() {
    // Settings never read this run (no database, say) must not replace the stored ones.
    if (opzioni_ == nullptr || !ImpostazioniCaricate)
        return;
    TForm_Opzioni& o = *opzioni_;
    if (const QWidget* speed = FormSpeed()) {
        SpeedTop = speed->y();
        SpeedLeft = speed->x();
    }
    IniFile ini(FileImpostazioni());
    auto testo = [&](const char* key, const QString& value) {
        return ini.WriteString(kSezione, QString::fromLatin1(key), value);
    };
    auto intero = [&](const char* key, int value) {
        return ini.WriteInteger(kSezione, QString::fromLatin1(key), value);
    };
    auto booleano = [&](const char* key, bool value) {
        return ini.WriteBool(kSezione, QString::fromLatin1(key), value);
    };
    const bool scritto =
        testo("completedir", o.CompleteDir->text()) && testo("tempdir", o.TempDir->text()) &&
        testo("limit", SpeedLimit->text()) && testo("maxdownload", o.MaxDownload->text()) &&
        booleano("downloadautomatico", DownloadAutomatico->isChecked()) &&
        booleano("autoextract", o.AutoExtract->isChecked()) &&
        booleano("skiprev", o.SkipRev->isChecked()) &&
        testo("emailcliente", o.EmailCliente->text()) &&
        booleano("autohideoncomplete", o.AutoHideOnCompleteBox->isChecked()) &&
        booleano("alwaysfolder", o.AlwaysFolder->isChecked()) &&
        booleano("limitecheck", LimiteCheck->isChecked()) &&
        booleano("plugin", o.PlugIn->isChecked()) &&
        intero("trasparenza", o.Trasparenza->value()) &&
        booleano("intercetta", o.IntercettaBox->isChecked()) && intero("width", width()) &&
        intero("height", height()) && intero("top", y()) && intero("left", x()) &&
        intero("speedtop", SpeedTop) && intero("speedleft", SpeedLeft) &&
        testo("easyaccount", o.PersonalEmailEasybytez->text()) &&
        testo("easypassword", o.PersonalPasswordEasybytez->text()) &&
        booleano("maximized", isMaximized());
    const int numero = sitoSpuntato(o);
    if (scritto && numero != 0)
        intero("sito", numero);
    AggiornaSitoBase();
}

void TForm1::SaveVoucher(const QString& codice) {
    IniFile ini(FileImpostazioni());
    ini.WriteString(kSezione, QStringLiteral("voucher"),
                    codice.isEmpty()
                        ? QString()
                        : XorHexEncode(codice, QString::fromLatin1(kChiaveImpostazioni)));
}

void TForm1::LimiteCheckClick() {
    IniFile ini(FileImpostazioni());
    ini.WriteBool(kSezione, QStringLiteral("limitecheck"), LimiteCheck->isChecked());
}

void TForm1::PortableClick() {
    if (opzioni_ == nullptr || !Processo().CaricamentoPortableFatto)
        return;
    const QString cartellaEseguibile = cartelle::CartellaEseguibile();
    if (opzioni_->Portable->isChecked())
        cartelle::AttivaPortable(cartellaEseguibile, {CartellaDati + QStringLiteral("database.opt"),
                                                      FileImpostazioni()});
    else
        cartelle::DisattivaPortable(cartellaEseguibile);
    MostraMessaggio(opzioni_,
                    QStringLiteral("Riavviare Tarvolin per rendere effettive le modifiche."),
                    QStringLiteral("Conferma"), Icona::Informazione);
}

void TForm1::BtResetFolderClick() {
    if (opzioni_ == nullptr)
        return;
    opzioni_->CompleteDir->setText(cartelle::CompleteDirReset());
    opzioni_->TempDir->setText(cartelle::TempDirReset());
    cartelle::CreaCartelleReset();
    Salvataggio();
}

} // namespace tarvolin::app
