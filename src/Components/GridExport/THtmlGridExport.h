#pragma once
// An HTML page in UTF-8 holding one table: a header row of the column titles, then one table
// row per data row. Values are the display texts, escaped; line breaks inside a value become
// <br>; numbers are aligned to the right.

#include "TGridExporter.h"

class THtmlGridExport : public TGridExporter {
public:
    QString Caption() const override { return QStringLiteral("Exporting to HTML..."); }

    // Text with &, <, >, " and ' written as references.
    static QString Escaped(const QString& text);

protected:
    void DoExport(const TExportSource& source, QIODevice& device) override;
};
