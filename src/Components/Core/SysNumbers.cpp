#include "SysNumbers.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

std::string FloatToShortest(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "INF" : "-INF");
    if (value == 0) return "0";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    const double magnitude = std::fabs(value);
    if (text.find('e') != std::string::npos && magnitude >= 1e-7 && magnitude < 1e21) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        text.assign(buffer, result.ptr);
    }
    return text;
}

QString FloatToStrShortest(double value) {
    return QString::fromStdString(FloatToShortest(value));
}

std::string CurrencyToShortest(qint64 units) {
    const bool negative = units < 0;
    // Work on the unsigned magnitude so that the smallest value does not overflow.
    const quint64 magnitude =
        negative ? 0 - static_cast<quint64>(units) : static_cast<quint64>(units);
    std::string text = std::to_string(magnitude / CurrencyScale);
    quint64 fraction = magnitude % CurrencyScale;
    if (fraction != 0) {
        char digits[5] = {'0', '0', '0', '0', 0};
        for (int i = 3; i >= 0; --i, fraction /= 10)
            digits[i] = char('0' + fraction % 10);
        int length = 4;
        while (length > 0 && digits[length - 1] == '0')
            --length;
        text += '.';
        text.append(digits, static_cast<size_t>(length));
    }
    return negative ? "-" + text : text;
}

bool TryDoubleToCurrency(double value, qint64& units) {
    if (!std::isfinite(value)) return false;
    const double scaled = std::round(value * double(CurrencyScale));
    // 2^63 is exact as a double; every double below it converts without overflow.
    constexpr double limit = 9223372036854775808.0;
    if (scaled < -limit || scaled >= limit) return false;
    units = static_cast<qint64>(scaled);
    return true;
}

bool TryParseInt64(std::string_view text, qint64& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool TryParseDouble(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

bool TryParseCurrency(std::string_view text, qint64& units) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    // The largest magnitude in ten-thousandths: 2^63 - 1, or 2^63 for a negative value.
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    quint64 whole = 0;
    bool tooLarge = false;
    size_t pos = 0;
    bool anyDigit = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        anyDigit = true;
        if (tooLarge) continue;
        whole = whole * 10 + quint64(text[pos] - '0');
        // Checked on every digit, so the product above never wraps.
        if (whole > limit / quint64(CurrencyScale)) tooLarge = true;
    }
    quint64 fraction = 0;
    int decimals = 0;
    bool roundUp = false;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            anyDigit = true;
            if (decimals < 4) {
                fraction = fraction * 10 + quint64(text[pos] - '0');
                ++decimals;
            } else if (decimals == 4) {
                roundUp = text[pos] >= '5';
                ++decimals;
            }
        }
    }
    if (pos != text.size()) {
        // Exponent forms are rare; let the double parser handle them.
        double value = 0;
        if (!anyDigit || (text[pos] != 'e' && text[pos] != 'E')) return false;
        std::string full = negative ? "-" : "";
        full.append(text);
        if (!TryParseDouble(full, value)) return false;
        return TryDoubleToCurrency(value, units);
    }
    if (!anyDigit || tooLarge) return false;
    for (int d = decimals > 4 ? 4 : decimals; d < 4; ++d)
        fraction *= 10;
    // whole * CurrencyScale is at most the limit; adding less than CurrencyScale + 1 cannot wrap.
    const quint64 magnitude = whole * quint64(CurrencyScale) + fraction + (roundUp ? 1 : 0);
    if (magnitude > limit) return false;
    units = negative ? qint64(0 - magnitude) : qint64(magnitude);
    return true;
}

bool IsCurrencyRangeError(std::string_view text) {
    qint64 units = 0;
    double value = 0;
    return !TryParseCurrency(text, units) && TryParseDouble(text, value);
}

QString CurrencyRangeText() {
    return QString::fromStdString(CurrencyToShortest(std::numeric_limits<qint64>::min()) + " to " +
                                  CurrencyToShortest(std::numeric_limits<qint64>::max()));
}

bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& settings) {
    QString normal = text.trimmed();
    if (settings.DecimalSeparator != QLatin1Char('.'))
        normal.replace(settings.DecimalSeparator, QLatin1Char('.'));
    const QByteArray latin = normal.toLatin1();
    return TryParseDouble(std::string_view(latin.constData(), size_t(latin.size())), value);
}

bool TryStrToInt(const QString& text, qint64& value) {
    const QByteArray latin = text.trimmed().toLatin1();
    return TryParseInt64(std::string_view(latin.constData(), size_t(latin.size())), value);
}

QString FloatToStr(double value, const TFormatSettings& settings) {
    QString text = QString::number(value, 'g', 15);
    if (settings.DecimalSeparator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), settings.DecimalSeparator);
    return text;
}

