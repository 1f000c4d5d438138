// Lays a report out into pages: the walk over the record set, group breaks, sums and page
// breaks. Nothing here paints; the result is a list of positioned texts and lines.

#include "TReport.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QPageLayout>
#include <QStringList>

#include <algorithm>
#include <unordered_map>

namespace {

constexpr double Epsilon = 1e-6; // millimetres: below this two positions are the same
constexpr double RuleWidth = 0.2;

// Puts the record set's cursor back where it was and lets its controls repaint once, also
// when a field name of the report is wrong and the walk throws.
class TCursorKeeper {
public:
    explicit TCursorKeeper(TRecordSet* dataSet) : FDataSet(dataSet) {
        if (!FDataSet || !FDataSet->Active()) {
            FDataSet = nullptr;
            return;
        }
        FDataSet->DisableControls();
        FBookmark = FDataSet->GetBookmark();
        FBof = FDataSet->Bof();
        FEof = FDataSet->Eof();
    }
    ~TCursorKeeper() {
        if (!FDataSet) return;
        try {
            if (FDataSet->IsEmpty()) {
                // nothing to put back
            } else if (FEof) {
                FDataSet->Last();
                FDataSet->Next();
            } else if (FBof) {
                FDataSet->First();
            } else if (FDataSet->BookmarkValid(FBookmark)) {
                FDataSet->GotoBookmark(FBookmark);
            }
        } catch (...) {
            // A scroll handler that throws must not turn into a second exception in flight.
        }
        FDataSet->EnableControls();
    }
    TCursorKeeper(const TCursorKeeper&) = delete;
    TCursorKeeper& operator=(const TCursorKeeper&) = delete;

private:
    TRecordSet* FDataSet;
    TBookmark FBookmark = 0;
    bool FBof = true, FEof = true;
};

QString NumberText(double value) {
    if (value == 0) value = 0; // no "-0"
    return QString::number(value, 'g', 15);
}

// The sums of one group level: running sums of its footer (and of the detail band for the
// innermost level), and the totals its header shows, found by a first walk over the rows.
struct TLevelSums {
    std::vector<const TReportItem*> Running;
    std::vector<const TReportItem*> HeaderTotals;
    std::vector<std::vector<double>> Totals; // per group occurrence, one per header item
    int Occurrence = -1;
};

class TLayoutRun {
public:
    explicit TLayoutRun(const TReport& report)
        : R(report), Groups(report.Groups()), DataSet(report.DataSet()) {}

    std::vector<TReportPage> Run();

private:
    void SetUpGeometry();
    void CollectSums();
    void AddSumItem(const TReportItem& item, const TReportBand& band, int level);
    void ComputeHeaderTotals();
    QStringList Keys() const;
    static int FirstChange(const QStringList& previous, const QStringList& keys);
    void Accumulate();
    double RowValue(const TReportItem& item) const;

    void NewPage();
    void PrintPageFooter();
    void PrintGroupFooters(int fromLevel, int lastRecNo);
    void PrintGroupHeaders(int fromLevel);
    // Moves to a new page when the band does not fit, unless the page is still empty (a band
    // taller than a page is then printed clipped instead of breaking for ever).
    void MakeRoom(double height);
    void PlaceBand(const TReportBand& band, int level);
    void Emit(const TReportBand& band, int level, double top, double clipBottom);
    void EmitRule(const TReportBand& band, int level, double y, double clipBottom);
    QString ItemText(const TReportItem& item, const TReportBand& band, int level) const;

    const TReport& R;
    const std::deque<TReportGroup>& Groups;
    TRecordSet* DataSet;
    bool HaveRows = false;
    QString NowText;

    double Left = 0, Top = 0, Width = 0, PageBottom = 0, ContentBottom = 0;
    std::vector<TReportPage> Pages;
    double Y = 0, ContentTop = 0;
    int OpenLevels = 0; // the groups whose header has printed and whose footer has not

