// Filter texts, sort texts and Locate.

#include "Components/Core/SysExceptions.h"
#include "Components/Core/TFormatSettings.h"
#include "RecordSetFixtures.h"

#include <gtest/gtest.h>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

// Users 0, -3; days 2, 3, 9, 10 March 2008; codes GEN, admin, O'Neil.
std::unique_ptr<TRecordSet> MakeHistory() {
    auto rs = std::make_unique<TRecordSet>();
    rs->AddField(S("TaskCode"), TFieldType::String, 10);
    rs->AddField(S("DateTimeSubmitted"), TFieldType::DateTime);
    rs->AddField(S("UserId"), TFieldType::Integer);
    rs->AddField(S("Completed"), TFieldType::Boolean);
    rs->AddField(S("Rate"), TFieldType::Currency);
    rs->AddField(S("Hours"), TFieldType::Float);
    rs->CreateDataSet();
    struct Row {
        const char* code;
        double day;
        int user;
        bool done;
        double rate;
    };
    const Row rows[] = {{"GEN", Day(2008, 3, 2), 0, false, 1.5},
                        {"admin", Day(2008, 3, 3), -3, true, 2},
                        {"GEN", Day(2008, 3, 9), -3, false, 2.25},
                        {"O'Neil", Day(2008, 3, 10), 0, true, -1},
                        {"GEN", Day(2008, 3, 3), -3, false, 0}};
    for (const Row& r : rows) {
        rs->Append();
        rs->FieldByName(S("TaskCode")).SetAsString(S(r.code));
        rs->FieldByName(S("DateTimeSubmitted")).SetAsDateTime(r.day);
        rs->FieldByName(S("UserId")).SetAsInteger(r.user);
        rs->FieldByName(S("Completed")).SetAsBoolean(r.done);
        rs->FieldByName(S("Rate")).SetAsCurrency(r.rate);
        rs->FieldByName(S("Hours")).SetAsFloat(r.rate * 2);
        rs->Post();
    }
    rs->Append(); // a row of nulls
    rs->FieldByName(S("TaskCode")).Clear();
    rs->Post();
    return rs;
}

int CountWith(TRecordSet& rs, const char* filter) {
    rs.SetFilter(S(filter));
    rs.SetFiltered(true);
    const int n = rs.RecordCount();
    rs.SetFiltered(false);
    return n;
}

QString FilterError(TRecordSet& rs, const QString& filter) {
    try {
        rs.SetFilter(filter);
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return S("accepted");
}
} // namespace

TEST(RecordSetFilter, TheTextsTheProgramWritesSelectTheRightRows) {
    auto rs = MakeHistory();
    EXPECT_EQ(
        CountWith(*rs, " DateTimeSubmitted >= 03/03/2008 AND DateTimeSubmitted <= 09/03/2008"), 3);
    EXPECT_EQ(
        CountWith(
            *rs,
            " DateTimeSubmitted >= 03/03/2008 AND DateTimeSubmitted <= 09/03/2008 AND UserID = -3"),
        3);
    EXPECT_EQ(
        CountWith(
            *rs,
            " DateTimeSubmitted >= 03/03/2008 AND DateTimeSubmitted <= 09/03/2008 AND UserID = 0"),
        0);
    EXPECT_EQ(CountWith(*rs, "Completed = False"), 3);
    EXPECT_EQ(CountWith(*rs, "TaskCode = 'GEN'"), 3);
    EXPECT_EQ(CountWith(*rs, "TaskCode = 'O''Neil'"), 1);
    EXPECT_EQ(CountWith(*rs, "userid = -3"), 3);
}

TEST(RecordSetFilter, StringComparisonsIgnoreCase) {
    auto rs = MakeHistory();
    EXPECT_EQ(CountWith(*rs, "TaskCode = 'gen'"), 3);
    EXPECT_EQ(CountWith(*rs, "TaskCode = 'ADMIN'"), 1);
    EXPECT_EQ(CountWith(*rs, "TaskCode < 'b'"), 1);    // admin, whatever its case
    EXPECT_EQ(CountWith(*rs, "TaskCode <> 'Gen'"), 2); // the null row is not selected
}

TEST(RecordSetFilter, OperatorsLogicParenthesesNullsAndLiterals) {
    auto rs = MakeHistory();
    EXPECT_EQ(CountWith(*rs, "UserId <> 0"), 3);
    EXPECT_EQ(CountWith(*rs, "UserId < 0 OR Completed = True"), 4);
    EXPECT_EQ(CountWith(*rs, "NOT (UserId < 0 OR Completed = True)"), 2); // the null row counts
    EXPECT_EQ(CountWith(*rs, "(UserId = 0 AND Completed = true) OR TaskCode = 'admin'"), 2);
    EXPECT_EQ(CountWith(*rs, "Rate >= 1.5 and rate < 2.25"), 2);
    EXPECT_EQ(CountWith(*rs, "Rate < -0.5"), 1);
    EXPECT_EQ(CountWith(*rs, "Hours > 4"), 1);
    EXPECT_EQ(CountWith(*rs, "-3 = UserId"), 3);
    EXPECT_EQ(CountWith(*rs, "09/03/2008 < DateTimeSubmitted"), 1);
    EXPECT_EQ(CountWith(*rs, "TaskCode = NULL"), 1);
    EXPECT_EQ(CountWith(*rs, "[TaskCode] <> NULL"), 5);
    EXPECT_EQ(CountWith(*rs, "  "), 6);
}

