#include "Components/Core/SysStrings.h"

#include <gtest/gtest.h>

TEST(CutToLength, NeverSplitsACharacter) {
    const QString plain = QStringLiteral("Contoso Ltd");
    EXPECT_EQ(CutToLength(plain, 7), QStringLiteral("Contoso"));
    EXPECT_EQ(CutToLength(plain, 50), plain);
    EXPECT_EQ(CutToLength(plain, 0), QString());

    // "株式会社𠮷野家": the last character lies outside the basic plane (two code units).
    const QString kanji = QString::fromUtf8("株式会社\xF0\xA0\xAE\xB7野家");
    EXPECT_EQ(CutToLength(kanji, 5), QString::fromUtf8("株式会社")) << "no half surrogate pair";
    EXPECT_EQ(CutToLength(kanji, 6), QString::fromUtf8("株式会社\xF0\xA0\xAE\xB7"));

    // "Zoë" written as e + combining diaeresis, and a Hangul syllable made of jamo.
    const QString zoe = QString::fromUtf8("Zoe\xCC\x88");
    EXPECT_EQ(CutToLength(zoe, 3), QStringLiteral("Zo")) << "the e keeps its mark";
    const QString han = QString::fromUtf8("\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB");
    EXPECT_EQ(CutToLength(QStringLiteral("A") + han, 3), QStringLiteral("A"));

    // A family emoji joined by zero-width joiners is one character.
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    EXPECT_EQ(CutToLength(QStringLiteral("ab") + family, 4), QStringLiteral("ab"));
}

// A field's length counts characters as the user sees them: the rocket is one, so is a letter
// with its combining mark, a family joined by zero-width joiners and CR LF.
TEST(CutToCharacters, CountsWhatTheUserCountsAndNeverSplitsIt) {
    const QString rocket = QString::fromUtf8("\xF0\x9F\x9A\x80");
    const QString launch = QStringLiteral("ABCDEFGHI") + rocket + QStringLiteral(" Launch");
    EXPECT_EQ(CharacterCount(launch), 17);
    EXPECT_EQ(CutToCharacters(launch, 10), QStringLiteral("ABCDEFGHI") + rocket)
        << "ten characters leave room for the rocket";
    EXPECT_EQ(CutToCharacters(launch, 9), QStringLiteral("ABCDEFGHI"));
    EXPECT_EQ(CutToCharacters(launch, 40), launch);
    EXPECT_EQ(CutToCharacters(launch, 0), QString());

    const QString zoe = QString::fromUtf8("Zoe\xCC\x88 Smith");
    EXPECT_EQ(CharacterCount(zoe), 9);
    EXPECT_EQ(CutToCharacters(zoe, 3), QString::fromUtf8("Zoe\xCC\x88"));
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    EXPECT_EQ(CharacterCount(QStringLiteral("ab") + family + QStringLiteral("c")), 4);
    EXPECT_EQ(CutToCharacters(QStringLiteral("ab") + family + QStringLiteral("c"), 3),
              QStringLiteral("ab") + family);
    EXPECT_EQ(CharacterCount(QStringLiteral("a\r\nb")), 3);
    EXPECT_EQ(CharacterCount(QString()), 0);
}