    std::unordered_map<const TReportItem*, double> Sums;
    std::vector<TLevelSums> Levels;
    std::vector<const TReportItem*> ReportSums;
};

std::vector<TReportPage> TLayoutRun::Run() {
    NowText = DateTimeToStr(TClock::Now());
    SetUpGeometry();
    CollectSums();

    TCursorKeeper keeper(DataSet);
    HaveRows = DataSet && DataSet->Active() && !DataSet->IsEmpty();
    if (!HaveRows) {
        if (!R.PrintIfEmpty) return {};
        NewPage();
        PlaceBand(R.Summary, -1);
        if (R.PrintPageFooterOnLastPage) PrintPageFooter();
        return std::move(Pages);
    }

    ComputeHeaderTotals();
    NewPage();
    QStringList previous;
    int previousRecNo = 0;
    for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
        const QStringList keys = Keys();
        const int change = previousRecNo == 0 ? 0 : FirstChange(previous, keys);
        if (previousRecNo != 0) PrintGroupFooters(change, previousRecNo);
        PrintGroupHeaders(change);
        if (R.Detail.Enabled) MakeRoom(R.Detail.Height);
        Accumulate();
        PlaceBand(R.Detail, -1);
        previous = keys;
        previousRecNo = DataSet->RecNo();
    }
    // The closing bands read the last row, as the group footers of a break read the last row
    // of their group.
    DataSet->WithRecord(previousRecNo, [&] {
        PrintGroupFooters(0, 0);
        PlaceBand(R.Summary, -1);
        if (R.PrintPageFooterOnLastPage) PrintPageFooter();
    });
    return std::move(Pages);
}

void TLayoutRun::SetUpGeometry() {
    const QPageLayout paper(R.PageSize, R.Orientation, QMarginsF());
    const QRectF full = paper.fullRect(QPageLayout::Millimeter);
    Left = R.MarginsMm.left();
    Top = R.MarginsMm.top();
    Width = full.width() - R.MarginsMm.left() - R.MarginsMm.right();
    PageBottom = full.height() - R.MarginsMm.bottom();
    ContentBottom = PageBottom - (R.PageFooter.Enabled ? R.PageFooter.Height : 0);
}

// ---------------------------------------------------------------- sums

void TLayoutRun::CollectSums() {
    Levels.assign(Groups.size(), {});
    const auto collect = [this](const TReportBand& band, int level) {
        for (const TReportItem& item : band.Items)
            if (item.Kind == TReportItemKind::Expression && item.Scope != TReportSumScope::None)
                AddSumItem(item, band, level);
    };
    collect(R.PageHeader, -1);
    for (int level = 0; level < int(Groups.size()); ++level) {
        collect(Groups[size_t(level)].Header, level);
        collect(Groups[size_t(level)].Footer, level);
    }
    collect(R.Detail, -1);
    collect(R.Summary, -1);
    collect(R.PageFooter, -1);
}

void TLayoutRun::AddSumItem(const TReportItem& item, const TReportBand& band, int level) {
    Sums[&item] = 0;
    if (item.Scope == TReportSumScope::Group) {
        if (band.Kind == TReportBandKind::GroupHeader) {
            Levels[size_t(level)].HeaderTotals.push_back(&item);
            return;
        }
        if (band.Kind == TReportBandKind::GroupFooter) {
            Levels[size_t(level)].Running.push_back(&item);
            return;
        }
        if (band.Kind == TReportBandKind::Detail && !Levels.empty()) {
            Levels.back().Running.push_back(&item);
            return;
        }
    }
    ReportSums.push_back(&item);
}

double TLayoutRun::RowValue(const TReportItem& item) const {
    return item.Value ? item.Value(*DataSet) : 0.0;
}

void TLayoutRun::Accumulate() {
    for (const TReportItem* item : ReportSums)
        Sums[item] += RowValue(*item);
    for (const TLevelSums& level : Levels)
        for (const TReportItem* item : level.Running)
            Sums[item] += RowValue(*item);
}

