// Layout of banded reports: group breaks, sums, hooks, page breaks and the cursor.

#include "ReportFixtures.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <gtest/gtest.h>

using namespace ReportTest;

namespace {

const QString Region = QStringLiteral("Region");
const QString City = QStringLiteral("City");
const QString Item = QStringLiteral("Item");

std::unique_ptr<TRecordSet> MakeRegions() {
    return MakeTable(
        {{QStringLiteral("North"), QStringLiteral("Oslo"), QStringLiteral("a"), 1},
         {QStringLiteral("North"), QStringLiteral("Oslo"), QStringLiteral("b"), 2},
         {QStringLiteral("North"), QStringLiteral("Bergen"), QStringLiteral("c"), 4},
         {QStringLiteral("South"), QStringLiteral("Bergen"), QStringLiteral("d"), 8},
         {QStringLiteral("South"), QStringLiteral("Bergen"), QStringLiteral("e"), 16}});
}

const QRectF Box{0, 0, 30, 5};

QStringList Split(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Items of one kind of band on a page.
std::vector<TReportPrintedItem> ItemsOf(const TReportPage& page, TReportBandKind band) {
    std::vector<TReportPrintedItem> items;
    for (const auto& item : page.Items)
        if (item.Band == band) items.push_back(item);
    return items;
}

} // namespace

TEST(TReportLayout, NestedGroupsBreakInnermostFooterFirstAndReadTheGroupsLastRow) {
    auto rs = MakeRegions();
    TReport report;
    report.SetDataSet(rs.get());
    TReportGroup& region = report.AddGroup(Region);
    region.Header.AddField(Region, Box);
    region.Footer.AddField(Region, Box);
    TReportGroup& city = report.AddGroup(City);
    city.Header.AddField(City, Box);
    city.Footer.AddField(City, Box);
    report.Detail.AddField(Item, Box);
    report.Summary.AddLabel(QStringLiteral("End"), Box);

    // North/Bergen to South/Bergen: the outer key changes, so the inner group breaks too even
    // though its own key stays the same. Footers show their own group, not the next row.
    EXPECT_EQ(Trace(report.Layout()),
              Split("H0:North H1:Oslo D:a D:b F1:Oslo H1:Bergen D:c F1:Bergen F0:North "
                    "H0:South H1:Bergen D:d D:e F1:Bergen F0:South S:End"));

    // Disabled bands take no part but the breaks still happen.
    city.Header.Enabled = false;
    region.Footer.Enabled = false;
    EXPECT_EQ(Trace(report.Layout()), Split("H0:North D:a D:b F1:Oslo D:c F1:Bergen H0:South D:d "
                                            "D:e F1:Bergen S:End"));
}

TEST(TReportLayout, SumsCoverTheirGroupOrTheWholeReport) {
    auto rs = MakeRegions();
    TReport report;
    report.SetDataSet(rs.get());
    TReportGroup& region = report.AddGroup(Region);
    region.Header.AddField(Region, Box);
    region.Header.AddSum(Quantity, Box);                                 // the group's total
    region.Header.AddSum(Quantity, Box).Scope = TReportSumScope::Report; // carried forward
    TReportGroup& city = report.AddGroup(City);
    city.Footer.AddSum(Quantity, Box);
    region.Footer.AddSum(Quantity, Box);
    region.Footer.AddSum(Quantity, Box).Scope = TReportSumScope::Report;
    report.Detail.AddField(Item, Box);
    report.Detail.AddExpression(Quantity, Box);                                // the row's value
    report.Detail.AddExpression(Quantity, Box).Scope = TReportSumScope::Group; // innermost
    report.Summary.AddSum(Quantity, Box);

    EXPECT_EQ(Trace(report.Layout()),
              Split("H0:North H0:7 H0:0 D:a D:1 D:1 D:b D:2 D:3 F1:3 D:c D:4 D:4 F1:4 F0:7 F0:7 "
                    "H0:South H0:24 H0:7 D:d D:8 D:8 D:e D:16 D:24 F1:24 F0:24 F0:31 S:31"));
    // A second run starts from zero again.
    EXPECT_EQ(Trace(report.Layout()).last(), QStringLiteral("S:31"));
}

TEST(TReportLayout, ExpressionsPrintPlainDecimalNumbers) {
    auto rs = MakeNumberedTable(3);
    TReport report;
    report.SetDataSet(rs.get());
    const double values[] = {0.1, 0.2, 1234567.25};
    report.Summary.AddSum(
        [&](const TRecordSet& r) {
            return values[r.FieldByName(QStringLiteral("Quantity")).AsInteger() - 1];
        },
        Box);
    report.Summary.AddSum([](const TRecordSet&) { return 0.1; }, Box);
    report.Summary.AddSum([](const TRecordSet&) { return -0.0; }, Box);
    report.Summary.AddSum({}, Box); // no value function: nothing to add
    // Regional settings do not leak in: always '.' and no thousands separators.
    EXPECT_EQ(Trace(report.Layout()), Split("S:1234567.55 S:0.3 S:0 S:0"));
}

TEST(TReportLayout, OnPrintReplacesTheTextOfEveryKindOfItem) {
    auto rs = MakeNumberedTable(2);
    TReport report;
    report.SetDataSet(rs.get());
    // Each hook sees the text the item would print and appends to it.
    const auto mark = [](QString& text) { text += QStringLiteral("!"); };
    report.Detail.AddLabel(QStringLiteral("label"), Box).OnPrint = mark;
    report.Detail.AddField(Item, Box).OnPrint = mark;
    report.Detail.AddExpression(Quantity, Box).OnPrint = mark;
    report.Summary.AddPageNumber(Box).OnPrint = mark;
    report.Summary.AddDateTime(Box).OnPrint = [](QString& text) { text = QStringLiteral("now"); };
    report.Summary.AddSum(Quantity, Box).OnPrint = mark;

    EXPECT_EQ(Trace(report.Layout()),
              Split("D:label! D:Item_1! D:1! D:label! D:Item_2! D:2! S:1! S:now S:3!")
                  .replaceInStrings(QStringLiteral("_"), QStringLiteral(" ")));
}

TEST(TReportLayout, PagesRepeatTheirHeaderAndFooterAndNeverSplitABand) {
    auto rs = MakeNumberedTable(100);
    TReport report; // A4 portrait, 10 mm margins: the paper is 297 mm high
    report.SetDataSet(rs.get());
    report.PageHeader.Height = 20;
    report.PageHeader.AddLabel(QStringLiteral("Header"), Box);
    report.PageHeader.AddPageNumber({150, 0, 40, 5});
    report.PageFooter.Height = 10;
    report.PageFooter.AddPageNumber({150, 5, 40, 5});
    report.Detail.Height = 10; // two lines: both must land on the same page
    report.Detail.AddField(Item, {0, 0, 50, 5});
    report.Detail.AddExpression(Quantity, {0, 5, 50, 5});
    report.Summary.Height = 30;
    report.Summary.AddSum(Quantity, Box);

    const std::vector<TReportPage> pages = report.Layout();
    // 30 … 277 mm between header and footer: 24 rows of 10 mm fit exactly on a page.
    ASSERT_EQ(pages.size(), 5u);
    int expectedRow = 1;
    for (size_t p = 0; p < pages.size(); ++p) {
        const TReportPage& page = pages[p];
        SCOPED_TRACE(testing::Message() << "page " << p + 1);
        EXPECT_EQ(page.Number, int(p) + 1);
        const auto header = ItemsOf(page, TReportBandKind::PageHeader);
        ASSERT_EQ(header.size(), 2u);
        EXPECT_EQ(header[0].Text, QStringLiteral("Header"));
        EXPECT_DOUBLE_EQ(header[0].Rect.top(), 10);
        EXPECT_EQ(header[1].Text, QString::number(p + 1));
        const auto footer = ItemsOf(page, TReportBandKind::PageFooter);
        ASSERT_EQ(footer.size(), 1u);
        EXPECT_EQ(footer[0].Text, QString::number(p + 1));
        EXPECT_DOUBLE_EQ(footer[0].Rect.top(), 297 - 10 - 10 + 5);

        const auto detail = ItemsOf(page, TReportBandKind::Detail);
        ASSERT_EQ(detail.size() % 2, 0u);
        for (size_t i = 0; i < detail.size(); i += 2) {
            EXPECT_EQ(detail[i].Text, QStringLiteral("Item %1").arg(expectedRow));
            EXPECT_EQ(detail[i + 1].Text, QString::number(expectedRow));
            EXPECT_GE(detail[i].Rect.top(), 30 - 1e-9);
            EXPECT_LE(detail[i + 1].Rect.bottom(), 277 + 1e-9);
            ++expectedRow;
        }
        if (p < 4) {
            EXPECT_EQ(detail.size(), 48u);
        }
    }
    EXPECT_EQ(expectedRow, 101);
    EXPECT_EQ(ItemsOf(pages.back(), TReportBandKind::Summary)[0].Text, QStringLiteral("5050"));

    // The first header and the last footer can be left out.
    report.PrintPageHeaderOnFirstPage = false;
    report.PrintPageFooterOnLastPage = false;
    const std::vector<TReportPage> trimmed = report.Layout();
    ASSERT_EQ(trimmed.size(), 5u); // the room for the first header is used by rows now
    EXPECT_TRUE(ItemsOf(trimmed.front(), TReportBandKind::PageHeader).empty());
    EXPECT_EQ(ItemsOf(trimmed.front(), TReportBandKind::Detail).front().Rect.top(), 10);
    EXPECT_EQ(ItemsOf(trimmed[1], TReportBandKind::PageHeader).size(), 2u);
    EXPECT_EQ(ItemsOf(trimmed[3], TReportBandKind::PageFooter).size(), 1u);
    EXPECT_TRUE(ItemsOf(trimmed.back(), TReportBandKind::PageFooter).empty());
}

TEST(TReportLayout, AGroupHeaderIsNotLeftAloneAtTheFootOfAPage) {
    std::vector<TRow> rows;
    for (int i = 0; i < 25; ++i)
        rows.push_back({QStringLiteral("A"), {}, QStringLiteral("a%1").arg(i), 1});
    rows.push_back({QStringLiteral("B"), {}, QStringLiteral("b"), 1});
    auto rs = MakeTable(rows);
    TReport report;
    report.SetDataSet(rs.get());
    report.PageHeader.Enabled = false;
    report.PageFooter.Enabled = false;
    TReportGroup& group = report.AddGroup(Region);
    group.Header.Height = 10;
    group.Header.AddField(Region, Box);
    group.Footer.Height = 7;
    group.Footer.AddLabel(QStringLiteral("end"), Box);
    report.Detail.Height = 10;
    report.Detail.AddField(Item, Box);

    // 10 + 25 × 10 + 7 = 267 of 277 mm: header B would fit, but not with its first row.
    const std::vector<TReportPage> pages = report.Layout();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Trace({pages[0]}).last(), QStringLiteral("F0:end"));
    const auto headers = ItemsOf(pages[1], TReportBandKind::GroupHeader);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].Text, QStringLiteral("B"));
    EXPECT_DOUBLE_EQ(headers[0].Rect.top(), 10);
}

