#pragma once
// The review window's work on the week, apart from its widgets: the week it opens on, the
// submission of the week into the history and the rounding of the week to whole steps.

#include <QString>
#include <functional>

class TdmTasks_Form;
class TDialogService;

// The first day, at midnight, of the week that contains date, for weeks that begin on the
// weekday startDay (1 = Sunday … 7 = Saturday).
double WeekStartOf(double date, int startDay);

// The week the review window opens on: the week that contains now, unless the week after the
// last submitted one (lastSubmitted, any moment of it) is earlier, so that no week is skipped.
double ReviewWeekToOpen(double lastSubmitted, double now, int startDay);

// The review week after the first day of the week changed from oldStartDay to newStartDay:
// the new week that contains today when the old one did (the time typed for today stays on
// today), otherwise the new week that begins on or before the old week's start.
double ReviewWeekAfterStartDayChange(double reviewWeek, int oldStartDay, int newStartDay,
                                     double now);

// Whether the history holds time worked in the week that begins on weekStart.
bool WeekWasSubmitted(TdmTasks_Form& dm, double weekStart);

// Submits the review week that contains the date typed in the week-start box: asks whether to
// go on when that week was submitted before and when it lies in the future (both questions,
// in order), then writes one history row per task and day with time, dated with the day the
// time was worked and booked to the timesheet user; removes completed tasks and, by option,
// tasks without time; clears the week; records the week as the last submitted and moves
// FSubmitDate to the following week; resets the weekday totals. Returns false when a question
// was answered No. A week-start text that is no date raises EConvertError before anything
// changes.
bool SubmitWeek(TdmTasks_Form& dm, TDialogService& dialogs, double& FSubmitDate,
                const QString& sWeekStartText);

// Rounds every day of every task down to whole steps of MinimumTaskDuration minutes, keeping
// the weekday totals in step and the current row where it was. Nothing when the step is 0 or
// less.
void StepWeek(TdmTasks_Form& dm);
