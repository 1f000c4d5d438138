#pragma once
// The review window's work on the week, apart from its widgets: the week it opens on, the
// submission of the week into the history and the rounding of the week to whole steps.

#include <QString>
#include <functional>

class TdmTasks_Form;
class TDialogService;

// The review week for a recorded week start: that week until the moment six days after its
// start has passed, the following week from then on.
double InitialSubmitDate(double WeekStartDate, double Now);

// Submits the review week starting at the date typed in the week-start box: asks the two
// questions (both, in order), then writes one history row per task and day with time, dated
// with the day the time was worked; removes completed tasks and, by option, tasks without
// time; clears the week; moves WeekStartDate and FSubmitDate on when the recorded week is
// more than 13 days old; resets the weekday totals. Returns false when a question was
// answered No. A week-start text that is no date raises EConvertError before anything changes.
bool SubmitWeek(TdmTasks_Form& dm, TDialogService& dialogs, double& FSubmitDate,
                const QString& sWeekStartText);

// Rounds every day of every task down to whole steps of MinimumTaskDuration minutes, keeping
// the weekday totals in step and the current row where it was. Nothing when the step is 0 or
// less.
void StepWeek(TdmTasks_Form& dm);
