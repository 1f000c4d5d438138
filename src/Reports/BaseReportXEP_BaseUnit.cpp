#include "BaseReportXEP_BaseUnit.h"

#include "UserLayer/data_Tasks_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/SysNumbers.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QColor>
#include <algorithm>

namespace {
const QColor Navy(0, 0, 128);

double ChartValue(const TRecordSet& chart) {
    return chart.FieldByName(QStringLiteral("Duration")).AsFloat() *
           chart.FieldByName(QStringLiteral("TaskDayRate")).AsFloat();
}

double ChartDuration(const TRecordSet& chart) {
    return chart.FieldByName(QStringLiteral("Duration")).AsFloat();
}
} // namespace

TBaseReportXEP_BaseForm::TBaseReportXEP_BaseForm(TdmTasks_Form& dm, TRecordSet& reportDetails)
    : FDm(dm), FReportDetails(reportDetails) {
    FormCreate();
}

TBaseReportXEP_BaseForm::~TBaseReportXEP_BaseForm() = default;

void TBaseReportXEP_BaseForm::FormCreate() {
    lblAppReports = ApplicationTitle() + QStringLiteral(" Reports");
    TReport& r = qrBaseReport;
    r.SetDataSet(&FDm.adsChartData);
    r.PageSize = QPageSize(QPageSize::A4);
    r.Orientation = QPageLayout::Landscape;
    r.MarginsMm = QMarginsF(10, 10, 10, 10);
    r.Font = ReportFont();
    r.PrintPageHeaderOnFirstPage = true;
    r.PrintPageFooterOnLastPage = true;
    r.PrintIfEmpty = true;

    TReportBand& header = r.PageHeader;
    header.Height = HeaderHeight;
    header.RuleBelow = true;
    header.AddDateTime({0, 0, 80, LineHeight}, ReportFont());
    header.AddLabel(lblAppReports, {80, 0, PageWidth - 160, LineHeight},
                    ReportFont(10, false, true), Qt::AlignCenter);
    header.AddPageNumber({PageWidth - 80, 0, 80, LineHeight}, ReportFont()).OnPrint =
        [](QString& text) { text = QStringLiteral("Page ") + text; };
    header.AddLine(0, LineHeight + 1, PageWidth, Navy, 0.5);
    const double rangeTop = LineHeight + 2;
    // "Date Range  01/01/2026 - 31/01/2026" closing at the right margin.
    header.AddLabel(QStringLiteral("Date Range"), {PageWidth - 70, rangeTop, 24, LineHeight},
                    ReportFont(10, true));
    auto dateOf = [this](const char* field) {
        return [this, field](QString& text) {
            text = DateToStr(FReportDetails.FieldByName(QLatin1String(field)).AsDateTime());
        };
    };
    header
        .AddLabel(QString(), {PageWidth - 45, rangeTop, 21, LineHeight}, ReportFont(),
                  Qt::AlignRight | Qt::AlignVCenter)
        .OnPrint = dateOf("dtStartDate");
    header.AddLabel(QStringLiteral("-"), {PageWidth - 24, rangeTop, 4, LineHeight}, ReportFont(),
                    Qt::AlignCenter);
    header
        .AddLabel(QString(), {PageWidth - 20, rangeTop, 20, LineHeight}, ReportFont(),
                  Qt::AlignRight | Qt::AlignVCenter)
        .OnPrint = dateOf("dtEndDate");

    r.PageFooter.Height = LineHeight + 2;
    r.PageFooter.RuleAbove = true;
}

