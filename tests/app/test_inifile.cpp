#include "app/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <climits>
#include <ostream>
#include <sys/stat.h>

namespace tarvolin::app {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name = QStringLiteral("settings.ini")) const {
        return dir_.filePath(name);
    }

    void put(const QByteArray& bytes, const QString& name = QStringLiteral("settings.ini")) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray bytes(const QString& name = QStringLiteral("settings.ini")) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static int mode(const QString& file) {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }

    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
};

TEST_F(IniFileTest, EveryKindOfValueRoundTrips) {
    {
        IniFile ini(path());
        EXPECT_TRUE(ini.WriteString("Main", "Name", QStringLiteral("perché € 日本")));
        EXPECT_TRUE(ini.WriteString("Main", "Empty", QString()));
        EXPECT_TRUE(ini.WriteInteger("Main", "Max", INT_MAX));
        EXPECT_TRUE(ini.WriteInteger("Main", "Min", INT_MIN));
        EXPECT_TRUE(ini.WriteInteger("Other", "Zero", 0));
        EXPECT_TRUE(ini.WriteBool("Other", "Yes", true));
        EXPECT_TRUE(ini.WriteBool("Other", "No", false));
        EXPECT_TRUE(ini.WriteString("Città", "Chiave è", QStringLiteral("x")));
        // The object answers with what it wrote, without another look at the disk.
        EXPECT_EQ(ini.ReadString("Main", "Name", "def"), QStringLiteral("perché € 日本"));
        EXPECT_EQ(ini.ReadInteger("Main", "Min", 7), INT_MIN);
    }
    EXPECT_EQ(bytes(), QByteArray("[Main]\nName=perché € 日本\nEmpty=\nMax=2147483647\n"
                                  "Min=-2147483648\n\n[Other]\nZero=0\nYes=1\nNo=0\n\n"
                                  "[Città]\nChiave è=x\n"));

    const IniFile again(path());
    EXPECT_TRUE(again.IsReadable());
    EXPECT_EQ(again.ReadString("Main", "Name", "def"), QStringLiteral("perché € 日本"));
    EXPECT_EQ(again.ReadString("Main", "Empty", "def"), QString()); // present, so not def
    EXPECT_EQ(again.ReadInteger("Main", "Max", 0), INT_MAX);
    EXPECT_EQ(again.ReadInteger("Main", "Min", 0), INT_MIN);
    EXPECT_EQ(again.ReadInteger("Other", "Zero", 5), 0);
    EXPECT_TRUE(again.ReadBool("Other", "Yes", false));
    EXPECT_FALSE(again.ReadBool("Other", "No", true));
    EXPECT_EQ(again.ReadString("Città", "Chiave è", "def"), QStringLiteral("x"));
}

TEST_F(IniFileTest, OverwritingKeepsOneLinePerKey) {
    IniFile ini(path());
    ASSERT_TRUE(ini.WriteString("S", "k", "one"));
    ASSERT_TRUE(ini.WriteString("S", "k", "two"));
    ASSERT_TRUE(ini.WriteInteger("S", "n", 1));
    ASSERT_TRUE(ini.WriteInteger("S", "n", -20));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=two\nn=-20\n"));
    EXPECT_EQ(IniFile(path()).ReadString("S", "k", "def"), QStringLiteral("two"));
}

