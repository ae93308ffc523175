#include "inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace tarvolin::app {

namespace {

// The line without its "\n" or "\r\n".
QByteArray body(const QByteArray& line) {
    qsizetype n = line.size();
    if (n > 0 && line[n - 1] == '\n') {
        --n;
        if (n > 0 && line[n - 1] == '\r')
            --n;
    }
    return line.left(n);
}

QByteArray terminator(const QByteArray& line) {
    return line.mid(body(line).size());
}

bool isBlank(const QByteArray& line) {
    return line.trimmed().isEmpty();
}

// Names are UTF-8, so only ASCII letters may be folded: Latin-1 folding would match
// unrelated multi-byte sequences.
bool sameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArray name;
    qsizetype equals = -1; // position of '=' in the line's body
};

Parsed parse(const QByteArray& line, bool first) {
    QByteArray text = body(line);
    qsizetype offset = 0;
    // An editor's UTF-8 mark must not hide the first section.
    if (first && text.startsWith("\xEF\xBB\xBF"))
        offset = 3;
    while (offset < text.size() && (text[offset] == ' ' || text[offset] == '\t'))
        ++offset;
    Parsed p;
    if (offset >= text.size() || text[offset] == ';')
        return p;
    if (text[offset] == '[') {
        const qsizetype close = text.indexOf(']', offset + 1);
        if (close < 0)
            return p;
        p.kind = Kind::Section;
        p.name = text.mid(offset + 1, close - offset - 1).trimmed();
        return p;
    }
    const qsizetype eq = text.indexOf('=', offset);
    if (eq < 0)
        return p;
    p.name = text.mid(offset, eq - offset).trimmed();
    if (p.name.isEmpty())
        return p;
    p.kind = Kind::Key;
    p.equals = eq;
    return p;
}

QByteArray nameBytes(const QString& name) {
    return name.trimmed().toUtf8();
}

bool validSection(const QByteArray& s) {
    return !s.isEmpty() && !s.contains(']') && !s.contains('\n') && !s.contains('\r');
}

// Anything that would make the written line read back as something else is refused.
bool validKey(const QByteArray& k) {
    return !k.isEmpty() && !k.contains('=') && !k.contains('\n') && !k.contains('\r') &&
           !k.startsWith(';') && !k.startsWith('[');
}

void ensureTerminated(QByteArray& line, const QByteArray& eol) {
    if (!line.endsWith('\n'))
        line.append(eol);
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
    load();
}

void IniFile::load() {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) {
        // Only a plain "not there" makes it safe to create the file later.
        readable_ = errno == ENOENT || errno == ENOTDIR;
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        readable_ = false;
        return;
    }
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) {
        readable_ = false;
        return;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        readable_ = false;
        return;
    }
    readable_ = true;
    for (qsizetype start = 0; start < data.size();) {
        const qsizetype nl = data.indexOf('\n', start);
        const qsizetype end = nl < 0 ? data.size() : nl + 1;
        lines_.append(data.mid(start, end - start));
        start = end;
    }
    for (const QByteArray& line : lines_) {
        if (line.endsWith('\n')) {
            crlf_ = line.endsWith("\r\n");
            break;
        }
    }
}

IniFile::Lookup IniFile::find(const QByteArray& section, const QByteArray& key) const {
    Lookup r;
    // Like Windows, only the first section of a name counts; a repeated one is ignored.
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Parsed p = parse(lines_[i], i == 0);
        if (p.kind == Kind::Section) {
            if (r.header >= 0)
                break;
            if (sameName(p.name, section))
                r.header = r.lastNonBlank = i;
            continue;
        }
        if (r.header < 0)
            continue;
        if (!isBlank(lines_[i]))
            r.lastNonBlank = i;
        if (p.kind == Kind::Key && r.keyLine < 0 && sameName(p.name, key))
            r.keyLine = i;
    }
    return r;
}

std::optional<QByteArray> IniFile::rawValue(const QString& section, const QString& key) const {
    const Lookup r = find(nameBytes(section), nameBytes(key));
    if (r.keyLine < 0)
        return std::nullopt;
    const QByteArray line = body(lines_[r.keyLine]);
    const Parsed p = parse(lines_[r.keyLine], r.keyLine == 0);
    return line.mid(p.equals + 1).trimmed();
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const auto raw = rawValue(section, key);
    return raw ? QString::fromUtf8(*raw) : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const auto raw = rawValue(section, key);
    if (!raw)
        return def;
    const QByteArray& s = *raw;
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    const qsizetype firstDigit = i;
    qint64 value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > qint64(INT_MAX) + 1)
            return def;
    }
    if (i == firstDigit)
        return def;
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return def;
    return int(value);
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QByteArray sec = nameBytes(section);
    const QByteArray k = nameBytes(key);
    if (!readable_ || !validSection(sec) || !validKey(k))
        return false;
    // A value can never break the file into more lines.
    QByteArray v = value.toUtf8();
    v.replace('\r', ' ').replace('\n', ' ');

    QList<QByteArray> lines = lines_;
    const Lookup r = find(sec, k);
    if (r.keyLine >= 0) {
        // Keep the line's own spelling of the key and its spacing around '='.
        const QByteArray old = body(lines[r.keyLine]);
        qsizetype start = parse(lines[r.keyLine], r.keyLine == 0).equals + 1;
        while (start < old.size() && (old[start] == ' ' || old[start] == '\t'))
            ++start;
        lines[r.keyLine] = old.left(start) + v + terminator(lines[r.keyLine]);
    } else if (r.header >= 0) {
        ensureTerminated(lines[r.lastNonBlank], eol());
        lines.insert(r.lastNonBlank + 1, k + '=' + v + eol());
    } else {
        if (!lines.isEmpty()) {
            ensureTerminated(lines.last(), eol());
            if (!isBlank(lines.last()))
                lines.append(eol());
        }
        lines.append('[' + sec + ']' + eol());
        lines.append(k + '=' + v + eol());
    }
    if (!save(lines))
        return false;
    lines_ = std::move(lines);
    return true;
}

bool IniFile::WriteInteger(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::save(const QList<QByteArray>& lines) {
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile carries an existing file's mode over; a new one would get the umask's,
    // and these files may hold account details.
    if (!QFileInfo::exists(path_) && ::fchmod(f.handle(), S_IRUSR | S_IWUSR) != 0) {
        f.cancelWriting();
        return false;
    }
    for (const QByteArray& line : lines) {
        if (f.write(line) != line.size()) {
            f.cancelWriting();
            return false;
        }
    }
    return f.commit();
}

} // namespace tarvolin::app