TEST(RecordSetFilter, DatesFollowTheShortDateFormat) {
    auto rs = MakeHistory();
    TFormatSettings us = TFormatSettings::Fixed();
    us.ShortDateFormat = S("MM-dd-yyyy");
    us.DateSeparator = QLatin1Char('-');
    TFormatSettings::SetCurrent(us);
    EXPECT_EQ(CountWith(*rs, "DateTimeSubmitted = 03-09-2008"), 1);
    EXPECT_EQ(CountWith(*rs, "DateTimeSubmitted = 03-10-2008"), 1);
}

TEST(RecordSetFilter, MalformedTextsRaiseAClearErrorAndKeepTheOldFilter) {
    auto rs = MakeHistory();
    rs->SetFilter(S("UserId = 0"));
    rs->SetFiltered(true);
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"UserId = ", "a field or a value expected instead of 'end of text' at position 10"},
        {"UserId = 0 AND", "at position 15"},
        {"(UserId = 0", "')' expected"},
        {"UserId = 0)", "unexpected ')' at position 11"},
        {"TaskCode = 'GEN", "unterminated string at position 12"},
        {"Nope = 1", "field 'Nope' not found at position 1"},
        {"UserId = 'abc'", "does not suit the integer field 'UserId'"},
        {"TaskCode = 5", "does not suit the string field 'TaskCode'"},
        {"DateTimeSubmitted >= 31/02/2008", "'31/02/2008' is not a valid date"},
        {"UserId == 1", "a field or a value expected"},
        {"UserId 1", "a comparison operator expected"},
        {"UserId = 1 ; drop", "unexpected character ';'"},
        {"1 = 1", "a comparison needs a field"},
        {"UserId = 12abc", "after a number"},
        {"Completed = 'maybe'", "boolean field"},
    };
    for (const auto& c : cases) {
        const QString message = FilterError(*rs, S(c.text));
        EXPECT_TRUE(message.contains(S(c.expected))) << c.text << " -> " << message.toStdString();
        EXPECT_TRUE(message.contains(S(c.text))) << message.toStdString();
    }
    EXPECT_EQ(rs->Filter(), S("UserId = 0"));
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_TRUE(FilterError(*rs, QString(1000, QLatin1Char('(')) + S("UserId = 1"))
                    .contains(S("nested too deeply")));
}

TEST(RecordSetFilter, PostedRowsStayVisibleUntilTheFilterIsSetAgain) {
    auto rs = MakeHistory();
    rs->SetFilter(S("Completed = False"));
    rs->SetFiltered(true);
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->Edit();
    rs->FieldByName(S("Completed")).SetAsBoolean(true);
    rs->Post();
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->SetFilter(rs->Filter());
    EXPECT_EQ(rs->RecordCount(), 2);
}

TEST(RecordSetSort, SeveralKeysDescendingAndStable) {
    auto rs = MakeHistory();
    rs->SetSort(S("UserId DESC, TaskCode"));
    EXPECT_EQ(Column(*rs, "TaskCode"),
              QStringList({S("GEN"), S("O'Neil"), S("admin"), S("GEN"), S("GEN"), S("")}));
    // Equal keys keep their natural order: the two GEN rows of user -3 are 9 and 3 March.
    EXPECT_EQ(Column(*rs, "DateTimeSubmitted").mid(3, 2),
              QStringList({S("09/03/2008"), S("03/03/2008")}));
    rs->SetSort(S("Rate ASC"));
    EXPECT_EQ(Column(*rs, "Rate"),
              QStringList({S(""), S("-1"), S("0"), S("1.5"), S("2"), S("2.25")}));
    rs->SetSort(S(""));
    EXPECT_EQ(Column(*rs, "Rate").first(), S("1.5"));
    EXPECT_THROW(rs->SetSort(S("Nope")), EDatabaseError);
    EXPECT_THROW(rs->SetSort(S("Rate DOWN")), EDatabaseError);
    rs->SetFilter(S("TaskCode = 'gen'"));
    rs->SetFiltered(true);
    rs->SetSort(S("DateTimeSubmitted DESC"));
    EXPECT_EQ(Column(*rs, "DateTimeSubmitted"),
              QStringList({S("09/03/2008"), S("03/03/2008"), S("02/03/2008")}));
}

TEST(RecordSetLocate, KeyListsCaseAndPartialKeys) {
    auto rs = MakeHistory();
    EXPECT_TRUE(rs->Locate(S("UserId;TaskCode"), QVariantList{-3, S("GEN")}));
    EXPECT_EQ(rs->RecNo(), 3);
    EXPECT_FALSE(rs->Locate(S("TaskCode"), S("gen")));
    EXPECT_EQ(rs->RecNo(), 3); // a failed search does not move
    EXPECT_TRUE(rs->Locate(S("TaskCode"), S("ADMIN"), {true, false}));
    EXPECT_EQ(rs->RecNo(), 2);
    EXPECT_TRUE(rs->Locate(S("TaskCode"), S("o'n"), {true, true}));
    EXPECT_EQ(rs->RecNo(), 4);
    EXPECT_FALSE(rs->Locate(S("TaskCode"), S("o'n"), {false, true}));
    EXPECT_TRUE(rs->Locate(S("taskcode"), QVariant()));
    EXPECT_EQ(rs->RecNo(), 6);
    EXPECT_TRUE(rs->Locate(S("Completed;Rate"), QVariantList{true, -1}));
    EXPECT_EQ(rs->RecNo(), 4);
    EXPECT_THROW(rs->Locate(S("UserId;TaskCode"), QVariantList{1}), EDatabaseError);
    EXPECT_EQ(
        rs->Lookup(S("UserId;DateTimeSubmitted"), QVariantList{0, Day(2008, 3, 10)}, S("TaskCode")),
        QVariant(S("O'Neil")));
}
