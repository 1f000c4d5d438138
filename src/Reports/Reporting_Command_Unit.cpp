#include "Reporting_Command_Unit.h"

#include "BaseReportXEP_BaseUnit.h"
#include "Report_Csv.h"
#include "Report_Layouts.h"
#include "Reporting_Chart_Unit.h"

#include "BaseUnits/XEP_CommandLine.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Messages.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"

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
        // Only the report's dates are read from the history, through its index.
        options.HistoryFromDay = request.StartDate;
        options.HistoryToDay = request.EndDate;
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

        const auto layout = CreateReportLayout(request.ReportNumber, dm, details);
        if (!request.Pdf) {
            WriteReportCsv(*layout, dm, request.OutFile);
        } else {
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

QString ReportCommandUsage(const QString& programName) {
    QString text =
        QStringLiteral(
            "Usage: %1 [--data-dir DIR] report N --from YYYY-MM-DD --to YYYY-MM-DD\n"
            "             [--project N | --client N | --user N] --out FILE.pdf|FILE.csv\n"
            "\n"
            "Writes report N over the history submitted from --from to --to (both days\n"
            "included) as a PDF, or as CSV for other programs (payroll, invoicing, a\n"
            "spreadsheet). The store is only read, so this runs beside the program.\n"
            "\n"
            "Reports:\n"
            "  1  task duration     tasks by project\n"
            "  2  project summary   tasks by project; --project N keeps one project\n"
            "  3  client activity   tasks by client and project; --client N keeps one client\n"
            "  4  user activity     tasks by user and project; --user N keeps one user\n"
            "\n"
            "The CSV holds what the report prints, one line each: a \"Task\" line per task row,\n"
            "a line per group total after the group's rows, and the report total at the end.\n"
            "UTF-8, comma-separated, the column names on the first line; numbers use the\n"
            "decimal separator of your regional settings. Columns:\n"
            "  Line              Task, or the total the line is (Project Total, ...)\n"
            "  TaskCode, TaskDescription, ProjectNumber, ProjectName, ClientId, ClientName,\n"
            "  UserId, UserName  the task row's (a total line fills only its group's)\n"
            "  DateTimeCreated   the day the first history row of the task row was submitted\n"
            "  Active, Completed True or False\n"
            "  Duration          the time as a fraction of a 24-hour day\n"
            "  DurationText      the time in working days, hours and minutes, as printed\n"
            "  Hours             the time in decimal hours, two decimals (1:30 is 1.50)\n"
            "  TaskDayRate       the task code's daily rate\n"
            "  Value             the time in working days times the daily rate, two decimals\n"
            "\n"
            "Each report writes:\n")
            .arg(programName);
    const char* const names[] = {"", "task duration", "project summary", "client activity",
                                 "user activity"};
    for (int report = rnTaskDuration; report <= rnUserActivity; ++report) {
        const TReportCsvShape shape = ReportCsvShape(report);
        text += QStringLiteral("  %1  %2: Task lines, %3; %4\n")
                    .arg(report)
                    .arg(QLatin1String(names[report]), shape.Totals.join(QStringLiteral(", ")),
                         shape.Value ? QStringLiteral("all the columns")
                                     : QStringLiteral("no Value column"));
    }
    return text;
}
