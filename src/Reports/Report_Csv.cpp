#include "Report_Csv.h"

#include "BaseReportXEP_BaseUnit.h"
#include "Reporting_Chart_Unit.h"

#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysNumbers.h"
#include "Components/GridExport/TCsvGridExport.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <cmath>

namespace {
// The chart data set's fields, as the CSV's columns between Line and the computed ones.
const char* const RowFields[] = {
    "TaskCode", "TaskDescription", "ProjectNumber",   "ProjectName", "ClientId", "ClientName",
    "UserId",   "UserName",        "DateTimeCreated", "Active",      "Completed"};

// A line's time and value; the value counts only where the report prints one.
struct TAmount {
    double Duration = 0;
    double Value = 0;
    void Add(const TAmount& other) {
        Duration += other.Duration;
        Value += other.Value;
    }
};

// One group of the layout: the field its rows break on and the one that names it.
struct TCsvGroup {
    QString KeyField, NameField;
    TAmount Sum;
};

// Minutes as the days, hours and minutes text shows them: to the millisecond, then whole
// minutes (seconds dropped).
qint64 ShownMinutes(double duration) {
    const qint64 ms = std::llround(duration * double(MSecsPerDay));
    return ms / 60000;
}

QString TwoDecimals(double value) {
    QString text = QString::number(value, 'f', 2);
    if (text == QLatin1String("-0.00")) text = QStringLiteral("0.00");
    return text.replace(QLatin1Char('.'), TFormatSettings::Current().DecimalSeparator);
}

// "ProjectName" gives "Project Total".
QString TotalCaption(const QString& nameField) {
    QString group = nameField;
    if (group.endsWith(QLatin1String("Name"))) group.chop(4);
    return group + QStringLiteral(" Total");
}

class TCsvWriter {
public:
    TCsvWriter(const TBaseReportXEP_BaseForm& layout, TdmTasks_Form& dm)
        : FReport(layout.qrBaseReport), FDm(dm), FChart(dm.adsChartData),
          FWithValue(layout.PrintsValue()) {
        for (const TReportGroup& group : FReport.Groups())
            FGroups.push_back({group.KeyField, NameFieldOf(group), {}});
    }

    QString Run() {
        Line(ReportCsvColumns(FWithValue));
        TAmount total;
        QStringList previous;
        int previousRecNo = 0;
        const TBookmark current = FChart.GetBookmark();
        for (FChart.First(); !FChart.Eof(); FChart.Next()) {
            const QStringList keys = Keys();
            if (previousRecNo != 0) {
                const int change = FirstChange(previous, keys);
                FChart.WithRecord(previousRecNo, [&] { GroupTotals(change); });
            }
            const TAmount amount = RowAmount();
            for (TCsvGroup& group : FGroups)
                group.Sum.Add(amount);
            total.Add(amount);
            TaskLine(amount);
            previous = keys;
            previousRecNo = FChart.RecNo();
        }
        if (previousRecNo != 0) FChart.WithRecord(previousRecNo, [&] { GroupTotals(0); });
        if (FReport.Summary.Enabled) TotalLine(QStringLiteral("Report Total"), -1, total);
        if (FChart.BookmarkValid(current)) FChart.GotoBookmark(current);
        return FText;
    }

private:
    static QString NameFieldOf(const TReportGroup& group) {
        for (const TReportItem& item : group.Footer.Items)
            if (item.Kind == TReportItemKind::Field) return item.Text;
        return group.KeyField;
    }

    QStringList Keys() const {
        QStringList keys;
        for (const TCsvGroup& group : FGroups)
            keys << FChart.FieldByName(group.KeyField).DisplayText();
        return keys;
    }

    static int FirstChange(const QStringList& previous, const QStringList& keys) {
        for (int level = 0; level < keys.size(); ++level)
            if (keys.at(level) != previous.at(level)) return level;
        return int(keys.size());
    }

    TAmount RowAmount() const {
        TAmount amount;
        amount.Duration = FChart.FieldByName(QStringLiteral("Duration")).AsFloat();
        // As the report prints it: time in working days times the task code's daily rate.
        if (FWithValue)
            amount.Value = amount.Duration *
                           FChart.FieldByName(QStringLiteral("TaskDayRate")).AsFloat() /
                           (FDm.DayDuration() / 24);
        return amount;
    }

