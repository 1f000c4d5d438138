#include "SysNumbers.h"

#include <charconv>
#include <cmath>
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
    if (std::fabs(scaled) >= 9.2e18) return false;
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
    quint64 whole = 0;
    size_t pos = 0;
    bool anyDigit = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (whole > 922337203685476ULL) return false; // the whole part would overflow
        whole = whole * 10 + quint64(text[pos] - '0');
        anyDigit = true;
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
    if (!anyDigit) return false;
    for (int d = decimals > 4 ? 4 : decimals; d < 4; ++d)
        fraction *= 10;
    const quint64 magnitude = whole * CurrencyScale + fraction + (roundUp ? 1 : 0);
    if (magnitude > quint64(std::numeric_limits<qint64>::max())) return false;
    units = negative ? -qint64(magnitude) : qint64(magnitude);
    return true;
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

QString CurrToStr(qint64 units, const TFormatSettings& settings) {
    QString text = QString::fromStdString(CurrencyToShortest(units));
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot >= 0 && text.size() - dot - 1 < 2) text += QLatin1Char('0');
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

QString FormatSection(const QString& section, double magnitude, bool withMinus,
                      const TFormatSettings& settings) {
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
    QString digits = QString::number(magnitude, 'f', maxDecimals);
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
    if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty())
        return FormatSection(sections.at(2), 0, false, settings);
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty())
        return FormatSection(sections.at(1), -value, false, settings);
    return FormatSection(sections.at(0), std::fabs(value), value < 0, settings);
}
