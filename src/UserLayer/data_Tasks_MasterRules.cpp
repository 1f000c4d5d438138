// Rules of the task codes, projects, clients, users and managers tables, and the finders the
// time file import uses.

#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysExceptions.h"

namespace {
TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

bool Blank(TRecordSet& table, const char* name) {
    return F(table, name).AsString().trimmed().isEmpty();
}

QString UpperAscii(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    }
    return result;
}

// Raises the one-row counter by one and returns the negative of the raised value.
int NextNegativeKey(TRecordSet& maxNumbers, const char* counter) {
    maxNumbers.Edit();
    TField& field = F(maxNumbers, counter);
    field.SetAsInteger(field.AsInteger() + 1);
    const int key = -field.AsInteger();
    maxNumbers.Post();
    return key;
}

TLocateOptions PartialKey() {
    TLocateOptions options;
    options.PartialKey = true;
    options.CaseInsensitive = true;
    return options;
}
} // namespace

void TdmTasks_Form::AttachMasterRules() {
    adsTaskCodes.AfterInsert = [this](TRecordSet& t) { adsTaskCodesAfterInsert(t); };
    adsProjects.AfterInsert = [this](TRecordSet& t) { adsProjectsAfterInsert(t); };
    adsClients.AfterInsert = [this](TRecordSet& t) { adsClientsAfterInsert(t); };
    adsUsers.AfterInsert = [this](TRecordSet& t) { adsUsersAfterInsert(t); };
    adsTaskCodes.BeforePost = [this](TRecordSet& t) { adsTaskCodesBeforePost(t); };
    adsProjects.BeforePost = [this](TRecordSet& t) { adsProjectsBeforePost(t); };
    adsClients.BeforePost = [this](TRecordSet& t) { adsClientsBeforePost(t); };
    adsUsers.BeforePost = [this](TRecordSet& t) { adsUsersBeforePost(t); };
    adsTaskCodes.BeforeDelete = [this](TRecordSet& t) { adsTaskCodesBeforeDelete(t); };
    adsProjects.BeforeDelete = [this](TRecordSet& t) { adsProjectsBeforeDelete(t); };
    adsClients.BeforeDelete = [this](TRecordSet& t) { adsClientsBeforeDelete(t); };
    adsUsers.BeforeDelete = [this](TRecordSet& t) { adsUsersBeforeDelete(t); };
    adsTaskCodes.OnCalcFields = [this](TRecordSet& t) { adsTaskCodesCalcFields(t); };
    adsUsers.OnCalcFields = [this](TRecordSet& t) { adsUsersCalcFields(t); };
    F(adsTaskCodes, "TaskCode").OnValidate = [this](TField& f) { adsTaskCodesTaskCodeValidate(f); };
    F(adsTaskCodes, "TaskCode").OnChange = [this](TField& f) { adsTaskCodesTaskCodeChange(f); };
    F(adsTaskCodes, "ProjectNumber").OnChange = [this](TField& f) {
        adsTaskCodesProjectNumberChange(f);
    };
    F(adsUsers, "UserTypeNumber").OnValidate = [this](TField& f) {
        adsUsersUserTypeNumberValidate(f);
    };
    F(adsUsers, "UserTypeNumber").OnChange = [this](TField& f) { adsUsersUserTypeNumberChange(f); };
}

// ---- New rows ----

void TdmTasks_Form::adsTaskCodesAfterInsert(TRecordSet& DataSet) {
    F(DataSet, "ProjectNumber").SetAsInteger(0); // takes project 0's rate and date
}

void TdmTasks_Form::adsProjectsAfterInsert(TRecordSet& DataSet) {
    if (adsMaxNumbers.Active())
        F(DataSet, "ProjectNumber").SetAsInteger(NextNegativeKey(adsMaxNumbers, "ProjectNumber"));
    F(DataSet, "CompletionDate").SetAsDateTime(0);
    F(DataSet, "DailyRate").SetAsCurrency(0);
    F(DataSet, "TotalCost").SetAsCurrency(0);
}

