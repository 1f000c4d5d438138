#pragma once
// A spreadsheet workbook (Office Open XML, .xlsx) with one worksheet holding the table: the
// titles in bold on the first row (kept in view when scrolling), then one row per data row.
// Numbers are written as numbers, currencies as numbers with a two-decimal money format,
// Booleans as Booleans, dates and times as spreadsheet dates in the regional date and time
// formats, text as text (wrapped when it holds line breaks). A date the spreadsheet cannot
// represent (before 1 January 1900) is written as its display text.

#include "TGridExporter.h"

class TXlsxGridExport : public TGridExporter {
public:
    QString Caption() const override { return QStringLiteral("Exporting to MS Excel..."); }

    // A date-time format in Qt's syntax ("dd/MM/yyyy", "HH:mm:ss", "h:mm AP") as a spreadsheet
    // number format ("dd/mm/yyyy", "hh:mm:ss", "h:mm AM/PM").
    static QString SpreadsheetDateFormat(const QString& qtFormat);
    // The spreadsheet's serial number of a day number, which counts 29 February 1900 as a day:
    // false for days it cannot show, i.e. before 1 January 1900 except a time alone (a day
    // number from 0 to 1) when timeAlone is set.
    static bool SpreadsheetSerial(double dayNumber, bool timeAlone, double& serial);

protected:
    void DoExport(const TExportSource& source, QIODevice& device) override;
};
