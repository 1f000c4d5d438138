#pragma once
// Where the windows of this run keep their placement: set once the directories are known
// (portable install: <SettingsDir><title>.ini, section "Locations"; standard install: the
// per-user registry, "Forms\<window name>").

#include "Dirs_Obj_Unit.h"

#include "Components/Settings/TWindowPlacementStore.h"

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
