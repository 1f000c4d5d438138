#include "Reporting_Command_Unit.h"

#include "BaseReportXEP_BaseUnit.h"
#include "Report_Layouts.h"
#include "Reporting_Chart_Unit.h"

#include "BaseUnits/XEP_CommandLine.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Messages.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/GridExport/TExportFileTypes.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {
// The report that each restriction applies to.
int ReportOfRestriction(const QString& restriction) {
    if (restriction == QLatin1String("project")) return rnProjectSummary;
    if (restriction == QLatin1String("client")) return rnClientActivity;
    return rnUserActivity;
}

bool ParseDate(const QString& text, const char* option, double& day, QString& error) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) {
        error = QStringLiteral("--%1: '%2' is not a date of the form YYYY-MM-DD")
                    .arg(QLatin1String(option), text);
        return false;
    }
    day = DateToDayNumber(date);
    return true;
}

void WriteChartCsv(TRecordSet& chart, const QString& fileName) {
    QList<TExportColumn> columns;
    for (const char* name : {"TaskCode", "TaskDescription", "ProjectNumber", "ProjectName",
                             "ClientId", "ClientName", "UserId", "UserName", "DateTimeCreated",
                             "Active", "Completed", "Duration", "DurationText", "TaskDayRate"})
        columns.append({QLatin1String(name), QLatin1String(name)});
    ExportRecordSet(int(TExportType::Csv), chart, columns, fileName);
}
} // namespace

bool ParseReportRequest(const TCommandLine& commandLine, TReportRequest& request, QString& error) {
    const QStringList& words = commandLine.Commands;
    const QMap<QString, QString>& options = commandLine.CommandOptions;
    if (words.size() != 2) {
        error = QStringLiteral("report needs one report number");
        return false;
    }
    bool isNumber = false;
    request.ReportNumber = words.at(1).toInt(&isNumber);
    if (!isNumber || request.ReportNumber < rnTaskDuration ||
        request.ReportNumber > rnUserActivity) {
        error = QStringLiteral("unknown report '%1': the reports are 1 (task duration), 2 "
                               "(project summary), 3 (client activity) and 4 (user activity)")
                    .arg(words.at(1));
        return false;
    }
    for (const char* needed : {"from", "to", "out"}) {
        if (!options.contains(QLatin1String(needed))) {
            error = QStringLiteral("report needs --%1").arg(QLatin1String(needed));
            return false;
        }
    }
    if (!ParseDate(options.value(QStringLiteral("from")), "from", request.StartDate, error) ||
        !ParseDate(options.value(QStringLiteral("to")), "to", request.EndDate, error))
        return false;
    if (request.StartDate > request.EndDate) {
        error =
            QStringLiteral("the date of --from (%1) is after the date of --to (%2)")
                .arg(options.value(QStringLiteral("from")), options.value(QStringLiteral("to")));
        return false;
    }
    for (const char* name : {"project", "client", "user"}) {
        const QString option = QLatin1String(name);
        if (!options.contains(option)) continue;
        if (!request.Restriction.isEmpty()) {
            error = QStringLiteral("give only one of --project, --client and --user");
            return false;
        }
        if (ReportOfRestriction(option) != request.ReportNumber) {
            error = QStringLiteral("--%1 applies to report %2 only")
                        .arg(option)
                        .arg(ReportOfRestriction(option));
            return false;
        }
        request.RestrictionKey = options.value(option).toInt(&isNumber);
        if (!isNumber) {
            error = QStringLiteral("--%1: '%2' is not a number").arg(option, options.value(option));
            return false;
        }
        request.Restriction = option;
    }
    request.OutFile = options.value(QStringLiteral("out"));
    const QString suffix = QFileInfo(request.OutFile).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("csv")) {
        error = QStringLiteral("--out: '%1' must end in .pdf or .csv").arg(request.OutFile);
        return false;
    }
    request.Pdf = suffix == QLatin1String("pdf");
    for (const QString& option : options.keys()) {
        if (!QStringList{QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("out"),
                         QStringLiteral("project"), QStringLiteral("client"),
                         QStringLiteral("user")}
                 .contains(option)) {
            error = QStringLiteral("report does not take --%1").arg(option);
            return false;
        }
    }
    return true;
}

int RunReportRequest(const TReportRequest& request, TDataModuleOptions options, QTextStream& err) {
    const TMessageHandler previous =
        SetInformationMessageHandler([&err](const QString& text) { err << text << '\n'; });
    try {
        options.ReadOnly = true;
        TdmTasks_Form dm(nullptr, options);
        // A folder that is not there is a mistyped name more likely than an empty store.
        if (!QDir(dm.DirsObj()->DataDir()).exists())
            throw EXEPException(QStringLiteral("The data folder %1 does not exist.")
                                    .arg(QDir::toNativeSeparators(dm.DirsObj()->DataDir())));

        TRecordSet details;
        CreateReportDetails(details);
        details.Edit();
        details.FieldByName(QStringLiteral("ReportNumber")).SetAsInteger(request.ReportNumber);
        const bool all = request.Restriction.isEmpty();
        for (const char* name : {"AllProjects", "AllClients", "AllUsers"})
            details.FieldByName(QLatin1String(name)).SetAsBoolean(all);
        if (!all) {
            const char* key = request.Restriction == QLatin1String("project")  ? "ProjectNumber"
                              : request.Restriction == QLatin1String("client") ? "ClientId"
                                                                               : "UserId";
            details.FieldByName(QLatin1String(key)).SetAsInteger(request.RestrictionKey);
        }
        details.Post();
        PopulateChartandReport(dm, details, request.StartDate, request.EndDate);

        if (!request.Pdf) {
            WriteChartCsv(dm.adsChartData, request.OutFile);
        } else {
            const auto layout = CreateReportLayout(request.ReportNumber, dm, details);
            QString error;
            if (!layout->ExportToPdf(request.OutFile, &error)) throw EXEPException(error);
        }
        SetInformationMessageHandler(previous);
        return 0;
    } catch (const Exception& e) {
        err << e.Message() << '\n';
        SetInformationMessageHandler(previous);
        return 1;
    }
}