    // The totals of the groups that end here, innermost first, read on the group's last row.
    void GroupTotals(int fromLevel) {
        for (int level = int(FGroups.size()) - 1; level >= fromLevel; --level) {
            TCsvGroup& group = FGroups[size_t(level)];
            TotalLine(TotalCaption(group.NameField), level, group.Sum);
            group.Sum = {};
        }
    }

    void TaskLine(const TAmount& amount) {
        QStringList values{QStringLiteral("Task")};
        for (const char* name : RowFields)
            values << FChart.FieldByName(QLatin1String(name)).DisplayText();
        values << FChart.FieldByName(QStringLiteral("Duration")).DisplayText();
        values << FChart.FieldByName(QStringLiteral("DurationText")).DisplayText();
        values << Hours(amount.Duration);
        values << FChart.FieldByName(QStringLiteral("TaskDayRate")).DisplayText();
        if (FWithValue) values << TwoDecimals(amount.Value);
        Line(values);
    }

    // A total line names its group and the groups around it (level -1: the whole report).
    void TotalLine(const QString& caption, int level, const TAmount& amount) {
        QStringList named;
        for (int outer = 0; outer <= level; ++outer)
            named << FGroups[size_t(outer)].KeyField << FGroups[size_t(outer)].NameField;
        QStringList values{caption};
        for (const char* name : RowFields) {
            const QString field = QLatin1String(name);
            values << (named.contains(field, Qt::CaseInsensitive)
                           ? FChart.FieldByName(field).DisplayText()
                           : QString());
        }
        values << FloatToStr(amount.Duration);
        values << DaysHoursMinutesText(amount.Duration, FDm.DayDuration());
        values << Hours(amount.Duration);
        values << QString();
        if (FWithValue) values << TwoDecimals(amount.Value);
        Line(values);
    }

    static QString Hours(double duration) { return TwoDecimals(ShownMinutes(duration) / 60.0); }

    void Line(const QStringList& values) {
        // A number stays a number for the spreadsheet; a text that would start a formula
        // there is kept as text.
        static const QRegularExpression number(QStringLiteral("^-?[0-9]+([.,][0-9]+)?$"));
        const QChar separator = QLatin1Char(',');
        QStringList quoted;
        for (const QString& value : values)
            quoted << TCsvGridExport::Quoted(
                number.match(value).hasMatch() ? value : TCsvGridExport::FormulaSafe(value),
                separator);
        FText += quoted.join(separator) + QStringLiteral("\r\n");
    }

    const TReport& FReport;
    TdmTasks_Form& FDm;
    TRecordSet& FChart;
    const bool FWithValue;
    std::vector<TCsvGroup> FGroups;
    QString FText;
};
} // namespace

TReportCsvShape ReportCsvShape(int reportNumber) {
    switch (reportNumber) {
    case rnTaskDuration:
        return {true, {QStringLiteral("Project Total"), QStringLiteral("Report Total")}};
    case rnProjectSummary:
        return {false, {QStringLiteral("Project Total")}};
    case rnClientActivity:
        return {true,
                {QStringLiteral("Project Total"), QStringLiteral("Client Total"),
                 QStringLiteral("Report Total")}};
    case rnUserActivity:
        return {true,
                {QStringLiteral("Project Total"), QStringLiteral("User Total"),
                 QStringLiteral("Report Total")}};
    default:
        return {};
    }
}

QStringList ReportCsvColumns(bool withValue) {
    QStringList columns{QStringLiteral("Line")};
    for (const char* name : RowFields)
        columns << QLatin1String(name);
    columns << QStringLiteral("Duration") << QStringLiteral("DurationText")
            << QStringLiteral("Hours") << QStringLiteral("TaskDayRate");
    if (withValue) columns << QStringLiteral("Value");
    return columns;
}

void WriteReportCsv(const TBaseReportXEP_BaseForm& layout, TdmTasks_Form& dm,
                    const QString& fileName) {
    // Gathered first: a report that fails leaves an old file alone.
    const QString text = TCsvWriter(layout, dm).Run();
    QSaveFile file(fileName);
    const auto fail = [&] {
        throw EXEPException(QStringLiteral("Cannot write the CSV file \"%1\": %2")
                                .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) fail();
    file.write("\xEF\xBB\xBF");
    file.write(text.toUtf8());
    if (!file.commit()) fail();
}
