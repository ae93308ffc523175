#include "engine/estrazione.h"

#include "engine/estrazione_librerie.h"
#include "engine/percorsi.h"
#include "engine/registroestrazioni.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

#include <cerrno>

namespace tarvolin::engine {

namespace {

// From the last "." to the end, the "." included; empty without one.
QString estensione(const QString& nome) {
    const qsizetype punto = nome.lastIndexOf(u'.');
    return punto < 0 ? QString() : nome.mid(punto);
}

QString senzaEstensione(const QString& nome) {
    const qsizetype punto = nome.lastIndexOf(u'.');
    return punto < 0 ? nome : nome.left(punto);
}

// The file of `cartella` named `nome` whatever its case; the exact name first.
QString trovaSenzaCaso(const QString& cartella, const QString& nome) {
    if (QFileInfo(cartella + nome).isFile())
        return cartella + nome;
    const QStringList voci =
        QDir(cartella).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& voce : voci) {
        if (voce.compare(nome, Qt::CaseInsensitive) == 0)
            return cartella + voce;
    }
    return {};
}

void pianoRar(PianoEstrazione& piano, QString nome) {
    piano.tentato = true;
    piano.rar = true;
    nome.replace(QLatin1String(".rev"), QLatin1String(".rar"));
    const qsizetype part = nome.indexOf(QLatin1String(".part"));
    if (part < 0) {
        piano.cartella = piano.base + senzaEstensione(nome);
        piano.archivio = piano.base + nome;
        return;
    }
    const QString radice = piano.base + nome.left(part);
    piano.cartella = radice;
    for (const char* primo : {".part1.rar", ".part01.rar", ".part001.rar"}) {
        if (QFileInfo::exists(radice + QLatin1String(primo))) {
            piano.archivio = radice + QLatin1String(primo);
            return;
        }
    }
}

// The volumes numbered after `numero` with `cifre` digits, as long as they exist.
QStringList seguenti(const QString& prefisso, qsizetype numero, qsizetype cifre,
                     const QString& suffisso) {
    QStringList volumi;
    for (qsizetype n = numero + 1;; ++n) {
        const QString volume =
            prefisso + QStringLiteral("%1").arg(n, static_cast<int>(cifre), 10, QChar(u'0')) +
            suffisso;
        if (!QFileInfo::exists(volume))
            return volumi;
        volumi << volume;
    }
}

QStringList volumiDi(const PianoEstrazione& piano) {
    return piano.rar ? VolumiDelSet(piano.archivio) : QStringList{piano.archivio};
}

// Names, sizes and modification times of the volumes: a set written again, or grown by a
// volume, gets another signature.
QByteArray firma(const PianoEstrazione& piano) {
    QByteArray firma;
    for (const QString& volume : volumiDi(piano)) {
        const QFileInfo info(volume);
        firma += volume.toUtf8() + '\0' + QByteArray::number(info.size()) + ' ' +
                 QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n';
    }
    return firma;
}

} // namespace

PianoEstrazione PianificaEstrazione(const QString& base, const QString& nome) {
    PianoEstrazione piano;
    piano.base = base;
    const QString est = estensione(nome).toLower();
    if (est == QLatin1String(".rev") || est == QLatin1String(".rar")) {
        pianoRar(piano, nome);
        return piano;
    }
    const QString zip = trovaSenzaCaso(base, senzaEstensione(nome) + QStringLiteral(".ZIP"));
    if (zip.isEmpty())
        return piano;
    piano.tentato = true;
    piano.archivio = zip;
    piano.cartella = base + senzaEstensione(nome);
    return piano;
}

