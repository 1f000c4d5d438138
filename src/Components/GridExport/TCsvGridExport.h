#pragma once
// Comma-separated values: the titles on the first line, then one line per row, in UTF-8 with
// a byte order mark (so that spreadsheets recognise the encoding) and CR LF line ends.
// A value holding the separator, a quote, a line break or blanks at either end is quoted, its
// quotes doubled (RFC 4180). Values are the display texts the grid shows.

#include "TGridExporter.h"

class TCsvGridExport : public TGridExporter {
public:
    QString Caption() const override { return QStringLiteral("Exporting to CSV/Text..."); }
    QChar Separator = QLatin1Char(',');

    // One value as it stands in a line.
    static QString Quoted(const QString& value, QChar separator);
    // The text with an apostrophe in front when a spreadsheet would take it for a formula.
    static QString FormulaSafe(const QString& value);

protected:
    void DoExport(const TExportSource& source, QIODevice& device) override;
};
