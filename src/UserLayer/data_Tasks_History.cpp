#include "data_Tasks_History.h"

#include "Components/Core/SysDateTime.h"

#include <cmath>

namespace {
TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}
} // namespace

THistoryBooking BookingOfTaskRow(TRecordSet& tasks, int userId, double date, double duration) {
    THistoryBooking booking;
    booking.TaskCode = F(tasks, "TaskCode").AsString();
    booking.TaskDescription = F(tasks, "TaskDescription").AsString();
    booking.DateTimeCreated = F(tasks, "DateTimeCreated").AsDateTime();
    booking.DateTimeAmended = F(tasks, "DateTimeAmended").AsDateTime();
    booking.Active = F(tasks, "Active").AsBoolean();
    booking.Completed = F(tasks, "Completed").AsBoolean();
    booking.ProjectNumber = F(tasks, "ProjectNumber").AsInteger();
    booking.ClientId = F(tasks, "ClientId").AsInteger();
    booking.UserId = userId;
    booking.Date = date;
    booking.Duration = duration;
    return booking;
}

THistoryBook::THistoryBook(TRecordSet& history, double from, double to)
    : FHistory(history), FRows(history.Clone()) {
    FRows->SetFilter(QStringLiteral("DateTimeSubmitted >= %1 AND DateTimeSubmitted < %2")
                         .arg(DateToStr(from), DateToStr(to)));
    FRows->SetFiltered(true);
    for (FRows->First(); !FRows->Eof(); FRows->Next()) {
        if (F(*FRows, "InvoiceNumber").AsInteger() > 0 || F(*FRows, "AuthUserId").AsInteger() > 0)
            continue;
        FBookmarks.insert({KeyOfRow(), FRows->GetBookmark()});
    }
}

THistoryBook::TKey THistoryBook::KeyOf(const THistoryBooking& booking) {
    return {booking.TaskCode.trimmed().toUpper(), booking.ProjectNumber, booking.ClientId,
            booking.UserId, std::llround(std::floor(booking.Date))};
}

THistoryBook::TKey THistoryBook::KeyOfRow() const {
    return {F(*FRows, "TaskCode").AsString().trimmed().toUpper(),
            F(*FRows, "ProjectNumber").AsInteger(), F(*FRows, "ClientId").AsInteger(),
            F(*FRows, "UserId").AsInteger(),
            std::llround(std::floor(F(*FRows, "DateTimeSubmitted").AsDateTime()))};
}

bool THistoryBook::Book(const THistoryBooking& booking) {
    const auto found = FBookmarks.find(KeyOf(booking));
    if (found != FBookmarks.end() && FRows->BookmarkValid(found->second)) {
        FRows->GotoBookmark(found->second);
        FRows->Edit();
        TField& total = F(*FRows, "Duration");
        total.SetAsFloat(total.AsFloat() + booking.Duration);
        F(*FRows, "DateTimeAmended").SetAsDateTime(booking.DateTimeAmended);
        F(*FRows, "Completed").SetAsBoolean(booking.Completed);
        FRows->Post();
        FHistory.Tag = 1; // a change made through another cursor marks nothing by itself
        return false;
    }
    Append(booking);
    FBookmarks.insert_or_assign(KeyOf(booking), FHistory.GetBookmark());
    return true;
}

void THistoryBook::Append(const THistoryBooking& booking) {
    TRecordSet& history = FHistory;
    history.Append();
    F(history, "TaskCode").SetAsString(booking.TaskCode);
    F(history, "TaskDescription").SetAsString(booking.TaskDescription);
    F(history, "Duration").SetAsFloat(booking.Duration);
    F(history, "DateTimeCreated").SetAsDateTime(booking.DateTimeCreated);
    F(history, "DateTimeAmended").SetAsDateTime(booking.DateTimeAmended);
    F(history, "Active").SetAsBoolean(booking.Active);
    F(history, "Completed").SetAsBoolean(booking.Completed);
    F(history, "ProjectNumber").SetAsInteger(booking.ProjectNumber);
    F(history, "ClientId").SetAsInteger(booking.ClientId);
    F(history, "UserId").SetAsInteger(booking.UserId);
    F(history, "AuthUserId").SetAsInteger(0);
    F(history, "InvoiceNumber").SetAsInteger(0);
    F(history, "DateTimeSubmitted").SetAsDateTime(std::floor(booking.Date));
    history.Post();
}
