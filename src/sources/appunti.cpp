#include "sources/appunti.h"

#include "common/statoprocesso.h"
#include "host/hosting.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tarvolin::sources {

namespace {

bool IniziaComeLink(const QString& testo) {
    return testo.startsWith(QLatin1String("WWW."), Qt::CaseInsensitive) ||
           testo.startsWith(QLatin1String("HTTP:"), Qt::CaseInsensitive) ||
           testo.startsWith(QLatin1String("HTTPS:"), Qt::CaseInsensitive);
}

bool Barra(QChar c) {
    return c == u'/' || c == u'\\';
}

} // namespace

bool HaEstensione(const QString& testo) {
    // Indexes only: the text may be a large paste. A backslash counts as "/" throughout.
    const qsizetype n = testo.size();
    qsizetype inizio = 0;
    for (qsizetype i = 0; i + 2 < n; ++i) {
        if (testo[i] == u':' && Barra(testo[i + 1]) && Barra(testo[i + 2])) {
            // The host part is no document: without a path there is nothing to name.
            inizio = i + 3;
            while (inizio < n && !Barra(testo[inizio]))
                ++inizio;
            if (inizio == n)
                return false;
            break;
        }
    }
    qsizetype fine = inizio;
    while (fine < n && testo[fine] != u'?' && testo[fine] != u'#')
        ++fine;
    qsizetype documento = fine;
    while (documento > inizio && !Barra(testo[documento - 1]))
        --documento;
    for (qsizetype i = fine - 1; i >= documento; --i) {
        if (testo[i] == u':')
            return false;
        if (testo[i] == u'.')
            return true;
    }
    return false;
}

bool DaCatturare(const QString& testo, const QStringList& listaHosting) {
    if (!host::HostConosciuto(listaHosting, testo) && !HaEstensione(testo))
        return false;
    return IniziaComeLink(testo);
}

CatturaAppunti::CatturaAppunti(std::function<QStringList()> listaHosting, Apri apri,
                               QObject* parent)
    : QObject(parent), listaHosting_(std::move(listaHosting)), apri_(std::move(apri)) {
    if (QClipboard* appunti = QGuiApplication::clipboard()) {
        connect(appunti, &QClipboard::changed, this, [this](QClipboard::Mode modo) {
            if (modo == QClipboard::Clipboard)
                cambiati_ = true;
        });
    }
}

void CatturaAppunti::Tick() {
    const QClipboard* appunti = QGuiApplication::clipboard();
    if (!cambiati_ || appunti == nullptr)
        return;
    const QMimeData* dati = appunti->mimeData(QClipboard::Clipboard);
    if (dati == nullptr)
        return;
    cambiati_ = false;
    if (!dati->hasText())
        return;
    const QString testo = dati->text();
    QString& ultimo = Processo().UltimoTestoAppunti;
    if (testo.isEmpty() || testo == ultimo)
        return;
    ultimo = testo;
    if (DaCatturare(testo, listaHosting_()))
        apri_(testo);
}

} // namespace tarvolin::sources