// A header shows the total of the group it opens, which is known only after its last row:
// a first walk adds up every occurrence of every group that has such items in its header.
void TLayoutRun::ComputeHeaderTotals() {
    bool any = false;
    for (const TLevelSums& level : Levels)
        any = any || !level.HeaderTotals.empty();
    if (!any) return;
    QStringList previous;
    bool first = true;
    for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
        const QStringList keys = Keys();
        const int change = first ? 0 : FirstChange(previous, keys);
        for (int l = change; l < int(Levels.size()); ++l)
            Levels[size_t(l)].Totals.emplace_back(Levels[size_t(l)].HeaderTotals.size(), 0.0);
        for (TLevelSums& level : Levels) {
            if (level.Totals.empty()) continue;
            for (size_t i = 0; i < level.HeaderTotals.size(); ++i)
                level.Totals.back()[i] += RowValue(*level.HeaderTotals[i]);
        }
        previous = keys;
        first = false;
    }
}

QStringList TLayoutRun::Keys() const {
    QStringList keys;
    for (const TReportGroup& group : Groups)
        keys << (group.KeyField.isEmpty() ? QString()
                                          : DataSet->FieldByName(group.KeyField).DisplayText());
    return keys;
}

// The outermost level whose key differs; a change there breaks every level inside it too.
int TLayoutRun::FirstChange(const QStringList& previous, const QStringList& keys) {
    for (int l = 0; l < keys.size(); ++l)
        if (keys[l] != previous[l]) return l;
    return int(keys.size());
}

// ---------------------------------------------------------------- bands and pages

void TLayoutRun::PrintGroupFooters(int fromLevel, int lastRecNo) {
    const auto print = [&] {
        for (int l = int(Groups.size()) - 1; l >= fromLevel; --l) {
            PlaceBand(Groups[size_t(l)].Footer, l);
            OpenLevels = l;
            for (const TReportItem* item : Levels[size_t(l)].Running)
                Sums[item] = 0;
        }
    };
    if (lastRecNo > 0 && fromLevel < int(Groups.size()))
        DataSet->WithRecord(lastRecNo, print);
    else
        print();
}

void TLayoutRun::PrintGroupHeaders(int fromLevel) {
    const int levels = int(Groups.size());
    if (fromLevel >= levels) return;
    // Keep the headers with the first row under them: break before the headers rather than
    // leave them alone at the foot of the page.
    double needed = R.Detail.Enabled ? R.Detail.Height : 0;
    for (int l = fromLevel; l < levels; ++l)
        if (Groups[size_t(l)].Header.Enabled) needed += Groups[size_t(l)].Header.Height;
    MakeRoom(needed);
    for (int l = fromLevel; l < levels; ++l) {
        ++Levels[size_t(l)].Occurrence;
        PlaceBand(Groups[size_t(l)].Header, l);
        OpenLevels = l + 1;
    }
}

void TLayoutRun::MakeRoom(double height) {
    if (Y + height > ContentBottom + Epsilon && Y > ContentTop + Epsilon) NewPage();
}

void TLayoutRun::PlaceBand(const TReportBand& band, int level) {
    if (!band.Enabled) return;
    MakeRoom(band.Height);
    Emit(band, level, Y, ContentBottom);
    Y += band.Height;
}

void TLayoutRun::NewPage() {
    if (!Pages.empty()) PrintPageFooter();
    TReportPage page;
    page.Number = int(Pages.size()) + 1;
    Pages.push_back(std::move(page));
    Y = Top;
    if (R.PageHeader.Enabled && (Pages.size() > 1 || R.PrintPageHeaderOnFirstPage)) {
        Emit(R.PageHeader, -1, Y, ContentBottom);
        Y += R.PageHeader.Height;
    }
    for (int l = 0; l < OpenLevels; ++l) {
        const TReportBand& header = Groups[size_t(l)].Header;
        if (!header.Enabled || !header.RepeatOnNewPage) continue;
        Emit(header, l, Y, ContentBottom);
        Y += header.Height;
    }
    // A band that does not fit below this point gets no further page.
    ContentTop = Y;
}

