#pragma once

#include <memory>

class QTranslator;

namespace tarvolin::platform {
class SingleInstance;
}

namespace tarvolin::app {

class TForm1;
class TForm_Nag;
class TForm_Opzioni;

// The windows created at start, in their start order, and their wiring.
class Applicazione {
public:
    Applicazione();
    ~Applicazione();
    Applicazione(const Applicazione&) = delete;
    Applicazione& operator=(const Applicazione&) = delete;

    TForm1& Form1() { return *form1_; }
    TForm_Nag& Nag() { return *nag_; }
    TForm_Opzioni& Opzioni() { return *opzioni_; }

    // Answers later starts of the program; false when the channel could not be opened.
    bool AscoltaIstanze(platform::SingleInstance& istanza);

private:
    std::unique_ptr<QTranslator> traduzioneQt_; // first: the windows are made in Italian
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm_Nag> nag_;
    std::unique_ptr<TForm_Opzioni> opzioni_;
};

// Ends the run without the close question and without saving the settings.
void TerminaApplicazione();

// The program: hands over to a running instance, or starts and runs the message loop.
int AvviaTarvolin(int argc, char** argv);

} // namespace tarvolin::app
