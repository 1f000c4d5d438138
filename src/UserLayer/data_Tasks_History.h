#pragma once
// Booking time into the history: one row per task and day. A submission books each task's day
// of the week; an import of another tracker's file books its intervals of past weeks. Time
// added to a task and day that has a row already goes onto that row (while it is neither
// invoiced nor authorised), so the history keeps one row per task and day.

#include "Components/RecordSet/TRecordSet.h"

#include <QString>
#include <map>
#include <memory>
#include <tuple>

// A history row's values, as a booking writes them.
struct THistoryBooking {
    QString TaskCode, TaskDescription;
    double DateTimeCreated = 0, DateTimeAmended = 0;
    bool Active = false, Completed = false;
    int ProjectNumber = 0, ClientId = 0, UserId = 0;
    double Date = 0;     // the day the time was worked, at midnight
    double Duration = 0; // a fraction of a day
};

// The booking of a task row's time on a day, for a user.
THistoryBooking BookingOfTaskRow(TRecordSet& tasks, int userId, double date, double duration);

class THistoryBook {
public:
    // The history rows dated from from (inclusive) to to (exclusive), the rows a booking of
    // those days adds to. Only that range of the history is read.
    THistoryBook(TRecordSet& history, double from, double to);
    // Adds the time to the row of the same task, project, client, user and day, or appends a
    // row; true when a row was appended.
    bool Book(const THistoryBooking& booking);

private:
    using TKey = std::tuple<QString, int, int, int, qint64>;
    static TKey KeyOf(const THistoryBooking& booking);
    TKey KeyOfRow() const;
    void Append(const THistoryBooking& booking);

    TRecordSet& FHistory;
    std::unique_ptr<TRecordSet> FRows;
    std::map<TKey, TBookmark> FBookmarks;
};
