#include "BaseUnits/Dirs_Obj_Unit.h"
#include "BaseUnits/XEP_Utils_Unit.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// A temporary machine: an install tree, a per-user registry file and an application-data
// folder, none of them the real user's.
class DirsObjTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        FRoot = FTemp.path() + QLatin1Char('/');
        FRegistryFile = FRoot + QStringLiteral("registry.ini");
        FAppData = FRoot + QStringLiteral("LocalAppData");
        QDir().mkpath(FAppData);
        SetUserSaveDirectoryOverride(FAppData);
    }
    void TearDown() override { SetUserSaveDirectoryOverride(QString()); }

    QString MakeExe(const QString& relativeDir, bool portable = false) {
        const QString dir = FRoot + relativeDir;
        QDir().mkpath(dir);
        if (portable) {
            QFile marker(dir + QStringLiteral("/Portable.ini"));
            EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
        }
        return dir + QStringLiteral("/tivrel");
    }

    TDirsObj Load(const QString& exeName) {
        TDirsObj dirs;
        dirs.SetAppTitle(QStringLiteral("Tivrel"));
        dirs.SetExeName(exeName);
        dirs.SetRegistryFactory([this](const QString& title) {
            ++FRegistryOpens;
            EXPECT_EQ(title, QStringLiteral("Tivrel"));
            return std::make_unique<QSettings>(FRegistryFile, QSettings::IniFormat);
        });
        dirs.LoadDirs();
        return dirs;
    }

    QString StoredRootDir() const {
        QSettings registry(FRegistryFile, QSettings::IniFormat);
        return registry.value(QStringLiteral("Locations/RootDir")).toString();
    }

    QTemporaryDir FTemp;
    QString FRoot, FRegistryFile, FAppData;
    int FRegistryOpens = 0;
};
} // namespace

TEST(PathDelimiters, AddPathDelimiterAddsOneSeparator) {
    EXPECT_EQ(AddPathDelimiter(QStringLiteral("/a/b/")), QStringLiteral("/a/b/"));
    EXPECT_EQ(AddPathDelimiter(QStringLiteral("/a/b")), QStringLiteral("/a/b") + QDir::separator());
    EXPECT_EQ(AddPathDelimiter(QString()), QString(QDir::separator()));
}

TEST_F(DirsObjTest, FirstStandardRunFromABinDirectory) {
    const TDirsObj dirs = Load(MakeExe(QStringLiteral("Program Files/Tivrel/Bin")));
    const QString root = FRoot + QStringLiteral("Program Files/Tivrel/");
    EXPECT_EQ(dirs.InstallType(), TInstallType::itStandard);
    EXPECT_TRUE(dirs.FirstRun());
    EXPECT_EQ(dirs.RootDir(), root);
    EXPECT_EQ(StoredRootDir(), root);
    EXPECT_EQ(dirs.AppDir(), root + QStringLiteral("Bin/"));
    EXPECT_EQ(dirs.AdminDataDir(), root + QStringLiteral("Data/"));
    EXPECT_EQ(dirs.ImageDir(), root + QStringLiteral("Images/"));
    EXPECT_EQ(dirs.DataDir(), FAppData + QStringLiteral("/Tivrel/"));
    EXPECT_EQ(dirs.SettingsDir(), FAppData + QStringLiteral("/Tivrel/Settings/"));
    EXPECT_TRUE(QDir(dirs.DataDir()).exists()) << "a first run creates the data directory";
}

TEST_F(DirsObjTest, BinIsCutInEveryLetterCase) {
    for (const char* bin : {"bin", "BIN", "Bin", "bIn"}) {
        QFile::remove(FRegistryFile);
        const QString dir =
            QStringLiteral("Case%1/Tivrel/").arg(QLatin1String(bin)) + QLatin1String(bin);
        const TDirsObj dirs = Load(MakeExe(dir));
        EXPECT_EQ(dirs.RootDir(), FRoot + QStringLiteral("Case%1/Tivrel/").arg(QLatin1String(bin)))
            << bin;
    }
    const TDirsObj probe;
    EXPECT_EQ(probe.GetRootDirFromExeDir(QStringLiteral("/x/Tivrel/BIN"), TInstallType::itStandard),
              QStringLiteral("/x/Tivrel/"));
    EXPECT_EQ(probe.GetRootDirFromExeDir(QStringLiteral("/x/cabin/"), TInstallType::itStandard),
              QStringLiteral("/x/cabin/"));
    EXPECT_EQ(probe.GetRootDirFromExeDir(QStringLiteral("bin/"), TInstallType::itStandard),
              QStringLiteral("bin/"));
}

TEST_F(DirsObjTest, StandardRunOutsideABinDirectory) {
    const TDirsObj dirs = Load(MakeExe(QStringLiteral("Tools/Tivrel")));
    const QString exeDir = FRoot + QStringLiteral("Tools/Tivrel/");
    EXPECT_EQ(dirs.RootDir(), exeDir);
    EXPECT_EQ(dirs.AppDir(), exeDir + QStringLiteral("Bin/"));
    EXPECT_FALSE(QDir(dirs.AppDir()).exists()) << "the application directory is not created";
}

