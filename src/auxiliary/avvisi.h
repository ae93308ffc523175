#pragma once

#include <QImage>
#include <QString>
#include <QThread>

#include <functional>
#include <optional>

namespace tarvolin::net {
class ClientHttp;
struct Risposta;
} // namespace tarvolin::net

// What the maker's web site publishes for every start: banners and a notice.
namespace tarvolin::auxiliary {

// The two banners of "/banner.ini". A picture is null when none was named or it is not a
// Windows bitmap; its slot then stays as it was.
struct Banner {
    QImage immagine1;
    QString link1;
    QImage immagine2;
    QString link2;
};

// Fetches "/banner.ini" and the pictures it names. Nothing when any fetch fails.
std::optional<Banner> ScaricaBanner(net::ClientHttp& client, const QString& sito);

// The banner's web address with every "[VOUCHER]" replaced by the identification code.
QString LinkConVoucher(QString link, const QString& codice);

// The notice of "/infoscreen.ini" as the memo shows it: UTF-8 turned into the single-byte
// set ("?" for what it lacks), line feeds as CR LF. Nothing unless status 200 and some text.
std::optional<QString> TestoInfo(const net::Risposta& risposta);

// Fetches the banners once and hands them to the main thread; frees itself when done.
class TLoadBanner : public QThread {
    Q_OBJECT
public:
    using Applica = std::function<void(const Banner&)>;
    static void Avvia(const QString& sito, Applica applica);

protected:
    void run() override;

private:
    TLoadBanner(QString sito, Applica applica);
    QString sito_;
    Applica applica_;
};

// Fetches the notice once and hands it to the main thread; frees itself when done.
class TLoadInfo : public QThread {
    Q_OBJECT
public:
    using Mostra = std::function<void(const QString&)>;
    static void Avvia(const QString& sito, Mostra mostra);

protected:
    void run() override;

private:
    TLoadInfo(QString sito, Mostra mostra);
    QString sito_;
    Mostra mostra_;
};

} // namespace tarvolin::auxiliary
