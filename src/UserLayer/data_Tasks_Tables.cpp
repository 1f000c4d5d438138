// The tables of the data module: every field with its type, size, label, formats, edit mask,
// lookup and calculation, and the text handlers of the duration and date fields.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysDateTime.h"

#include <QRegularExpression>

namespace {
using FT = TFieldType;

QString Name(const char* name) {
    return QLatin1String(name);
}

TField& Data(TRecordSet& table, const char* name, FT type, int size = 0,
             const char* label = nullptr) {
    TField& field = table.AddField(Name(name), type, size);
    if (label) field.SetDisplayLabel(Name(label));
    return field;
}

TField& Lookup(TRecordSet& table, const char* name, FT type, int size, TRecordSet& from,
               const char* key, const char* lookupKey, const char* result,
               const char* label = nullptr) {
    TField& field = table.AddLookupField(Name(name), type, size, &from, Name(key), Name(lookupKey),
                                         Name(result));
    if (label) field.SetDisplayLabel(Name(label));
    return field;
}

TField& Calculated(TRecordSet& table, const char* name, FT type, int size = 0,
                   const char* label = nullptr) {
    TField& field = table.AddCalculatedField(Name(name), type, size);
    if (label) field.SetDisplayLabel(Name(label));
    return field;
}

const char* const DayColumns[7][2] = {
    {"MonDuration", "Mon Duration"}, {"TueDuration", "Tue Duration"},
    {"WedDuration", "Wed Duration"}, {"ThuDuration", "Thu Duration"},
    {"FriDuration", "Fri Duration"}, {"SatDuration", "Sat Duration"},
    {"SunDuration", "Sun Duration"}};

void DefineNumberedNames(TRecordSet& table, const char* key, const char* desc) {
    Data(table, key, FT::AutoInc);
    Data(table, desc, FT::String, 20);
}
} // namespace

void TdmTasks_Form::DefineTables() {
    adsTasks.Name = QStringLiteral("adsTasks");
    adsTaskCodes.Name = QStringLiteral("adsTaskCodes");
    adsProjects.Name = QStringLiteral("adsProjects");
    adsClients.Name = QStringLiteral("adsClients");
    adsUsers.Name = QStringLiteral("adsUsers");
    adsManagers.Name = QStringLiteral("adsManagers");
    adsUserTypes.Name = QStringLiteral("adsUserTypes");
    adsUserAuthority.Name = QStringLiteral("adsUserAuthority");
    adsBillingTypes.Name = QStringLiteral("adsBillingTypes");
    adsClientTypes.Name = QStringLiteral("adsClientTypes");
    adsReporting.Name = QStringLiteral("adsReporting");
    // The history file is indexed by the day worked, so that a report or a search reads only
    // the dates it needs (Reportingfile.index beside it).
    adsReporting.IndexField = QStringLiteral("DateTimeSubmitted");
    adsReports.Name = QStringLiteral("adsReports");
    adsDefaults.Name = QStringLiteral("adsDefaults");
    adsMaxNumbers.Name = QStringLiteral("adsMaxNumbers");
    adsChartData.Name = QStringLiteral("adsChartData");
    adsClientAddresses.Name = QStringLiteral("adsClientAddresses");
    adsTasks2.Name = QStringLiteral("adsTasks2");
    adsManagersBackup.Name = QStringLiteral("adsManagersBackup");
    adsJournal.Name = QStringLiteral("adsJournal");
    adsJournalHistory.Name = QStringLiteral("adsJournalHistory");
    TTimeJournal::DefineFields(adsJournal);
    TTimeJournal::DefineFields(adsJournalHistory);
    DefineTaskTables();
    DefineMasterTables();
    DefineOtherTables();
}

