#pragma once

#include <QPointer>
#include <QString>
#include <QThread>

#include <functional>
#include <optional>

namespace tarvolin::auxiliary {

inline constexpr const char* kFileInstallatore = "Setup_Tarvolin.exe";

// What the updater shows and does; each runs on the main thread while the updater waits.
struct AzioniAggiornamento {
    std::function<void()> mostraPannello;
    std::function<void(const QString& testo)> mostraAvanzamento;
    std::function<void()> mostraErrore; // returns once the user has closed the message
    std::function<void(const QString& file)> apri;
    std::function<void()> termina;
};

// "Aggiornamento del software in corso : 42.7%"; nothing while the size is unknown.
std::optional<QString> TestoAvanzamento(qint64 ricevuti, qint64 atteso);

// Downloads the installer from the maker's site into the temporary folder, opens it when it
// arrived whole, then ends the program. Frees itself when done.
class TAggiornaApplicazione : public QThread {
    Q_OBJECT
public:
    // `cartellaTemp` is used exactly as set: the file name is appended without a separator.
    static QPointer<TAggiornaApplicazione> Avvia(const QString& sito, const QString& cartellaTemp,
                                                 AzioniAggiornamento azioni);

protected:
    void run() override;

private:
    TAggiornaApplicazione(QString sito, QString cartellaTemp, AzioniAggiornamento azioni);
    bool scarica(const QString& file);

    QString sito_;
    QString cartellaTemp_;
    AzioniAggiornamento azioni_;
    qint64 atteso_ = 0; // 64 bits: an installer over 2 GiB still gives a sound percentage
    qint64 ricevuti_ = 0;
    int notifiche_ = 0;
};

} // namespace tarvolin::auxiliary
