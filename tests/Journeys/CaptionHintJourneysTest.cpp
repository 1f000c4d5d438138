// Journeys that look at the windows' own words: captions exactly as the program sets them, and
// the review window's status bar showing the hint of whatever the mouse is over.

#include "JourneyFixture.h"

#include "UserLayer/Form_Main_Unit.h"

#include <QStatusBar>
#include <QWindow>

using namespace Journey;

namespace {
// Moves the mouse onto a widget, as the user does.
bool MoveOnto(QWidget* widget) {
    if (!widget || !widget->isVisible()) return false;
    // Moved within its window, as a real mouse is: the window finds the control under it.
    QWidget* window = widget->window();
    QTest::mouseMove(window, widget->mapTo(window, widget->rect().center()));
    return true;
}

QString StatusShown() {
    return Review()->StatusBar1->currentMessage();
}
} // namespace

TEST_F(JourneyTest, CaptionsAreThePrograms) {
    SetUpStore();
    QString review, reviewOnScreen;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("read the caption on screen"), [&] {
        review = Review()->windowTitle();
        reviewOnScreen = Review()->windowHandle()->title();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(review, QStringLiteral("Tivrel"));
    EXPECT_EQ(reviewOnScreen, QStringLiteral("Tivrel")) << "nothing appended by the toolkit";
}

TEST_F(JourneyTest, TheStatusBarShowsTheHintOfWhatTheMouseIsOver) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("the mouse onto the Submit button"), [] {
        // The offscreen screen stacks no windows: the main window behind the review window
        // would catch the mouse where they overlap, which no desktop lets it do.
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("Form_Main_Form")) window->move(3000, 3000);
        return MoveOnto(Review()->ToolBar1->widgetForAction(Review()->Submit));
    });
    script.Then(QStringLiteral("the status bar says Submit"),
                [] { return StatusShown() == QLatin1String("Submit"); });
    script.Do(QStringLiteral("the mouse onto the Step button"),
              [] { return MoveOnto(Review()->ToolBar1->widgetForAction(Review()->Step)); });
    script.Then(QStringLiteral("the status bar says Step Function"),
                [] { return StatusShown() == QLatin1String("Step Function"); });
    script.Do(QStringLiteral("the mouse onto Monday's cell"),
              [] { return MoveOnto(ReviewGrid()->dbeMon); });
    script.Then(QStringLiteral("the status bar says Hours : Minutes"),
                [] { return StatusShown() == QLatin1String("Hours : Minutes"); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
}
