#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>
#include <optional>

// DLC containers: decoded by an outside service, which answers with the links they carry.
namespace tarvolin::sources {

// A container is a few KiB; anything past this is no container and is never sent out.
inline constexpr qint64 kMassimoContenitore = 16 * 1024 * 1024;

// The whole file. Empty for an empty file and for one larger than `limite`, which is not read;
// nothing when the file cannot be opened or read.
std::optional<QByteArray> LeggiFile(const QString& percorso, qint64 limite = kMassimoContenitore);

// Reads each existing file among `percorsi` in order (folders and missing paths are skipped) and
// hands each one with content to `avvia`; a file that cannot be read ends the walk.
void LeggiContenitori(const QStringList& percorsi,
                      const std::function<void(const QByteArray&)>& avvia);

// "content=" and the container form-encoded: letters, digits and *-._ as they are, a space as
// "+", every other byte as "%" and two upper-case hex digits.
QByteArray CorpoDecodifica(const QByteArray& contenitore);

// The link-box text from the service's reply: the lines between the links marker and the first
// "]" that begin with "http" or "www", each ending in CR LF. Nothing when that stretch is empty
// or the marker is missing: the reply is an error.
std::optional<QString> LinkDaRisposta(const QByteArray& risposta);

// The text the user sees when a container could not be decoded.
QString ErroreDlc();

// Sends one container to the decoding service and hands the reply (empty when the request
// failed) to the main thread. Frees itself when done.
class TDlcContainer : public QThread {
    Q_OBJECT
public:
    using Esito = std::function<void(const QByteArray& risposta)>;
    TDlcContainer(QString servizio, QByteArray contenitore, Esito esito);

    static void Avvia(const QString& servizio, const QByteArray& contenitore, Esito esito);

protected:
    void run() override;

private:
    QString servizio_;
    QByteArray contenitore_;
    QByteArray risposta_;
    Esito esito_;
};

} // namespace tarvolin::sources
