#pragma once
// A report as CSV for other programs (payroll, invoicing, a spreadsheet): what the report
// prints, line for line. Each task row of the report is a "Task" line; each group total the
// report prints is a line of its own ("Project Total", "Client Total", "User Total") after the
// group's rows, and the report total a "Report Total" line at the end, where the report
// prints one. The groups are the layout's own, so the lines and totals are the PDF's.
//
// Columns, in order: Line, TaskCode, TaskDescription, ProjectNumber, ProjectName, ClientId,
// ClientName, UserId, UserName, DateTimeCreated, Active, Completed, Duration (a fraction of a
// 24-hour day), DurationText (working days, hours and minutes, as printed), Hours (decimal
// hours with two decimals: the minutes shown by DurationText / 60), TaskDayRate, and Value
// (the time in working days times the daily rate, two decimals) for the reports that print a
// value. A total line names only its group (its key and name) and carries the summed
// Duration, DurationText, Hours and Value. UTF-8 with a byte order mark, CR LF line ends,
// values quoted as RFC 4180 asks; numbers use the decimal separator of the regional formats.

#include <QString>
#include <QStringList>

class TBaseReportXEP_BaseForm;
class TdmTasks_Form;

// What the CSV of a report number holds, for the command's help: whether it has the Value
// column, and the total lines it writes ("Project Total", …, "Report Total").
struct TReportCsvShape {
    bool Value = false;
    QStringList Totals;
};
TReportCsvShape ReportCsvShape(int reportNumber);

// The column titles of a report's CSV.
QStringList ReportCsvColumns(bool withValue);

// Writes the chart data set as the layout prints it. The file is replaced whole or not at
// all; a failure raises EXEPException naming the file.
void WriteReportCsv(const TBaseReportXEP_BaseForm& layout, TdmTasks_Form& dm,
                    const QString& fileName);