TEST_F(IniFileTest, NamesMatchIgnoringAsciiCase) {
    put("[Options]\nMaxDownloads=3\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("OPTIONS", "maxdownloads", 0), 3);
    EXPECT_EQ(ini.ReadInteger("options", "MAXDOWNLOADS", 0), 3);
    ASSERT_TRUE(ini.WriteInteger("oPtIoNs", "MAXdownloads", 5));
    // The line keeps the file's own spelling; no second section or key appears.
    EXPECT_EQ(bytes(), QByteArray("[Options]\nMaxDownloads=5\n"));
}

TEST_F(IniFileTest, NonAsciiLettersAreNotFolded) {
    put("[Città]\nè=1\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("Città", "è", 0), 1);
    EXPECT_EQ(ini.ReadInteger("CITTÀ", "è", 0), 0);
    EXPECT_EQ(ini.ReadInteger("Città", "È", 0), 0);
}

TEST_F(IniFileTest, ValuesAreKeptRaw) {
    const QStringList values = {QStringLiteral("a;b ; c"),         QStringLiteral("x=y=z"),
                                QStringLiteral("\"quoted\""),      QStringLiteral("C:\\dir\\"),
                                QStringLiteral("[not a section]"), QStringLiteral("'single'")};
    {
        IniFile ini(path());
        for (int i = 0; i < values.size(); ++i)
            ASSERT_TRUE(ini.WriteString("S", QStringLiteral("k%1").arg(i), values[i]));
    }
    EXPECT_EQ(bytes(), QByteArray("[S]\nk0=a;b ; c\nk1=x=y=z\nk2=\"quoted\"\nk3=C:\\dir\\\n"
                                  "k4=[not a section]\nk5='single'\n"));
    const IniFile ini(path());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(ini.ReadString("S", QStringLiteral("k%1").arg(i), "def"), values[i]);
}

TEST_F(IniFileTest, ReadingTrimsBlanksAroundKeyAndValue) {
    put("  [ Net ]  \n\t Proxy Host \t=  \"a b\" ; c  \nPort= 8080\t\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadString("Net", "Proxy Host", "def"), QStringLiteral("\"a b\" ; c"));
    EXPECT_EQ(ini.ReadInteger("net", "port", 0), 8080);
    // Writing leaves the key's indentation and spacing alone.
    ASSERT_TRUE(ini.WriteString("Net", "proxy host", "h"));
    EXPECT_EQ(bytes(), QByteArray("  [ Net ]  \n\t Proxy Host \t=  h\nPort= 8080\t\n"));
}

TEST_F(IniFileTest, CommentsAndLinesOutsideSectionsAreNotKeys) {
    put("Loose=1\n[S]\n;Commented=2\n  ; Indented=3\nno equals sign\n=orphan\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("S", "Loose", 0), 0);
    EXPECT_EQ(ini.ReadInteger("S", "Commented", 0), 0);
    EXPECT_EQ(ini.ReadInteger("S", ";Commented", 0), 0);
    EXPECT_EQ(ini.ReadInteger("S", "Indented", 0), 0);
    EXPECT_EQ(ini.ReadString("S", "no equals sign", "def"), QStringLiteral("def"));
    ASSERT_TRUE(ini.WriteInteger("S", "Commented", 9));
    EXPECT_EQ(bytes(), QByteArray("Loose=1\n[S]\n;Commented=2\n  ; Indented=3\nno equals sign\n"
                                  "=orphan\nCommented=9\n"));
}

TEST_F(IniFileTest, OnlyTheFirstSectionOfANameCounts) {
    put("[A]\nk=first\n[B]\nk=b\n[a]\nk=second\nonly=here\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadString("A", "k", "def"), QStringLiteral("first"));
    EXPECT_EQ(ini.ReadString("A", "only", "def"), QStringLiteral("def"));
    ASSERT_TRUE(ini.WriteString("A", "k", "new"));
    ASSERT_TRUE(ini.WriteString("A", "only", "x"));
    EXPECT_EQ(bytes(), QByteArray("[A]\nk=new\nonly=x\n[B]\nk=b\n[a]\nk=second\nonly=here\n"));
}

TEST_F(IniFileTest, OtherLinesSurviveAWriteByteForByte) {
    const QByteArray head("; Tarvolin settings\n\xEF\xBB\xBF stray \xFF\xFE line\n\n");
    const QByteArray garbage("bin\0ary=\x80\x81\xC3(\0\n", 14);
    const QByteArray rest("\n[Other]\nKey = value with trailing blanks   \n   \n\t\n"
                          "[Last]\nx=\xC3\xA9\xFF\n");
    put(head + "[Main]\nOld=1\n" + garbage + "Keep=\"as is\"\n" + rest);

    IniFile ini(path());
    ASSERT_TRUE(ini.IsReadable());
    ASSERT_TRUE(ini.WriteInteger("Main", "Old", 2));
    EXPECT_EQ(bytes(), head + "[Main]\nOld=2\n" + garbage + "Keep=\"as is\"\n" + rest);

    // A new key goes after the section's last non-blank line, before the blank gap.
    ASSERT_TRUE(ini.WriteString("Main", "New", "n"));
    EXPECT_EQ(bytes(), head + "[Main]\nOld=2\n" + garbage + "Keep=\"as is\"\nNew=n\n" + rest);

    ASSERT_TRUE(ini.WriteString("Added", "k", "v"));
    EXPECT_EQ(bytes(), head + "[Main]\nOld=2\n" + garbage + "Keep=\"as is\"\nNew=n\n" + rest +
                           "\n[Added]\nk=v\n");
    EXPECT_EQ(IniFile(path()).ReadString("Other", "key", "def"),
              QStringLiteral("value with trailing blanks"));
}

TEST_F(IniFileTest, GarbageInTheValueBeingReadDoesNotBreakReading) {
    put(QByteArray("[S]\nk=a\0b\xFF\n", 11));
    const IniFile ini(path());
    const QString value = ini.ReadString("S", "k", "def");
    EXPECT_EQ(value.size(), 4);
    EXPECT_EQ(value.left(3), QString::fromUtf8("a\0b", 3));
}

TEST_F(IniFileTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    put("\xEF\xBB\xBF[Main]\nk=1\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("Main", "k", 0), 1);
    ASSERT_TRUE(ini.WriteInteger("Main", "k", 2));
    EXPECT_EQ(bytes(), QByteArray("\xEF\xBB\xBF[Main]\nk=2\n"));
}

TEST_F(IniFileTest, MissingFinalNewline) {
    put("[S]\nk=1");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("S", "k", 0), 1);
    ASSERT_TRUE(ini.WriteInteger("S", "k", 22));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=22"));
    ASSERT_TRUE(ini.WriteInteger("S", "j", 3));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=22\nj=3\n"));

    put("[S]\nk=1", QStringLiteral("b.ini"));
    IniFile other(path(QStringLiteral("b.ini")));
    ASSERT_TRUE(other.WriteInteger("T", "k", 3));
    EXPECT_EQ(bytes(QStringLiteral("b.ini")), QByteArray("[S]\nk=1\n\n[T]\nk=3\n"));
}

TEST_F(IniFileTest, CrLfFileStaysCrLf) {
    put("[A]\r\nk=1\r\n\r\n[B]\r\nx=y\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
    EXPECT_EQ(ini.ReadString("B", "x", "def"), QStringLiteral("y"));
    ASSERT_TRUE(ini.WriteInteger("A", "k", 2));
    ASSERT_TRUE(ini.WriteInteger("A", "j", 3));
    ASSERT_TRUE(ini.WriteInteger("C", "z", 4));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nk=2\r\nj=3\r\n\r\n[B]\r\nx=y\r\n\r\n[C]\r\nz=4\r\n"));
    EXPECT_EQ(IniFile(path()).ReadInteger("a", "J", 0), 3);
}

TEST_F(IniFileTest, NewlinesInAValueBecomeSpaces) {
    IniFile ini(path());
    ASSERT_TRUE(ini.WriteString("S", "k", "one\r\ntwo\nthree\r[X]"));
    ASSERT_TRUE(ini.WriteString("S", "after", "ok"));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=one  two three [X]\nafter=ok\n"));
    const IniFile again(path());
    EXPECT_EQ(again.ReadString("S", "k", "def"), QStringLiteral("one  two three [X]"));
    EXPECT_EQ(again.ReadString("X", "after", "def"), QStringLiteral("def"));
}

TEST_F(IniFileTest, NamesThatWouldReadBackDifferentlyAreRefused) {
    IniFile ini(path());
    EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
    EXPECT_FALSE(ini.WriteString("S", "", "v"));
    EXPECT_FALSE(ini.WriteString("S", "  ", "v"));
    EXPECT_FALSE(ini.WriteString("S", ";c", "v"));
    EXPECT_FALSE(ini.WriteString("S", "[c", "v"));
    EXPECT_FALSE(ini.WriteString("S", "a\nb", "v"));
    EXPECT_FALSE(ini.WriteString("a]b", "k", "v"));
    EXPECT_FALSE(ini.WriteString("", "k", "v"));
    EXPECT_FALSE(ini.WriteString("a\r\nb", "k", "v"));
    EXPECT_FALSE(QFileInfo::exists(path()));
    // Blanks around a name are not part of it.
    ASSERT_TRUE(ini.WriteString(" S ", " k ", "v"));
    EXPECT_EQ(ini.ReadString("S", "k", "def"), QStringLiteral("v"));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=v\n"));
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsCreatedPrivate) {
    const mode_t oldMask = ::umask(022);
    IniFile ini(path());
    EXPECT_TRUE(ini.IsReadable());
    EXPECT_EQ(ini.ReadString("S", "k", "def"), QStringLiteral("def"));
    EXPECT_EQ(ini.ReadInteger("S", "k", -4), -4);
    EXPECT_TRUE(ini.ReadBool("S", "k", true));
    EXPECT_FALSE(QFileInfo::exists(path())); // reading creates nothing

    const bool written = ini.WriteString("S", "k", "v");
    ::umask(oldMask);
    ASSERT_TRUE(written);
    EXPECT_EQ(mode(path()), 0600);
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=v\n"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("settings.ini")}); // no temporary left
}

TEST_F(IniFileTest, ExistingFileKeepsItsMode) {
    for (const int wanted : {0644, 0640, 0604}) {
        put("[S]\nk=1\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), mode_t(wanted)), 0);
        IniFile ini(path());
        ASSERT_TRUE(ini.WriteInteger("S", "k", 2));
        EXPECT_EQ(mode(path()), wanted);
        EXPECT_EQ(bytes(), QByteArray("[S]\nk=2\n"));
    }
}

TEST_F(IniFileTest, DirectoryAtThePathIsNeverWrittenOver) {
    ASSERT_TRUE(QDir().mkpath(path() + QStringLiteral("/inside")));
    IniFile ini(path());
    EXPECT_FALSE(ini.IsReadable());
    EXPECT_EQ(ini.ReadString("S", "k", "def"), QStringLiteral("def"));
    EXPECT_EQ(ini.ReadInteger("S", "k", 8), 8);
    EXPECT_FALSE(ini.WriteString("S", "k", "v"));
    EXPECT_FALSE(ini.WriteBool("S", "k", true));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("inside")});
    EXPECT_EQ(entries(), QStringList{QStringLiteral("settings.ini")});
}

TEST_F(IniFileTest, PipeAtThePathIsLeftAlone) {
    // A pipe would be replaced by a plain file if the write went ahead.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    IniFile ini(path());
    EXPECT_FALSE(ini.IsReadable());
    EXPECT_EQ(ini.ReadString("S", "k", "def"), QStringLiteral("def"));
    EXPECT_FALSE(ini.WriteString("S", "k", "v"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniFileTest, FailedWriteChangesNothing) {
    put("[S]\nk=old\n");
    IniFile ini(path());
    // The file turns into something that cannot be replaced after it was read.
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir().mkdir(path()));
    EXPECT_FALSE(ini.WriteString("S", "k", "new"));
    EXPECT_FALSE(ini.WriteString("S", "other", "x"));
    EXPECT_EQ(ini.ReadString("S", "k", "def"), QStringLiteral("old"));
    EXPECT_EQ(ini.ReadString("S", "other", "def"), QStringLiteral("def"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(IniFileTest, MissingFolderIsNotCreated) {
    const QString inMissing = path(QStringLiteral("no/such/settings.ini"));
    IniFile ini(inMissing);
    EXPECT_TRUE(ini.IsReadable());
    EXPECT_FALSE(ini.WriteString("S", "k", "v"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("no"))));
}

TEST_F(IniFileTest, IntegersParseLikeWindows) {
    put("[N]\na=12abc\nb=abc\nc=\nd= -7 \ne=+3\nf=-\ng=1.9\nh=99999999999\ni=-2147483648\n"
        "j=2147483648\nk=0x10\nl=- 5\nm=007\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("N", "a", 42), 12);
    EXPECT_EQ(ini.ReadInteger("N", "b", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "c", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "d", 42), -7);
    EXPECT_EQ(ini.ReadInteger("N", "e", 42), 3);
    EXPECT_EQ(ini.ReadInteger("N", "f", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "g", 42), 1);
    EXPECT_EQ(ini.ReadInteger("N", "h", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "i", 42), INT_MIN);
    EXPECT_EQ(ini.ReadInteger("N", "j", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "k", 42), 0);
    EXPECT_EQ(ini.ReadInteger("N", "l", 42), 42);
    EXPECT_EQ(ini.ReadInteger("N", "m", 42), 7);
    EXPECT_EQ(ini.ReadInteger("N", "missing", 42), 42);
}

TEST_F(IniFileTest, BooleansAreNonZeroIntegers) {
    put("[B]\nzero=0\none=1\ntwo=2\nminus=-1\nword=yes\nempty=\n");
    const IniFile ini(path());
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "one", false));
    EXPECT_TRUE(ini.ReadBool("B", "two", false));
    EXPECT_TRUE(ini.ReadBool("B", "minus", false));
    EXPECT_TRUE(ini.ReadBool("B", "word", true));
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_TRUE(ini.ReadBool("B", "empty", true));
    EXPECT_FALSE(ini.ReadBool("B", "missing", false));
}

} // namespace
} // namespace tarvolin::app
