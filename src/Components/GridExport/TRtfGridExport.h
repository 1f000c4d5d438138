#pragma once
// A word-processor document in Rich Text Format holding the table: a header row of the titles
// in bold (repeated on every page), then one table row per data row, with the display texts.
// Column widths follow the grid's, scaled down to fit the page when wider. Characters outside
// ASCII are written as \uN escapes, so any letter survives; line breaks in a value become line
// breaks in the cell. Word and LibreOffice open it under the .doc name.

#include "TGridExporter.h"

#include <QByteArray>

class TRtfGridExport : public TGridExporter {
public:
    QString Caption() const override { return QStringLiteral("Exporting to MS Word..."); }

    // Text in RTF: \, { and } escaped, tabs and line breaks as control words, everything
    // outside ASCII as \uN with "?" for readers that do not know Unicode.
    static QByteArray Escaped(const QString& text);

protected:
    void DoExport(const TExportSource& source, QIODevice& device) override;
};
