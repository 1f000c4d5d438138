#pragma once
// What a grid exporter writes: the exported columns (title, field name, kind, width) and, for
// each row, every column's value and display text. The exporters know nothing of grids or
// record sets; FromRecordSet builds a source from a record set and the columns a grid shows.
//
// Usage:
//     QList<TExportColumn> columns = {{QStringLiteral("Code"), QStringLiteral("Code"), 64},
//                                     {QStringLiteral("Amount"), QStringLiteral("Amount"), 80}};
//     TExportSource source = FromRecordSet(recordSet, columns);
//     TCsvGridExport().ExportGrid(source, fileName);

#include "Components/Core/SysExceptions.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <vector>

class TRecordSet;
enum class TFieldType;

// Raised when an export cannot be completed; the message says why and, where it matters,
// names the file, the row and the column.
class EExportError : public Exception {
public:
    using Exception::Exception;
};

enum class TExportKind { Text, Integer, Float, Currency, Boolean, DateTime, Time, Memo, Blob };

// A column as the grid shows it, in the grid's current column order.
struct TExportColumn {
    QString FieldName;
    QString Title;       // empty: the field's display label
    int Width = 0;       // pixels; 0 or less: estimated from the field's display width
    bool Visible = true; // hidden columns take no part
};

// One exported column.
struct TExportField {
    QString Title;
    QString FieldName;
    TExportKind Kind = TExportKind::Text;
    QString TypeName; // the field type's short name: "String", "Integer", "AutoInc", …
    int Width = 0;    // pixels

    // Values of binary columns are not written; the column itself (its title) still is.
    bool Exportable() const { return Kind != TExportKind::Blob; }
    bool Numeric() const {
        return Kind == TExportKind::Integer || Kind == TExportKind::Float ||
               Kind == TExportKind::Currency;
    }
};

// One value: Value is invalid for null, otherwise qlonglong (integers), bool (Booleans), double
// (floats, currencies, and date-times and times as day numbers: days since 30 December 1899 plus
// the fraction of the day), QString (text, memo) or QByteArray (blob). Text is the display text the
// grid shows.
struct TExportCell {
    QVariant Value;
    QString Text;
};

using TExportRow = std::vector<TExportCell>; // one cell per field

struct TExportSource {
    QString Title; // a document title for the formats that have one; may be empty
    std::vector<TExportField> Fields;
    std::vector<TExportRow> Rows;
};

// The short type name of a field type, as its class would be called without "T" and "Field":
// "String", "Integer", "Smallint", "AutoInc", "Boolean", "DateTime", "Time", "Float",
// "Currency", "Memo", "Blob".
QString FieldTypeShortName(TFieldType type);
TExportKind ExportKindOf(TFieldType type);

// Builds a source from the rows of a record set in its current order, respecting its filter.
// Only visible columns bound to one of the set's fields take part, in the order given. A
// pending change of the current row is posted first (an unchanged new row is dropped), as any
// move in the set would; the cursor stays where it is and no scroll events run. A value or
// text that cannot be read raises EExportError naming the row and the column, so that nothing
// is written from an incomplete reading.
TExportSource FromRecordSet(TRecordSet& recordSet, const QList<TExportColumn>& columns);
