#include "UserLayer/data_Tasks_Unit.h"
#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Utils_Unit.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString PortableExe(const QTemporaryDir& temp) {
    const QString dir = temp.path() + QStringLiteral("/Kit/App/Tivrel");
    QDir().mkpath(dir);
    QFile marker(dir + QStringLiteral("/Portable.ini"));
    EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
    return dir + QStringLiteral("/tivrel");
}
} // namespace

TEST(DataModule, ResolvesDirectoriesCreatesThemAndSetsTheHelpFile) {
    QTemporaryDir temp;
    TDataModuleOptions options;
    options.ExeName = PortableExe(temp);
    TdmTasks_Form dm(nullptr, options);
    const QString root = temp.path() + QStringLiteral("/Kit/");
    EXPECT_EQ(dm.DirsObj()->DataDir(), root + QStringLiteral("Data/"));
    EXPECT_TRUE(QDir(root + QStringLiteral("Data/Settings")).exists());
    EXPECT_EQ(ApplicationHelpFile(), root + QStringLiteral("App/Tivrel/TIVREL.HLP"));
}

TEST(DataModule, ADataDirectoryFromTheCommandLineIsCreatedWithItsParents) {
    QTemporaryDir temp;
    TDataModuleOptions options;
    options.ExeName = PortableExe(temp);
    options.DataDir = temp.path() + QStringLiteral("/Sync/Deep/Timesheets");
    TdmTasks_Form dm(nullptr, options);
    EXPECT_EQ(dm.DirsObj()->DataDir(), options.DataDir + QLatin1Char('/'));
    EXPECT_EQ(dm.DirsObj()->AdminDataDir(), dm.DirsObj()->DataDir());
    EXPECT_TRUE(QDir(options.DataDir + QStringLiteral("/Settings")).exists());
}

TEST(DataModule, ADataDirectoryThatCannotBeMadeRaisesTheProgramsError) {
    QTemporaryDir temp;
    QFile blocker(temp.path() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TDataModuleOptions options;
    options.ExeName = PortableExe(temp);
    options.DataDir = temp.path() + QStringLiteral("/blocker/data");
    EXPECT_THROW(TdmTasks_Form(nullptr, options), EXEPException);
}
