// Arbitrary bytes from the service link, cut into a few reads; every message that comes out
// goes on to the dispatcher as the session would hand it over. The ticket and search records
// are read from the messages and from the input as a whole.
#include "common/ansi.h"
#include "search/risultati.h"
#include "service/dispatcher.h"
#include "service/frame.h"
#include "service/record.h"
#include "service/sessione.h"
#include "tickets/recordticket.h"

#include <QApplication>
#include <QByteArray>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// One row per closing marker, up to the limit, each with all its cells; a conversation line
// never breaks.
void LeggiRecord(const QString& testo) {
    const auto attese = [&](QStringView fine) {
        return static_cast<size_t>(std::min(testo.count(fine), tarvolin::service::kMassimoRecord));
    };
    const auto lista = tarvolin::tickets::LeggiListaTicket(testo);
    const auto righe = tarvolin::tickets::LeggiConversazione(testo);
    const auto risultati = tarvolin::search::LeggiRisultati(testo);
    if (lista.size() != attese(u"{|end|}") || righe.size() != lista.size() ||
        risultati.size() != attese(u"(|!|)"))
        __builtin_trap();
    for (const QStringList& riga : lista) {
        if (riga.size() != 6)
            __builtin_trap();
    }
    for (const auto& riga : righe) {
        if (riga.testo.contains(u'\n') || riga.testo.contains(u'\r'))
            __builtin_trap();
    }
    for (const QStringList& riga : risultati) {
        if (riga.size() != 6)
            __builtin_trap();
    }
}

// Made once: a Qt application and a session cost far more than one input. The session never
// connects, so whatever the handlers send is dropped.
struct Ambiente {
    Ambiente() {
        // The handlers read what they are given, so that a bad argument shows up here.
        dispatcher.Avviso = [this](const tarvolin::Messaggio& m) {
            letti += m.didascalia.size() + m.testo.size();
            ++avvisi;
        };
        dispatcher.NuovoCodice = [this](const QString& codice) { letti += codice.size(); };
        dispatcher.LoginConfermato = [this] { ++letti; };
        dispatcher.Slot = [this](const QString& email, const QString& password) {
            letti += email.size() + password.size();
        };
        dispatcher.EmailAggiornata = [this] { ++letti; };
        dispatcher.AggiornamentoObbligatorio = [this] { ++letti; };
        dispatcher.ListaTicket = LeggiRecord;
        dispatcher.ConversazioneTicket = LeggiRecord;
        dispatcher.RisultatiRicerca = LeggiRecord;
    }

    // Qt keeps pointers to these for the application's lifetime.
    inline static int argc = 1;
    inline static char nome[] = "fuzz_ricezione";
    inline static char* argv[] = {nome, nullptr};

    // In this order: no display is wanted, and the application comes before any QObject.
    bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app{argc, argv};
    QTimer autoConnect;
    QTimer invioCodice;
    QTimer risveglio;
    tarvolin::service::Sessione sessione{&autoConnect, &invioCodice, &risveglio};
    tarvolin::service::Dispatcher dispatcher{sessione};
    qsizetype letti = 0;
    qsizetype avvisi = 0;
};

Ambiente& ambiente() {
    // Never destroyed: Qt's objects must not outlive the application at exit, and the fuzzer
    // may exit from anywhere.
    static Ambiente* a = new Ambiente;
    return *a;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Ambiente& amb = ambiente();
    amb.avvisi = 0;
    qsizetype consegnati = 0;
    auto consegna = [&](const QByteArray& messaggio) {
        amb.dispatcher.OnRead(tarvolin::FromAnsi(messaggio));
        ++consegnati;
    };

    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)tarvolin::service::DecodificaChunk(input);
    LeggiRecord(tarvolin::FromAnsi(input));
    // Random bytes seldom survive the cipher, so the dispatcher also gets them as they are.
    consegna(input);

    // The first byte says how many reads, the next ones where each ends.
    qsizetype pos = 0;
    const int letture = input.isEmpty() ? 1 : 1 + static_cast<uint8_t>(input[pos++]) % 8;
    tarvolin::service::BufferRicezione buffer;
    for (int i = 0; i < letture && pos <= input.size(); ++i) {
        qsizetype fine = input.size();
        if (i + 1 < letture && pos < input.size()) {
            const auto passo = static_cast<uint8_t>(input[pos++]);
            fine = std::min(input.size(), pos + passo * 4);
        }
        buffer.Aggiungi(input.mid(pos, fine - pos));
        pos = fine;
        while (auto messaggio = buffer.ProssimoMessaggio()) {
            // A message never holds more than the bytes that carried it.
            if (messaggio->size() > input.size())
                __builtin_trap();
            consegna(*messaggio);
        }
        if (buffer.Dimensione() < 0 || buffer.Dimensione() > input.size())
            __builtin_trap();
    }
    // Every byte has been seen, so no complete frame may remain.
    if (buffer.ProssimoMessaggio())
        __builtin_trap();

    // The input as a message of our own comes back unchanged, even after the noise. The noise
    // is closed first, with a byte that no terminator holds so that its tail cannot pair up
    // with the one appended.
    buffer.Aggiungi(QByteArray("X") + tarvolin::service::kTerminatore);
    while (auto messaggio = buffer.ProssimoMessaggio())
        consegna(*messaggio);
    buffer.Aggiungi(tarvolin::service::FrameSulFilo(input.left(5), input.mid(5)));
    if (buffer.ProssimoMessaggio() != input || buffer.Dimensione() != 0)
        __builtin_trap();

    // A message shows at most one box.
    if (amb.avvisi > consegnati)
        __builtin_trap();
    return 0;
}
