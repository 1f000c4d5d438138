#include "TExportSource.h"

#include "Components/Core/SysNumbers.h"
#include "Components/RecordSet/TRecordSet.h"

#include <algorithm>

QString FieldTypeShortName(TFieldType type) {
    // The record set's own type names, but for the small integer, which the exported
    // metadata spells "Smallint".
    return type == TFieldType::SmallInt ? QStringLiteral("Smallint") : FieldTypeName(type);
}

TExportKind ExportKindOf(TFieldType type) {
    switch (type) {
    case TFieldType::String:
        return TExportKind::Text;
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        return TExportKind::Integer;
    case TFieldType::Boolean:
        return TExportKind::Boolean;
    case TFieldType::DateTime:
        return TExportKind::DateTime;
    case TFieldType::Time:
        return TExportKind::Time;
    case TFieldType::Float:
        return TExportKind::Float;
    case TFieldType::Currency:
        return TExportKind::Currency;
    case TFieldType::Memo:
        return TExportKind::Memo;
    case TFieldType::Blob:
        return TExportKind::Blob;
    }
    return TExportKind::Blob;
}

namespace {
QVariant CellValue(const TField& field, TExportKind kind) {
    const TValue v = field.RawValue();
    if (v.IsNull) return {};
    switch (kind) {
    case TExportKind::Text:
    case TExportKind::Memo:
        return v.Text;
    case TExportKind::Integer:
        return qlonglong(v.Int);
    case TExportKind::Boolean:
        return v.Int != 0;
    case TExportKind::Currency:
        return CurrencyToDouble(v.Int);
    case TExportKind::Float:
    case TExportKind::DateTime:
    case TExportKind::Time:
        return v.Float;
    case TExportKind::Blob:
        return v.Bytes;
    }
    return {};
}

bool TextShownByHandler(const TField& field, TExportKind kind) {
    return (kind == TExportKind::Text || kind == TExportKind::Memo) && bool(field.OnGetText);
}

// A width like the one a grid gives a column it has not been told the width of.
int EstimatedWidth(const TField& field) {
    return std::min(field.DisplayWidth(), 40) * 7 + 6;
}
} // namespace

TExportSource FromRecordSet(TRecordSet& recordSet, const QList<TExportColumn>& columns) {
    if (!recordSet.Active()) {
        const QString name = recordSet.Name.isEmpty() ? QStringLiteral("data set") : recordSet.Name;
        throw EExportError(QStringLiteral("Cannot export: %1 is closed").arg(name));
    }
    recordSet.CheckBrowseMode();

    TExportSource source;
    std::vector<TField*> fields;
    for (const TExportColumn& column : columns) {
        if (!column.Visible || column.FieldName.isEmpty()) continue;
        TField* field = recordSet.FindField(column.FieldName);
        if (!field) continue; // not bound to a field
        TExportField out;
        out.Title = column.Title.isEmpty() ? field->DisplayLabel() : column.Title;
        out.FieldName = field->FieldName();
        out.Kind = ExportKindOf(field->DataType());
        out.TypeName = FieldTypeShortName(field->DataType());
        out.Width = column.Width > 0 ? column.Width : EstimatedWidth(*field);
        source.Fields.push_back(out);
        fields.push_back(field);
    }

    const int count = recordSet.RecordCount();
    source.Rows.reserve(size_t(count));
    for (int recNo = 1; recNo <= count; ++recNo) {
        TExportRow row(fields.size());
        recordSet.WithRecord(recNo, [&] {
            for (size_t i = 0; i < fields.size(); ++i) {
                const TExportField& out = source.Fields[i];
                try {
                    row[i].Value = CellValue(*fields[i], out.Kind);
                    if (out.Exportable()) row[i].Text = fields[i]->DisplayText();
                    // A text a handler gives (a password shown masked, say) is exported as
                    // shown in every format, never the value behind it.
                    if (TextShownByHandler(*fields[i], out.Kind) && !row[i].Value.isNull())
                        row[i].Value = row[i].Text;
                } catch (const std::exception& e) {
                    const QString reason = dynamic_cast<const Exception*>(&e)
                                               ? static_cast<const Exception&>(e).Message()
                                               : QString::fromUtf8(e.what());
                    throw EExportError(
                        QStringLiteral("Cannot read the value of column \"%1\" in row %2: %3")
                            .arg(out.Title)
                            .arg(recNo)
                            .arg(reason));
                }
            }
        });
        source.Rows.push_back(std::move(row));
    }
    return source;
}
