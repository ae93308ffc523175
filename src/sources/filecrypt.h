#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <functional>

// Link folders of the link-protection service: a page that stands for a DLC container.
namespace tarvolin::sources {

// The container's address for the identifier found in a folder page, inserted unchanged.
QString UrlContenitore(const QString& radice, const QString& id);

// Fetches a folder page and the container it names, then, on the main thread, hands the
// container over (empty when there is none) and closes the dialog that asked, if it is still
// open. Frees itself when done.
class TFileCrypt : public QThread {
    Q_OBJECT
public:
    using Contenitore = std::function<void(const QByteArray& contenitore)>;
    TFileCrypt(QString url, QString radiceContenitori, QPointer<QObject> dialogo,
               Contenitore contenitore);

    static void Avvia(const QString& url, const QString& radiceContenitori,
                      QPointer<QObject> dialogo, Contenitore contenitore);

protected:
    void run() override;

private:
    void Fine(const QByteArray& contenitore);

    QString url_;
    QString radice_;
    QPointer<QObject> dialogo_; // read on the main thread only
    Contenitore contenitore_;
};

} // namespace tarvolin::sources
