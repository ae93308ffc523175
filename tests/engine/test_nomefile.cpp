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
                {".nascosto", 2, ".nascosto (2)"}};
    for (const auto& c : casi)
        EXPECT_EQ(NomeAlternativo(c.nome, c.n), c.atteso) << c.nome.toStdString();
    EXPECT_LE(NomeAlternativo(QString(255, 'a') + ".bin", 99).toUtf8().size(), kMassimoNome);
}

} // namespace
