#include "XEP_FormPlacement.h"

#include "XEP_ResourceStr.h"

#include <QSettings>
#include <algorithm>
#include <limits>
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

namespace {
// How far a rectangle lies from a screen: 0 when they touch or overlap.
qint64 DistanceSquared(const QRect& window, const QRect& screen) {
    const qint64 dx = std::max({qint64(screen.left()) - window.right(),
                                qint64(window.left()) - screen.right(), qint64(0)});
    const qint64 dy = std::max({qint64(screen.top()) - window.bottom(),
                                qint64(window.top()) - screen.bottom(), qint64(0)});
    return dx * dx + dy * dy;
}

const QRect& ScreenFor(const QRect& window, const QList<QRect>& screens) {
    const QRect* best = &screens.front();
    qint64 bestOverlap = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& screen : screens) {
        const QRect common = window.intersected(screen);
        const qint64 overlap = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        const qint64 distance = DistanceSquared(window, screen);
        if (overlap > bestOverlap ||
            (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = &screen;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return *best;
}
} // namespace

TWindowPlacement PlacementOnScreens(const TWindowPlacement& placement,
                                    const QList<QRect>& screens) {
    if (screens.isEmpty()) return placement;
    const QRect window(placement.Left, placement.Top, std::max(placement.Width, 1),
                       std::max(placement.Height, 1));
    const QRect& screen = ScreenFor(window, screens);
    TWindowPlacement result = placement;
    result.Width = std::min(placement.Width, screen.width());
    result.Height = std::min(placement.Height, screen.height());
    result.Left =
        std::clamp(placement.Left, screen.left(), screen.left() + screen.width() - result.Width);
    result.Top =
        std::clamp(placement.Top, screen.top(), screen.top() + screen.height() - result.Height);
    return result;
}