QStringList VolumiDelSet(const QString& primo) {
    // "X.part1.rar", "X.part2.rar"...; or the older "X.rar", "X.r00", "X.r01"...
    static const QRegularExpression numerato(QStringLiteral("^(.*\\.part)(\\d+)(\\.rar)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression vecchio(QStringLiteral("^(.*\\.)(r)(ar)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList volumi{primo};
    if (const auto m = numerato.match(primo); m.hasMatch()) {
        volumi << seguenti(m.captured(1), m.captured(2).toLongLong(), m.capturedLength(2),
                           m.captured(3));
    } else if (const auto v = vecchio.match(primo); v.hasMatch()) {
        volumi << seguenti(v.captured(1) + v.captured(2), -1, 2, QString());
    }
    return volumi;
}

EsitoEstrazione EstraiArchivio(const PianoEstrazione& piano, const QString& password,
                               const Annulla& annulla) {
    if (piano.archivio.isEmpty())
        return EsitoEstrazione::NonRiuscita;
    // Its names come from a server: checked before the folder is made, which would follow a
    // planted link, and after.
    const QString radice = piano.radice.isEmpty() ? piano.base : piano.radice;
    const auto dentro = [&] {
        return CartellaDentro(radice, piano.base, true) &&
               CartellaDentro(piano.base, piano.cartella, false);
    };
    if (!dentro() || !FileDentro(piano.base, piano.archivio))
        return EsitoEstrazione::NonRiuscita;
    // The folder's name may be taken by a finished file; beside the archive, among the other
    // finished files, nothing is replaced.
    const bool propria = QDir().mkpath(piano.cartella) && dentro();
    const QString destinazione =
        QFileInfo(propria ? piano.cartella : piano.base).absoluteFilePath();
    // Only UnRAR decrypts RAR; without it such an archive goes to libarchive, which fails.
    const bool conPassword = piano.rar && !password.isEmpty();
    if (conPassword) {
        if (const auto esito =
                dettaglio::EstraiConUnrar(QFileInfo(piano.archivio).absoluteFilePath(),
                                          destinazione, password, propria, annulla))
            return *esito;
    }
    QStringList volumi = volumiDi(piano);
    for (QString& volume : volumi)
        volume = QFileInfo(volume).absoluteFilePath();
    const dettaglio::EsitoLibarchive esito =
        dettaglio::EstraiConLibarchive(volumi, piano.rar, destinazione, password, propria, annulla);
    // Here a password for a RAR means there is no UnRAR. libarchive does not mark every
    // encrypted RAR entry (RAR 5's go unmarked): a RAR with a password that fails counts as one.
    if (esito.esito == EsitoEstrazione::NonRiuscita && piano.rar &&
        (conPassword || (esito.cifrate && !dettaglio::UnrarPresente())))
        return EsitoEstrazione::SenzaUnrar;
    return esito.esito;
}

bool dettaglio::PostoOccupato(const char* percorso, bool cartella) {
    struct stat info {};
    if (percorso == nullptr)
        return true;
    if (lstat(percorso, &info) != 0)
        return errno != ENOENT;
    return !(cartella && S_ISDIR(info.st_mode));
}

EsitoEstrazione EstraiAlTurno(RegistroEstrazioni* registro, const PianoEstrazione& piano,
                              const QString& password, const Annulla& annulla) {
    if (registro == nullptr)
        return EstraiArchivio(piano, password, annulla);
    const auto turno = registro->Inizia(piano.archivio);
    const QByteArray prima = firma(piano);
    if (const std::optional<bool> fatto = registro->EsitoRecente(piano.archivio, prima, password))
        return *fatto ? EsitoEstrazione::Riuscita : EsitoEstrazione::NonRiuscita;
    const EsitoEstrazione esito = EstraiArchivio(piano, password, annulla);
    if (esito != EsitoEstrazione::Annullata)
        registro->Ricorda(piano.archivio, prima, password, esito == EsitoEstrazione::Riuscita);
    if (esito == EsitoEstrazione::SenzaUnrar)
        registro->MancaUnrar();
    return esito;
}

bool CollegamentoInterno(const QString& voce, const QString& obiettivo) {
    if (obiettivo.isEmpty() || obiettivo.startsWith(u'/'))
        return false;
    qsizetype profondita = 0; // folders between the destination and the link
    const QStringList cartelle = voce.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < cartelle.size(); ++i) {
        if (cartelle[i] == QLatin1String(".."))
            return false;
        if (cartelle[i] != QLatin1String("."))
            ++profondita;
    }
    // A ".." after a name would climb from wherever that name leads, which may be a link.
    bool discesa = false;
    for (const QString& parte : obiettivo.split(u'/', Qt::SkipEmptyParts)) {
        if (parte == QLatin1String("..")) {
            if (discesa || --profondita < 0)
                return false;
        } else if (parte != QLatin1String(".")) {
            discesa = true;
        }
    }
    return true;
}

} // namespace tarvolin::engine