QFont TBaseReportXEP_BaseForm::ReportFont(double pointSize, bool bold, bool italic) const {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void TBaseReportXEP_BaseForm::SetTitle(const QString& title) {
    qrBaseReport.Title = title;
    qrBaseReport.PageFooter.AddLabel(title, {0, 1, PageWidth, LineHeight},
                                     ReportFont(10, false, true), Qt::AlignCenter);
}

void TBaseReportXEP_BaseForm::AddHeading(const QString& text, bool centred) {
    qrBaseReport.PageHeader.AddLabel(text, {0, HeadingTop, PageWidth, 9}, ReportFont(20, true),
                                     (centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                                         Qt::AlignVCenter);
}

void TBaseReportXEP_BaseForm::AddColumnHeading(const QString& text, double left, double width,
                                               Qt::Alignment alignment) {
    qrBaseReport.PageHeader.AddLabel(text, {left, ColumnsTop, width, LineHeight},
                                     ReportFont(10, true), alignment);
}

TReportItem& TBaseReportXEP_BaseForm::AddField(TReportBand& band, const char* field, TColumn column,
                                               const QFont& font, Qt::Alignment alignment) {
    return band.AddField(QLatin1String(field), {column.Left, 0, column.Width, LineHeight}, font,
                         alignment);
}

void TBaseReportXEP_BaseForm::AddTotals(TReportBand& band, const char* nameField, TColumn name,
                                        const QString& caption, TColumn captionColumn,
                                        TColumn duration, TColumn value, const QFont& font) {
    band.Height = LineHeight + 1;
    if (nameField) AddField(band, nameField, name, font);
    band.AddLabel(caption, {captionColumn.Left, 0, captionColumn.Width, LineHeight}, font);
    AddDurationTotal(band, duration.Left, duration.Width, font);
    if (value.Width > 0) AddValueTotal(band, value.Left, value.Width, font);
}

void TBaseReportXEP_BaseForm::BuildValueLayout(const QString& heading, bool centredHeading,
                                               const TOuterGroup* outer) {
    const QFont plain = ReportFont(), bold = ReportFont(10, true),
                italic = ReportFont(10, false, true);
    // Columns: with an outer group the project and the task columns move right.
    const TColumn outerName{0, outer ? 45.0 : 0.0};
    const TColumn project{outerName.Width, outer ? 45.0 : 55.0};
    const TColumn code{project.Left + project.Width, outer ? 25.0 : 30.0};
    const TColumn description{code.Left + code.Width, outer ? 75.0 : 95.0};
    const TColumn duration{description.Left + description.Width, 60};
    const TColumn value{duration.Left + duration.Width, PageWidth - duration.Left - duration.Width};

    AddHeading(heading, centredHeading);
    if (outer) AddColumnHeading(outer->ColumnTitle, outerName.Left, outerName.Width);
    AddColumnHeading(QStringLiteral("Project Name"), project.Left, project.Width);
    AddColumnHeading(QStringLiteral("Task Code"), code.Left, code.Width);
    AddColumnHeading(QStringLiteral("Description"), description.Left, description.Width);
    AddColumnHeading(QStringLiteral("Duration"), duration.Left, duration.Width);
    AddColumnHeading(QStringLiteral("Value"), value.Left, value.Width,
                     Qt::AlignRight | Qt::AlignVCenter);

    TReport& r = qrBaseReport;
    TReportGroup* outerGroup = nullptr;
    if (outer) {
        outerGroup = &r.AddGroup(QLatin1String(outer->KeyField));
        outerGroup->Header.Height = LineHeight + 1;
        outerGroup->Header.RepeatOnNewPage = true;
        AddField(outerGroup->Header, outer->NameField, outerName, bold);
    }
    TReportGroup& projects = AddProjectsAndTasks(project, code, description, duration);
    AddValue(r.Detail, value.Left, value.Width, ReportFont());

    const TColumn totalCaption{code.Left, code.Width};
    AddTotals(projects.Footer, "ProjectName", project, QStringLiteral("Total"), totalCaption,
              duration, value, outer ? plain : italic);
    if (outerGroup)
        AddTotals(outerGroup->Footer, outer->NameField, outerName, QStringLiteral("Total"),
                  totalCaption, duration, value, italic);

    r.Summary.RuleAbove = true;
    r.Summary.RuleBelow = true;
    AddTotals(r.Summary, nullptr, {}, QStringLiteral("Report Total"), {0, code.Left + code.Width},
              duration, value, bold);
    r.Summary.Height = LineHeight + 2;
}

TReportGroup& TBaseReportXEP_BaseForm::AddProjectsAndTasks(TColumn project, TColumn code,
                                                           TColumn description, TColumn duration) {
    TReport& r = qrBaseReport;
    TReportGroup& projects = r.AddGroup(QStringLiteral("ProjectNumber"));
    projects.Header.Height = LineHeight + 1;
    projects.Header.RepeatOnNewPage = true; // a page never starts with unnamed rows
    AddField(projects.Header, "ProjectName", project, ReportFont(10, true));
    r.Detail.Height = LineHeight;
    AddField(r.Detail, "TaskCode", code, ReportFont());
    AddField(r.Detail, "TaskDescription", description, ReportFont());
    AddField(r.Detail, "DurationText", duration, ReportFont());
    return projects;
}

TReportItem& TBaseReportXEP_BaseForm::AddDurationTotal(TReportBand& band, double left, double width,
                                                       const QFont& font) {
    TReportItem& item = band.AddSum(ChartDuration, {left, 0, width, LineHeight}, font,
                                    Qt::AlignLeft | Qt::AlignVCenter);
    item.OnPrint = [this](QString& text) { DHMPrint(text); };
    return item;
}

TReportItem& TBaseReportXEP_BaseForm::AddValue(TReportBand& band, double left, double width,
                                               const QFont& font) {
    TReportItem& item = band.AddExpression(ChartValue, {left, 0, width, LineHeight}, font);
    item.OnPrint = [this](QString& text) { TaskValuePrint(text); };
    return item;
}

TReportItem& TBaseReportXEP_BaseForm::AddValueTotal(TReportBand& band, double left, double width,
                                                    const QFont& font) {
    TReportItem& item = band.AddSum(ChartValue, {left, 0, width, LineHeight}, font);
    item.OnPrint = [this](QString& text) { TaskValuePrint(text); };
    return item;
}

// A text that is no number is left as it stands.
void TBaseReportXEP_BaseForm::DHMPrint(QString& Value) const {
    double days = 0;
    if (TryStrToFloat(Value, days)) Value = DaysHoursMinutesText(days, FDm.DayDuration());
}

void TBaseReportXEP_BaseForm::TaskValuePrint(QString& Value) const {
    double value = 0;
    if (TryStrToFloat(Value, value))
        Value = FormatFloat(QStringLiteral("#,##0.00"), value / (FDm.DayDuration() / 24));
}

void TBaseReportXEP_BaseForm::Preview(QWidget* parent) {
    qrBaseReport.Preview(parent);
}

void TBaseReportXEP_BaseForm::Print(QWidget* /*parent*/) {
    QString error;
    switch (qrBaseReport.Print(&error)) {
    case TReport::TPrintResult::Printed:
        return;
    case TReport::TPrintResult::Failed:
        throw EXEPException(error);
    case TReport::TPrintResult::NoPrinter:
        break;
    }
    TDialogService& dialogs = TDialogService::Instance();
    if (!dialogs.Confirm(QStringLiteral("No printer is installed. Do you wish to save the report "
                                        "as a PDF file instead ?")))
        return;
    const QString fileName =
        dialogs.SaveFileName(QStringLiteral("Save Report"), QStringLiteral("PDF Files|*.pdf"),
                             QStringLiteral("pdf"), qrBaseReport.Title);
    if (fileName.isEmpty()) return;
    if (!ExportToPdf(fileName, &error)) throw EXEPException(error);
}

bool TBaseReportXEP_BaseForm::ExportToPdf(const QString& fileName, QString* error) const {
    return qrBaseReport.ExportToPdf(fileName, error);
}

bool TBaseReportXEP_BaseForm::PrintsValue() const {
    const auto& items = qrBaseReport.Detail.Items;
    return std::any_of(items.begin(), items.end(), [](const TReportItem& item) {
        return item.Kind == TReportItemKind::Expression;
    });
}
