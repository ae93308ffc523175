#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tarvolin::app {

// The program's .ini files, read and written the way Windows' private-profile calls do:
// case-insensitive names, raw values, every write straight to disk. Lines are kept as raw
// bytes so that whatever else the file holds comes back unchanged after a write.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return path_; }

    // False when something exists at the path but could not be read; such a file is
    // never written over.
    bool IsReadable() const { return readable_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Leading decimal digits with an optional sign ("12abc" is 12); `def` when there are
    // none or the number does not fit an int.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each write replaces the file atomically; false when it could not be saved, in which
    // case neither the file nor what this object reads has changed.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);

private:
    struct Lookup {
        qsizetype header = -1;       // the section's "[...]" line
        qsizetype lastNonBlank = -1; // where a new key of the section goes after
        qsizetype keyLine = -1;
    };

    void load();
    Lookup find(const QByteArray& section, const QByteArray& key) const;
    std::optional<QByteArray> rawValue(const QString& section, const QString& key) const;
    bool save(const QList<QByteArray>& lines);
    QByteArray eol() const { return crlf_ ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n"); }

    QString path_;
    // Each line with its own terminator, if it had one.
    QList<QByteArray> lines_;
    bool readable_ = true;
    bool crlf_ = false;
};

} // namespace tarvolin::app
