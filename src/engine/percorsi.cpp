#include "percorsi.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace tarvolin::engine {

namespace {

QString realpathDi(const QString& percorso) {
    char risolto[PATH_MAX];
    if (::realpath(QFile::encodeName(percorso).constData(), risolto) == nullptr)
        return {};
    return QFile::decodeName(risolto);
}

bool esiste(const QString& percorso) {
    struct stat st {};
    return ::lstat(QFile::encodeName(percorso).constData(), &st) == 0;
}

} // namespace

QString PercorsoRisolto(const QString& percorso) {
    // Not QFileInfo::absoluteFilePath, which would fold ".." away before links are followed.
    const QString assoluto =
        percorso.startsWith(u'/') ? percorso : QDir::currentPath() + u'/' + percorso;
    const QStringList parti = assoluto.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype k = parti.size(); k >= 0; --k) {
        const QString prefisso = u'/' + parti.mid(0, k).join(u'/');
        if (!esiste(prefisso))
            continue;
        QString risolto = realpathDi(prefisso);
        if (risolto.isEmpty())
            return {};
        for (const QString& parte : parti.mid(k)) {
            if (parte == QLatin1String(".") || parte == QLatin1String(".."))
                return {};
            risolto += (risolto.endsWith(u'/') ? QString() : QStringLiteral("/")) + parte;
        }
        return risolto;
    }
    return {};
}

bool CartellaDentro(const QString& radice, const QString& cartella, bool ancheUguale) {
    const QString r = PercorsoRisolto(radice);
    const QString c = PercorsoRisolto(cartella);
    if (r.isEmpty() || c.isEmpty())
        return false;
    if (c == r)
        return ancheUguale;
    return c.startsWith(r.endsWith(u'/') ? r : r + u'/');
}

bool FileDentro(const QString& radice, const QString& percorso) {
    const qsizetype barra = percorso.lastIndexOf(u'/');
    const QString nome = percorso.mid(barra + 1);
    if (barra < 0 || nome.isEmpty() || nome == QLatin1String(".") || nome == QLatin1String(".."))
        return false;
    return CartellaDentro(radice, percorso.left(barra + 1), true);
}

} // namespace tarvolin::engine
