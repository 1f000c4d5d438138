// Fixed-point currency: parsing at the edges of its 64-bit range and the two-decimal display.

#include "Components/Core/SysNumbers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
constexpr qint64 MaxUnits = std::numeric_limits<qint64>::max();
constexpr qint64 MinUnits = std::numeric_limits<qint64>::min();

// The parsed value, or a marker that the text was refused.
std::string Parsed(std::string_view text) {
    qint64 units = 0;
    if (!TryParseCurrency(text, units)) return "refused";
    return std::to_string(units);
}
} // namespace

TEST(SysNumbersCurrency, TextOutsideTheFixedPointRangeIsRefusedNotWrapped) {
    // 2e15 times 10 000 no longer fits in 64 bits; it once read back as 155325592629044.8384.
    EXPECT_EQ(Parsed("2000000000000000"), "refused");
    EXPECT_EQ(Parsed("-2000000000000000"), "refused");
    EXPECT_EQ(Parsed("99999999999999999999999999"), "refused");
    EXPECT_EQ(Parsed("922337203685477.5807"), std::to_string(MaxUnits));
    EXPECT_EQ(Parsed("922337203685477.5808"), "refused");
    EXPECT_EQ(Parsed("922337203685477.58074"), std::to_string(MaxUnits)); // rounds down
    EXPECT_EQ(Parsed("922337203685477.58075"), "refused");                // rounds up, over
    EXPECT_EQ(Parsed("922337203685478"), "refused");
    EXPECT_EQ(Parsed("-922337203685477.5808"), std::to_string(MinUnits));
    EXPECT_EQ(Parsed("-922337203685477.5809"), "refused");
    EXPECT_EQ(Parsed("1e15"), "refused");
    EXPECT_EQ(Parsed("9e14"), "9000000000000000000");
    EXPECT_EQ(Parsed("000000000000000000000012.5"), "125000"); // leading zeros are no size
    EXPECT_EQ(Parsed("+12.34565"), "123457");
    EXPECT_EQ(Parsed("-12.34565"), "-123457");

    EXPECT_TRUE(IsCurrencyRangeError("2000000000000000"));
    EXPECT_TRUE(IsCurrencyRangeError("-1e300"));
    EXPECT_FALSE(IsCurrencyRangeError("12.5"));
    EXPECT_FALSE(IsCurrencyRangeError("12,5"));
    EXPECT_FALSE(IsCurrencyRangeError("abc"));

    qint64 units = 0;
    EXPECT_FALSE(TryDoubleToCurrency(2e15, units));
    EXPECT_FALSE(TryDoubleToCurrency(-9.3e14, units));
    EXPECT_TRUE(TryDoubleToCurrency(9.2e14, units));
    EXPECT_EQ(units, 9200000000000000000);
    EXPECT_EQ(CurrencyRangeText(), QStringLiteral("-922337203685477.5808 to 922337203685477.5807"));
}

TEST(SysNumbersCurrency, TwoDecimalsRoundHalvesAwayFromZeroOnTheFixedPointValue) {
    const struct {
        qint64 units;
        const char* shown;
    } cases[] = {
        {848750, "84.88"},
        {-848750, "-84.88"},
        {50, "0.01"},
        {-50, "-0.01"},
        {49, "0.00"},
        {-49, "0.00"},
        {10050, "1.01"}, // 1.005 is a hair below as a double
        {30000, "3.00"},
        {125000, "12.50"},
        {0, "0.00"},
        {MaxUnits, "922337203685477.58"},
        {MinUnits, "-922337203685477.58"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CurrToStr(c.units), QString::fromLatin1(c.shown)) << c.units;
        EXPECT_EQ(FormatCurrency(QStringLiteral("0.00"), c.units), QString::fromLatin1(c.shown))
            << c.units;
    }
    TFormatSettings comma = TFormatSettings::Fixed();
    comma.DecimalSeparator = QLatin1Char(',');
    comma.ThousandSeparator = QLatin1Char('.');
    EXPECT_EQ(CurrToStr(-848750, comma), QStringLiteral("-84,88"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("#,##0.00"), 12345678950, comma),
              QStringLiteral("1.234.567,90"));
}

TEST(SysNumbersCurrency, NumberFormatsWorkOnTheFixedPointValue) {
    EXPECT_EQ(FormatCurrency(QStringLiteral("#,##0.00"), 12345678950),
              QStringLiteral("1,234,567.90"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.000000"), 848750), QStringLiteral("84.875000"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.###"), 848751), QStringLiteral("84.875"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0"), 5000), QStringLiteral("1"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0"), -5000), QStringLiteral("-1"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("####"), 0), QStringLiteral(""));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.00;(0.00);'none'"), -848750),
              QStringLiteral("(84.88)"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.00;(0.00);'none'"), 0), QStringLiteral("none"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.00"), -1), QStringLiteral("0.00")); // no "-0.00"
    EXPECT_EQ(FormatCurrency(QStringLiteral(""), 848750), QStringLiteral("84.88"));
    EXPECT_EQ(FormatCurrency(QStringLiteral("0.00"), MinUnits),
              QStringLiteral("-922337203685477.58"));
}
