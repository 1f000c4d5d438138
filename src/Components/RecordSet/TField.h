#pragma once
// A field of a record set: its definition (name, type, size, kind, display properties), typed
// access to the value of the record set's active buffer, and the per-field events.
//
// The active buffer is the edit buffer while the record set is in edit or insert mode, the
// row being calculated while the calculation event runs, and the current row otherwise.
// Assignments are allowed only in edit or insert mode (calculated fields also while the
// calculation event runs); otherwise they raise EDatabaseError "Dataset not in edit or insert
// mode", like a Delphi data set.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <functional>

class EDatabaseError;
class TRecordSet;

enum class TFieldType {
    String,   // text of at most Size characters (grapheme clusters); longer values are cut on
              // assignment, never inside a character
    Integer,  // 32-bit signed
    SmallInt, // 16-bit signed
    AutoInc,  // 32-bit signed key; values are always assigned by the program
    Boolean,
    DateTime, // day number: days since 30 December 1899 plus the fraction of the day
    Time,     // fraction of a day
    Float,    // double
    Currency, // fixed point with four decimals, held as ten-thousandths
    Memo,     // text of any length
    Blob,     // bytes of any length
};

enum class TFieldKind { Data, Lookup, Calculated };

QString FieldTypeName(TFieldType type);

// One value of any field type. Integers, booleans (0/1) and currencies (ten-thousandths) use
// Int; floats, date-times and times use Float; strings and memos use Text; blobs use Bytes.
struct TValue {
    bool IsNull = true;
    qint64 Int = 0;
    double Float = 0;
    QString Text;
    QByteArray Bytes;

    static TValue Null() { return {}; }
    static TValue FromInt(qint64 v) { return {false, v, 0, {}, {}}; }
    static TValue FromFloat(double v) { return {false, 0, v, {}, {}}; }
    static TValue FromText(QString v) { return {false, 0, 0, std::move(v), {}}; }
    static TValue FromBytes(QByteArray v) { return {false, 0, 0, {}, std::move(v)}; }
};

bool SameValue(TFieldType type, const TValue& a, const TValue& b);

class TField {
public:
    TField(TRecordSet& dataSet, const QString& name, TFieldType type, int size, TFieldKind kind);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    // Definition
    const QString& FieldName() const { return FName; }
    TFieldType DataType() const { return FType; }
    TFieldKind FieldKind() const { return FKind; }
    int Size() const { return FSize; } // characters of a string field, 0 for other types
    int Index() const { return FIndex; }
    TRecordSet& DataSet() const { return FDataSet; }
    bool IsStringType() const { return FType == TFieldType::String || FType == TFieldType::Memo; }
    // The storage column of a data field, -1 for lookup and calculated fields.
    int Column() const { return FColumn; }

    // Display properties
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FName : FDisplayLabel; }
    void SetDisplayLabel(const QString& label) { FDisplayLabel = label; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& format) { FDisplayFormat = format; }
    const QString& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString& format) { FEditFormat = format; }
    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& mask) { FEditMask = mask; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { FDisplayWidth = width; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    // Lookup definition: the row of LookupDataSet whose LookupKeyFields equal this record
    // set's KeyFields (lists separated by ";") gives LookupResultField.
    TRecordSet* LookupDataSet() const { return FLookupDataSet; }
    const QString& KeyFields() const { return FKeyFields; }
    const QString& LookupKeyFields() const { return FLookupKeyFields; }
    const QString& LookupResultField() const { return FLookupResultField; }
    void SetLookup(TRecordSet* lookupDataSet, const QString& keyFields,
                   const QString& lookupKeyFields, const QString& resultField);

    // Reading the active buffer. A null value reads as "", 0, false or day 0.
    bool IsNull() const;
    TValue RawValue() const;
    QVariant Value() const;    // an invalid QVariant for null
    QVariant OldValue() const; // the stored value of the row before the pending edit
    QString AsString() const;
    qint32 AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    double AsDateTime() const;
    double AsCurrency() const;
    qint64 AsCurrencyUnits() const;
    QByteArray AsBytes() const;
    // The edit text and the display text: OnGetText when set, otherwise the value formatted
    // with EditFormat (Text) or DisplayFormat (DisplayText).
    QString Text() const;
    QString DisplayText() const;

    // Assignments. Each runs OnValidate (which sees the new value and may throw: the old value
    // stays), stores the value, recalculates the calculated fields and runs OnChange (for
    // every assignment, equal values included). Text that does not convert raises
    // EConvertError; a number out of range raises EDatabaseError.
    void SetAsString(const QString& value);
    void SetAsInteger(qint64 value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(double value);
    void SetAsCurrency(double value);
    void SetAsCurrencyUnits(qint64 units);
    void SetAsBytes(const QByteArray& value);
    void SetValue(const QVariant& value); // an invalid or null QVariant clears the field
    void Clear();
    // Assigns an edit text: through OnSetText when set, otherwise as SetAsString.
    void SetText(const QString& text);

    // Converts a value of any type to this field's type (strings cut to Size).
    TValue Convert(const TValue& value, TFieldType fromType) const;
    TValue ConvertText(const QString& text) const;
    TValue ConvertVariant(const QVariant& value) const;

    // Events
    std::function<void(TField&)> OnValidate;
    std::function<void(TField&)> OnChange;
    std::function<void(TField&, QString& text, bool displayText)> OnGetText;
    std::function<void(TField&, const QString& text)> OnSetText;

    // The default text of a value of this field (no event).
    QString FormatValue(const TValue& value, bool displayText) const;
    QVariant ToVariant(const TValue& value) const;

private:
    friend class TRecordSet;
    void Assign(TValue value);
    // The error for a value outside the range of a currency field (text as the user gave it).
    EDatabaseError CurrencyRangeError(const QString& value) const;

    TRecordSet& FDataSet;
    QString FName;
    TFieldType FType;
    int FSize;
    TFieldKind FKind;
    int FIndex = -1;
    int FColumn = -1; // the storage column of a data field
    QString FDisplayLabel, FDisplayFormat, FEditFormat, FEditMask;
    int FDisplayWidth = 0;
    bool FVisible = true;
    bool FReadOnly = false;
    int FTag = 0;
    TRecordSet* FLookupDataSet = nullptr;
    QString FKeyFields, FLookupKeyFields, FLookupResultField;
};
