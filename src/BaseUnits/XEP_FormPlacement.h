#pragma once
// Where the windows of this run keep their placement: set once the directories are known
// (portable install: <SettingsDir><title>.ini, section "Locations"; standard install: the
// per-user registry, "Forms\<window name>").

#include "Dirs_Obj_Unit.h"

#include "Components/Settings/TWindowPlacementStore.h"

#include <QList>
#include <QRect>

struct TFormPlacementConfig {
    TInstallType Install = TInstallType::itStandard;
    QString SettingsDir;
    QString AppTitle;
    TDirsObj::RegistryFactory RegistryFactory; // empty: the per-user registry
};

void SetFormPlacementConfig(const TFormPlacementConfig& config);
void ClearFormPlacementConfig();
// Null until the directories are known: windows then keep their design placement.
const TFormPlacementConfig* FormPlacementConfig();
std::unique_ptr<TWindowPlacementStore> CreateFormPlacementStore(const TFormPlacementConfig& config);

// The placement moved onto the screen it overlaps most (or, off every screen, the nearest one),
// shrunk to that screen where it is larger and moved so it lies wholly on it. screens are the
// available areas (without task bars); none leaves the placement as it is.
TWindowPlacement PlacementOnScreens(const TWindowPlacement& placement, const QList<QRect>& screens);
