#pragma once
// "tivrel report N --from YYYY-MM-DD --to YYYY-MM-DD [--project N | --client N | --user N]
// --out FILE": gathers report N over the store of the data directory as the reports window
// does and writes it as a PDF (FILE ending in .pdf) or as CSV (.csv, see Report_Csv.h). The
// store is only read: no lock is taken and nothing is written but FILE. Of the history only the
// rows of the report's dates are read, through the history file's index (the whole file when
// it has no index that fits it).

#include <QString>

class QTextStream;
struct TCommandLine;
struct TDataModuleOptions;

// The report's criteria as given on the command line.
struct TReportRequest {
    int ReportNumber = 0;
    double StartDate = 0, EndDate = 0; // day numbers
    QString Restriction;               // "project", "client", "user" or empty (all)
    int RestrictionKey = 0;
    QString OutFile;
    bool Pdf = true;
};

// Checks the command's words and options; false with the reason in error.
bool ParseReportRequest(const TCommandLine& commandLine, TReportRequest& request, QString& error);

// Runs a checked request on the store the options find, opened read-only; the exit code (0
// done, 1 failed with a message on err).
int RunReportRequest(const TReportRequest& request, TDataModuleOptions options, QTextStream& err);

// "tivrel report --help": the command, the reports and the columns and lines of their CSV.
QString ReportCommandUsage(const QString& programName);
