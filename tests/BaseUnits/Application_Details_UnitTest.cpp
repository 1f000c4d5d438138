#include "BaseUnits/Application_Details_Unit.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.path() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}
} // namespace

TEST(VersionDetails, TheExecutableCarriesTenKeysInTableOrder) {
    QStringList list;
    GetProjectVersionInfo(list, QString(), false);
    ASSERT_EQ(list.size(), 10);
    EXPECT_EQ(list.at(0), QStringLiteral("2.1.1.78"));
    EXPECT_EQ(list.at(1), QStringLiteral("Korvane"));
    EXPECT_EQ(list.at(2), QStringLiteral("Tivrel"));
    EXPECT_EQ(list.at(3), QString());
    EXPECT_TRUE(list.at(4).contains(QStringLiteral("Korvane")));
    EXPECT_TRUE(list.at(4).startsWith(QStringLiteral("Copyright ") + QChar(0xA9)));
    EXPECT_EQ(list.at(7), QStringLiteral("Tivrel"));
    EXPECT_EQ(list.at(8), QStringLiteral("2.1.1.78"));
    EXPECT_EQ(list.at(9), QString());

    GetProjectVersionInfo(list, QString(), true);
    ASSERT_EQ(list.size(), 10);
    EXPECT_EQ(list.at(0), QStringLiteral("FileVersion=2.1.1.78"));
    // The name asked for, whatever the spelling in the table.
    EXPECT_EQ(list.at(5), QStringLiteral("LegalTradeMarks="));
    EXPECT_EQ(list.at(7), QStringLiteral("ProductName=Tivrel"));
    EXPECT_EQ(ProductNameAndVersion(), QStringLiteral("Tivrel 2.1.1.78"));
}

TEST(VersionDetails, MissingKeysMoveLaterEntriesUpAndNamesIgnoreCase) {
    QTemporaryDir dir;
    const QByteArray table =
        EncodeVersionTable({{QStringLiteral("productversion"), QStringLiteral("9.9")},
                            {QStringLiteral("FILEVERSION"), QStringLiteral("1.0")},
                            {QStringLiteral("Comments"), QStringLiteral("note")},
                            {QStringLiteral("VersionDetails"), QStringLiteral("x")},
                            {QStringLiteral("Unknown"), QStringLiteral("y")}});
    const QString path = WriteFile(dir, QStringLiteral("other.bin"),
                                   QByteArray(1000, '\0') + table + QByteArray(50, 'z'));
    QStringList list;
    GetProjectVersionInfo(list, path, false);
    EXPECT_EQ(list, (QStringList{QStringLiteral("1.0"), QStringLiteral("9.9"),
                                 QStringLiteral("note"), QStringLiteral("x")}));
    GetProjectVersionInfo(list, path, true);
    EXPECT_EQ(list.at(1), QStringLiteral("ProductVersion=9.9"));
}

TEST(VersionDetails, FilesWithoutATableGiveAnEmptyList) {
    QTemporaryDir dir;
    QStringList list{QStringLiteral("stale")};
    GetProjectVersionInfo(list, WriteFile(dir, QStringLiteral("plain.txt"), "no table here"),
                          false);
    EXPECT_TRUE(list.isEmpty());
    GetProjectVersionInfo(list, WriteFile(dir, QStringLiteral("empty"), QByteArray()), false);
    EXPECT_TRUE(list.isEmpty());
    GetProjectVersionInfo(list, dir.path() + QStringLiteral("/missing.exe"), false);
    EXPECT_TRUE(list.isEmpty());
    // A marker with no end within reach is no table.
    GetProjectVersionInfo(
        list, WriteFile(dir, QStringLiteral("cut"), VersionTableMarker() + "FileVersion=1"), false);
    EXPECT_TRUE(list.isEmpty());
}

TEST(VersionDetails, ShortListsReadAsEmptyTexts) {
    const QStringList shortList{QStringLiteral("2.1.1.78"), QStringLiteral("Korvane")};
    EXPECT_EQ(VersionDetail(shortList, 1), QStringLiteral("Korvane"));
    EXPECT_EQ(VersionDetail(shortList, 4), QString());
    EXPECT_EQ(VersionDetail(shortList, 8), QString());
    EXPECT_EQ(VersionDetail(shortList, -1), QString());
    ASSERT_EQ(sApplicationDetailsString.size(), 13);
    EXPECT_EQ(sApplicationDetailsString.at(12), QStringLiteral("VersionDetails"));
}
