#include "GridExportFixtures.h"

#include <gtest/gtest.h>

using namespace GridExportTest;

TEST(TExportSourceTest, TakesVisibleBoundColumnsInGridOrderWithTitlesAndWidths) {
    auto rs = MakeAwkwardTable();
    const TExportSource source = FromRecordSet(*rs, GridColumns());
    QStringList titles;
    for (const TExportField& field : source.Fields)
        titles << field.Title;
    EXPECT_EQ(titles.join(QLatin1Char('|')),
              QStringLiteral("Task Code|Notes|Amount|Qty|Rate|Done|Started|Spent|Picture"));
    EXPECT_EQ(source.Fields[0].Width, 64);
    EXPECT_EQ(source.Fields[2].TypeName, QStringLiteral("Currency"));
    EXPECT_EQ(source.Fields[8].Kind, TExportKind::Blob);
    EXPECT_FALSE(source.Fields[8].Exportable());
    ASSERT_EQ(source.Rows.size(), 3u);
    EXPECT_EQ(source.Rows[1][0].Value.toString(), QStringLiteral("Ünïcødé €"));
    EXPECT_EQ(source.Rows[1][2].Value.toDouble(), -1234.5);
    EXPECT_EQ(source.Rows[1][2].Text, QStringLiteral("-1234.50"));
    EXPECT_EQ(source.Rows[1][3].Value.toLongLong(), -42);
    EXPECT_FALSE(source.Rows[2][3].Value.isValid()); // null
    EXPECT_EQ(source.Rows[0][6].Text, QStringLiteral("05/03/2024 09:30:15"));
}

TEST(TExportSourceTest, FollowsFilterAndSortWithoutMovingTheCursor) {
    auto rs = MakeAwkwardTable();
    int scrolls = 0;
    rs->AfterScroll = [&](TRecordSet&) { ++scrolls; };
    rs->SetSort(QStringLiteral("Code DESC"));
    rs->SetFilter(QStringLiteral("Qty <> 3"));
    rs->SetFiltered(true);
    rs->Last();
    const int recNo = rs->RecNo();
    scrolls = 0;
    const TExportSource source = FromRecordSet(*rs, GridColumns());
    ASSERT_EQ(source.Rows.size(), 1u);
    EXPECT_EQ(source.Rows[0][0].Text, QStringLiteral("Ünïcødé €"));
    EXPECT_EQ(rs->RecNo(), recNo);
    EXPECT_EQ(scrolls, 0);
}

TEST(TExportSourceTest, DefaultTitleAndWidthComeFromTheField) {
    auto rs = MakeAwkwardTable();
    rs->FieldByName(QStringLiteral("Qty")).SetDisplayLabel(QStringLiteral("Quantity"));
    const TExportSource source = FromRecordSet(*rs, {{QStringLiteral("Qty"), QString(), 0}});
    ASSERT_EQ(source.Fields.size(), 1u);
    EXPECT_EQ(source.Fields[0].Title, QStringLiteral("Quantity"));
    EXPECT_GT(source.Fields[0].Width, 0);
}

TEST(TExportSourceTest, PostsAPendingEditSoTheExportShowsWhatTheGridShows) {
    auto rs = MakeAwkwardTable();
    rs->First();
    rs->Edit();
    rs->FieldByName(QStringLiteral("Code")).SetAsString(QStringLiteral("EDITED"));
    const TExportSource source = FromRecordSet(*rs, GridColumns());
    EXPECT_EQ(source.Rows[0][0].Text, QStringLiteral("EDITED"));
    EXPECT_EQ(rs->State(), TDataSetState::Browse);
}

TEST(TExportSourceTest, AValueThatCannotBeReadStopsWithTheRowAndColumn) {
    auto rs = MakeAwkwardTable();
    rs->FieldByName(QStringLiteral("Qty")).OnGetText = [](TField& field, QString& text, bool) {
        if (field.AsInteger() < 0) throw EConvertError(QStringLiteral("negative quantity"));
        text = field.AsString();
    };
    try {
        FromRecordSet(*rs, GridColumns());
        FAIL() << "no error";
    } catch (const EExportError& e) {
        EXPECT_EQ(
            e.Message(),
            QStringLiteral("Cannot read the value of column \"Qty\" in row 2: negative quantity"));
    }
}

TEST(TExportSourceTest, AClosedRecordSetIsRefused) {
    TRecordSet rs;
    rs.AddField(QStringLiteral("A"), TFieldType::String, 5);
    EXPECT_THROW(FromRecordSet(rs, {{QStringLiteral("A"), QString(), 0}}), EExportError);
}
