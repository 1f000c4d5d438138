#pragma once
// The history rows of the crash test. Row i of the history says "Row i" in its description, so
// a reader can tell a complete table from one with rows lost, doubled or out of order.

#include "Components/RecordSet/TRecordSet.h"

#include <QString>

inline QString CrashRowText(int index) {
    return QStringLiteral("Row %1").arg(index);
}

// Appends and posts history row number index.
inline void AppendCrashRow(TRecordSet& history, int index, double submitted) {
    history.Append();
    history.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("GEN"));
    history.FieldByName(QStringLiteral("TaskDescription")).SetAsString(CrashRowText(index));
    history.FieldByName(QStringLiteral("DateTimeCreated")).SetAsDateTime(submitted);
    history.FieldByName(QStringLiteral("DateTimeSubmitted")).SetAsDateTime(submitted);
    history.FieldByName(QStringLiteral("Duration"))
        .SetAsDateTime(double(15 + index % 450) / 1440.0);
    history.FieldByName(QStringLiteral("Active")).SetAsBoolean(false);
    history.FieldByName(QStringLiteral("Completed")).SetAsBoolean(index % 3 == 0);
    history.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(-(index % 40));
    history.FieldByName(QStringLiteral("ClientId")).SetAsInteger(-(index % 12));
    history.FieldByName(QStringLiteral("UserId")).SetAsInteger(0);
    history.FieldByName(QStringLiteral("InvoiceNumber")).SetAsInteger(0);
    history.FieldByName(QStringLiteral("AuthUserId")).SetAsInteger(0);
    history.Post();
}

// One change of the master data, as a user makes it in one go: a new client, a new project, a
// task code of that project and a task of that code for that client, each posted. Number n
// names them ("Client n", "Project n", "K<n>").
template <class TStore> inline void AddCrashMasters(TStore& dm, int n) {
    TRecordSet& clients = dm.adsClients;
    clients.Append();
    clients.FieldByName(QStringLiteral("ClientName"))
        .SetAsString(QStringLiteral("Client %1").arg(n));
    clients.Post();
    const int clientId = clients.FieldByName(QStringLiteral("ClientId")).AsInteger();
    TRecordSet& projects = dm.adsProjects;
    projects.Append();
    projects.FieldByName(QStringLiteral("ProjectName"))
        .SetAsString(QStringLiteral("Project %1").arg(n));
    projects.Post();
    const int projectNumber = projects.FieldByName(QStringLiteral("ProjectNumber")).AsInteger();
    TRecordSet& codes = dm.adsTaskCodes;
    codes.Append();
    codes.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("K%1").arg(n));
    codes.FieldByName(QStringLiteral("TaskDescription"))
        .SetAsString(QStringLiteral("Code %1").arg(n));
    codes.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(projectNumber);
    codes.Post();
    TRecordSet& tasks = dm.adsTasks;
    tasks.Append();
    tasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("K%1").arg(n));
    tasks.FieldByName(QStringLiteral("ClientId")).SetAsInteger(clientId);
    tasks.Post();
}