void TdmTasks_Form::adsClientsAfterInsert(TRecordSet& DataSet) {
    if (adsMaxNumbers.Active())
        F(DataSet, "ClientId").SetAsInteger(NextNegativeKey(adsMaxNumbers, "ClientId"));
    F(DataSet, "BillingTypeNumber").SetAsInteger(1);
    F(DataSet, "ClientTypeNumber").SetAsInteger(1);
}

void TdmTasks_Form::adsUsersAfterInsert(TRecordSet& DataSet) {
    if (adsMaxNumbers.Active())
        F(DataSet, "UserID").SetAsInteger(NextNegativeKey(adsMaxNumbers, "UserId"));
    F(DataSet, "UserTypeNumber").SetAsInteger(0);
    F(DataSet, "UserAuthNumber").SetAsInteger(0);
    F(DataSet, "ManagerID").SetAsInteger(0);
    F(DataSet, "DailyRate").SetAsCurrency(0);
}

// ---- Required fields ----
// Each message names the blank fields by their column titles in the maintenance dialogs.

namespace {
// The message with the titles of the blank fields after it ("Key Field Blank(s): Sign On,
// Password"), or empty when none is blank.
QString BlankFieldsMessage(TRecordSet& table, const QString& message,
                           std::initializer_list<std::pair<const char*, const char*>> fields) {
    QStringList blank;
    for (const auto& [name, title] : fields)
        if (Blank(table, name)) blank << QLatin1String(title);
    return blank.isEmpty() ? QString()
                           : message + QStringLiteral(": ") + blank.join(QStringLiteral(", "));
}
} // namespace

void TdmTasks_Form::adsTaskCodesBeforePost(TRecordSet& DataSet) {
    const QString message = BlankFieldsMessage(DataSet, QStringLiteral("Key Field(s) Blank"),
                                               {{"TaskCode", "Task Code"}});
    if (!message.isEmpty()) throw Exception(message);
}

void TdmTasks_Form::adsProjectsBeforePost(TRecordSet& DataSet) {
    const QString message = BlankFieldsMessage(DataSet, QStringLiteral("Key Field Blank(s)"),
                                               {{"ProjectName", "Project Name"}});
    if (!message.isEmpty()) throw Exception(message);
}

void TdmTasks_Form::adsClientsBeforePost(TRecordSet& DataSet) {
    if (Blank(DataSet, "ClientName")) throw Exception(QStringLiteral("Client Name Blank"));
}

void TdmTasks_Form::adsUsersBeforePost(TRecordSet& DataSet) {
    const QString message = BlankFieldsMessage(DataSet, QStringLiteral("Key Field Blank(s)"),
                                               {{"FirstName", "First Name"},
                                                {"LastName", "Last Name"},
                                                {"SignOn", "Sign On"},
                                                {"Password", "Password"}});
    if (!message.isEmpty()) throw Exception(message);
}

// ---- Deletion guards ----

bool TdmTasks_Form::CanDeleteKey(const QString& filter, bool searchTasks, const QString& message) {
    bool bCanDelete = true;
    if (searchTasks) {
        const auto adsClone = adsTasks.Clone();
        adsClone->SetFilter(filter);
        adsClone->SetFiltered(true);
        bCanDelete = adsClone->RecordCount() == 0;
    }
    if (bCanDelete) {
        // The history may still be being read: its rows are needed here.
        const auto adsClone = History().Clone();
        adsClone->SetFilter(filter);
        adsClone->SetFiltered(true);
        bCanDelete = adsClone->RecordCount() == 0;
    }
    if (!bCanDelete) {
        ShowInformationMessage(message);
        throw EAbort();
    }
    return true;
}

void TdmTasks_Form::adsTaskCodesBeforeDelete(TRecordSet& DataSet) {
    if (F(DataSet, "TaskCode").IsNull()) return;
    CanDeleteKey(
        QStringLiteral("TaskCode = ") + QuotedFilterText(F(DataSet, "TaskCode").AsString()), true,
        QStringLiteral("Task cannot be deleted because it has been used to record time against."));
}

