#include "TField.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/SysNumbers.h"
#include "Components/Core/SysStrings.h"
#include "TRecordSet.h"

#include <cmath>
#include <limits>

QString FieldTypeName(TFieldType type) {
    switch (type) {
    case TFieldType::String:
        return QStringLiteral("String");
    case TFieldType::Integer:
        return QStringLiteral("Integer");
    case TFieldType::SmallInt:
        return QStringLiteral("SmallInt");
    case TFieldType::AutoInc:
        return QStringLiteral("AutoInc");
    case TFieldType::Boolean:
        return QStringLiteral("Boolean");
    case TFieldType::DateTime:
        return QStringLiteral("DateTime");
    case TFieldType::Time:
        return QStringLiteral("Time");
    case TFieldType::Float:
        return QStringLiteral("Float");
    case TFieldType::Currency:
        return QStringLiteral("Currency");
    case TFieldType::Memo:
        return QStringLiteral("Memo");
    case TFieldType::Blob:
        return QStringLiteral("Blob");
    }
    return {};
}

namespace {
enum class TClass { Int, Bool, Real, Currency, Text, Bytes };

TClass ClassOf(TFieldType type) {
    switch (type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        return TClass::Int;
    case TFieldType::Boolean:
        return TClass::Bool;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        return TClass::Real;
    case TFieldType::Currency:
        return TClass::Currency;
    case TFieldType::String:
    case TFieldType::Memo:
        return TClass::Text;
    case TFieldType::Blob:
        return TClass::Bytes;
    }
    return TClass::Text;
}

// Delphi's date-time format shortcuts in terms of the regional formats.
QString ExpandDateFormat(const QString& format) {
    const TFormatSettings& fs = TFormatSettings::Current();
    if (format == QLatin1String("ddddd")) return fs.ShortDateFormat;
    if (format == QLatin1String("dddddd")) return fs.LongDateFormat;
    if (format == QLatin1String("t")) return fs.ShortTimeFormat;
    if (format == QLatin1String("tt")) return fs.LongTimeFormat;
    if (format == QLatin1String("c"))
        return fs.ShortDateFormat + QLatin1Char(' ') + fs.LongTimeFormat;
    QString expanded = format;
    expanded.replace(QLatin1String("nn"), QLatin1String("mm"));
    return expanded;
}
// Parses with the regional formats; raises EConvertError as StrToDateTime and StrToTime do.
double ParseDateTime(const QString& text, bool timeOnly) {
    double value = 0;
    const bool ok = timeOnly ? TryStrToTime(text, value) : TryStrToDateTime(text, value);
    if (!ok)
        throw EConvertError(
            QStringLiteral("'%1' is not a valid %2")
                .arg(text, timeOnly ? QStringLiteral("time") : QStringLiteral("date and time")));
    return value;
}
} // namespace

bool SameValue(TFieldType type, const TValue& a, const TValue& b) {
    if (a.IsNull || b.IsNull) return a.IsNull == b.IsNull;
    switch (ClassOf(type)) {
    case TClass::Int:
    case TClass::Bool:
    case TClass::Currency:
        return a.Int == b.Int;
    case TClass::Real:
        return a.Float == b.Float;
    case TClass::Text:
        return a.Text == b.Text;
    case TClass::Bytes:
        return a.Bytes == b.Bytes;
    }
    return false;
}

TField::TField(TRecordSet& dataSet, const QString& name, TFieldType type, int size, TFieldKind kind)
    : FDataSet(dataSet), FName(name), FType(type), FSize(type == TFieldType::String ? size : 0),
      FKind(kind) {}

int TField::DisplayWidth() const {
    if (FDisplayWidth > 0) return FDisplayWidth;
    switch (FType) {
    case TFieldType::String:
        return FSize;
    case TFieldType::SmallInt:
        return 6;
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        return 11;
    case TFieldType::Boolean:
        return 5;
    case TFieldType::DateTime:
        return 18;
    case TFieldType::Time:
        return 10;
    default:
        return 10;
    }
}

void TField::SetLookup(TRecordSet* lookupDataSet, const QString& keyFields,
                       const QString& lookupKeyFields, const QString& resultField) {
    FLookupDataSet = lookupDataSet;
    FKeyFields = keyFields;
    FLookupKeyFields = lookupKeyFields;
    FLookupResultField = resultField;
}

TValue TField::RawValue() const {
    return FDataSet.ReadField(*this);
}
bool TField::IsNull() const {
    return RawValue().IsNull;
}