TEST(TReportLayout, OpenGroupsRepeatTheirHeadersOnEveryPageTheyGoOnTo) {
    // Region A: 30 rows over two pages; its city header repeats, its region header not.
    std::vector<TRow> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back(
            {QStringLiteral("A"), QStringLiteral("Oslo"), QStringLiteral("a%1").arg(i), 1});
    rows.push_back({QStringLiteral("B"), QStringLiteral("Rome"), QStringLiteral("b"), 1});
    auto rs = MakeTable(rows);
    TReport report;
    report.SetDataSet(rs.get());
    report.PageHeader.Height = 10;
    report.PageHeader.AddLabel(QStringLiteral("Header"), Box);
    report.PageFooter.Enabled = false;
    TReportGroup& region = report.AddGroup(Region);
    region.Header.AddField(Region, Box);
    TReportGroup& city = report.AddGroup(QStringLiteral("City"));
    city.Header.AddField(QStringLiteral("City"), Box);
    city.Header.RepeatOnNewPage = true;
    city.Footer.AddLabel(QStringLiteral("end"), Box);
    report.Detail.Height = 10;
    report.Detail.AddField(Item, Box);

    const std::vector<TReportPage> pages = report.Layout();
    ASSERT_EQ(pages.size(), 2u);
    const QStringList second = Trace({pages[1]}, true);
    ASSERT_GE(second.size(), 3);
    EXPECT_EQ(second.mid(0, 3),
              (QStringList{QStringLiteral("PH:Header"), QStringLiteral("H1:Oslo"),
                           QStringLiteral("D:a%1").arg(Trace({pages[0]}).size() - 2)}));
    // Region B opens its own city: printed once, not repeated as well.
    EXPECT_EQ(second.count(QStringLiteral("H1:Rome")), 1);
    EXPECT_EQ(second.count(QStringLiteral("H1:Oslo")), 1);
}

