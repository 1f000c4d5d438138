// The data module's image lists, drawn in code: the warning pictures of the priority rule and
// the priority bitmaps stored with each task.

#include "data_Tasks_Unit.h"

#include <cmath>

namespace {
constexpr int IconSize = 16;
constexpr quint32 Transparent = 0x00000000;

// A picture from a coverage function sampled 4 x 4 per pixel, for soft edges.
template <class Colour> TBitmapImage Render(Colour&& colourAt) {
    TBitmapImage image(IconSize, IconSize, Transparent);
    for (int y = 0; y < IconSize; ++y) {
        for (int x = 0; x < IconSize; ++x) {
            quint32 a = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const quint32 c = colourAt(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0);
                    const quint32 ca = c >> 24;
                    a += ca;
                    r += ((c >> 16) & 0xFF) * ca;
                    g += ((c >> 8) & 0xFF) * ca;
                    b += (c & 0xFF) * ca;
                }
            }
            if (a == 0) continue;
            image.SetPixel(x, y, ((a / 16) << 24) | ((r / a) << 16) | ((g / a) << 8) | (b / a));
        }
    }
    return image;
}

bool InTriangle(double px, double py, double inset) {
    // Apex (8, 1 + inset), base at y = 15 - inset, half-width shrinking by the inset.
    const double top = 1.0 + inset * 1.8, bottom = 15.0 - inset;
    if (py < top || py > bottom) return false;
    const double halfWidth = (py - top) / (bottom - top) * (7.0 - inset);
    return std::fabs(px - 8.0) <= halfWidth;
}

TBitmapImage WarningTriangle(quint32 fill, quint32 edge) {
    return Render([=](double x, double y) -> quint32 {
        if (!InTriangle(x, y, 0)) return Transparent;
        const bool inner = InTriangle(x, y, 1.2);
        const bool bar = std::fabs(x - 8.0) < 1.0 && y > 5.0 && y < 10.5;
        const bool dot = std::fabs(x - 8.0) < 1.0 && y > 11.5 && y < 13.4;
        if (inner && (bar || dot)) return 0xFF202020;
        return inner ? fill : edge;
    });
}

TBitmapImage Disc(quint32 fill, quint32 edge) {
    return Render([=](double x, double y) -> quint32 {
        const double d = std::hypot(x - 8.0, y - 8.0);
        if (d > 7.0) return Transparent;
        return d > 5.8 ? edge : fill;
    });
}

TBitmapImage Tick() {
    return Render([](double x, double y) -> quint32 {
        auto nearSegment = [&](double x1, double y1, double x2, double y2) {
            const double dx = x2 - x1, dy = y2 - y1;
            const double t =
                std::clamp(((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            return std::hypot(x - (x1 + t * dx), y - (y1 + t * dy)) < 1.6;
        };
        return nearSegment(2.5, 8.5, 6.5, 12.5) || nearSegment(6.5, 12.5, 13.5, 3.5) ? 0xFF2E9A45
                                                                                     : Transparent;
    });
}
} // namespace

void TdmTasks_Form::BuildImageLists() {
    ilWarnings.clear();
    ilWarnings.push_back(TBitmapImage(IconSize, IconSize, Transparent)); // 0: nothing to warn of
    ilWarnings.push_back(Disc(0xFF3D6FB0, 0xFF1D3B63));                  // 1: information
    ilWarnings.push_back(Tick());                                        // 2: done
    ilWarnings.push_back(Disc(0xFFDDDDDD, 0xFF808080));                  // 3: idle
    ilWarnings.push_back(Disc(0xFF7CC576, 0xFF2E7D32));                  // 4: on time
    ilWarnings.push_back(Disc(0xFFF8D347, 0xFFB08A00));                  // 5: note
    ilWarnings.push_back(WarningTriangle(0xFFF5A623, 0xFFA86400));       // 6: completion near
    ilWarnings.push_back(WarningTriangle(0xFFE5382B, 0xFF8E1A12));       // 7: completion due
}

QByteArray TdmTasks_Form::PriorityBitmap(int priority) const {
    const size_t index = priority == 1 ? 6 : priority == 2 ? 7 : 0;
    TBitmapImage bitmap(22, 19, 0xFFFFFFFF);
    bitmap.Draw(ilWarnings.at(index), (22 - IconSize) / 2, (19 - IconSize) / 2);
    return bitmap.ToBmp();
}
