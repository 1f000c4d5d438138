#pragma once
// A banded report over a record set, rendered with QPainter on any paged device: a preview
// window, a printer or a PDF file.
//
// The report walks the record set from its first row. For each row it prints, in order: the
// footers of the groups whose key changed (innermost first), the headers of those groups
// (outermost first), then the detail band. After the last row the footers of all open groups
// and the summary band follow. Page header and page footer bands frame every page; a band that
// does not fit in what is left of the page moves to the next page whole.
//
// Positions and sizes are in millimetres, relative to the band's top-left corner inside the
// page margins.
//
// Usage:
//     TReport report;
//     report.SetDataSet(&rows);
//     report.PageHeader.Height = 20;
//     report.PageHeader.AddLabel("Sales", {0, 0, 80, 8}, boldFont);
//     TReportGroup& region = report.AddGroup("Region");
//     region.Header.AddField("RegionName", {0, 0, 60, 5});
//     report.Detail.AddField("Amount", {100, 0, 30, 5}, {}, Qt::AlignRight);
//     auto& total = region.Footer.AddSum([](const TRecordSet& r) {
//         return r.FieldByName("Amount").AsFloat(); }, {100, 0, 30, 5});
//     total.OnPrint = [](QString& text) { text = FormatMoney(text.toDouble()); };
//     report.ExportToPdf("sales.pdf");

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;
class TRecordSet;

enum class TReportItemKind {
    Label,      // Text as it stands
    Field,      // the display text of the field named Text on the current row
    Expression, // Value of the current row (no aggregate) or its sum over a scope
    DateTime,   // the current date and time (the clock of Core), as DateTimeToStr prints it
    PageNumber, // the number of the page being printed
    Line,       // a horizontal line across Rect's width at Rect's top
};

enum class TReportSumScope {
    None,   // the expression's value on the current row
    Group,  // the sum since the owning group's header; reset after that group's footer.
            // In a group header it is the total of the group the header opens; in the detail
            // band the running sum of the innermost group; in other bands it acts as Report.
    Report, // the sum over every row printed so far
};

struct TReportItem {
    TReportItemKind Kind = TReportItemKind::Label;
    QString Text; // label text, or the field name of a field item
    QRectF Rect;  // millimetres within the band
    QFont Font;   // an item created without a font takes the report's Font
    bool HasFont = false;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor Color = Qt::black;
    double LineWidth = 0.2; // millimetres, for lines
    // Expression items: the value of one row, and what is summed.
    std::function<double(const TRecordSet&)> Value;
    TReportSumScope Scope = TReportSumScope::None;
    // Receives the text just before it prints and may replace it. For expression items the
    // text is the number in plain decimal ('.' separator, up to 15 significant digits).
    std::function<void(QString&)> OnPrint;
};

enum class TReportBandKind { PageHeader, GroupHeader, Detail, GroupFooter, Summary, PageFooter };

class TReportBand {
public:
    explicit TReportBand(TReportBandKind kind) : Kind(kind) {}

    TReportBandKind Kind;
    double Height = 6;      // millimetres
    bool Enabled = true;    // a disabled band prints nothing and takes no room
    bool RuleAbove = false; // a thin rule across the page at the band's top
    bool RuleBelow = false; // and at its bottom
    // A group header that prints again under the page header of every page its group goes
    // on to, so a page never starts with rows of a group it does not name.
    bool RepeatOnNewPage = false;
    std::vector<TReportItem> Items;