QVariant TField::ToVariant(const TValue& v) const {
    if (v.IsNull) return {};
    switch (FType) {
    case TFieldType::String:
    case TFieldType::Memo:
        return v.Text;
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        return qint32(v.Int);
    case TFieldType::Boolean:
        return v.Int != 0;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        return v.Float;
    case TFieldType::Currency:
        return CurrencyToDouble(v.Int);
    case TFieldType::Blob:
        return v.Bytes;
    }
    return {};
}

QVariant TField::Value() const {
    return ToVariant(RawValue());
}

QVariant TField::OldValue() const {
    if (FKind != TFieldKind::Data) return Value();
    return ToVariant(FDataSet.ReadStoredField(*this));
}

QString TField::AsString() const {
    const TValue v = RawValue();
    if (v.IsNull) return {};
    if (IsStringType()) return v.Text;
    return FormatValue(v, false);
}

qint64 TField::AsLargeInt() const {
    const TValue v = RawValue();
    if (v.IsNull) return 0;
    switch (ClassOf(FType)) {
    case TClass::Int:
    case TClass::Bool:
        return v.Int;
    case TClass::Currency:
        return qint64(std::llround(CurrencyToDouble(v.Int)));
    case TClass::Real:
        return qint64(std::llround(v.Float));
    case TClass::Text:
        return AsInteger();
    case TClass::Bytes:
        break;
    }
    throw EDatabaseError(QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
}

qint32 TField::AsInteger() const {
    const TValue v = RawValue();
    if (v.IsNull) return 0;
    if (IsStringType()) {
        qint64 n = 0;
        if (!TryStrToInt(v.Text, n) || n < std::numeric_limits<qint32>::min() ||
            n > std::numeric_limits<qint32>::max())
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v.Text));
        return qint32(n);
    }
    return qint32(AsLargeInt());
}

double TField::AsFloat() const {
    const TValue v = RawValue();
    if (v.IsNull) return 0;
    switch (ClassOf(FType)) {
    case TClass::Int:
    case TClass::Bool:
        return double(v.Int);
    case TClass::Currency:
        return CurrencyToDouble(v.Int);
    case TClass::Real:
        return v.Float;
    case TClass::Text: {
        double d = 0;
        if (!TryStrToFloat(v.Text, d))
            throw EConvertError(
                QStringLiteral("'%1' is not a valid floating point value").arg(v.Text));
        return d;
    }
    case TClass::Bytes:
        break;
    }
    throw EDatabaseError(QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
}

bool TField::AsBoolean() const {
    const TValue v = RawValue();
    if (v.IsNull) return false;
    if (FType == TFieldType::Boolean) return v.Int != 0;
    if (IsStringType()) {
        const QString t = v.Text.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
        throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(v.Text));
    }
    return AsFloat() != 0;
}

double TField::AsDateTime() const {
    const TValue v = RawValue();
    if (v.IsNull) return 0;
    if (IsStringType()) return ParseDateTime(v.Text, false);
    return AsFloat();
}

double TField::AsCurrency() const {
    return CurrencyToDouble(AsCurrencyUnits());
}

qint64 TField::AsCurrencyUnits() const {
    const TValue v = RawValue();
    if (v.IsNull) return 0;
    if (FType == TFieldType::Currency) return v.Int;
    qint64 units = 0;
    if (!TryDoubleToCurrency(AsFloat(), units))
        throw EDatabaseError(QStringLiteral("Invalid currency value in field '%1'").arg(FName));
    return units;
}

QByteArray TField::AsBytes() const {
    const TValue v = RawValue();
    if (v.IsNull) return {};
    if (FType == TFieldType::Blob) return v.Bytes;
    return AsString().toUtf8();
}

QString TField::FormatValue(const TValue& v, bool displayText) const {
    if (v.IsNull) return {};
    const QString& numberFormat =
        (displayText || FEditFormat.isEmpty()) ? FDisplayFormat : FEditFormat;
    switch (FType) {
    case TFieldType::String:
    case TFieldType::Memo:
        return v.Text;
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        return numberFormat.isEmpty() ? QString::number(v.Int)
                                      : FormatFloat(numberFormat, double(v.Int));
    case TFieldType::Boolean:
        return v.Int ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldType::DateTime:
        if (displayText && !FDisplayFormat.isEmpty())
            return FormatDayNumber(ExpandDateFormat(FDisplayFormat), v.Float);
        return DateTimeToStr(v.Float);
    case TFieldType::Time:
        if (displayText && !FDisplayFormat.isEmpty())
            return FormatDayNumber(ExpandDateFormat(FDisplayFormat), v.Float);
        return TimeToStr(v.Float);
    case TFieldType::Float:
        return numberFormat.isEmpty() ? FloatToStr(v.Float) : FormatFloat(numberFormat, v.Float);
    case TFieldType::Currency: {
        if (!numberFormat.isEmpty()) return FormatCurrency(numberFormat, v.Int);
        // Shown as money (two decimals); edited and read in the shortest form, every decimal
        // kept.
        if (displayText) return CurrToStr(v.Int);
        QString text = QString::fromStdString(CurrencyToShortest(v.Int));
        return text.replace(QLatin1Char('.'), TFormatSettings::Current().DecimalSeparator);
    }
    case TFieldType::Blob:
        return QStringLiteral("(Blob)");
    }
    return {};
}