void TdmTasks_Form::DefineTaskTables() {
    for (TRecordSet* tasks : {&adsTasks, &adsTasks2}) {
        TRecordSet& t = *tasks;
        Data(t, "JobId", FT::Integer);
        Data(t, "TaskCode", FT::String, 10, "Task Code").SetVisible(false);
        Data(t, "TaskDescription", FT::String, 75, "Task Description");
        Data(t, "Active", FT::Boolean);
        Data(t, "Completed", FT::Boolean);
        Lookup(t, "TaskCodeLookup", FT::String, 53, adsTaskCodes, "TaskCode", "TaskCode",
               "TaskSummary", "Task Code Lookup");
        TField& days = Calculated(t, "Days", FT::Integer);
        days.SetDisplayFormat(QStringLiteral("####"));
        days.SetEditFormat(QStringLiteral("####"));
        Data(t, "DateTimeCreated", FT::DateTime, 0, "Date Time Created");
        Data(t, "DateTimeAmended", FT::DateTime, 0, "Date Time Amended");
        Calculated(t, "PartDay", FT::Time, 0, "Part Day").SetDisplayFormat(QStringLiteral("t"));
        Calculated(t, "TotalSubmittedDuration", FT::DateTime, 0, "Total Submitted Duration");
        for (const auto& day : DayColumns) {
            TField& field = Data(t, day[0], FT::Time, 0, day[1]);
            field.SetDisplayFormat(QStringLiteral("hh:mm"));
        }
        t.FieldByName(QStringLiteral("MonDuration")).SetDisplayWidth(10);
        Data(t, "Priority", FT::Integer);
        Data(t, "PriorityImage", FT::Blob, 0, "Priority Image");
        Data(t, "ProjectNumber", FT::Integer, 0, "Project Number");
        Lookup(t, "ProjectName", FT::String, 20, adsProjects, "ProjectNumber", "ProjectNumber",
               "ProjectName", "Project Name")
            .SetDisplayWidth(20);
        Data(t, "ClientId", FT::Integer);
        Lookup(t, "ClientName", FT::String, 20, adsClients, "ClientId", "ClientId", "ClientName");
    }
    for (const auto& day : DayColumns)
        AttachDurationText(adsTasks.FieldByName(Name(day[0])));

    TRecordSet& r = adsReporting;
    Data(r, "TaskCode", FT::String, 10).SetVisible(false);
    Data(r, "TaskDescription", FT::String, 75);
    Data(r, "DateTimeCreated", FT::DateTime);
    Data(r, "DateTimeAmended", FT::DateTime);
    Data(r, "Active", FT::Boolean);
    Data(r, "Completed", FT::Boolean);
    Data(r, "DateTimeSubmitted", FT::DateTime);
    TField& duration = Data(r, "Duration", FT::DateTime);
    duration.SetDisplayFormat(QStringLiteral("hh:mm"));
    Data(r, "ProjectNumber", FT::Integer);
    Data(r, "ClientId", FT::Integer);
    Data(r, "UserId", FT::Integer);
    Data(r, "InvoiceNumber", FT::Integer);
    Data(r, "AuthUserId", FT::Integer);
    Lookup(r, "UserName", FT::String, 20, adsUsers, "UserId", "UserID", "UserName");
    // For moving a row to another task, project or client in the history dialog.
    Lookup(r, "TaskCodeLookup", FT::String, 10, adsTaskCodes, "TaskCode", "TaskCode", "TaskCode",
           "Task Code");
    Lookup(r, "ProjectName", FT::String, 20, adsProjects, "ProjectNumber", "ProjectNumber",
           "ProjectName", "Project");
    Lookup(r, "ClientName", FT::String, 20, adsClients, "ClientId", "ClientId", "ClientName",
           "Client");

    TRecordSet& c = adsChartData;
    Data(c, "TaskCode", FT::String, 10).SetVisible(false);
    Lookup(c, "TaskDescription", FT::String, 40, adsTaskCodes, "TaskCode", "TaskCode",
           "TaskDescription");
    Data(c, "DateTimeCreated", FT::DateTime);
    Data(c, "Active", FT::Boolean);
    Data(c, "Completed", FT::Boolean);
    Data(c, "Duration", FT::Float);
    Calculated(c, "DurationText", FT::String, 30).SetDisplayWidth(30);
    Data(c, "ProjectNumber", FT::Integer);
    Lookup(c, "ProjectName", FT::String, 10, adsProjects, "ProjectNumber", "ProjectNumber",
           "ProjectName");
    Data(c, "ClientId", FT::Integer);
    Lookup(c, "ClientName", FT::String, 20, adsClients, "ClientId", "ClientId", "ClientName");
    Data(c, "UserId", FT::Integer);
    Lookup(c, "UserName", FT::String, 20, adsUsers, "UserId", "UserID", "UserName");
    Lookup(c, "TaskDayRate", FT::Currency, 0, adsTaskCodes, "TaskCode", "TaskCode", "DailyRate");
}