TEST_F(DirsObjTest, SecondStandardStartReadsTheRootBack) {
    Load(MakeExe(QStringLiteral("First/Bin")));
    const TDirsObj moved = Load(MakeExe(QStringLiteral("Moved/Elsewhere/Bin")));
    EXPECT_FALSE(moved.FirstRun());
    EXPECT_EQ(moved.RootDir(), FRoot + QStringLiteral("First/"));
    EXPECT_EQ(moved.AppDir(), FRoot + QStringLiteral("First/Bin/"));
    // Deleting the value makes the next start a first run again.
    QSettings(FRegistryFile, QSettings::IniFormat).remove(QStringLiteral("Locations/RootDir"));
    const TDirsObj again = Load(MakeExe(QStringLiteral("Moved/Elsewhere/Bin")));
    EXPECT_TRUE(again.FirstRun());
    EXPECT_EQ(again.RootDir(), FRoot + QStringLiteral("Moved/Elsewhere/"));
}

TEST_F(DirsObjTest, PortableInstallCutsTheTitleAndAppAndLeavesTheRegistryAlone) {
    const TDirsObj dirs = Load(MakeExe(QStringLiteral("Kit/App/Tivrel"), true));
    const QString root = FRoot + QStringLiteral("Kit/");
    EXPECT_EQ(dirs.InstallType(), TInstallType::itPortable);
    EXPECT_EQ(dirs.AppDir(), root + QStringLiteral("App/Tivrel/"));
    EXPECT_EQ(dirs.RootDir(), root);
    EXPECT_EQ(dirs.DataDir(), root + QStringLiteral("Data/"));
    EXPECT_EQ(dirs.SettingsDir(), root + QStringLiteral("Data/Settings/"));
    EXPECT_EQ(dirs.AdminDataDir(), dirs.DataDir());
    EXPECT_EQ(FRegistryOpens, 0);
    EXPECT_FALSE(QFile::exists(FRegistryFile));
}

TEST_F(DirsObjTest, PortableCutThatLeavesNothingUsesTheExecutableDirectory) {
    const TDirsObj probe = [] {
        TDirsObj d;
        d.SetAppTitle(QStringLiteral("Tivrel"));
        return d;
    }();
    EXPECT_EQ(probe.GetRootDirFromExeDir(QStringLiteral("/T/Tivrel/"), TInstallType::itPortable),
              QStringLiteral("/T/Tivrel/"));
    EXPECT_EQ(probe.GetRootDirFromExeDir(QStringLiteral("/A/Tivrel/"), TInstallType::itPortable),
              QStringLiteral("/A/Tivrel/")); // exactly 11 characters: nothing would be left
    EXPECT_EQ(
        probe.GetRootDirFromExeDir(QStringLiteral("/E/App/Tivrel/"), TInstallType::itPortable),
        QStringLiteral("/E/"));
}

TEST_F(DirsObjTest, AFailureToStoreTheRootIsNotFatal) {
    QFile blocker(FRoot + QStringLiteral("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TDirsObj dirs;
    dirs.SetAppTitle(QStringLiteral("Tivrel"));
    dirs.SetExeName(MakeExe(QStringLiteral("Broken/Bin")));
    dirs.SetRegistryFactory([this](const QString&) {
        // A registry file below a plain file can never be written.
        return std::make_unique<QSettings>(FRoot + QStringLiteral("blocker/registry.ini"),
                                           QSettings::IniFormat);
    });
    dirs.LoadDirs();
    EXPECT_TRUE(dirs.RootDirStoreFailed());
    EXPECT_EQ(dirs.RootDir(), FRoot + QStringLiteral("Broken/"));
    EXPECT_EQ(dirs.SettingsDir(), FAppData + QStringLiteral("/Tivrel/Settings/"));
}

TEST_F(DirsObjTest, ADataDirectoryOverrideServesAsDataAndSharedData) {
    TDirsObj dirs;
    dirs.SetAppTitle(QStringLiteral("Tivrel"));
    dirs.SetExeName(MakeExe(QStringLiteral("Kit/App/Tivrel"), true));
    dirs.SetDataDirOverride(FRoot + QStringLiteral("Synced/Timesheets"));
    dirs.LoadDirs();
    EXPECT_EQ(dirs.DataDir(), FRoot + QStringLiteral("Synced/Timesheets/"));
    EXPECT_EQ(dirs.AdminDataDir(), dirs.DataDir());
    EXPECT_EQ(dirs.SettingsDir(), FRoot + QStringLiteral("Synced/Timesheets/Settings/"));
    EXPECT_EQ(dirs.AppDir(), FRoot + QStringLiteral("Kit/App/Tivrel/"));
}
