#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// Links copied to the clipboard, offered to the user as they arrive.
namespace tarvolin::sources {

// True when the text, read as one URL, names a document with an extension: the part after the
// last "/" of the path (query and fragment left out) holds a "." with no ":" after the last one.
bool HaEstensione(const QString& testo);

// True for a newly copied text worth an add-links dialog: a known host or a file name, and a
// text that begins like a web link.
bool DaCatturare(const QString& testo, const QStringList& listaHosting);

// One look at the clipboard per tick. The clipboard is read only after it has announced a
// change, so a large text that stays there costs nothing from one tick to the next.
class CatturaAppunti : public QObject {
    Q_OBJECT
public:
    using Apri = std::function<void(const QString& testo)>;
    CatturaAppunti(std::function<QStringList()> listaHosting, Apri apri, QObject* parent);

    void Tick();

private:
    std::function<QStringList()> listaHosting_;
    Apri apri_;
    bool cambiati_ = false;
};

} // namespace tarvolin::sources
