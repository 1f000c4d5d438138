#include "Reporting_Chart_Unit.h"

#include "BaseUnits/Frame_Select_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/RecordSet/TRecordSet.h"

#include <cmath>
#include <vector>

namespace {
TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// The key of one run of history rows.
struct TRunKey {
    QString TaskCode;
    int ProjectNumber = -1;
    int ClientId = -1;
    int UserId = -1;
    bool operator==(const TRunKey&) const = default;
};

double TimeOfDay(double duration) {
    return duration - std::floor(duration);
}
} // namespace

void DefineReportDetails(TRecordSet& d) {
    if (d.FieldCount() > 0) return;
    d.Name = QStringLiteral("adsReportDetails");
    for (const char* name : {"ReportNumber", "ProjectNumber", "ClientId", "UserId"})
        d.AddField(QLatin1String(name), TFieldType::Integer);
    for (const char* name : {"AllProjects", "AllClients", "AllUsers"})
        d.AddField(QLatin1String(name), TFieldType::Boolean);
    d.AddField(QStringLiteral("dtStartDate"), TFieldType::DateTime);
    d.AddField(QStringLiteral("dtEndDate"), TFieldType::DateTime);
}

void CreateReportDetails(TRecordSet& d) {
    DefineReportDetails(d);
    if (d.Active() && d.RecordCount() > 0) return;
    if (!d.Active()) d.CreateDataSet();
    d.Append();
    F(d, "ReportNumber").SetAsInteger(rnTaskDuration);
    for (const char* name : {"ProjectNumber", "ClientId", "UserId"})
        F(d, name).SetAsInteger(0);
    for (const char* name : {"AllClients", "AllProjects", "AllUsers"})
        F(d, name).SetAsBoolean(false);
    d.Post();
}

QString ReportFilterText(const TRecordSet& d, double startDate, double endDate) {
    QString filter = SubmittedRangeFilter(startDate, endDate);
    switch (F(d, "ReportNumber").AsInteger()) {
    case rnProjectSummary:
        if (!F(d, "AllProjects").AsBoolean())
            filter +=
                QStringLiteral(" AND ProjectNumber = %1").arg(F(d, "ProjectNumber").AsInteger());
        break;
    case rnClientActivity:
        if (!F(d, "AllClients").AsBoolean())
            filter += QStringLiteral(" AND ClientID = %1").arg(F(d, "ClientId").AsInteger());
        break;
    case rnUserActivity:
        if (!F(d, "AllUsers").AsBoolean())
            filter += QStringLiteral(" AND UserID = %1").arg(F(d, "UserId").AsInteger());
        break;
    default:
        break;
    }
    return filter;
}

QString ReportSortText(int reportNumber) {
    switch (reportNumber) {
    case rnTaskDuration:
    case rnProjectSummary:
        return QStringLiteral("ProjectNumber,TaskCode");
    case rnClientActivity:
        return QStringLiteral("ClientId,ProjectNumber,TaskCode");
    case rnUserActivity:
        return QStringLiteral("UserId,ProjectNumber,TaskCode");
    default:
        return QString();
    }
}

void PopulateChartandReport(TdmTasks_Form& dm, TRecordSet& details, double startDate,
                            double endDate) {
    TRecordSet& history = dm.History();
    TRecordSet& chart = dm.adsChartData;
    if (!chart.Active()) chart.CreateDataSet();
    TControlsSuspended historyQuiet(history); // resumed whatever happens
    TControlsSuspended chartQuiet(chart);

    details.Edit();
    F(details, "dtStartDate").SetAsDateTime(startDate);
    F(details, "dtEndDate").SetAsDateTime(endDate);
    details.Post();

    history.SetFilter(ReportFilterText(details, startDate, endDate));
    history.SetFiltered(true);

    chart.CheckBrowseMode();
    chart.First();
    while (!chart.Eof())
        chart.Delete();

    const QString sort = ReportSortText(F(details, "ReportNumber").AsInteger());
    if (!sort.isEmpty()) history.SetSort(sort);

    // The runs are gathered first and each chart row appended with its final total,
    // which is the total the last-added row would receive when the next run starts. A run
    // whose task code is empty keeps its time too.
    struct TRun {
        TRunKey Key;
        bool Active = false, Completed = false;
        double Submitted = 0, Total = 0;
    };
    std::vector<TRun> runs;
    TField& taskCode = F(history, "TaskCode");
    TField& projectNumber = F(history, "ProjectNumber");
    TField& clientId = F(history, "ClientId");
    TField& userId = F(history, "UserId");
    TField& duration = F(history, "Duration");
    TField& active = F(history, "Active");
    TField& completed = F(history, "Completed");
    TField& submitted = F(history, "DateTimeSubmitted");
    for (history.First(); !history.Eof(); history.Next()) {
        TRunKey key{taskCode.AsString(), projectNumber.AsInteger(), clientId.AsInteger(),
                    userId.AsInteger()};
        if (!runs.empty() && key == runs.back().Key) {
            runs.back().Total += TimeOfDay(duration.AsFloat());
            continue;
        }
        runs.push_back({std::move(key), active.AsBoolean(), completed.AsBoolean(),
                        submitted.AsDateTime(), TimeOfDay(duration.AsFloat())});
    }

    for (const TRun& run : runs) {
        chart.Append();
        F(chart, "TaskCode").SetAsString(run.Key.TaskCode);
        F(chart, "ProjectNumber").SetAsInteger(run.Key.ProjectNumber);
        F(chart, "ClientId").SetAsInteger(run.Key.ClientId);
        F(chart, "UserId").SetAsInteger(run.Key.UserId);
        F(chart, "Active").SetAsBoolean(run.Active);
        F(chart, "Completed").SetAsBoolean(run.Completed);
        F(chart, "DateTimeCreated").SetAsDateTime(run.Submitted);
        F(chart, "Duration").SetAsFloat(run.Total);
        chart.Post();
    }
    chart.CommitUpdates();
    chart.First();
}