void TdmTasks_Form::adsProjectsBeforeDelete(TRecordSet& DataSet) {
    if (F(DataSet, "ProjectNumber").IsNull()) return;
    CanDeleteKey(
        QStringLiteral("ProjectNumber = %1").arg(F(DataSet, "ProjectNumber").AsInteger()), true,
        QStringLiteral("Project cannot be deleted because it is used on one or more tasks."));
}

void TdmTasks_Form::adsClientsBeforeDelete(TRecordSet& DataSet) {
    if (F(DataSet, "ClientId").IsNull()) return;
    CanDeleteKey(QStringLiteral("ClientId = %1").arg(F(DataSet, "ClientId").AsInteger()), true,
                 QStringLiteral(
                     "Client cannot be deleted because it has been used to record time against."));
}

void TdmTasks_Form::adsUsersBeforeDelete(TRecordSet& DataSet) {
    if (F(DataSet, "UserID").IsNull()) return;
    CanDeleteKey(
        QStringLiteral("UserId = %1").arg(F(DataSet, "UserID").AsInteger()), false,
        QStringLiteral("User cannot be deleted because it has been used to record time against."));
}

// ---- Calculated fields ----

void TdmTasks_Form::adsTaskCodesCalcFields(TRecordSet& DataSet) {
    const QString code = F(DataSet, "TaskCode").AsString();
    F(DataSet, "TaskSummary")
        .SetAsString(UpperAscii(code) + CreateSpaceString(20 - int(code.size())) +
                     F(DataSet, "TaskDescription").AsString());
}

void TdmTasks_Form::adsUsersCalcFields(TRecordSet& DataSet) {
    F(DataSet, "UserName")
        .SetAsString(F(DataSet, "Title").AsString() + QLatin1Char(' ') +
                     F(DataSet, "FirstName").AsString() + QLatin1Char(' ') +
                     F(DataSet, "LastName").AsString());
}

// ---- Task codes ----

void TdmTasks_Form::adsTaskCodesTaskCodeValidate(TField& Sender) {
    const QString code = Sender.AsString();
    if (code.trimmed().isEmpty()) throw Exception(QStringLiteral("Task code cannot be blank"));
    TRecordSet& codes = Sender.DataSet();
    const auto clone = codes.Clone();
    clone->SetFilter(QStringLiteral("TaskCode = ") + QuotedFilterText(code));
    clone->SetFiltered(true);
    // The row being edited is no other code: a code it holds (or held when the edit began)
    // may be given back to it.
    const TBookmark self =
        codes.State() == TDataSetState::Insert ? TBookmark(0) : codes.GetBookmark();
    for (clone->First(); !clone->Eof(); clone->Next())
        if (self == 0 || clone->GetBookmark() != self)
            throw Exception(QStringLiteral("Task code already exists"));
}

void TdmTasks_Form::adsTaskCodesTaskCodeChange(TField& Sender) {
    Sender.DataSet().Edit();
    F(Sender.DataSet(), "TaskDescription").SetAsString(Sender.AsString());
}

void TdmTasks_Form::adsTaskCodesProjectNumberChange(TField& Sender) {
    TRecordSet& codes = Sender.DataSet();
    if (F(codes, "DailyRate").AsCurrency() != 0) return; // a rate of its own is kept
    const auto clone = adsProjects.Clone();
    clone->SetFilter(QStringLiteral("ProjectNumber = %1").arg(Sender.AsInteger()));
    clone->SetFiltered(true);
    if (clone->RecordCount() == 0) return;
    clone->First();
    codes.Edit();
    F(codes, "DailyRate").SetAsCurrency(F(*clone, "DailyRate").AsCurrency());
    F(codes, "CompletionDate").SetAsDateTime(F(*clone, "CompletionDate").AsDateTime());
}

// ---- Users and managers ----

void TdmTasks_Form::adsUsersUserTypeNumberValidate(TField& Sender) {
    if (Sender.AsInteger() != 0) return;
    TRecordSet& users = Sender.DataSet();
    const int userId = F(users, "UserID").AsInteger();
    const auto clone = users.Clone();
    clone->SetFilter(QStringLiteral("ManagerId = %1").arg(userId));
    clone->SetFiltered(true);
    if (clone->RecordCount() == 0) return;
    QString sUserList;
    for (clone->First(); !clone->Eof(); clone->Next())
        sUserList +=
            F(*clone, "FirstName").AsString() + F(*clone, "LastName").AsString() + QLatin1Char(' ');
    ShowInformationMessage(
        QStringLiteral("This user is currently marked as manager of other users including : ") +
        sUserList + QStringLiteral("so this value cannot be amended"));
    // The row goes back to what is stored, still open for editing.
    users.Cancel();
    users.Edit();
    throw EAbort();
}