void TdmTasks_Form::DefineMasterTables() {
    TRecordSet& tc = adsTaskCodes;
    Data(tc, "TaskCode", FT::String, 10);
    Data(tc, "TaskDescription", FT::String, 75);
    Data(tc, "DailyRate", FT::Currency);
    Data(tc, "TotalCost", FT::Currency);
    Data(tc, "CompletionDate", FT::DateTime);
    Data(tc, "ProjectNumber", FT::Integer);
    Lookup(tc, "ProjectName", FT::String, 20, adsProjects, "ProjectNumber", "ProjectNumber",
           "ProjectName");
    Calculated(tc, "TaskSummary", FT::String, 53);

    TRecordSet& p = adsProjects;
    Data(p, "ProjectNumber", FT::Integer);
    Data(p, "ProjectName", FT::String, 20);
    Data(p, "DailyRate", FT::Currency);
    Data(p, "TotalCost", FT::Currency);
    Data(p, "CompletionDate", FT::DateTime);
    for (TRecordSet* table : {&adsTaskCodes, &adsProjects}) {
        TField& date = table->FieldByName(QStringLiteral("CompletionDate"));
        date.SetDisplayFormat(QStringLiteral("ddddd"));
        date.SetEditMask(QStringLiteral("!90/90/0000;1;_"));
        date.OnGetText = [this](TField& f, QString& text, bool display) {
            DateGetText(f, text, display);
        };
        // A date box emptied by the user means no date; a date is typed in the short date
        // format or as 2026-12-18, and any other text is refused, never read as another date.
        date.OnSetText = [](TField& f, const QString& text) {
            static const QRegularExpression nonDigits(QStringLiteral("[^0-9]"));
            if (QString(text).remove(nonDigits).isEmpty())
                f.SetAsDateTime(0);
            else
                f.SetAsDateTime(StrToDateFor(text, QStringLiteral("Completion Date")));
        };
    }

    TRecordSet& cl = adsClients;
    Data(cl, "ClientId", FT::Integer);
    Data(cl, "ClientName", FT::String, 20);
    Data(cl, "ContactFirstName", FT::String, 20);
    Data(cl, "ContactLastName", FT::String, 20);
    Data(cl, "BillingTypeNumber", FT::SmallInt);
    Data(cl, "ClientTypeNumber", FT::Integer);
    Data(cl, "Notes", FT::Memo);
    Lookup(cl, "BillingTypeDesc", FT::String, 20, adsBillingTypes, "BillingTypeNumber",
           "BillingTypeNumber", "BillingTypeDesc");
    Lookup(cl, "ClientTypeDesc", FT::String, 20, adsClientTypes, "ClientTypeNumber",
           "ClientTypeNumber", "ClientTypeDesc");
    Data(cl, "TaxRegistration", FT::String, 50);

    TRecordSet& u = adsUsers;
    Data(u, "UserID", FT::AutoInc);
    Data(u, "DepartmentName", FT::String, 20);
    Data(u, "UserNumber", FT::Integer);
    Data(u, "FirstName", FT::String, 20);
    Data(u, "MiddleName", FT::String, 20);
    Data(u, "LastName", FT::String, 20);
    Data(u, "Title", FT::String, 5);
    Data(u, "Notes", FT::Memo);
    Data(u, "OfficeLocation", FT::String, 20);
    Data(u, "SignOn", FT::String, 20);
    Data(u, "Password", FT::String, 20);
    Calculated(u, "UserName", FT::String, 50).SetDisplayWidth(25);
    Data(u, "UserTypeNumber", FT::Integer);
    Lookup(u, "UserTypeDesc", FT::String, 20, adsUserTypes, "UserTypeNumber", "UserTypeNumber",
           "UserTypeDesc");
    Data(u, "DailyRate", FT::Currency);
    Data(u, "ManagerID", FT::Integer);
    Lookup(u, "ManagerName", FT::String, 20, adsManagers, "ManagerID", "ManagerID", "ManagerName");
    Data(u, "UserAuthNumber", FT::Integer);
    Lookup(u, "UserAuthDesc", FT::String, 20, adsUserAuthority, "UserAuthNumber", "UserAuthNumber",
           "UserAuthDesc");

    for (TRecordSet* managers : {&adsManagers, &adsManagersBackup}) {
        Data(*managers, "ManagerName", FT::String, 50).SetDisplayWidth(25);
        Data(*managers, "ManagerID", FT::Integer);
    }
}

