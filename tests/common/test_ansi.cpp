#include "common/ansi.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <ostream>

namespace tarvolin {
namespace {

TEST(Ansi, MapsWindows1252Characters) {
    EXPECT_EQ(ToAnsi(QStringLiteral("€")), QByteArray("\x80"));
    EXPECT_EQ(ToAnsi(QStringLiteral("é")), QByteArray("\xE9"));
    EXPECT_EQ(ToAnsi(QStringLiteral("Ÿ…’")), QByteArray("\x9F\x85\x92"));
    EXPECT_EQ(ToAnsi(QStringLiteral("plain ASCII")), QByteArray("plain ASCII"));

    EXPECT_EQ(FromAnsi(QByteArray("\x80")), QStringLiteral("€"));
    EXPECT_EQ(FromAnsi(QByteArray("\xE9")), QStringLiteral("é"));
    EXPECT_EQ(FromAnsi(QByteArray("\x9F\x85\x92")), QStringLiteral("Ÿ…’"));
}

TEST(Ansi, EveryByteSurvivesARoundTrip) {
    // Includes the five positions Windows-1252 leaves undefined.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        const QString text = FromAnsi(one);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(ToAnsi(text), one) << b;
    }
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(ToAnsi(QStringLiteral("Ω")), QByteArray("?"));
    EXPECT_EQ(ToAnsi(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    // A surrogate pair is one character.
    EXPECT_EQ(ToAnsi(QStringLiteral("x😀y")), QByteArray("x?y"));
    // A broken pair is still one "?" per stray half.
    EXPECT_EQ(ToAnsi(QString(QChar(0xD83D)) + QLatin1Char('z')), QByteArray("?z"));
    EXPECT_EQ(ToAnsi(QString(QChar(0xDE00))), QByteArray("?"));
}

} // namespace
} // namespace tarvolin
