#include "common/funzioni.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <ostream>

namespace tarvolin {
namespace {

const QString kKey = QStringLiteral("pW7dRt3QxN9bLz2M");

TEST(XorHex, EncodesEachByteAsTwoUpperCaseDigits) {
    EXPECT_EQ(XorHexEncode(QStringLiteral("A"), QStringLiteral("B")), QStringLiteral("03"));
    // 0xE9 ^ 0x42: the accented letter is one Windows-1252 byte, not two UTF-8 ones.
    EXPECT_EQ(XorHexEncode(QStringLiteral("é"), QStringLiteral("B")), QStringLiteral("AB"));
    EXPECT_EQ(XorHexEncode(QStringLiteral("perché"), kKey), QStringLiteral("003245073A9D"));
    EXPECT_EQ(XorHexEncode(QString(), kKey), QString());
}

TEST(XorHex, KeyCyclesPastItsLength) {
    // The 17th character meets the key's first byte again: 'q' ^ 'p' = 0x01.
    EXPECT_EQ(XorHexEncode(QStringLiteral("abcdefghijklmnopqrst"), kKey),
              QStringLiteral("11355400371254391124520E21145D3D01254410"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("11355400371254391124520E21145D3D01254410"), kKey),
              QStringLiteral("abcdefghijklmnopqrst"));
}

TEST(XorHex, RoundTripsWindows1252Text) {
    for (const QString& text :
         {QStringLiteral("user@example.com"), QStringLiteral("perché"),
          QStringLiteral("€ 10 – «ça», Ærø ÿ"), QStringLiteral("\"quoted\";=\\ x"),
          QStringLiteral("a longer password than the key itself, 1234567890")}) {
        const QString encoded = XorHexEncode(text, kKey);
        EXPECT_EQ(encoded.size(), 2 * text.size()) << text.toStdString();
        EXPECT_EQ(XorHexDecode(encoded, kKey), text) << text.toStdString();
    }
    // A byte equal to the key byte scrambles to zero and must still come back.
    EXPECT_EQ(XorHexEncode(QStringLiteral("B"), QStringLiteral("B")), QStringLiteral("00"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("00"), QStringLiteral("B")), QStringLiteral("B"));
}

TEST(XorHex, CharactersOutsideWindows1252BecomeQuestionMarks) {
    const QString encoded = XorHexEncode(QStringLiteral("aΩb"), kKey);
    EXPECT_EQ(encoded.size(), 6);
    EXPECT_EQ(XorHexDecode(encoded, kKey), QStringLiteral("a?b"));
}

TEST(XorHex, DecodeAcceptsLowerCaseHex) {
    const QString upper = XorHexEncode(QStringLiteral("perché"), kKey);
    EXPECT_EQ(XorHexDecode(upper.toLower(), kKey), QStringLiteral("perché"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("ab"), QStringLiteral("B")), QStringLiteral("é"));
}

TEST(XorHex, DecodeReadsAnOddLastDigitAlone) {
    // 0x03 ^ 'B' = 'A', then the lone 0x0 ^ 'B' = 'B'.
    EXPECT_EQ(XorHexDecode(QStringLiteral("030"), QStringLiteral("BB")), QStringLiteral("AB"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("3"), QStringLiteral("B")), QStringLiteral("A"));
}

TEST(XorHex, DecodeStopsAtTheFirstPairThatIsNotHex) {
    EXPECT_EQ(XorHexDecode(QStringLiteral("03ZZ41"), QStringLiteral("BB")), QStringLiteral("A"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("030Z41"), QStringLiteral("BB")), QStringLiteral("A"));
    EXPECT_EQ(XorHexDecode(QStringLiteral("ZZ03"), QStringLiteral("B")), QString());
    EXPECT_EQ(XorHexDecode(QStringLiteral("0G"), QStringLiteral("B")), QString());
    EXPECT_EQ(XorHexDecode(QStringLiteral("03 41"), QStringLiteral("BB")), QStringLiteral("A"));
    EXPECT_EQ(XorHexDecode(QString(), kKey), QString());
}

TEST(QuotaSQL, DoublesEveryDoubleQuote) {
    EXPECT_EQ(QuotaSQL(QStringLiteral("a\"b\"\"c")), QStringLiteral("a\"\"b\"\"\"\"c"));
    EXPECT_EQ(QuotaSQL(QStringLiteral("\"")), QStringLiteral("\"\""));
    EXPECT_EQ(QuotaSQL(QStringLiteral("it's; plain")), QStringLiteral("it's; plain"));
    EXPECT_EQ(QuotaSQL(QString()), QString());
}

} // namespace
} // namespace tarvolin
