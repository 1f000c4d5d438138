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

// The review week after the first day of the week changed from oldStartDay to newStartDay:
// the new week that contains today when the old one did (the time typed for today stays on
// today), otherwise the new week that begins on or before the old week's start.
double ReviewWeekAfterStartDayChange(double reviewWeek, int oldStartDay, int newStartDay,
                                     double now);

// Whether the history holds time worked in the week that begins on weekStart.
bool WeekWasSubmitted(TdmTasks_Form& dm, double weekStart);

// Submits the review week that contains the date typed in the week-start box: asks whether to
// go on when that week was submitted before and when it lies in the future (both questions,
// in order), then books each task's time of each day of the week, as the journal has it, in
// whole minutes to the timesheet user: one history row per task and day, dated with the day
// the time was worked (time added to a day submitted before goes onto that day's row). The
// journal then counts that time as submitted, so the week's cells are empty and a later
// submission books only what is new. Removes completed tasks and, by option, tasks without
// time, unless they hold time of another week or are being tracked; records the week as the
// last submitted, moves FSubmitDate to the following week and shows it in the day columns.
// Returns false when a question was answered No. A week-start text that is no date raises
// EConvertError before anything changes.
bool SubmitWeek(TdmTasks_Form& dm, TDialogService& dialogs, double& FSubmitDate,
                const QString& sWeekStartText);

// Rounds every day of every task in the week shown down to whole steps of MinimumTaskDuration
// minutes, keeping the current row where it was. Nothing when the step is 0 or less.
void StepWeek(TdmTasks_Form& dm);
