#include "avvio.h"

#include "app/form1.h"
#include "app/formnag.h"
#include "app/formopzioni.h"
#include "app/traduzione.h"
#include "common/deployment.h"
#include "common_ui/icone.h"
#include "platform/singleinstance.h"

#include <QApplication>
#include <QTranslator>

namespace tarvolin::app {

Applicazione::Applicazione()
    : traduzioneQt_(InstallaTraduzioneQt()), form1_(std::make_unique<TForm1>()),
      nag_(std::make_unique<TForm_Nag>()), opzioni_(std::make_unique<TForm_Opzioni>()) {
    form1_->ImpostaOpzioni(opzioni_.get());
    QObject::connect(nag_.get(), &TForm_Nag::Terminato, form1_.get(), &TForm1::FineSplash);
}

Applicazione::~Applicazione() = default;

bool Applicazione::AscoltaIstanze(platform::SingleInstance& istanza) {
    QObject::connect(&istanza, &platform::SingleInstance::messageReceived, form1_.get(),
                     &TForm1::MessaggioIstanza);
    return istanza.listen();
}

// exit() rather than quit(): quit() would first ask every window to close.
void TerminaApplicazione() {
    QCoreApplication::exit(0);
}

int AvviaTarvolin(int argc, char** argv) {
    QApplication app(argc, argv);
    // Hidden windows stay alive for the whole run; only the main window's close ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Tarvolin"));
    QApplication::setDesktopFileName(QStringLiteral("tarvolin"));
    QApplication::setWindowIcon(IconaProgramma());

    // Claimed before any window exists, so two starts in the same instant never both run.
    platform::SingleInstance istanza(
        platform::SingleInstance::nameFor(QString::fromLatin1(kClasseFinestra)));
    switch (istanza.claim()) {
    case platform::SingleInstance::Esito::Consegnato:
        return 0;
    case platform::SingleInstance::Esito::Fallito:
        return 1;
    case platform::SingleInstance::Esito::Primo:
        break;
    }

    Applicazione applicazione;
    applicazione.AscoltaIstanze(istanza);
    return QApplication::exec();
}

} // namespace tarvolin::app
