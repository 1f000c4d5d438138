#include "TWindowPlacementStore.h"

#include <QSettings>

namespace {
int ReadInt(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? value : fallback;
}

struct TKeyNames {
    QString Left, Top, Height, Width, WindowState;
};

void ReadPlacement(const QSettings& settings, const TKeyNames& keys,
                   const TWindowPlacement& defaults, TWindowPlacement& placement) {
    placement.Left = ReadInt(settings, keys.Left, defaults.Left);
    placement.Top = ReadInt(settings, keys.Top, defaults.Top);
    placement.Height = ReadInt(settings, keys.Height, defaults.Height);
    placement.Width = ReadInt(settings, keys.Width, defaults.Width);
    placement.WindowState = ReadInt(settings, keys.WindowState, defaults.WindowState);
}

void WritePlacement(QSettings& settings, const TKeyNames& keys, const TWindowPlacement& placement) {
    settings.setValue(keys.Left, placement.Left);
    settings.setValue(keys.Top, placement.Top);
    settings.setValue(keys.Height, placement.Height);
    settings.setValue(keys.Width, placement.Width);
    settings.setValue(keys.WindowState, placement.WindowState);
}
} // namespace

TIniPlacementStore::TIniPlacementStore(QString fileName, QString section)
    : FFileName(std::move(fileName)), FSection(std::move(section)) {}

bool TIniPlacementStore::Read(const QString& name, const TWindowPlacement& current,
                              TWindowPlacement& placement) const {
    QSettings ini(FFileName, QSettings::IniFormat);
    if (!ini.childGroups().contains(FSection)) return false;
    ini.beginGroup(FSection);
    // A section without this window's keys puts it at the top left with its design size.
    TWindowPlacement defaults = current;
    defaults.Left = 0;
    defaults.Top = 0;
    defaults.WindowState = 1;
    ReadPlacement(ini,
                  {name + QStringLiteral("_Left"), name + QStringLiteral("_Top"),
                   name + QStringLiteral("_Height"), name + QStringLiteral("_Width"),
                   name + QStringLiteral("_WindowState")},
                  defaults, placement);
    return true;
}

bool TIniPlacementStore::Write(const QString& name, const TWindowPlacement& placement) {
    QSettings ini(FFileName, QSettings::IniFormat);
    ini.beginGroup(FSection);
    WritePlacement(ini,
                   {name + QStringLiteral("_Left"), name + QStringLiteral("_Top"),
                    name + QStringLiteral("_Height"), name + QStringLiteral("_Width"),
                    name + QStringLiteral("_WindowState")},
                   placement);
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

TSettingsPlacementStore::TSettingsPlacementStore(Factory factory, QString group)
    : FFactory(std::move(factory)), FGroup(std::move(group)) {}

namespace {
const TKeyNames RegistryKeys{QStringLiteral("Left"), QStringLiteral("Top"),
                             QStringLiteral("Height"), QStringLiteral("Width"),
                             QStringLiteral("WindowState")};
}

bool TSettingsPlacementStore::Read(const QString& name, const TWindowPlacement& current,
                                   TWindowPlacement& placement) const {
    const auto settings = FFactory();
    settings->beginGroup(FGroup);
    if (!settings->childGroups().contains(name)) return false;
    settings->beginGroup(name);
    // A value that is missing or not a number keeps the window's current one.
    ReadPlacement(*settings, RegistryKeys, current, placement);
    return true;
}

bool TSettingsPlacementStore::Write(const QString& name, const TWindowPlacement& placement) {
    const auto settings = FFactory();
    settings->beginGroup(FGroup + QLatin1Char('/') + name);
    WritePlacement(*settings, RegistryKeys, placement);
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}
