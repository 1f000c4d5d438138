// Searching, filtering, sorting and cloning of record sets.

#include "Components/Core/SysExceptions.h"
#include "TFilterExpression.h"
#include "TRecordSet.h"
#include "TRowStore.h"

#include <algorithm>

// ---------------------------------------------------------------- searching

std::vector<int> TRecordSet::ResolveKeys(const QString& keyFields) const {
    std::vector<int> fields;
    for (const QString& key : SplitFieldList(keyFields))
        fields.push_back(FieldByName(key).Index());
    if (fields.empty()) Error(QStringLiteral("No key fields given"));
    return fields;
}

bool TRecordSet::RowMatches(quint32 slot, const std::vector<int>& fields,
                            const std::vector<TValue>& values, TLocateOptions options) const {
    const Qt::CaseSensitivity cs =
        options.CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t k = 0; k < fields.size(); ++k) {
        const TField& field = *FFields[size_t(fields[k])];
        const TValue& value = values[k];
        if (field.FieldKind() != TFieldKind::Data) {
            TValue stored;
            WithSlot(slot, [&] { stored = field.RawValue(); });
            if (field.IsStringType() && !stored.IsNull && !value.IsNull) {
                if (options.PartialKey ? !stored.Text.startsWith(value.Text, cs)
                                       : stored.Text.compare(value.Text, cs) != 0)
                    return false;
            } else if (!SameValue(field.DataType(), stored, value)) {
                return false;
            }
            continue;
        }
        const TColumn& c = FStore->Columns[size_t(field.Column())];
        if (value.IsNull) {
            if (!c.IsNull(slot)) return false;
            continue;
        }
        if (c.IsNull(slot)) return false;
        switch (c.Type) {
        case TFieldType::Integer:
        case TFieldType::SmallInt:
        case TFieldType::AutoInc:
            if (c.Ints[slot] != value.Int) return false;
            break;
        case TFieldType::Boolean:
            if ((c.Bools[slot] != 0) != (value.Int != 0)) return false;
            break;
        case TFieldType::DateTime:
        case TFieldType::Time:
        case TFieldType::Float:
            if (c.Floats[slot] != value.Float) return false;
            break;
        case TFieldType::Currency:
            if (c.Units[slot] != value.Int) return false;
            break;
        case TFieldType::String:
        case TFieldType::Memo: {
            const QStringView text = c.Str(slot);
            if (options.PartialKey ? !text.startsWith(value.Text, cs)
                                   : text.compare(value.Text, cs) != 0)
                return false;
            break;
        }
        case TFieldType::Blob:
            if (c.Blobs[slot] != value.Bytes) return false;
            break;
        }
    }
    return true;
}

bool TRecordSet::Locate(const QString& keyFields, const QVariant& value, TLocateOptions options) {
    return Locate(keyFields, QVariantList{value}, options);
}

bool TRecordSet::Locate(const QString& keyFields, const QVariantList& values,
                        TLocateOptions options) {
    CheckActive();
    CheckBrowseMode();
    const std::vector<int> fields = ResolveKeys(keyFields);
    if (values.size() != qsizetype(fields.size()))
        Error(QStringLiteral("Locate on '%1' needs %2 values").arg(keyFields).arg(fields.size()));
    std::vector<TValue> keys;
    for (size_t k = 0; k < fields.size(); ++k) {
        const TField& field = *FFields[size_t(fields[k])];
        const QVariant& v = values.at(qsizetype(k));
        // A partial key is text even when it is not a whole value of the field.
        if (field.IsStringType() && v.isValid() && !v.isNull())
            keys.push_back(TValue::FromText(v.toString()));
        else
            keys.push_back(field.ConvertVariant(v));
    }
    RunEvent(BeforeScroll);
    const int n = ViewSize();
    for (int i = 0; i < n; ++i) {
        if (!RowMatches(ViewSlot(i), fields, keys, options)) continue;
        MoveTo(i, false, false);
        RunEvent(AfterScroll);
        return true;
    }
    return false;
}

