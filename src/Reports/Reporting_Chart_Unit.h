#pragma once
// The gathering behind every report: the criteria record (which report, which project, client
// or user, the date range of the last report) and the condensing of the history rows it
// selects into the chart data set that the layouts print. No widgets: the reports window and
// the command line share it.

#include <QString>

class TRecordSet;
class TdmTasks_Form;

// The report numbers the program has layouts for.
enum TReportNumber {
    rnTaskDuration = 1,
    rnProjectSummary = 2,
    rnClientActivity = 3,
    rnUserActivity = 4,
};

// Defines the criteria record's fields; CreateReportDetails opens it with its one row when it
// has none yet: report 1, project, client and user 0, no "All" ticked.
void DefineReportDetails(TRecordSet& adsReportDetails);
void CreateReportDetails(TRecordSet& adsReportDetails);

// " DateTimeSubmitted >= <start> AND DateTimeSubmitted <= <end>" with the dates in the short
// date format, then the restriction of the chosen report unless its "All" is ticked.
QString ReportFilterText(const TRecordSet& adsReportDetails, double startDate, double endDate);

// The order the report's groups need the history in; empty for a number without a layout.
QString ReportSortText(int reportNumber);

// Filters and sorts the history for the report chosen in adsReportDetails over the range, and
// fills dm.adsChartData with one row per run of consecutive history rows of equal task code,
// project, client and user: the run's summed time of day, the flags and the submission date
// of its first row. The range is kept in dtStartDate and dtEndDate for the page headers. The
// history stays filtered and sorted afterwards.
void PopulateChartandReport(TdmTasks_Form& dm, TRecordSet& adsReportDetails, double startDate,
                            double endDate);
