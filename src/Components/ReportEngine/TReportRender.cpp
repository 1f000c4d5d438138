// Paints laid-out report pages with QPainter. Positions are millimetres from the paper's
// top-left corner; the device's logical resolution turns them into device units, and fonts
// keep their point sizes, so a 1200 dpi PDF and a screen preview look the same.

#include "TReport.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPrinter>

namespace {

constexpr double MmPerInch = 25.4;

class TDeviceScale {
public:
    explicit TDeviceScale(QPagedPaintDevice& device)
        : FX(device.logicalDpiX() / MmPerInch), FY(device.logicalDpiY() / MmPerInch) {
        // The painter's origin is the top-left corner of the page's paint rectangle: the
        // paper's corner in full-page mode, inside the margins otherwise.
        FOrigin = device.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
    }
    QPointF Point(double xMm, double yMm) const {
        return {(xMm - FOrigin.x()) * FX, (yMm - FOrigin.y()) * FY};
    }
    QRectF Rect(const QRectF& mm) const {
        return {Point(mm.left(), mm.top()), QSizeF(mm.width() * FX, mm.height() * FY)};
    }
    double Length(double mm) const { return mm * FY; }

private:
    double FX, FY;
    QPointF FOrigin;
};

QString SingleLine(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

void PaintText(QPainter& painter, const TReportPrintedItem& item, const QFont& font,
               const TDeviceScale& scale) {
    if (item.Text.isEmpty()) return;
    const QRectF rect = scale.Rect(item.Rect);
    if (rect.width() <= 0 || rect.height() <= 0) return;
    painter.setFont(font);
    painter.setPen(item.Color);
    // Metrics of the painter's device: the font's point size in that device's pixels.
    const QFontMetricsF metrics(painter.font(), painter.device());
    // A text wider than its box ends in an ellipsis instead of running into its neighbour.
    const QString text = metrics.elidedText(SingleLine(item.Text), Qt::ElideRight, rect.width());
    const bool tooTall = metrics.height() > rect.height() + 0.5;
    if (tooTall) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    painter.drawText(rect, int(item.Alignment | Qt::TextSingleLine), text);
    if (tooTall) painter.restore();
}

void PaintLine(QPainter& painter, const TReportPrintedItem& item, const TDeviceScale& scale) {
    QPen pen(item.Color);
    pen.setWidthF(std::max(scale.Length(item.LineWidth), 1.0));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(scale.Point(item.Rect.left(), item.Rect.top()),
                     scale.Point(item.Rect.right(), item.Rect.top()));
}

} // namespace

QStringList TReport::DefaultFallbackFamilies() {
    return {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Noto Serif CJK SC"),   QStringLiteral("Source Han Sans SC"),
            QStringLiteral("Droid Sans Fallback"), QStringLiteral("AR PL UMing CN")};
}

QFont TReport::PaintFont(const QFont& itemFont) const {
    // The family the system paints the item's own font with comes first: a family the system
    // lacks ("Times New Roman" on most free desktops) would otherwise pass the whole text to
    // the first fallback that exists. Resolved once per family name.
    static QHash<QString, QString> resolved;
    auto found = resolved.constFind(itemFont.family());
    if (found == resolved.constEnd())
        found = resolved.insert(itemFont.family(), QFontInfo(itemFont).family());
    QStringList families{*found};
    for (const QString& family : FallbackFamilies)
        if (!families.contains(family, Qt::CaseInsensitive)) families << family;
    QFont font = itemFont;
    font.setFamilies(families);
    return font;
}

void TReport::ApplyPageLayout(QPagedPaintDevice& device) const {
    auto* printer = dynamic_cast<QPrinter*>(&device);
    if (printer) printer->setFullPage(true);
    QPageLayout layout(PageSize, Orientation, QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    if (!device.setPageLayout(layout)) {
        // A printer that refuses zero margins still takes the paper and its orientation.
        device.setPageSize(PageSize);
        device.setPageOrientation(Orientation);
    }
}

void TReport::Render(QPagedPaintDevice& device) const {
    ApplyPageLayout(device);
    Paint(device, Layout(), QString(), nullptr);
}

void TReport::Render(QPainter& painter, const std::vector<TReportPage>& pages,
                     QPagedPaintDevice& device) const {
    const TDeviceScale scale(device);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) device.newPage();
        for (const TReportPrintedItem& item : pages[i].Items) {
            if (item.Kind == TReportItemKind::Line)
                PaintLine(painter, item, scale);
            else
                PaintText(painter, item, PaintFont(item.Font), scale);
        }
    }
    painter.restore();
}

bool TReport::Paint(QPagedPaintDevice& device, const std::vector<TReportPage>& pages,
                    const QString& target, QString* error) const {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = QStringLiteral("Cannot print the report to %1.").arg(target);
        return false;
    }
    Render(painter, pages, device);
    if (!painter.end()) {
        if (error) *error = QStringLiteral("Cannot finish printing the report to %1.").arg(target);
        return false;
    }
    return true;
}
