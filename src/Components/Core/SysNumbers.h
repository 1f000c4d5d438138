#pragma once
// Number text conversions shared by the record sets and the file formats: the shortest text
// that reads back to the same double, fixed-point currency (whole units of 1/10000), parsing
// with the regional decimal separator, and Delphi-style number formats ("0.00", "####").

#include "TFormatSettings.h"

#include <QString>
#include <QStringView>
#include <string>

// Currency values are held as a count of ten-thousandths.
constexpr qint64 CurrencyScale = 10000;

// The shortest decimal text that reads back as exactly the same double, with "." as the
// separator and no exponent for ordinary magnitudes ("12.5", "0.1", "-3", "1e+300").
std::string FloatToShortest(double value);
QString FloatToStrShortest(double value);

// The currency value as decimal text without trailing zeros: 125000 -> "12.5".
std::string CurrencyToShortest(qint64 units);

// Rounds a double to the nearest ten-thousandth; false when it is out of range or not finite.
// The range is that of a 64-bit count of ten-thousandths: -922337203685477.5808 to
// 922337203685477.5807.
bool TryDoubleToCurrency(double value, qint64& units);
inline double CurrencyToDouble(qint64 units) {
    return static_cast<double>(units) / static_cast<double>(CurrencyScale);
}

// Strict parsers of the language-neutral forms ("." separator, optional leading "-" or "+",
// optional exponent for floats). Leading and trailing blanks are not accepted.
bool TryParseInt64(std::string_view text, qint64& value);
bool TryParseDouble(std::string_view text, double& value);
// A decimal number with any number of decimals, rounded half away from zero to four; false
// for a malformed text and for a value outside the currency range (never a wrapped value).
bool TryParseCurrency(std::string_view text, qint64& units);
// True when the text is a well-formed number that TryParseCurrency refused for its size.
bool IsCurrencyRangeError(std::string_view text);
// "-922337203685477.5808 to 922337203685477.5807", for messages.
QString CurrencyRangeText();

// Parsers of user text: blanks around the number are allowed, the decimal separator is the
// regional one (a "." is accepted as well).
bool TryStrToFloat(const QString& text, double& value,
                   const TFormatSettings& settings = TFormatSettings::Current());
bool TryStrToInt(const QString& text, qint64& value);

// The display text of a float with up to 15 significant digits and the regional separator.
QString FloatToStr(double value, const TFormatSettings& settings = TFormatSettings::Current());
// The display text of a currency value: two decimals, halves rounded away from zero on the
// fixed-point value (84.875 -> "84.88", -84.875 -> "-84.88"), the regional separator.
QString CurrToStr(qint64 units, const TFormatSettings& settings = TFormatSettings::Current());

// Formats a number with a format of "0" (digit), "#" (optional digit), "." (decimal
// separator), "," (thousands grouping) and literal text; up to three sections separated by
// ";" for positive, negative and zero values. "####" shows 0 as the empty text.
QString FormatFloat(const QString& format, double value,
                    const TFormatSettings& settings = TFormatSettings::Current());
// The same formats applied to a currency value, rounded half away from zero on the fixed-point
// value itself: "0.00" shows 84.875 as "84.88" and 1.005 as "1.01". The empty format gives
// CurrToStr.
QString FormatCurrency(const QString& format, qint64 units,
                       const TFormatSettings& settings = TFormatSettings::Current());
