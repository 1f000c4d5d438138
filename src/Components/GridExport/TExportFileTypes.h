#pragma once
// The file types an export can be saved as, in the order a save dialog lists them (index 1 to
// 5): HTML, CSV, MS Word (RTF), MS Excel (a workbook) and the XML data packet. The exporter is
// chosen by the type index alone, never by the extension of the name typed.
//
// A save dialog uses: ExportDialogTitle, ExportFilterEntries as its name filters (with
// QFileDialog::HideNameFilterDetails it shows the labels alone, "HTML (*.htm;*.html)", while
// filtering by the patterns in the last parentheses), ExportDefaultFileName and
// ExportDefaultSuffix; when the user picks another type, ChangeExportExtension on the typed
// name; on confirmation ExportTypeOfFilter for the chosen entry, then ExportRecordSet (or
// CreateExporter and ExportGrid).

#include "TGridExporter.h"

#include <QStringList>
#include <memory>

class TRecordSet;

constexpr int ExportTypeCount = 5;

enum class TExportType { Html = 1, Csv = 2, Word = 3, Excel = 4, Xml = 5 };

QString ExportDialogTitle();     // "Export Data"
QString ExportDefaultFileName(); // "ExportData.htm"
QString ExportDefaultSuffix();   // "htm"

// "HTML (*.htm;*.html)" with its patterns for index 1, …; empty outside 1 to 5.
QString ExportTypeLabel(int typeIndex);
QStringList ExportTypePatterns(int typeIndex); // {"*.htm", "*.html"} for index 1
QString ExportTypeExtension(int typeIndex);    // ".htm" for index 1
// The entries of a Qt name filter, one per type, e.g. "HTML (*.htm;*.html) (*.htm *.html)";
// the list index + 1 is the type index.
QStringList ExportFilterEntries();
QString ExportFilter(); // the entries joined by ";;"
// The type index (1 to 5) of a name filter entry chosen in a dialog; 0 when unknown.
int ExportTypeOfFilter(const QString& filterEntry);

// The typed name with its extension changed to that of the type: "report" and the XML type
// give "report.xml", "data.csv" and the HTML type "data.htm". A folder part is kept; an empty
// file name part gives the empty text (nothing to change) as does an index outside 1 to 5.
QString ChangeExportExtension(const QString& typedName, int typeIndex);

// A new exporter for the type; nullptr outside 1 to 5.
std::unique_ptr<TGridExporter> CreateExporter(int typeIndex);

// Reads the rows and writes them in the type's format to the file; false (and nothing done)
// for an index outside 1 to 5. Failures raise EExportError or the record set's own error.
bool ExportRecordSet(int typeIndex, TRecordSet& recordSet, const QList<TExportColumn>& columns,
                     const QString& fileName, const TExportProgressEvent& onProgress = {});
