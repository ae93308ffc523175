#include "cartelle.h"

#include "app/inifile.h"
#include "auxiliary/aggiornamento.h"
#include "common/funzioni.h"
#include "common_ui/desktop.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace tarvolin::app::cartelle {

namespace {

const QString kMarcatorePortable = QStringLiteral("portable.1");
const QString kSezione = QStringLiteral("generale");

QString documentiTarvolin() {
    return CartellaDocumenti() + QStringLiteral("/Tarvolin/");
}

QString datiLocaliTarvolin() {
    return CartellaDatiLocali() + QStringLiteral("/Tarvolin/");
}

bool stessoFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

// Copies `from` over `to`; a missing source leaves `to` as it was. A file the running program
// has open is never replaced (its writes would go to the replaced file and be lost), nor one
// newer than the source.
void copiaSovrascrivendo(const QString& from, const QString& to, const QStringList& inUso) {
    const QFileInfo sorgente(from), destinazione(to);
    if (!sorgente.isFile() || stessoFile(from, to))
        return;
    for (const QString& file : inUso)
        if (stessoFile(file, to))
            return;
    if (destinazione.exists() && destinazione.lastModified() > sorgente.lastModified())
        return;
    const QString temp = to + QStringLiteral(".copia");
    QFile::remove(temp);
    if (!QFile::copy(from, temp))
        return;
    QFile::setPermissions(temp, QFile::ReadOwner | QFile::WriteOwner);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(to).constData()) != 0)
        QFile::remove(temp);
}

} // namespace

QString CartellaEseguibile() {
    return platform::shell().executableFolder();
}

bool ModalitaPortable(const QString& cartellaEseguibile) {
    return QFileInfo::exists(cartellaEseguibile + kMarcatorePortable);
}

void PreparaCartelle(bool portable, const QString& cartellaEseguibile) {
    QDir dir;
    if (portable) {
        const QString download = cartellaEseguibile + QStringLiteral("Download");
        const QString temp = cartellaEseguibile + QStringLiteral("Temp");
        if (!(QFileInfo(download).isDir() && QFileInfo(temp).isDir())) {
            dir.mkpath(download);
            dir.mkpath(temp);
        }
        return;
    }
    const QString dati = CartellaDatiLocali() + QStringLiteral("/Tarvolin");
    if (QFileInfo(dati).isDir())
        return;
    dir.mkpath(dati);
    dir.mkpath(documentiTarvolin() + QStringLiteral("Download"));
    dir.mkpath(documentiTarvolin() + QStringLiteral("Temp"));
}

QString CartellaDati(bool portable, const QString& cartellaEseguibile) {
    return portable ? cartellaEseguibile : datiLocaliTarvolin();
}

QString CompleteDirPredefinita(bool portable, const QString& cartellaEseguibile) {
    return portable ? cartellaEseguibile + QStringLiteral("Download/") : CompleteDirReset();
}

QString TempDirPredefinita(bool portable, const QString& cartellaEseguibile) {
    return portable ? cartellaEseguibile + QStringLiteral("Temp/") : TempDirReset();
}

QString NomeFileImpostazioni(const QString& percorsoEseguibile) {
    return QFileInfo(percorsoEseguibile).completeBaseName() + QStringLiteral(".ini");
}

void AttivaPortable(const QString& cartellaEseguibile, const QStringList& fileInUso) {
    // These two names are fixed, whatever the executable is called.
    copiaSovrascrivendo(datiLocaliTarvolin() + QStringLiteral("database.opt"),
                        cartellaEseguibile + QStringLiteral("database.opt"), fileInUso);
    copiaSovrascrivendo(datiLocaliTarvolin() + QStringLiteral("Tarvolin.ini"),
                        cartellaEseguibile + QStringLiteral("Tarvolin.ini"), fileInUso);
    QDir dir;
    dir.mkpath(cartellaEseguibile + QStringLiteral("Download"));
    dir.mkpath(cartellaEseguibile + QStringLiteral("Temp"));
    const QString marcatore = cartellaEseguibile + kMarcatorePortable;
    if (!QFileInfo::exists(marcatore)) {
        QFile file(marcatore);
        if (file.open(QIODevice::WriteOnly))
            file.write("OK");
    }
    IniFile ini(cartellaEseguibile + QStringLiteral("Tarvolin.ini"));
    ini.WriteString(kSezione, QStringLiteral("completedir"),
                    cartellaEseguibile + QStringLiteral("Download/"));
    ini.WriteString(kSezione, QStringLiteral("tempdir"),
                    cartellaEseguibile + QStringLiteral("Temp/"));
}

void DisattivaPortable(const QString& cartellaEseguibile) {
    QFile::remove(cartellaEseguibile + kMarcatorePortable);
}

QString CompleteDirReset() {
    return documentiTarvolin() + QStringLiteral("Download/");
}

QString TempDirReset() {
    return documentiTarvolin() + QStringLiteral("Temp/");
}

void CreaCartelleReset() {
    QDir dir;
    dir.mkpath(documentiTarvolin() + QStringLiteral("Download"));
    dir.mkpath(documentiTarvolin() + QStringLiteral("Temp"));
}

void EliminaSetupResiduo(const QString& tempDir) {
    const QString setup = tempDir + QString::fromLatin1(auxiliary::kFileInstallatore);
    if (QFileInfo(setup).isFile())
        QFile::remove(setup);
}

} // namespace tarvolin::app::cartelle