QString TField::Text() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, false);
        return text;
    }
    return FormatValue(RawValue(), false);
}

QString TField::DisplayText() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, true);
        return text;
    }
    return FormatValue(RawValue(), true);
}

EDatabaseError TField::CurrencyRangeError(const QString& value) const {
    return EDatabaseError(
        QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3")
            .arg(value, FName, CurrencyRangeText()));
}

TValue TField::ConvertText(const QString& text) const {
    if (IsStringType()) return Convert(TValue::FromText(text), TFieldType::Memo);
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    switch (ClassOf(FType)) {
    case TClass::Int: {
        qint64 n = 0;
        if (!TryStrToInt(t, n))
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return Convert(TValue::FromInt(n), TFieldType::Integer);
    }
    case TClass::Bool: {
        if (QStringLiteral("True").startsWith(t, Qt::CaseInsensitive)) return TValue::FromInt(1);
        if (QStringLiteral("False").startsWith(t, Qt::CaseInsensitive)) return TValue::FromInt(0);
        throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
    case TClass::Real: {
        if (FType == TFieldType::DateTime) return TValue::FromFloat(ParseDateTime(t, false));
        if (FType == TFieldType::Time) return TValue::FromFloat(ParseDateTime(t, true));
        double d = 0;
        if (!TryStrToFloat(t, d))
            throw EConvertError(
                QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return TValue::FromFloat(d);
    }
    case TClass::Currency: {
        QString normal = t;
        normal.replace(TFormatSettings::Current().DecimalSeparator, QLatin1Char('.'));
        const QByteArray latin = normal.toLatin1();
        const std::string_view number(latin.constData(), size_t(latin.size()));
        qint64 units = 0;
        if (TryParseCurrency(number, units)) return TValue::FromInt(units);
        if (IsCurrencyRangeError(number)) throw CurrencyRangeError(text);
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
    case TClass::Bytes:
        return TValue::FromBytes(text.toUtf8());
    case TClass::Text:
        break;
    }
    return {};
}

TValue TField::Convert(const TValue& v, TFieldType from) const {
    if (v.IsNull) return {};
    const TClass source = ClassOf(from);
    if (source == TClass::Text && !IsStringType()) return ConvertText(v.Text);
    switch (FType) {
    case TFieldType::String:
    case TFieldType::Memo: {
        QString text;
        if (source == TClass::Text)
            text = v.Text;
        else if (source == TClass::Bytes)
            text = QString::fromUtf8(v.Bytes);
        else {
            // Format through a field of the source type for the usual text of the value.
            switch (from) {
            case TFieldType::Boolean:
                text = v.Int ? QStringLiteral("True") : QStringLiteral("False");
                break;
            case TFieldType::DateTime:
                text = DateTimeToStr(v.Float);
                break;
            case TFieldType::Time:
                text = TimeToStr(v.Float);
                break;
            case TFieldType::Float:
                text = FloatToStr(v.Float);
                break;
            case TFieldType::Currency:
                text = QString::fromStdString(CurrencyToShortest(v.Int))
                           .replace(QLatin1Char('.'), TFormatSettings::Current().DecimalSeparator);
                break;
            default:
                text = QString::number(v.Int);
                break;
            }
        }
        // The size counts characters as the user sees them, so "🚀" takes one place.
        if (FType == TFieldType::String && FSize > 0 && text.size() > FSize)
            text = CutToCharacters(text, FSize);
        return TValue::FromText(text);
    }
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc: {
        qint64 n = 0;
        switch (source) {
        case TClass::Int:
        case TClass::Bool:
            n = v.Int;
            break;
        case TClass::Currency:
            n = std::llround(CurrencyToDouble(v.Int));
            break;
        case TClass::Real:
            if (!std::isfinite(v.Float) || std::fabs(v.Float) > 9e18)
                throw EDatabaseError(QStringLiteral("%1 is not a valid value for field '%2'")
                                         .arg(v.Float)
                                         .arg(FName));
            n = std::llround(v.Float);
            break;
        default:
            throw EDatabaseError(
                QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
        }
        const qint64 low =
            FType == TFieldType::SmallInt ? -32768 : std::numeric_limits<qint32>::min();
        const qint64 high =
            FType == TFieldType::SmallInt ? 32767 : std::numeric_limits<qint32>::max();
        if (n < low || n > high)
            throw EDatabaseError(
                QStringLiteral(
                    "%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                    .arg(n)
                    .arg(FName)
                    .arg(low)
                    .arg(high));
        return TValue::FromInt(n);
    }
    case TFieldType::Boolean:
        if (source == TClass::Bytes)
            throw EDatabaseError(
                QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
        return TValue::FromInt(source == TClass::Real ? v.Float != 0 : v.Int != 0);
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        switch (source) {
        case TClass::Int:
        case TClass::Bool:
            return TValue::FromFloat(double(v.Int));
        case TClass::Currency:
            return TValue::FromFloat(CurrencyToDouble(v.Int));
        case TClass::Real:
            return TValue::FromFloat(v.Float);
        default:
            throw EDatabaseError(
                QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
        }
    case TFieldType::Currency: {
        qint64 units = 0;
        switch (source) {
        case TClass::Int:
        case TClass::Bool:
            if (v.Int > std::numeric_limits<qint64>::max() / CurrencyScale ||
                v.Int < std::numeric_limits<qint64>::min() / CurrencyScale)
                throw CurrencyRangeError(QString::number(v.Int));
            units = v.Int * CurrencyScale;
            break;
        case TClass::Currency:
            units = v.Int;
            break;
        case TClass::Real:
            if (!TryDoubleToCurrency(v.Float, units))
                throw CurrencyRangeError(QString::number(v.Float, 'g', 17));
            break;
        default:
            throw EDatabaseError(
                QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
        }
        return TValue::FromInt(units);
    }
    case TFieldType::Blob:
        if (source == TClass::Bytes) return v;
        if (source == TClass::Text) return TValue::FromBytes(v.Text.toUtf8());
        throw EDatabaseError(QStringLiteral("Invalid type conversion for field '%1'").arg(FName));
    }
    return {};
}

TValue TField::ConvertVariant(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Convert(TValue::FromInt(value.toBool()), TFieldType::Boolean);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return Convert(TValue::FromInt(value.toLongLong()), TFieldType::Integer);
    case QMetaType::Double:
    case QMetaType::Float:
        return Convert(TValue::FromFloat(value.toDouble()), TFieldType::Float);
    case QMetaType::QByteArray:
        return Convert(TValue::FromBytes(value.toByteArray()), TFieldType::Blob);
    case QMetaType::QDateTime:
        return Convert(TValue::FromFloat(DateTimeToDayNumber(value.toDateTime())),
                       TFieldType::DateTime);
    case QMetaType::QDate:
        return Convert(TValue::FromFloat(DateToDayNumber(value.toDate())), TFieldType::DateTime);
    case QMetaType::QTime: {
        const QTime t = value.toTime();
        return Convert(TValue::FromFloat(t.msecsSinceStartOfDay() / double(MSecsPerDay)),
                       TFieldType::Time);
    }
    default:
        return Convert(TValue::FromText(value.toString()), TFieldType::Memo);
    }
}

void TField::Assign(TValue value) {
    FDataSet.WriteField(*this, std::move(value));
}

void TField::SetAsString(const QString& value) {
    Assign(ConvertText(value));
}
void TField::SetAsInteger(qint64 value) {
    Assign(Convert(TValue::FromInt(value), TFieldType::Integer));
}
void TField::SetAsFloat(double value) {
    Assign(Convert(TValue::FromFloat(value), TFieldType::Float));
}
void TField::SetAsBoolean(bool value) {
    Assign(Convert(TValue::FromInt(value), TFieldType::Boolean));
}
void TField::SetAsDateTime(double value) {
    Assign(Convert(TValue::FromFloat(value), TFieldType::DateTime));
}
void TField::SetAsCurrency(double value) {
    qint64 units = 0;
    if (!TryDoubleToCurrency(value, units))
        throw CurrencyRangeError(QString::number(value, 'g', 17));
    Assign(Convert(TValue::FromInt(units), TFieldType::Currency));
}
void TField::SetAsCurrencyUnits(qint64 units) {
    Assign(Convert(TValue::FromInt(units), TFieldType::Currency));
}
void TField::SetAsBytes(const QByteArray& value) {
    Assign(Convert(TValue::FromBytes(value), TFieldType::Blob));
}
void TField::SetValue(const QVariant& value) {
    Assign(ConvertVariant(value));
}
void TField::Clear() {
    Assign(TValue());
}

void TField::SetText(const QString& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}
