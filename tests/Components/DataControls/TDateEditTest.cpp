// The date box: a date typed in the short date format or as ISO, anything else refused with a
// message naming the text and the box (which keeps the text and the focus), Escape putting the
// date back, and a day picked in its calendar.

#include "Components/DataControls/TDateEdit.h"
#include "DataControlsFixtures.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TDateEditTest : ::testing::Test {
    TTestWindow Window;
    TDateEdit* Box = new TDateEdit(&Window);
    QLineEdit* Other = new QLineEdit(&Window);
    QStringList Errors;
    QList<QDate> Changes;

    TDateEditTest() {
        TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)));
        TDataControls::OnError = [this](const Exception& e) { Errors << e.Message(); };
        Box->SetCaption(S("Start Date"));
        Box->setDate(QDate(2026, 12, 1));
        Box->setGeometry(0, 0, 140, 24);
        Other->setGeometry(0, 40, 140, 24);
        Box->show();
        Other->show();
        QObject::connect(Box, &TDateEdit::dateChanged, [this](const QDate& d) { Changes << d; });
        Changes.clear();
        Box->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    ~TDateEditTest() override {
        TDataControls::OnError = nullptr;
        TClock::Reset();
    }

    void TypeAndLeave(const char* text) {
        QTest::keyClick(Box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Box, S(text));
        Other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

TEST_F(TDateEditTest, TakesTheShortDateFormatAndIsoAndRefusesAnythingElse) {
    EXPECT_EQ(Box->text(), S("01/12/2026"));
    EXPECT_EQ(Box->selectedText(), Box->text()) << "entered: what is typed replaces it";
    TypeAndLeave("18/12/2026");
    EXPECT_EQ(Box->date(), QDate(2026, 12, 18));
    Box->setFocus(Qt::TabFocusReason);
    TypeAndLeave("2026-12-24");
    EXPECT_EQ(Box->date(), QDate(2026, 12, 24));
    EXPECT_EQ(Box->text(), S("24/12/2026")) << "shown in the short date format";
    EXPECT_EQ(Changes, (QList<QDate>{QDate(2026, 12, 18), QDate(2026, 12, 24)}));
    EXPECT_TRUE(Errors.isEmpty());

    Box->setFocus(Qt::TabFocusReason);
    TypeAndLeave("2026-13-45");
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors.first(), S("'2026-13-45' is not a valid date for Start Date. Type a date "
                                "such as 09/12/2026 or 2026-12-09."));
    EXPECT_EQ(Box->date(), QDate(2026, 12, 24)) << "never turned into another date";
    QTest::qWait(20);
    EXPECT_TRUE(Box->hasFocus()) << "the box takes the focus back";
    EXPECT_EQ(Box->text(), S("2026-13-45")) << "the text stays for correction";
    EXPECT_EQ(Box->selectedText(), Box->text());

    QTest::keyClick(Box, Qt::Key_Escape);
    EXPECT_EQ(Box->text(), S("24/12/2026")) << "Escape puts the date back";
    EXPECT_EQ(Changes.size(), 2);
}

TEST_F(TDateEditTest, EnterTakesTheDateAndADayPickedInTheCalendarIsTaken) {
    QTest::keyClick(Box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Box, S("2026-12-05"));
    QTest::keyClick(Box, Qt::Key_Return);
    EXPECT_EQ(Box->date(), QDate(2026, 12, 5));

    QTest::keyClick(Box, Qt::Key_Down, Qt::AltModifier);
    QCalendarWidget* calendar = Box->Calendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 5)) << "opens on the date typed";
    Q_EMIT calendar->clicked(QDate(2026, 12, 21));
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(Box->date(), QDate(2026, 12, 21));
    EXPECT_EQ(Box->text(), S("21/12/2026"));
}

} // namespace