void TdmTasks_Form::DefineOtherTables() {
    DefineNumberedNames(adsUserTypes, "UserTypeNumber", "UserTypeDesc");
    DefineNumberedNames(adsUserAuthority, "UserAuthNumber", "UserAuthDesc");
    DefineNumberedNames(adsBillingTypes, "BillingTypeNumber", "BillingTypeDesc");
    DefineNumberedNames(adsClientTypes, "ClientTypeNumber", "ClientTypeDesc");

    Data(adsReports, "ReportNumber", FT::Integer);
    Data(adsReports, "ReportName", FT::String, 30);
    Data(adsReports, "ReportDescription", FT::String, 100);

    TRecordSet& d = adsDefaults;
    Data(d, "OneTaskActive", FT::Boolean);
    Data(d, "NewTaskInsertAllowed", FT::Boolean);
    Data(d, "GenerateJobId", FT::Boolean);
    TField& dayDuration = Data(d, "DayDuration", FT::Float);
    dayDuration.SetDisplayFormat(QStringLiteral("0.00"));
    dayDuration.SetEditFormat(QStringLiteral("0.00"));
    Data(d, "StartDayOfWeek", FT::Integer);
    // The first day of a week, shown as a date ("Last Submitted :") whatever time of day the
    // first run recorded with it.
    TField& weekStart = Data(d, "WeekStartDate", FT::DateTime);
    weekStart.SetEditMask(QStringLiteral("!90/90/00;1;_"));
    weekStart.SetDisplayFormat(QStringLiteral("ddddd"));
    Data(d, "MinimumTaskDuration", FT::Integer);
    Data(d, "DisplayProjects", FT::Boolean);
    Data(d, "DisplayClients", FT::Boolean);
    for (const char* day : {"DisplayMon", "DisplayTue", "DisplayWed", "DisplayThu", "DisplayFri",
                            "DisplaySat", "DisplaySun"})
        Data(d, day, FT::Boolean);
    Data(d, "RemoveUnusedTasks", FT::Boolean);
    Data(d, "DisplaySummaryDuration", FT::Boolean);
    Data(d, "DisplayPriority", FT::Boolean);
    Data(d, "StartTime", FT::DateTime).SetDisplayLabel(QStringLiteral("Lunch Start Time"));
    Data(d, "EndTime", FT::DateTime).SetDisplayLabel(QStringLiteral("Lunch End Time"));
    // Added after the first files were written: older files lack them. The user whose time
    // the submissions book (missing: the first user) and the idle minutes after which the
    // program asks about the time away (missing: 0, never asks).
    Data(d, "TimesheetUserID", FT::Integer);
    Data(d, "IdleAfterMinutes", FT::Integer);

    Data(adsMaxNumbers, "UserId", FT::Integer);
    Data(adsMaxNumbers, "ClientId", FT::Integer);
    Data(adsMaxNumbers, "ProjectNumber", FT::Integer);

    TRecordSet& a = adsClientAddresses;
    Data(a, "ClientId", FT::Integer);
    Data(a, "AddressStartDate", FT::DateTime);
    Data(a, "AddressEndDate", FT::DateTime);
    Data(a, "Address", FT::String, 255);
    Data(a, "City", FT::String, 20);
    Data(a, "StateOrProvince", FT::String, 20);
    Data(a, "Region", FT::String, 50);
    Data(a, "PostalCode", FT::String, 20);
    Data(a, "Country", FT::String, 50);
    Data(a, "PhoneNumber", FT::String, 30);
    Data(a, "Extension", FT::String, 10);
    Data(a, "EmailAddress", FT::String, 50);

    // The duration text handlers serve the history's duration and the lunch times as well.
    AttachDurationText(adsReporting.FieldByName(QStringLiteral("Duration")));
    AttachDurationText(adsDefaults.FieldByName(QStringLiteral("StartTime")));
    AttachDurationText(adsDefaults.FieldByName(QStringLiteral("EndTime")));
}

