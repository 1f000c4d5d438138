#include "BaseUnits/Frame_Select_Unit.h"
#include "BaseUnits/Frame_Date_Unit.h"
#include "BaseUnits/Frame_Select_Group_unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDBLookupComboBox.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

void MakeList(TRecordSet& list, const char* key, const char* name) {
    list.AddField(QLatin1String(key), TFieldType::Integer);
    list.AddField(QLatin1String(name), TFieldType::String, 20);
    list.CreateDataSet();
    list.Append();
    list.FieldByName(QLatin1String(key)).SetAsInteger(-3);
    list.FieldByName(QLatin1String(name)).SetAsString(QStringLiteral("Added"));
    list.Post();
}

class SelectFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        TClock::SetFixed(Day(2026, 12, 9) + 0.5); // a Wednesday
        MakeList(projects, "ProjectNumber", "ProjectName");
        MakeList(clients, "ClientId", "ClientName");
        MakeList(users, "UserID", "UserName");
        frame = std::make_unique<TFrame_Select_Form>(projects, clients, users);
    }
    void Set(const char* field, const QVariant& value) {
        frame->adsSelectDetails.Edit();
        frame->adsSelectDetails.FieldByName(QLatin1String(field)).SetValue(value);
    }
    TRecordSet projects, clients, users;
    std::unique_ptr<TFrame_Select_Form> frame;
};
} // namespace

TEST_F(SelectFrameTest, StartsWithLastWeekAndEveryAll) {
    // The first day is 0 at construction: weeks run Saturday to Friday.
    EXPECT_EQ(
        frame->Filter(),
        QStringLiteral(" DateTimeSubmitted >= 28/11/2026 AND DateTimeSubmitted <= 04/12/2026"));
    EXPECT_FALSE(frame->FrameProjectGroup->dblucbSelectGroup->isEnabled())
        << "All disables the picker";
    EXPECT_EQ(frame->FrameClientGroup->Label1->text(), QStringLiteral("Clients"));
}

TEST_F(SelectFrameTest, EachUntickedCriterionAddsItsTermInOrder) {
    frame->SetStartDay(2);
    Set("AllProjects", false);
    Set("ProjectNumber", -3);
    Set("AllClients", false);
    Set("AllUsers", false);
    Set("UserId", 7);
    EXPECT_EQ(
        frame->Filter(),
        QStringLiteral(" DateTimeSubmitted >= 28/11/2026 AND DateTimeSubmitted <= 04/12/2026"))
        << "the text is rebuilt only when the frame is left";
    frame->SetupFilter();
    EXPECT_EQ(frame->Filter(),
              QStringLiteral(" DateTimeSubmitted >= 30/11/2026 AND DateTimeSubmitted <= 06/12/2026"
                             " AND ProjectNumber = -3 AND ClientID = 0 AND UserID = 7"));
    frame->SetClientsReadOnly(true);
    Set("AllUsers", true);
    frame->SetupFilter();
    EXPECT_EQ(frame->Filter(),
              QStringLiteral(" DateTimeSubmitted >= 30/11/2026 AND DateTimeSubmitted <= 06/12/2026 "
                             "AND ProjectNumber = -3"));
}

TEST_F(SelectFrameTest, TheFilterSelectsTheEndDateAndNotTheDayAfter) {
    frame->SetupFilter();
    TRecordSet history;
    history.AddField(QStringLiteral("DateTimeSubmitted"), TFieldType::DateTime);
    history.AddField(QStringLiteral("UserId"), TFieldType::Integer);
    history.CreateDataSet();
    for (double day : {Day(2026, 11, 27), Day(2026, 11, 28), Day(2026, 12, 4), Day(2026, 12, 5)}) {
        history.Append();
        history.FieldByName(QStringLiteral("DateTimeSubmitted")).SetAsDateTime(day);
        history.Post();
    }
    history.SetFilter(frame->Filter());
    history.SetFiltered(true);
    EXPECT_EQ(history.RecordCount(), 2);
}

TEST_F(SelectFrameTest, OnlyCriteriaNeitherAllNorReadOnlyRestrict) {
    frame->SetStartDay(2);
    Set("ProjectNumber", 4);
    Set("ClientId", -5);
    Set("UserId", 6);
    const QString dates =
        QStringLiteral(" DateTimeSubmitted >= 30/11/2026 AND DateTimeSubmitted <= 06/12/2026");
    // Each criterion in each of its four states: restricting, "All", read-only, both.
    for (int states = 0; states < 64; ++states) {
        const int project = states & 3, client = (states >> 2) & 3, user = (states >> 4) & 3;
        Set("AllProjects", bool(project & 1));
        Set("AllClients", bool(client & 1));
        Set("AllUsers", bool(user & 1));
        frame->SetProjectsReadOnly(project & 2);
        frame->SetClientsReadOnly(client & 2);
        frame->SetUsersReadOnly(user & 2);
        frame->SetupFilter();
        QString expected = dates;
        if (project == 0) expected += QStringLiteral(" AND ProjectNumber = 4");
        if (client == 0) expected += QStringLiteral(" AND ClientID = -5");
        if (user == 0) expected += QStringLiteral(" AND UserID = 6");
        EXPECT_EQ(frame->Filter(), expected) << "states " << states;
    }
}