void TdmTasks_Form::adsUsersUserTypeNumberChange(TField& Sender) {
    TRecordSet& users = Sender.DataSet();
    const int userId = F(users, "UserID").AsInteger();
    if (Sender.AsInteger() == 1) {
        adsManagers.Append();
        F(adsManagers, "ManagerID").SetAsInteger(userId);
        F(adsManagers, "ManagerName").SetAsString(F(users, "UserName").AsString());
        adsManagers.CommitUpdates();
        adsManagers.Edit();
        return;
    }
    adsManagers.SetFilter(QStringLiteral("ManagerID = %1").arg(userId));
    adsManagers.SetFiltered(true);
    while (!adsManagers.IsEmpty()) {
        adsManagers.First();
        adsManagers.Delete();
    }
    adsManagers.SetFilter(QString());
}

// ---- Finders for the import ----

void TdmTasks_Form::CreateClient(const QString& sClientName, const QString& sContactFirstName,
                                 const QString& sContactLastName, const QString& sNotes,
                                 const QString& sTaxRegistration, int iBillingTypeNumber,
                                 int iClientTypeNumber) {
    if (adsClients.Locate(QStringLiteral("ClientName"), sClientName, PartialKey())) return;
    adsClients.Append();
    F(adsClients, "ClientName").SetAsString(sClientName);
    F(adsClients, "ContactFirstName").SetAsString(sContactFirstName);
    F(adsClients, "ContactLastName").SetAsString(sContactLastName);
    F(adsClients, "Notes").SetAsString(sNotes);
    F(adsClients, "TaxRegistration").SetAsString(sTaxRegistration);
    F(adsClients, "BillingTypeNumber").SetAsInteger(iBillingTypeNumber);
    F(adsClients, "ClientTypeNumber").SetAsInteger(iClientTypeNumber);
    adsClients.CommitUpdates();
    adsClients.Edit();
}

void TdmTasks_Form::CreateProject(const QString& sProjectName, double cDailyRate, double cTotalCost,
                                  double dtCompletionDate, int& iProject) {
    if (!adsProjects.Locate(QStringLiteral("ProjectName"), sProjectName, PartialKey())) {
        adsProjects.Append();
        F(adsProjects, "ProjectName").SetAsString(sProjectName);
        F(adsProjects, "DailyRate").SetAsCurrency(cDailyRate);
        F(adsProjects, "TotalCost").SetAsCurrency(cTotalCost);
        F(adsProjects, "CompletionDate").SetAsDateTime(dtCompletionDate);
        adsProjects.CommitUpdates();
        adsProjects.Edit();
    }
    iProject = F(adsProjects, "ProjectNumber").AsInteger();
}

void TdmTasks_Form::CreateTask(int iProject, double cDailyRate, double cTotalCost,
                               double dtCompletionDate, const QString& sTaskCode,
                               const QString& sTaskDescription) {
    if (adsTaskCodes.Locate(QStringLiteral("TaskCode"), sTaskCode, PartialKey())) return;
    adsTaskCodes.Append();
    F(adsTaskCodes, "ProjectNumber").SetAsInteger(iProject);
    F(adsTaskCodes, "DailyRate").SetAsCurrency(cDailyRate);
    F(adsTaskCodes, "TotalCost").SetAsCurrency(cTotalCost);
    F(adsTaskCodes, "CompletionDate").SetAsDateTime(dtCompletionDate);
    F(adsTaskCodes, "TaskCode").SetAsString(sTaskCode);
    F(adsTaskCodes, "TaskDescription").SetAsString(sTaskDescription);
    adsTaskCodes.CommitUpdates();
    adsTaskCodes.Edit();
}
