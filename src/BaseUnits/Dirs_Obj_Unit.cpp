#include "Dirs_Obj_Unit.h"

#include "XEP_ResourceStr.h"
#include "XEP_Utils_Unit.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
QString Separator() {
    return QString(QDir::separator());
}

// The resource texts name directories with a trailing "\"; on disk it is the platform's.
QString PlatformDirName(QString name) {
    return name.replace(QLatin1Char('\\'), QDir::separator());
}

bool EndsWithBinDir(const QString& dir, bool withTrailingDelimiter) {
    const int tail = withTrailingDelimiter ? 5 : 4; // "\bin\" or "\bin"
    if (dir.size() < tail) return false;
    const QString end = dir.right(tail);
    if (!IsPathDelimiter(end.at(0))) return false;
    if (withTrailingDelimiter && !IsPathDelimiter(end.at(4))) return false;
    return end.mid(1, 3).compare(QLatin1String("bin"), Qt::CaseInsensitive) == 0;
}

// The registry group "Locations" of the key "\Software\Korvane\<title>\Locations\".
QString LocationsGroup() {
    return sLocationsKey().chopped(1);
}
} // namespace

bool IsPathDelimiter(QChar c) {
    return c == QDir::separator() || c == QLatin1Char('/');
}

QString AddPathDelimiter(const QString& Dir) {
    if (!Dir.isEmpty() && IsPathDelimiter(Dir.back())) return Dir;
    return Dir + Separator();
}

std::unique_ptr<QSettings> TDirsObj::NativeRegistry(const QString& appTitle) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       sOrganisation(), appTitle);
}

QString TDirsObj::GetRootDirFromExeDir(const QString& ExeDir, TInstallType InstallType) const {
    if (InstallType == TInstallType::itPortable) {
        // <root>\App\<title>\ : drop the title, its delimiter and "App" with its delimiter.
        const int cut = static_cast<int>(FAppTitle.size()) + 5;
        // Too short to cut: the executable's own directory is the root.
        if (ExeDir.size() <= cut) return AddPathDelimiter(ExeDir);
        return ExeDir.left(ExeDir.size() - cut);
    }
    if (EndsWithBinDir(ExeDir, true)) return ExeDir.chopped(4);
    if (EndsWithBinDir(ExeDir, false)) return ExeDir.chopped(3);
    return ExeDir;
}

void TDirsObj::LoadDirs() {
    const QString ExePath =
        AddPathDelimiter(QDir::toNativeSeparators(QFileInfo(FExeName).absolutePath()));
    FFirstRun = false;
    FRootDirStoreFailed = false;
    // Only the marker's existence counts; its contents are never read.
    if (QFileInfo::exists(ExePath + QStringLiteral("Portable.ini")))
        LoadPortable(ExePath);
    else
        LoadStandard(ExePath);

    if (!FDataDirOverride.isEmpty())
        FDataDir =
            AddPathDelimiter(QDir::toNativeSeparators(QDir(FDataDirOverride).absolutePath()));
    FAdminDataDir = FDataDirOverride.isEmpty()
                        ? AddPathDelimiter(FRootDir) + PlatformDirName(sDataDir())
                        : FDataDir;
    FImageDir = AddPathDelimiter(FRootDir) + PlatformDirName(sImagesDir());
    FSettingsDir = AddPathDelimiter(FDataDir) + PlatformDirName(QStringLiteral("Settings\\"));
}

void TDirsObj::LoadPortable(const QString& ExePath) {
    FInstall = TInstallType::itPortable;
    FAppDir = ExePath;
    FRootDir = GetRootDirFromExeDir(ExePath, TInstallType::itPortable);
    FDataDir = FRootDir + PlatformDirName(sDataDir());
}

void TDirsObj::LoadStandard(const QString& ExePath) {
    FInstall = TInstallType::itStandard;
    const auto registry =
        FRegistryFactory ? FRegistryFactory(FAppTitle) : NativeRegistry(FAppTitle);
    registry->beginGroup(LocationsGroup());
    FRootDir = registry->value(sRootDirValue()).toString();
    if (FRootDir.isEmpty()) {
        FFirstRun = true;
        FRootDir = GetRootDirFromExeDir(ExePath, TInstallType::itStandard);
        // Not storing the root only means the next start computes it again.
        if (!FReadOnly) {
            registry->setValue(sRootDirValue(), FRootDir);
            registry->sync();
            FRootDirStoreFailed = registry->status() != QSettings::NoError;
        }
    }
    registry->endGroup();
    FAppDir = AddPathDelimiter(FRootDir) + PlatformDirName(sBinDir());
    FDataDir = (GetUserSaveDirectory() + Separator() + FAppTitle + Separator()).trimmed();
    // Creating it is best effort here; the data module reports a directory it cannot make.
    if (FFirstRun && FDataDirOverride.isEmpty() && !FReadOnly) QDir().mkpath(FDataDir);
}