void TdmTasks_Form::AttachDurationText(TField& field) {
    // No edit mask: typed as free text, so that "1:30", "130" and "1.5" can all be entered.
    // The edit text has the shape "hh:mm"; an editor lets digits typed over it keep it.
    field.SetEditFormat(QStringLiteral("hh:mm"));
    field.OnGetText = [this](TField& f, QString& text, bool display) {
        adsTasksMonDurationGetText(f, text, display);
    };
    field.OnSetText = [this](TField& f, const QString& text) { TimeSetText(f, text); };
}

void TdmTasks_Form::adsTasksMonDurationGetText(TField& Sender, QString& Text, bool DisplayText) {
    Text = DurationGetText(Sender.AsFloat(), DisplayText);
}

void TdmTasks_Form::TimeSetText(TField& Sender, const QString& Text) {
    // A text that is no duration raises before anything is assigned: the field keeps its value
    // and the control that took the text shows the message and keeps the text.
    Sender.SetAsDateTime(DurationFromText(Text, Sender.DisplayLabel()));
}

void TdmTasks_Form::DateGetText(TField& Sender, QString& Text, bool DisplayText) {
    Text = CompletionDateGetText(Sender.AsDateTime(), DisplayText);
}

void TdmTasks_Form::AttachFileChecks() {
    // The fields that tell a table's file from another table's; a table not listed here is
    // told by its first field.
    const std::vector<std::pair<TRecordSet*, QStringList>> keys = {
        {&adsUserTypes, {QStringLiteral("UserTypeNumber")}},
        {&adsUserAuthority, {QStringLiteral("UserAuthNumber")}},
        {&adsBillingTypes, {QStringLiteral("BillingTypeNumber")}},
        {&adsClientTypes, {QStringLiteral("ClientTypeNumber")}},
        {&adsManagers, {QStringLiteral("ManagerID")}},
        {&adsUsers, {QStringLiteral("UserID")}},
        {&adsClients, {QStringLiteral("ClientId")}},
        {&adsProjects, {QStringLiteral("ProjectNumber")}},
        {&adsTaskCodes, {QStringLiteral("TaskCode")}},
        {&adsTasks, {QStringLiteral("JobId"), QStringLiteral("TaskCode")}},
        {&adsReporting,
         {QStringLiteral("TaskCode"), QStringLiteral("DateTimeSubmitted"),
          QStringLiteral("Duration")}},
        {&adsReports, {QStringLiteral("ReportNumber")}},
        {&adsDefaults, {QStringLiteral("DayDuration"), QStringLiteral("WeekStartDate")}},
        {&adsJournal, {QStringLiteral("EntryId"), QStringLiteral("Kind"), QStringLiteral("JobId")}},
        {&adsJournalHistory,
         {QStringLiteral("EntryId"), QStringLiteral("Kind"), QStringLiteral("JobId")}}};
    for (const auto& [table, fields] : keys) {
        TRecordSet* checked = table;
        const QStringList keyFields = fields;
        table->FileFieldsCheck = [checked, keyFields](const QStringList& fileFields) {
            return FileFieldsRefusal(*checked, keyFields, fileFields);
        };
    }
}