    // Each adder appends one item and returns it for further settings. A default font means
    // the report's font.
    TReportItem& AddLabel(const QString& text, const QRectF& rect, const QFont& font = QFont(),
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    TReportItem& AddField(const QString& fieldName, const QRectF& rect, const QFont& font = QFont(),
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    TReportItem& AddExpression(std::function<double(const TRecordSet&)> value, const QRectF& rect,
                               const QFont& font = QFont(),
                               Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
    // An expression summed over the band's scope: the group of a group footer, the whole
    // report for a summary or page band.
    TReportItem& AddSum(std::function<double(const TRecordSet&)> value, const QRectF& rect,
                        const QFont& font = QFont(),
                        Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
    TReportItem& AddDateTime(const QRectF& rect, const QFont& font = QFont(),
                             Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    TReportItem& AddPageNumber(const QRectF& rect, const QFont& font = QFont(),
                               Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter);
    TReportItem& AddLine(double left, double top, double width, const QColor& color = Qt::black,
                         double lineWidth = 0.2);
};

// A group: its header prints when the key field's display text differs from the previous
// row's (and on the first row), its footer before the next header and after the last row.
struct TReportGroup {
    explicit TReportGroup(const QString& keyField)
        : KeyField(keyField), Header(TReportBandKind::GroupHeader),
          Footer(TReportBandKind::GroupFooter) {}
    QString KeyField;
    TReportBand Header;
    TReportBand Footer;
};

// One item as laid out on a page: what the renderer paints, and what tests read.
struct TReportPrintedItem {
    TReportBandKind Band;
    int GroupLevel = -1; // the group of a group band, outermost 0; -1 otherwise
    TReportItemKind Kind;
    QString Text; // final text after OnPrint; empty for lines
    QRectF Rect;  // millimetres on the page, from the paper's top-left corner
    QFont Font;
    Qt::Alignment Alignment;
    QColor Color;
    double LineWidth = 0;
};

struct TReportPage {
    int Number = 1;
    std::vector<TReportPrintedItem> Items;
};

class TReport {
public:
    enum class TPrintResult { Printed, NoPrinter, Failed };

    TReport();
    ~TReport();
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    void SetDataSet(TRecordSet* dataSet) { FDataSet = dataSet; }
    TRecordSet* DataSet() const { return FDataSet; }

    QString Title; // the preview window's caption and the print job's name
    QPageSize PageSize{QPageSize::A4};
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    QMarginsF MarginsMm{10, 10, 10, 10};
    QFont Font{QStringLiteral("Times New Roman"), 10};
    // Families that paint the characters an item's font has no glyph for (Chinese, Japanese
    // and Korean among them), tried in this order after the item's own family, on screen, on
    // paper and in PDF files. Families the system does not have are passed over.
    QStringList FallbackFamilies = DefaultFallbackFamilies();
    // Fonts that cover the Han, kana and Hangul scripts, as free desktops commonly install them.
    static QStringList DefaultFallbackFamilies();
    // The font an item is painted with: its own, then the fallback families.
    QFont PaintFont(const QFont& itemFont) const;
    bool PrintPageHeaderOnFirstPage = true;
    bool PrintPageFooterOnLastPage = true;
    bool PrintIfEmpty = true; // with no rows: page frame, headers and summary still print

    TReportBand PageHeader{TReportBandKind::PageHeader};
    TReportBand Detail{TReportBandKind::Detail};
    TReportBand Summary{TReportBandKind::Summary};
    TReportBand PageFooter{TReportBandKind::PageFooter};

    // Groups nest in the order they are added: the first is the outermost.
    TReportGroup& AddGroup(const QString& keyField);
    std::deque<TReportGroup>& Groups() { return FGroups; }
    const std::deque<TReportGroup>& Groups() const { return FGroups; }

    // Lays the whole report out into pages without painting: walks the data set from its
    // first row (the cursor is put back afterwards, controls of the set are not disturbed).
    // An empty data set with PrintIfEmpty false gives no pages.
    std::vector<TReportPage> Layout() const;

    // Paints the laid-out pages on a device whose page size and margins the caller set up;
    // the report's page size and orientation are applied to printers and PDF writers first.
    void Render(QPagedPaintDevice& device) const;
    void Render(QPainter& painter, const std::vector<TReportPage>& pages,
                QPagedPaintDevice& device) const;

    // Writes the report as a PDF file; false with a message naming the file on failure.
    bool ExportToPdf(const QString& fileName, QString* error = nullptr) const;
    // Shows the report in a modal preview window with zoom and page navigation.
    void Preview(QWidget* parent = nullptr) const;
    // Prints to the system's default printer without a dialog. NoPrinter when the system has
    // no printer installed; the caller may then offer ExportToPdf.
    TPrintResult Print(QString* error = nullptr) const;

private:
    // Gives printers and PDF writers the report's paper, orientation and a full-page origin.
    void ApplyPageLayout(QPagedPaintDevice& device) const;
    // Opens a painter on the device and paints the pages; false with a message when the
    // device cannot be painted on.
    bool Paint(QPagedPaintDevice& device, const std::vector<TReportPage>& pages,
               const QString& target, QString* error) const;

    TRecordSet* FDataSet = nullptr;
    std::deque<TReportGroup> FGroups;
};