QVariant TRecordSet::Lookup(const QString& keyFields, const QVariantList& values,
                            const QString& resultField) {
    CheckActive();
    const std::vector<int> fields = ResolveKeys(keyFields);
    if (values.size() != qsizetype(fields.size()))
        Error(QStringLiteral("Lookup on '%1' needs %2 values").arg(keyFields).arg(fields.size()));
    std::vector<TValue> keys;
    for (size_t k = 0; k < fields.size(); ++k)
        keys.push_back(FFields[size_t(fields[k])]->ConvertVariant(values.at(qsizetype(k))));
    const TField& result = FieldByName(resultField);
    const int n = ViewSize();
    for (int i = 0; i < n; ++i) {
        if (!RowMatches(ViewSlot(i), fields, keys, {})) continue;
        QVariant found;
        WithRecord(i + 1, [&] { found = result.Value(); });
        return found;
    }
    return {};
}

// ---------------------------------------------------------------- filter and sort

void TRecordSet::SetFilter(const QString& text) {
    std::shared_ptr<TFilterExpression> filter = TFilterExpression::Parse(text, *this);
    if (Active() && FFiltered) CheckBrowseMode();
    FFilterText = text;
    FFilter = std::move(filter);
    if (!Active() || !FFiltered) return;
    RunEvent(BeforeScroll);
    RebuildView();
    const int n = ViewSize();
    MoveTo(n > 0 ? 0 : -1, true, n == 0);
    Notify(DataSetChangedNote);
    RunEvent(AfterScroll);
}

void TRecordSet::SetFiltered(bool filtered) {
    if (filtered == FFiltered) return;
    if (Active()) CheckBrowseMode();
    FFiltered = filtered;
    if (!Active()) return;
    RunEvent(BeforeScroll);
    RebuildView();
    const int n = ViewSize();
    MoveTo(n > 0 ? 0 : -1, true, n == 0);
    Notify(DataSetChangedNote);
    RunEvent(AfterScroll);
}

void TRecordSet::SetSort(const QString& text) {
    std::vector<std::pair<int, bool>> keys;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        bool descending = false;
        if (words.size() == 2 &&
            words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
            descending = true;
        else if (words.size() > 2 ||
                 (words.size() == 2 &&
                  words.at(1).compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0))
            Error(QStringLiteral("Invalid sort text '%1'").arg(text));
        const TField& field = FieldByName(words.at(0));
        if (field.FieldKind() != TFieldKind::Data)
            Error(QStringLiteral("Cannot sort on the field '%1', which is not stored")
                      .arg(field.FieldName()));
        keys.emplace_back(field.Column(), descending);
    }
    if (Active()) CheckBrowseMode();
    FSortText = text;
    FSortKeys = std::move(keys);
    if (!Active()) return;
    RunEvent(BeforeScroll);
    RebuildView();
    const int n = ViewSize();
    MoveTo(n > 0 ? 0 : -1, true, n == 0);
    Notify(DataSetChangedNote);
    RunEvent(AfterScroll);
}

// ---------------------------------------------------------------- clones and controls

std::unique_ptr<TRecordSet> TRecordSet::Clone() const {
    CheckActive();
    auto clone = std::make_unique<TRecordSet>();
    clone->Name = Name;
    for (const auto& source : FFields) {
        TField& field = clone->AddFieldDef(source->FieldName(), source->DataType(), source->Size(),
                                           source->FieldKind());
        field.SetDisplayLabel(source->FDisplayLabel);
        field.SetDisplayFormat(source->DisplayFormat());
        field.SetEditFormat(source->EditFormat());
        field.SetEditMask(source->EditMask());
        field.SetDisplayWidth(source->FDisplayWidth);
        field.SetVisible(source->Visible());
        field.SetReadOnly(source->ReadOnly());
        field.SetLookup(source->LookupDataSet(), source->KeyFields(), source->LookupKeyFields(),
                        source->LookupResultField());
    }
    clone->Attach(FStore);
    clone->FCalcBuffer.assign(clone->FFields.size(), TValue());
    clone->FState = TDataSetState::Browse;
    const int n = clone->ViewSize();
    clone->FCur = n > 0 ? 0 : -1;
    clone->FBof = true;
    clone->FEof = n == 0;
    return clone;
}