void TLayoutRun::PrintPageFooter() {
    if (!R.PageFooter.Enabled || Pages.empty()) return;
    Emit(R.PageFooter, -1, PageBottom - R.PageFooter.Height, PageBottom);
}

void TLayoutRun::EmitRule(const TReportBand& band, int level, double y, double clipBottom) {
    if (y > clipBottom + Epsilon) return;
    TReportPrintedItem rule;
    rule.Band = band.Kind;
    rule.GroupLevel = level;
    rule.Kind = TReportItemKind::Line;
    rule.Rect = QRectF(Left, y, Width, 0);
    rule.Alignment = Qt::AlignLeft;
    rule.Color = Qt::black;
    rule.LineWidth = RuleWidth;
    Pages.back().Items.push_back(std::move(rule));
}

void TLayoutRun::Emit(const TReportBand& band, int level, double top, double clipBottom) {
    if (band.RuleAbove) EmitRule(band, level, top, clipBottom);
    for (const TReportItem& item : band.Items) {
        QRectF rect = item.Rect.translated(Left, top);
        const bool line = item.Kind == TReportItemKind::Line;
        // What lies below the page's printable area of an oversized band is cut off.
        if (line ? rect.top() > clipBottom + Epsilon : rect.top() >= clipBottom - Epsilon) continue;
        if (!line && rect.bottom() > clipBottom) rect.setBottom(clipBottom);

        TReportPrintedItem printed;
        printed.Band = band.Kind;
        printed.GroupLevel = level;
        printed.Kind = item.Kind;
        printed.Rect = rect;
        printed.Font = item.HasFont ? item.Font.resolve(R.Font) : R.Font;
        // Every attribute counts as set: a painter would otherwise fill the ones the item
        // left open (the family of a font that was only made bold) from the device's font.
        printed.Font.setResolveMask(QFont::AllPropertiesResolved);
        printed.Alignment = item.Alignment;
        printed.Color = item.Color;
        printed.LineWidth = line ? item.LineWidth : 0;
        if (!line) {
            printed.Text = ItemText(item, band, level);
            if (item.OnPrint) item.OnPrint(printed.Text);
        }
        Pages.back().Items.push_back(std::move(printed));
    }
    if (band.RuleBelow) EmitRule(band, level, top + band.Height, clipBottom);
}

QString TLayoutRun::ItemText(const TReportItem& item, const TReportBand& band, int level) const {
    switch (item.Kind) {
    case TReportItemKind::Label:
        return item.Text;
    case TReportItemKind::Field:
        return HaveRows ? DataSet->FieldByName(item.Text).DisplayText() : QString();
    case TReportItemKind::Expression: {
        if (item.Scope == TReportSumScope::None) return NumberText(HaveRows ? RowValue(item) : 0.0);
        if (band.Kind == TReportBandKind::GroupHeader && item.Scope == TReportSumScope::Group) {
            const TLevelSums& sums = Levels[size_t(level)];
            const auto& list = sums.HeaderTotals;
            const size_t index = size_t(std::find(list.begin(), list.end(), &item) - list.begin());
            const bool known = sums.Occurrence >= 0 && size_t(sums.Occurrence) < sums.Totals.size();
            return NumberText(known ? sums.Totals[size_t(sums.Occurrence)][index] : 0.0);
        }
        const auto found = Sums.find(&item);
        return NumberText(found == Sums.end() ? 0.0 : found->second);
    }
    case TReportItemKind::DateTime:
        return NowText;
    case TReportItemKind::PageNumber:
        return QString::number(Pages.back().Number);
    case TReportItemKind::Line:
        break;
    }
    return {};
}

} // namespace

std::vector<TReportPage> TReport::Layout() const {
    return TLayoutRun(*this).Run();
}
