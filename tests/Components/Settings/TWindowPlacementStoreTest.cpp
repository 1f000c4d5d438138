#include "Components/Settings/TWindowPlacementStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(WindowPlacementStore, IniSectionDecidesWhetherAnythingIsRead) {
    QTemporaryDir dir;
    TIniPlacementStore store(dir.path() + QStringLiteral("/Tivrel.ini"),
                             QStringLiteral("Locations"));
    const TWindowPlacement current{5, 6, 300, 400, 1};
    TWindowPlacement read;
    EXPECT_FALSE(store.Read(QStringLiteral("W"), current, read)) << "no file, no section";
    EXPECT_TRUE(store.Write(QStringLiteral("W"), {1, 2, 3, 4, 2}));
    ASSERT_TRUE(store.Read(QStringLiteral("W"), current, read));
    EXPECT_EQ(read, (TWindowPlacement{1, 2, 3, 4, 2}));
    ASSERT_TRUE(store.Read(QStringLiteral("Other"), current, read));
    EXPECT_EQ(read, (TWindowPlacement{0, 0, 300, 400, 1}));
}

TEST(WindowPlacementStore, SettingsGroupPerWindow) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/reg.ini");
    TSettingsPlacementStore store(
        [file] { return std::make_unique<QSettings>(file, QSettings::IniFormat); },
        QStringLiteral("Forms"));
    TWindowPlacement read;
    EXPECT_FALSE(store.Read(QStringLiteral("W"), {}, read));
    EXPECT_TRUE(store.Write(QStringLiteral("W"), {-10, 20, 30, 40, 3}));
    ASSERT_TRUE(store.Read(QStringLiteral("W"), {}, read));
    EXPECT_EQ(read, (TWindowPlacement{-10, 20, 30, 40, 3}));
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("Forms/W/Height")).toInt(), 30);
}
