#include "XEP_FormPlacement.h"

#include "XEP_ResourceStr.h"

#include <QSettings>
#include <optional>

namespace {
std::optional<TFormPlacementConfig>& Config() {
    static std::optional<TFormPlacementConfig> config;
    return config;
}
} // namespace

void SetFormPlacementConfig(const TFormPlacementConfig& config) {
    Config() = config;
}
void ClearFormPlacementConfig() {
    Config().reset();
}
const TFormPlacementConfig* FormPlacementConfig() {
    return Config() ? &*Config() : nullptr;
}

std::unique_ptr<TWindowPlacementStore>
CreateFormPlacementStore(const TFormPlacementConfig& config) {
    if (config.Install == TInstallType::itPortable)
        return std::make_unique<TIniPlacementStore>(config.SettingsDir + config.AppTitle +
                                                        QStringLiteral(".ini"),
                                                    QStringLiteral("Locations"));
    const TDirsObj::RegistryFactory registry = config.RegistryFactory;
    const QString title = config.AppTitle;
    return std::make_unique<TSettingsPlacementStore>(
        [registry, title] { return registry ? registry(title) : TDirsObj::NativeRegistry(title); },
        sFormsKey().chopped(1));
}
