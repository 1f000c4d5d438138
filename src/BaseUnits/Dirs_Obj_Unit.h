#pragma once
// The directory layout of the program: installation root, application, data, shared data,
// settings and image directories, for a standard or a portable install.
//
// A standard install keeps its root in the per-user registry (QSettings, organisation
// "Korvane", application = the title, group "Locations", value "RootDir") and its data in the
// user's local application-data folder. A portable install ("Portable.ini" beside the
// executable) keeps everything below its root and never touches the registry.
//
// Every directory ends in the platform's separator, so file names are formed by plain
// concatenation (DataDir() + "Tasksfile.xml").

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QSettings;

enum class TInstallType : std::uint8_t { itStandard = 0, itPortable = 1 };

// True for the platform's separator and for "/", which Qt accepts on every platform.
bool IsPathDelimiter(QChar c);
// Dir unchanged when it ends in a separator, else Dir + the platform's separator.
QString AddPathDelimiter(const QString& Dir);

class TDirsObj {
public:
    using RegistryFactory = std::function<std::unique_ptr<QSettings>(const QString& appTitle)>;

    TDirsObj() = default;

    const QString& AppDir() const { return FAppDir; }
    const QString& DataDir() const { return FDataDir; }
    const QString& ImageDir() const { return FImageDir; }
    const QString& AdminDataDir() const { return FAdminDataDir; }
    TInstallType InstallType() const { return FInstall; }
    const QString& RootDir() const { return FRootDir; }
    const QString& ExeName() const { return FExeName; }
    const QString& AppTitle() const { return FAppTitle; }
    const QString& SettingsDir() const { return FSettingsDir; }

    void SetAppDir(const QString& Value) { FAppDir = Value; }
    void SetDataDir(const QString& Value) { FDataDir = Value; }
    void SetImageDir(const QString& Value) { FImageDir = Value; }
    void SetAdminDataDir(const QString& Value) { FAdminDataDir = Value; }
    void SetInstall(TInstallType Value) { FInstall = Value; }
    void SetRootDir(const QString& Value) { FRootDir = Value; }
    void SetExeName(const QString& Value) { FExeName = Value; }
    void SetAppTitle(const QString& Value) { FAppTitle = Value; }
    void SetSettingsDir(const QString& Value) { FSettingsDir = Value; }

    // Fills every directory from ExeName, AppTitle, the marker file and the registry.
    void LoadDirs();

    // The installation root for an executable directory (see the .cpp for the cuts).
    QString GetRootDirFromExeDir(const QString& ExeDir, TInstallType InstallType) const;

    // Where the registry lives; tests give an .ini file in a temporary directory.
    void SetRegistryFactory(RegistryFactory factory) { FRegistryFactory = std::move(factory); }
    // A directory that takes the place of the data and shared data directories (the command
    // line's --data-dir). Empty: the install's own.
    void SetDataDirOverride(const QString& directory) { FDataDirOverride = directory; }
    // Finds the directories without storing anything (no root in the registry, no folder).
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }

    // True when the last LoadDirs was a first run of a standard install.
    bool FirstRun() const { return FFirstRun; }
    // True when a first run could not store "RootDir"; the program goes on without it.
    bool RootDirStoreFailed() const { return FRootDirStoreFailed; }

    // The registry a standard install uses: the per-user native store.
    static std::unique_ptr<QSettings> NativeRegistry(const QString& appTitle);

private:
    void LoadPortable(const QString& ExePath);
    void LoadStandard(const QString& ExePath);

    QString FAppDir;
    QString FDataDir;
    QString FImageDir;
    QString FAdminDataDir;
    TInstallType FInstall = TInstallType::itStandard;
    QString FRootDir;
    QString FExeName;
    QString FAppTitle;
    QString FSettingsDir;

    RegistryFactory FRegistryFactory;
    QString FDataDirOverride;
    bool FFirstRun = false;
    bool FReadOnly = false;
    bool FRootDirStoreFailed = false;
};
