#include "BaseUnits/Frame_Date_Unit.h"
#include "BaseUnits/XEP_Const.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include "Components/DataControls/TDataControls.h"
#include <QMenu>
#include <gtest/gtest.h>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

std::pair<double, double> Preset(TFrame_Date_Form& frame, int tag) {
    frame.DateClick(tag);
    return {frame.StartDate(), frame.EndDate()};
}
using Range = std::pair<double, double>;
} // namespace

TEST(DateFrame, PresetsCrossMonthAndYearEnds) {
    TFrame_Date_Form frame;
    frame.SetiStartDay(2);
    TClock::SetFixed(Day(2027, 1, 1) + 0.4); // a Friday
    EXPECT_EQ(Preset(frame, 0), Range(Day(2026, 1, 1), Day(2026, 12, 31)));
    EXPECT_EQ(Preset(frame, 1), Range(Day(2026, 12, 1), Day(2026, 12, 31)));
    EXPECT_EQ(Preset(frame, 3), Range(Day(2026, 12, 31), Day(2026, 12, 31)));
    EXPECT_EQ(Preset(frame, 6), Range(Day(2026, 12, 28), Day(2027, 1, 3)));
    EXPECT_EQ(Preset(frame, 2), Range(Day(2026, 12, 21), Day(2026, 12, 27)));
    EXPECT_EQ(Preset(frame, 9), Range(Day(2027, 1, 4), Day(2027, 1, 10)));
    EXPECT_EQ(Preset(frame, 7), Range(Day(2027, 1, 1), Day(2027, 1, 1)));
    EXPECT_EQ(Preset(frame, 8), Range(Day(2027, 1, 2), Day(2027, 1, 2)));
    EXPECT_EQ(Preset(frame, 11), Range(Day(2028, 1, 1), Day(2028, 12, 31)));
    TClock::SetFixed(Day(2026, 12, 15));
    EXPECT_EQ(Preset(frame, 10), Range(Day(2027, 1, 1), Day(2027, 1, 31)));
    EXPECT_EQ(Preset(frame, 4), Range(Day(2026, 1, 1), Day(2026, 12, 31)));
    TClock::SetFixed(Day(2024, 2, 10));
    EXPECT_EQ(Preset(frame, 5), Range(Day(2024, 2, 1), Day(2024, 2, 29)));
    TClock::SetFixed(Day(2023, 2, 10));
    EXPECT_EQ(Preset(frame, 5), Range(Day(2023, 2, 1), Day(2023, 2, 28)));
    EXPECT_EQ(frame.StartDateTimePicker->date(), QDate(2023, 2, 1)) << "the pickers follow";
}

TEST(DateFrame, WeeksFollowTheFirstDayAndRunSaturdayToFridayUntilItIsSet) {
    TFrame_Date_Form frame;
    TClock::SetFixed(Day(2026, 12, 9)); // a Wednesday
    EXPECT_EQ(Preset(frame, 6), Range(Day(2026, 12, 5), Day(2026, 12, 11))) << "Saturday to Friday";
    frame.SetiStartDay(4); // Wednesday: this week starts today
    EXPECT_EQ(Preset(frame, 6), Range(Day(2026, 12, 9), Day(2026, 12, 15)));
    frame.SetInitialDateSelection(idsLastWeek);
    EXPECT_EQ(Range(frame.StartDate(), frame.EndDate()), Range(Day(2026, 12, 2), Day(2026, 12, 8)));
}

TEST(DateFrame, LeavingTheFrameTakesThePickersDates) {
    TFrame_Date_Form frame;
    frame.StartDateTimePicker->setDate(QDate(2026, 3, 1));
    frame.EndDateTimePicker->setDate(QDate(2026, 3, 31));
    frame.FrameExit();
    EXPECT_EQ(frame.StartDate(), Day(2026, 3, 1));
    EXPECT_EQ(frame.EndDate(), Day(2026, 3, 31));
    EXPECT_EQ(frame.PopupMenu1->actions().size(), 12);
    EXPECT_EQ(frame.PopupMenu1->actions().at(2)->text(), QStringLiteral("Last Week"));
}

// A date typed into a picker counts when the dates are asked for, also as 2026-03-02; a text
// that is no date is refused naming it and the box, and stops what asked for the dates.
TEST(DateFrame, ATypedDateCountsAndOneThatIsNoDateStopsWhatAskedForTheDates) {
    QStringList errors;
    TDataControls::OnError = [&errors](const Exception& e) { errors << e.Message(); };
    TFrame_Date_Form frame;
    frame.EndDateTimePicker->setDate(QDate(2026, 3, 31));
    frame.StartDateTimePicker->setText(QStringLiteral("2026-03-02"));
    frame.FrameExit();
    EXPECT_EQ(frame.StartDate(), Day(2026, 3, 2));
    frame.EndDateTimePicker->setText(QStringLiteral("31.03.2026"));
    EXPECT_THROW(frame.FrameExit(), EAbort);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(
        QStringLiteral("'31.03.2026' is not a valid date for End Date. Type a date such as")))
        << errors.first().toStdString();
    EXPECT_EQ(frame.EndDate(), Day(2026, 3, 31)) << "never read as another date";
    TDataControls::OnError = nullptr;
}
