// File names from servers: what survives, what is replaced, how long names and equal names end.
#include "engine/nomefile.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin::engine;

namespace {

TEST(NomeFile, KeepsEveryLegalCharacterAndReplacesTheRest) {
    const struct {
        QString server, atteso;
    } casi[] = {
        {"Film...mkv", "Film...mkv"},
        {"a..b.rar", "a..b.rar"},
        {"../../x", ".._.._x"},
        {"a\\b:c*\"d\".zip", "a_b:c*\"d\".zip"},
        {QString("a") + QChar(0x01) + "b" + QChar(0x7F) + QChar(0x85), "a_b__"},
        {QString("evil") + QChar(0x202E) + "gpj.exe", "evil_gpj.exe"},
        {QString("x") + QChar(0x2066) + "y", "x_y"},
        {"perché è così.rar", "perché è così.rar"},
        {"a?b.zip", "a_b.zip"},
        {".", "download"},
        {"..", "download"},
        {"   ", "download"},
        {"", "download"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(NomeSicuro(c.server), c.atteso) << c.server.toStdString();
}

TEST(NomeFile, LongNamesAreCutToWholeCharactersKeepingTheExtension) {
    const QString lungo = QString(300, QChar(0x00E8)) + ".part01.rar"; // two bytes each
    const QString sicuro = NomeSicuro(lungo);
    EXPECT_LE(sicuro.toUtf8().size(), kMassimoNome);
    EXPECT_GE(sicuro.toUtf8().size(), kMassimoNome - 1);
    EXPECT_TRUE(sicuro.endsWith(".rar"));
    EXPECT_FALSE(sicuro.contains(QChar::ReplacementCharacter));
    const QString suffisso = NomeConSuffisso(lungo, ".trvltmp");
    EXPECT_LE(suffisso.toUtf8().size(), kMassimoNome);
    EXPECT_TRUE(suffisso.endsWith(".trvltmp"));
}

TEST(NomeFile, AlternativeNamesNumberBeforeTheExtension) {
    const struct {
        QString nome;
        int n;
        QString atteso;
    } casi[] = {{"same.bin", 1, "same.bin"},
                {"same.bin", 2, "same (2).bin"},
                {"archivio.tar", 10, "archivio (10).tar"},
                {"senza", 3, "senza (3)"},
                {".nascosto", 2, ".nascosto (2)"},
                {"Film.part1.rar", 2, "Film (2).part1.rar"},
                {"Film.PART01.rar", 3, "Film (3).PART01.rar"},
                {"Film.r00", 2, "Film (2).r00"},
                {"Film.part4.rev", 2, "Film (2).part4.rev"}};
    for (const auto& c : casi)
        EXPECT_EQ(NomeAlternativo(c.nome, c.n), c.atteso) << c.nome.toStdString();
    EXPECT_LE(NomeAlternativo(QString(255, 'a') + ".bin", 99).toUtf8().size(), kMassimoNome);
}

// The public Content-Disposition cases (tc2231) that name a download, through the safety rules.
TEST(NomeFile, ContentDispositionIsReadAsABrowserReadsIt) {
    const QByteArray latino1 = QByteArray("attachment; filename=\"foo-") + char(0xE4) + ".html\"";
    const struct {
        const char* caso;
        QByteArray valore;
        QString atteso; // empty: the name comes from the URL, "dal-url.bin"
    } casi[] = {
        {"inlonly", "inline", ""},
        {"inlwithasciifilename", "inline; filename=\"foo.html\"", "foo.html"},
        {"attonly", "attachment", ""},
        {"attwithasciifilename", "attachment; filename=\"foo.html\"", "foo.html"},
        {"attwithasciifnescapedchar", "attachment; filename=\"f\\oo.html\"", "foo.html"},
        {"attwithasciifnescapedquote", "attachment; filename=\"\\\"quoting\\\" tested.html\"",
         "\"quoting\" tested.html"},
        {"attwithquotedsemicolon", "attachment; filename=\"Here's a semicolon;.html\"",
         "Here's a semicolon;.html"},
        {"attwithfilenameandextparamescaped", "attachment; foo=\"\\\"\\\\\";filename=\"foo.html\"",
         "foo.html"},
        {"attwithasciifilenameucase", "attachment; FILENAME=\"foo.html\"", "foo.html"},
        {"attwithasciifilenamenq", "attachment; filename=foo.html", "foo.html"},
        {"attwithasciifilenamews1", "attachment; filename =\"foo.html\"", "foo.html"},
        {"attwithfntokensq", "attachment; filename='foo.bar'", "'foo.bar'"},
        {"attwithisofnplain", latino1, QString::fromUtf8("foo-ä.html")},
        {"attwithutf8fnplain", "attachment; filename=\"foo-\xc3\xa4.html\"",
         QString::fromUtf8("foo-ä.html")},
        {"attwithfnusingpct", "attachment; filename=\"50%.html\"", "50%.html"},
        {"attwithnamepct", "attachment; name=\"foo-%41.html\"", ""},
        {"attconfusedparam", "attachment; xfilename=foo.html", ""},
        {"dispextbadfn", "attachment; example=\"filename=example.txt\"", ""},
        {"attabspath", "attachment; filename=\"/foo.html\"", "_foo.html"},
        {"attabspathwin", "attachment; filename=\"\\\\foo.html\"", "_foo.html"},
        {"attrfc2047quoted", "attachment; filename=\"=?ISO-8859-1?Q?foo-=E4.html?=\"",
         "="}, // cut at its first "?", as every name is
        {"attwithisofn2231iso", "attachment; filename*=iso-8859-1''foo-%E4.html",
         QString::fromUtf8("foo-ä.html")},
        {"attwithfn2231utf8", "attachment; filename*=UTF-8''foo-%c3%a4-%e2%82%ac.html",
         QString::fromUtf8("foo-ä-€.html")},
        {"attwithfn2231noc", "attachment; filename*=''foo-%c3%a4-%e2%82%ac.html", ""},
        {"attwithfn2231ws1", "attachment; filename *=UTF-8''foo-%c3%a4.html", ""},
        {"attwithfn2231ws2", "attachment; filename*= UTF-8''foo-%c3%a4.html",
         QString::fromUtf8("foo-ä.html")},
        {"attwithfn2231ws3", "attachment; filename* =UTF-8''foo-%c3%a4.html",
         QString::fromUtf8("foo-ä.html")},
        {"attwithfn2231quot", "attachment; filename*=\"UTF-8''foo-%c3%a4.html\"", ""},
        {"attwithfn2231singleqmissing", "attachment; filename*=UTF-8'foo-%c3%a4.html", ""},
        {"attwithfn2231nbadpct1", "attachment; filename*=UTF-8''foo%", ""},
        {"attwithfn2231nbadpct2", "attachment; filename*=UTF-8''f%oo.html", ""},
        {"attwithfn2231dpct", "attachment; filename*=UTF-8''A-%2541.html", "A-%41.html"},
        {"filename* keeps its question mark", "attachment; filename*=UTF-8''Q%3F.pdf", "Q_.pdf"},
        {"attwithfn2231abspathdisguised", "attachment; filename*=UTF-8''%5cfoo.html", "_foo.html"},
        {"attfnboth", "attachment; filename=\"foo-ae.html\"; filename*=UTF-8''foo-%c3%a4.html",
         QString::fromUtf8("foo-ä.html")},
        {"attfnboth2", "attachment; filename*=UTF-8''foo-%c3%a4.html; filename=\"foo-ae.html\"",
         QString::fromUtf8("foo-ä.html")},
        {"attnewandfn", "attachment; foobar=x; filename=\"foo.html\"", "foo.html"},
        // And the names this program meets, each still made safe.
        {"accent",
         "attachment; filename=\"Citta.part1.rar\"; filename*=UTF-8''Citt%C3%A0.part1.rar",
         QString::fromUtf8("Città.part1.rar")},
        {"dots", "attachment; filename=\"...part1.rar\"", "download.part1.rar"},
        {"own suffix", "attachment; filename=\"a.bin.trvltmp\"", "a.bin.trvltmp_"},
    };
    for (const auto& c : casi) {
        const QString atteso = c.atteso.isEmpty() ? QStringLiteral("dal-url.bin") : c.atteso;
        EXPECT_EQ(NomeSicuro(NomeDaRisposta(c.valore, "http://h/dal-url.bin", {})), atteso)
            << c.caso;
    }
}

// Names from which folders are named never make a folder of dots; the program's own files are
// never mistaken for a server's.
TEST(NomeFile, StemsOfDotsAndOwnNamesAreRenamed) {
    const struct {
        QString server, atteso;
    } casi[] = {
        {"..zip", "download.zip"},
        {"...zip", "download.zip"},
        {".rar", "download.rar"},
        {"...part1.rar", "download.part1.rar"},
        {".Part1.rar", "download.Part1.rar"},
        {"...x", "download.x"},
        {"..foo.zip", "..foo.zip"},
        {"x.trvlval", "x.trvlval_"},
        {".x.trvlcopia", ".x.trvlcopia_"},
        {"FakeStream42.tmp", "FakeStream42.tmp_"},
        {"FakeStream.tmp", "FakeStream.tmp"},
        // Cut to fit, a long name may end in a suffix it did not end in.
        {QString(247, 'A') + ".trvltmp." + QString(40, 'y'), QString(247, 'A') + ".trvltm_"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(NomeSicuro(c.server), c.atteso) << c.server.toStdString();
}

} // namespace