namespace {
quint64 Magnitude(qint64 units) {
    return units < 0 ? 0 - static_cast<quint64>(units) : static_cast<quint64>(units);
}

// A currency magnitude in fixed notation with "." and the given number of decimals, rounded
// half away from zero on the ten-thousandths themselves (never through a double, which cannot
// hold most of these values exactly).
QString FixedCurrencyDigits(quint64 magnitude, int decimals) {
    quint64 scale = quint64(CurrencyScale);
    if (decimals < 4) {
        quint64 step = 1;
        for (int d = decimals; d < 4; ++d)
            step *= 10;
        // The magnitude is at most 2^63, so adding half a step cannot wrap.
        magnitude = (magnitude + step / 2) / step;
        scale /= step;
    }
    QString text = QString::number(magnitude / scale);
    if (decimals <= 0) return text;
    QString fraction = QString::number(magnitude % scale);
    const int digits = decimals < 4 ? decimals : 4;
    fraction = fraction.rightJustified(digits, QLatin1Char('0'));
    if (decimals > 4) fraction += QString(decimals - 4, QLatin1Char('0'));
    return text + QLatin1Char('.') + fraction;
}
} // namespace

QString CurrToStr(qint64 units, const TFormatSettings& settings) {
    QString text = FixedCurrencyDigits(Magnitude(units), 2);
    // A value that rounds to zero is shown without a sign.
    if (units < 0 && text != QLatin1String("0.00")) text.prepend(QLatin1Char('-'));
    if (settings.DecimalSeparator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), settings.DecimalSeparator);
    return text;
}

namespace {
// Splits a number format into sections at ";" outside quotes.
QStringList FormatSections(const QString& format) {
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            current += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

// Formats one section; fixedDigits gives the magnitude in fixed notation with "." and the
// number of decimals asked for, rounded to them.
QString FormatSection(const QString& section, const std::function<QString(int)>& fixedDigits,
                      bool withMinus, const TFormatSettings& settings) {
    int intZeros = 0, minDecimals = 0, maxDecimals = 0;
    bool afterPoint = false, grouping = false, anyPlaceholder = false;
    QString prefix, suffix;
    QChar quote;
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (anyPlaceholder ? suffix : prefix) += c;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            anyPlaceholder = true;
            if (!suffix.isEmpty()) continue; // placeholders after literal text are ignored
            if (afterPoint) {
                ++maxDecimals;
                if (c == QLatin1Char('0')) minDecimals = maxDecimals;
            } else if (c == QLatin1Char('0')) {
                ++intZeros;
            }
        } else if (c == QLatin1Char('.') && suffix.isEmpty()) {
            afterPoint = true;
            anyPlaceholder = true;
        } else if (c == QLatin1Char(',') && suffix.isEmpty() && anyPlaceholder) {
            grouping = true;
        } else {
            (anyPlaceholder ? suffix : prefix) += c;
        }
    }
    const QString digits = fixedDigits(maxDecimals);
    QString whole = digits, fraction;
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        whole = digits.left(dot);
        fraction = digits.mid(dot + 1);
    }
    while (fraction.size() > minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    // Leading zeros beyond what the format asks for are dropped ("####" shows 0 as "").
    while (!whole.isEmpty() && whole.at(0) == QLatin1Char('0') && whole.size() > intZeros)
        whole.remove(0, 1);
    while (whole.size() < intZeros)
        whole.prepend(QLatin1Char('0'));
    if (grouping && settings.ThousandSeparator != QChar()) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, settings.ThousandSeparator);
    }
    QString text = whole;
    if (!fraction.isEmpty()) text += settings.DecimalSeparator + fraction;
    const bool isZero = text.isEmpty() || text.count(QLatin1Char('0')) +
                                                  text.count(settings.DecimalSeparator) +
                                                  text.count(settings.ThousandSeparator) ==
                                              text.size();
    if (withMinus && !isZero) text.prepend(QLatin1Char('-'));
    return prefix + text + suffix;
}
} // namespace

QString FormatFloat(const QString& format, double value, const TFormatSettings& settings) {
    if (format.isEmpty()) return FloatToStr(value, settings);
    const QStringList sections = FormatSections(format);
    const double magnitude = std::fabs(value);
    const auto digits = [magnitude](int decimals) {
        return QString::number(magnitude, 'f', decimals);
    };
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return FormatSection(sections.at(2), digits, false, settings);
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return FormatSection(sections.at(1), digits, false, settings);
    return FormatSection(sections.at(0), digits, value < 0, settings);
}

QString FormatCurrency(const QString& format, qint64 units, const TFormatSettings& settings) {
    if (format.isEmpty()) return CurrToStr(units, settings);
    const QStringList sections = FormatSections(format);
    const quint64 magnitude = Magnitude(units);
    const auto digits = [magnitude](int decimals) {
        return FixedCurrencyDigits(magnitude, decimals);
    };
    if (units == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return FormatSection(sections.at(2), digits, false, settings);
    if (units < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return FormatSection(sections.at(1), digits, false, settings);
    return FormatSection(sections.at(0), digits, units < 0, settings);
}