TEST(TReportLayout, ABandTallerThanAPageIsClippedOnAPageOfItsOwn) {
    auto rs = MakeNumberedTable(3);
    TReport report;
    report.SetDataSet(rs.get());
    report.PageFooter.Height = 10;
    report.PageFooter.AddPageNumber(Box);
    report.Detail.Height = 400;
    report.Detail.AddField(Item, {0, 0, 50, 5});
    report.Detail.AddLabel(QStringLiteral("cut"), {0, 260, 50, 30}); // crosses the footer
    report.Detail.AddLabel(QStringLiteral("gone"), {0, 300, 50, 5}); // below the paper
    report.Summary.AddLabel(QStringLiteral("End"), Box);

    const std::vector<TReportPage> pages = report.Layout();
    ASSERT_EQ(pages.size(), 4u);
    for (int p = 0; p < 3; ++p) {
        const auto detail = ItemsOf(pages[size_t(p)], TReportBandKind::Detail);
        ASSERT_EQ(detail.size(), 2u);
        EXPECT_EQ(detail[0].Text, QStringLiteral("Item %1").arg(p + 1));
        EXPECT_EQ(detail[1].Text, QStringLiteral("cut"));
        EXPECT_DOUBLE_EQ(detail[1].Rect.bottom(), 277);
        EXPECT_EQ(ItemsOf(pages[size_t(p)], TReportBandKind::PageFooter).size(), 1u);
    }
    EXPECT_EQ(Trace({pages[3]}), QStringList{QStringLiteral("S:End")});
}

