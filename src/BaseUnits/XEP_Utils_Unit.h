#pragma once
// Calendar, duration and directory helpers shared by the data module and every window.
//
// Date-times are day numbers (days since 30 December 1899 plus the fraction of the day);
// durations are fractions of a day (one minute = 1/1440); weekday numbers run 1 = Sunday …
// 7 = Saturday. "Now" and "today" come from TClock.

#include <QString>
#include <memory>

// Splits a duration into whole working days (iDays, truncated toward zero) and the remainder.
// fDayDuration is the working day in hours. An exact multiple of the working day counts in
// full even where floating point lands a hair below it. Raises EZeroDivide when fDayDuration
// is 0.
double DateTimeToDays(double dDateTime, double fDayDuration, int& iDays);

// "1 Days 5 Hours 0 Minutes " for 12 hours with 7-hour days; seconds are dropped.
QString DaysHoursMinutesText(double Duration, double DayHours);

// The week holding today that starts on weekday iStartDay, as dates without a time of day.
void GetThisWeek(int iStartDay, double& dStartDate, double& dEndDate);
void GetLastWeek(int iStartDay, double& dStartDate, double& dEndDate);
void GetNextWeek(int iStartDay, double& dStartDate, double& dEndDate);

// Weekday number of a long day name in the current regional names, compared exactly;
// anything that is not Sunday … Friday gives 7.
int DayToDayNumber(const QString& sDayString);

// Waits iSecs seconds on the clock without processing anything else; sleeps, never spins.
void WaitForXSecs(int iSecs);

// Days in a month; 31 for any month number outside 4, 6, 9, 11 and 2.
int EndOfMonth(int iMonth, int iYear);

// 0 = no warning, 1 = completion date within 5 days, 2 = within a day or past; 0 for no date.
int GetPriority(double dtTaskCompDate);

// The user's local application-data folder, or the current directory when there is none.
QString GetUserSaveDirectory();
// Tests point the application-data folder elsewhere; an empty text restores the real one.
void SetUserSaveDirectoryOverride(const QString& directory);

// Creates one directory level unless it exists; raises EXEPException "Cannot create " + dir.
void CheckCreateDirectory(const QString& sDirectory);

QString CreateSpaceString(int NumSpaces);

// Creates a dialog of class TForm without a parent, shows it modally and releases it, also
// when showing it raises.
template <class TForm> void CreateForm() {
    auto form = std::make_unique<TForm>(nullptr);
    form->exec();
}

// Duration text for a day column: for display an empty text when the time of day is zero,
// otherwise "hh:mm" of the time of day (seconds dropped, whole days not shown).
QString DurationGetText(double value, bool displayText);
// The duration typed for a field (fieldName names it in messages), as a fraction of a day in
// whole minutes. Hours and minutes in any of the forms "1:30", "01:30", "0130", "130", or
// decimal hours "1.5" (with '.' or the regional decimal separator, rounded to the minute); one
// or two digits alone are whole hours; blanks around the text and an empty text or "0" mean
// no time. Anything else, minutes above 59, a negative time or 24 hours or more (a day column
// and a time of day hold less than a day) raise EConvertError naming the text and the field.
double DurationFromText(const QString& enteredText, const QString& fieldName);
// Completion date text: empty for 0 when displayed, today's date for 0 when edited,
// otherwise the short date.
QString CompletionDateGetText(double value, bool displayText);