TEST(TReportLayout, AnEmptyReportPrintsItsFrameAndSummaryOrNothing) {
    auto rs = MakeTable({});
    TReport report;
    report.SetDataSet(rs.get());
    report.PageHeader.AddLabel(QStringLiteral("Title"), Box);
    report.PageHeader.AddField(Item, {40, 0, 30, 5});
    TReportGroup& group = report.AddGroup(Region);
    group.Header.AddLabel(QStringLiteral("group"), Box);
    group.Footer.AddSum(Quantity, Box);
    report.Detail.AddField(Item, Box);
    report.Summary.AddLabel(QStringLiteral("Total"), Box);
    report.Summary.AddSum(Quantity, Box);
    report.Summary.AddExpression(Quantity, Box);
    report.PageFooter.AddPageNumber(Box);

    const QStringList frame = Split("PH:Title PH: S:Total S:0 S:0 PF:1");
    EXPECT_EQ(Trace(report.Layout(), true), frame);
    report.SetDataSet(nullptr);
    EXPECT_EQ(Trace(report.Layout(), true), frame);

    report.PrintIfEmpty = false;
    EXPECT_TRUE(report.Layout().empty());
    report.SetDataSet(rs.get());
    EXPECT_TRUE(report.Layout().empty());
}

namespace {
struct TScrollCounter : IRecordSetObserver {
    int Scrolls = 0;
    void Scrolled(TRecordSet&) override { ++Scrolls; }
};
} // namespace

TEST(TReportLayout, TheCursorIsPutBackAndBoundControlsAreNotScrolledRowByRow) {
    auto rs = MakeNumberedTable(5);
    TScrollCounter observer;
    rs->AddObserver(&observer);
    TReport report;
    report.SetDataSet(rs.get());
    report.Detail.AddField(Item, Box);

    rs->SetRecNo(3);
    observer.Scrolls = 0;
    EXPECT_EQ(report.Layout().front().Items.size(), 5u);
    EXPECT_EQ(rs->RecNo(), 3);
    EXPECT_FALSE(rs->ControlsDisabled());
    EXPECT_EQ(observer.Scrolls, 0);

    rs->Last();
    rs->Next();
    report.Layout();
    EXPECT_TRUE(rs->Eof());

    // A wrong field name stops the report, and still leaves the cursor where it was.
    rs->SetRecNo(2);
    report.Detail.AddField(QStringLiteral("NoSuchField"), Box);
    EXPECT_THROW(report.Layout(), EDatabaseError);
    EXPECT_EQ(rs->RecNo(), 2);
    EXPECT_FALSE(rs->ControlsDisabled());
    rs->RemoveObserver(&observer);
}

TEST(TReportLayout, ItemsArePlacedInMillimetresWithTheReportsClockAndFont) {
    TClock::SetFixed(39511.75); // 3 March 2008, 18:00
    auto rs = MakeNumberedTable(1);
    TReport report;
    report.SetDataSet(rs.get());
    report.MarginsMm = {15, 12, 10, 10};
    report.PageHeader.Height = 8;
    report.Detail.Height = 7;
    report.Detail.RuleBelow = true;
    report.Detail.AddDateTime({20, 1, 60, 5});
    QFont bold;
    bold.setBold(true);
    report.Detail.AddLabel(QStringLiteral("bold"), Box, bold);
    report.Detail.AddLine(5, 6, 50);

    const auto items = ItemsOf(report.Layout().front(), TReportBandKind::Detail);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].Text, DateTimeToStr(39511.75));
    EXPECT_EQ(items[0].Rect, QRectF(35, 21, 60, 5)); // margins + page header + item
    EXPECT_EQ(items[0].Font, report.Font);
    // A font that only says "bold" is the report's font in bold.
    EXPECT_EQ(items[1].Font.family(), report.Font.family());
    EXPECT_TRUE(items[1].Font.bold());
    EXPECT_EQ(items[1].Font.pointSizeF(), report.Font.pointSizeF());
    EXPECT_EQ(items[2].Rect, QRectF(20, 26, 50, 0));
    // The band's rule spans the page between the margins, at the band's bottom.
    EXPECT_EQ(items[3].Rect, QRectF(15, 27, 210 - 15 - 10, 0));

    report.Orientation = QPageLayout::Landscape;
    EXPECT_EQ(ItemsOf(report.Layout().front(), TReportBandKind::Detail)[3].Rect.width(),
              297 - 15 - 10);
}
