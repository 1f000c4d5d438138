#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_FormPlacement.h"
#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "data_Tasks_Store.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TFileIndex.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

TdmTasks_Form* dmTasks_Form = nullptr;

QString QuotedFilterText(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

double DayFraction(double value) {
    return value - std::trunc(value);
}

TdmTasks_Form::TdmTasks_Form(QObject* owner, TDataModuleOptions options)
    : QObject(owner), FOptions(std::move(options)) {
    setObjectName(QStringLiteral("dmTasks_Form"));
    DefineTables();
    AttachFileChecks();
    AttachTaskRules();
    AttachMasterRules();
    BuildImageLists();
    DataModuleCreate();
    dmTasks_Form = this; // only a module that was created in full is the program's one
}

TdmTasks_Form::~TdmTasks_Form() {
    DataModuleDestroy();
    if (dmTasks_Form == this) dmTasks_Form = nullptr;
}

void TdmTasks_Form::DataModuleCreate() {
    // 1. The creation state.
    SetCreationPhase(true);
    FbGenerateNextJobId = true;
    FDayDuration = 7.0;
    FOneTaskActive = true;
    FTimerActive = false;
    FLoadProblems.clear();
    FJournal.Clear();
    FShownWeek = 0;
    FHistoryLoaded = false;

    // 2. Directories and the help file.
    FDirsObj = std::make_unique<TDirsObj>();
    FDirsObj->SetAppTitle(ApplicationTitle());
    FDirsObj->SetExeName(FOptions.ExeName.isEmpty() ? QCoreApplication::applicationFilePath()
                                                    : FOptions.ExeName);
    if (FOptions.RegistryFactory) FDirsObj->SetRegistryFactory(FOptions.RegistryFactory);
    FDirsObj->SetDataDirOverride(FOptions.DataDir);
    FDirsObj->SetReadOnly(FOptions.ReadOnly);
    FDirsObj->LoadDirs();
    SetFormPlacementConfig({FDirsObj->InstallType(), FDirsObj->SettingsDir(), FDirsObj->AppTitle(),
                            FOptions.RegistryFactory});
    if (!FOptions.ReadOnly) {
        // A --data-dir may name a directory several levels deep that does not exist yet.
        if (!FOptions.DataDir.isEmpty()) QDir().mkpath(FDirsObj->DataDir());
        CheckCreateDirectory(FDirsObj->DataDir());
        CheckCreateDirectory(FDirsObj->SettingsDir());
    }
    SetApplicationHelpFile(FDirsObj->AppDir() + QStringLiteral("TIVREL.HLP"));
    if (!FOptions.ReadOnly) {
        // Before anything is read: the folder is this program's, a save that was decided is
        // finished and what an undecided one left is removed.
        TakeDataFolderLock();
        FinishInterruptedSave();
        RemoveInterruptedSaves();
        MakeStorePrivate();
        ReportFoldersInTheWay();
        FindUnsavedChanges();
    }

    // 3.–8. The tables and the state derived from them.
    LoadTables();
    SetCreationPhase(false); // 9.
    if (!FUnsavedNote.isEmpty()) ShowInformationMessage(FUnsavedNote);
}

void TdmTasks_Form::DataModuleDestroy() {
    StopHistoryWork();
    FDirsObj.reset();
}

// ---- Loading ----

void TdmTasks_Form::LoadTable(TRecordSet& table, const QString& testName, const QString& loadName,
                              const std::function<void()>& seed) {
    const bool unsaved = LoadUnsavedChanges(table, loadName);
    // Existence is tested under one spelling and the file loaded under the other; both name
    // the same file, found without regard to case. The spelling the program writes is tried
    // first, which spares a look through the folder for every table.
    const QString written = FStoreDir + loadName;
    const bool asWritten = !unsaved && QFileInfo(written).isFile();
    const QString found = unsaved     ? QString()
                          : asWritten ? written
                                      : FindStoreFile(FStoreDir, testName);
    if (!found.isEmpty()) {
        const QString loadFile = asWritten ? written : FindStoreFile(FStoreDir, loadName);
        LoadFile(table, loadFile.isEmpty() ? found : loadFile);
    }
    if (!table.Active()) table.CreateDataSet();
    table.Edit(); // on an empty table this starts the row the first seed row fills
    if (table.RecordCount() == 0 && seed) seed();
    if (unsaved) table.Tag = 1; // not in the data folder yet
}

bool TdmTasks_Form::LoadFile(TRecordSet& table, const QString& fileName) {
    try {
        table.LoadFromFile(fileName);
        return true;
    } catch (const Exception& e) {
        ReportUnreadableFile(table, fileName, e.Message());
        return false;
    }
}

void TdmTasks_Form::ReportUnreadableFile(TRecordSet& table, const QString& fileName,
                                         const QString& reason) {
    if (FOptions.ReadOnly)
        throw EXEPException(QStringLiteral("%1 could not be read (%2).")
                                .arg(QDir::toNativeSeparators(fileName), reason));
    // The file is kept: moved aside when it sits where the next save would write, so a
    // damaged table (the history above all) is never replaced by a seeded one.
    const QString keptAs = KeepUnreadableFile(fileName, FDirsObj->DataDir());
    if (!keptAs.isEmpty()) QFile::remove(TFileIndex::FileNameFor(fileName)); // its index
    QString message = QStringLiteral("problem: %1 could not be read (%2).")
                          .arg(QDir::toNativeSeparators(fileName), reason);
    if (!keptAs.isEmpty())
        message += QStringLiteral(" It has been kept as %1.").arg(QDir::toNativeSeparators(keptAs));
    message += QStringLiteral(" The table starts empty.");
    FLoadProblems << message;
    ShowInformationMessage(message);
    if (table.Active()) table.Close();
}

namespace {
void SetValues(TRecordSet& table, std::initializer_list<std::pair<const char*, QVariant>> values) {
    for (const auto& [name, value] : values)
        table.FieldByName(QLatin1String(name)).SetValue(value);
}

// Appends rows of (key, description) pairs to a table whose pending row takes the first.
void SeedPairs(TRecordSet& table, const char* key, const char* desc,
               std::initializer_list<std::pair<int, const char*>> rows) {
    bool first = true;
    for (const auto& [number, text] : rows) {
        if (!first) table.Append();
        first = false;
        SetValues(table, {{key, number}, {desc, QString::fromLatin1(text)}});
        table.Post();
    }
}
} // namespace

void TdmTasks_Form::LoadTables() {
    // 3. Where this start reads its files from: the user's own data folder as soon as it
    // holds any store file (a lost or damaged file of one table never sends the start to the
    // shared first copies, whose rows the next save would then write over the user's own);
    // otherwise the shared folder when it holds the first copies; otherwise the files are
    // looked for under their bare names.
    FStoreDir.clear();
    if (HoldsStoreFile(FDirsObj->DataDir()))
        FStoreDir = FDirsObj->DataDir();
    else if (HoldsStoreFile(FDirsObj->AdminDataDir()))
        FStoreDir = FDirsObj->AdminDataDir();
    LoadTable(adsUserTypes, QStringLiteral("UserTypesFile.xml"),
              QStringLiteral("UserTypesfile.xml"), [this] {
                  SeedPairs(adsUserTypes, "UserTypeNumber", "UserTypeDesc",
                            {{0, "User"}, {1, "Manager"}});
              });

    // 4. The other tables, in order.
    LoadTable(adsUserAuthority, QStringLiteral("UserAuthorityFile.xml"),
              QStringLiteral("UserAuthorityfile.xml"), [this] {
                  SeedPairs(adsUserAuthority, "UserAuthNumber", "UserAuthDesc",
                            {{0, "Standard"},
                             {1, "StandardPlusTasks"},
                             {2, "Administration"},
                             {3, "StandardPlusFinance"}});
              });
    LoadTable(adsBillingTypes, QStringLiteral("BillingTypesFile.xml"),
              QStringLiteral("BillingTypesfile.xml"), [this] {
                  SeedPairs(adsBillingTypes, "BillingTypeNumber", "BillingTypeDesc",
                            {{0, "Free Of Charge"}, {1, "Taxable"}, {2, "Non - Taxable"}});
              });
    LoadTable(adsClientTypes, QStringLiteral("ClientTypesFile.xml"),
              QStringLiteral("ClientTypesfile.xml"), [this] {
                  SeedPairs(adsClientTypes, "ClientTypeNumber", "ClientTypeDesc",
                            {{0, "Internal"}, {1, "External"}});
              });
    LoadTable(
        adsManagers, QStringLiteral("ManagersFile.xml"), QStringLiteral("Managersfile.xml"),
        [this] {
            SetValues(adsManagers, {{"ManagerID", -101}, {"ManagerName", QStringLiteral("None")}});
            adsManagers.Post();
        });
    LoadTable(adsUsers, QStringLiteral("UsersFile.xml"), QStringLiteral("Usersfile.xml"), [this] {
        SetValues(adsUsers, {{"UserID", 0},
                             {"FirstName", QStringLiteral("Guest")},
                             {"LastName", QStringLiteral("1")},
                             {"SignOn", QStringLiteral("Guest")},
                             {"Password", QStringLiteral("Wrenq")},
                             {"ManagerID", -101},
                             {"UserAuthNumber", 0},
                             {"UserTypeNumber", 0},
                             {"DailyRate", 0}});
        adsUsers.Post();
        adsUsers.First();
    });
    LoadTable(adsClients, QStringLiteral("ClientsFile.xml"), QStringLiteral("Clientsfile.xml"),
              [this] {
                  SetValues(adsClients, {{"ClientId", 0},
                                         {"ClientName", QStringLiteral("Internal")},
                                         {"BillingTypeNumber", 1},
                                         {"ClientTypeNumber", 1}});
                  adsClients.Post();
              });
    adsClients.SetSort(QStringLiteral("ClientName ASC"));
    LoadTable(adsProjects, QStringLiteral("ProjectsFile.xml"), QStringLiteral("Projectsfile.xml"),
              [this] {
                  SetValues(adsProjects, {{"ProjectNumber", 0},
                                          {"ProjectName", QStringLiteral("None")},
                                          {"DailyRate", 0},
                                          {"TotalCost", 0},
                                          {"CompletionDate", 0.0}});
                  adsProjects.Post();
              });
    adsProjects.SetSort(QStringLiteral("ProjectName ASC"));
    LoadTable(adsTaskCodes, QStringLiteral("TaskCodesfile.xml"),
              QStringLiteral("TaskCodesfile.xml"), [this] {
                  bool first = true;
                  for (const auto& [code, description] :
                       {std::pair{"GEN", "General"}, std::pair{"ADMIN", "Administration"}}) {
                      if (!first) adsTaskCodes.Append();
                      first = false;
                      SetValues(adsTaskCodes,
                                {{"TaskCode", QString::fromLatin1(code)},
                                 {"TaskDescription", QString::fromLatin1(description)},
                                 {"DailyRate", 0},
                                 {"TotalCost", 0},
                                 {"CompletionDate", 0.0},
                                 {"ProjectNumber", 0}});
                      adsTaskCodes.Post();
                  }
              });
    adsTaskCodes.SetSort(QStringLiteral("TaskCode ASC"));
    LoadTable(adsTasks, QStringLiteral("Tasksfile.xml"), QStringLiteral("Tasksfile.xml"), [this] {
        const double now = TClock::Now();
        SetValues(adsTasks, {{"JobId", 1},
                             {"TaskCode", QStringLiteral("GEN")},
                             {"TaskDescription", QStringLiteral("General")},
                             {"Active", true},
                             {"Completed", false},
                             {"Priority", 0},
                             {"ProjectNumber", 0},
                             {"ClientId", 0}});
        for (const char* day : {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                "FriDuration", "SatDuration", "SunDuration"})
            adsTasks.FieldByName(QLatin1String(day)).SetAsFloat(0);
        SetValues(adsTasks, {{"DateTimeCreated", now}, {"DateTimeAmended", now}});
        adsTasks.CheckBrowseMode();
    });
    LoadTable(
        adsReports, QStringLiteral("ReportsFile.xml"), QStringLiteral("Reportsfile.xml"), [this] {
            bool first = true;
            for (const auto& [number, name, description] :
                 {std::tuple{1, "Task Duration", "Task Duration by Specified Period"},
                  std::tuple{2, "Project Activity", "Project Activity for the Specified Period"},
                  std::tuple{3, "Client Activity", "Client Activity for the Specified Period"},
                  std::tuple{4, "User Activity", "User Activity for the Specified Period"}}) {
                if (!first) adsReports.Append();
                first = false;
                SetValues(adsReports, {{"ReportNumber", number},
                                       {"ReportName", QString::fromLatin1(name)},
                                       {"ReportDescription", QString::fromLatin1(description)}});
                adsReports.Post();
            }
        });
    LoadTable(adsDefaults, QStringLiteral("DefaultsFile.xml"), QStringLiteral("Defaultsfile.xml"),
              {});

    // 5. The options: a first run when there are none.
    if (adsDefaults.RecordCount() > 0) {
        SetSetupRequired(false);
    } else {
        SeedOptions();
        SetSetupRequired(true);
    }

    // 6. The working day, read once. A stored day of 0 or less would divide by zero in every
    // duration text: the default 7 hours stands in for it.
    const double dayDuration = adsDefaults.FieldByName(QStringLiteral("DayDuration")).AsFloat();
    FDayDuration = dayDuration > 0 ? dayDuration : 7.0;

    FillMaxNumbers(); // 7.
    ScanTasks();      // 8.
    FWeekStartDay = adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger();
    LoadJournal(); // the tracked time, and the day columns made from it
    LoadHistory(); // last: the program reads it while the windows come up
}

void TdmTasks_Form::SeedOptions() {
    const int startDay = 1;
    SetValues(adsDefaults, {{"NewTaskInsertAllowed", true},
                            {"GenerateJobId", true},
                            {"DayDuration", 7.0},
                            {"OneTaskActive", true},
                            {"StartDayOfWeek", startDay},
                            {"WeekStartDate", TClock::Now()},
                            {"DisplayProjects", true},
                            {"DisplayClients", false},
                            {"DisplayMon", true},
                            {"DisplayTue", true},
                            {"DisplayWed", true},
                            {"DisplayThu", true},
                            {"DisplayFri", true},
                            {"DisplaySat", false},
                            {"DisplaySun", false},
                            {"DisplaySummaryDuration", true},
                            {"DisplayPriority", true},
                            {"MinimumTaskDuration", 15},
                            {"RemoveUnusedTasks", true},
                            {"StartTime", 0.0},
                            {"EndTime", 0.0},
                            {"TimesheetUserID", 0},
                            {"IdleAfterMinutes", 15}});
    // Back to the first day of the week, keeping the time of day.
    TField& weekStart = adsDefaults.FieldByName(QStringLiteral("WeekStartDate"));
    const int wanted = adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger();
    for (int guard = 0; guard < 7 && DayOfWeekNumber(weekStart.AsDateTime()) != wanted; ++guard)
        weekStart.SetAsDateTime(weekStart.AsDateTime() - 1);
    adsDefaults.Post();
}

void TdmTasks_Form::FillMaxNumbers() {
    auto largestMagnitude = [](TRecordSet& table, const char* key) {
        int largest = 0;
        TField& field = table.FieldByName(QLatin1String(key));
        for (table.First(); !table.Eof(); table.Next())
            largest = std::max(largest, std::abs(field.AsInteger()));
        return largest;
    };
    if (!adsMaxNumbers.Active()) adsMaxNumbers.CreateDataSet();
    const int users = largestMagnitude(adsUsers, "UserID");
    const int clients = largestMagnitude(adsClients, "ClientId");
    const int projects = largestMagnitude(adsProjects, "ProjectNumber");
    adsMaxNumbers.Append();
    SetValues(adsMaxNumbers,
              {{"UserId", users}, {"ClientId", clients}, {"ProjectNumber", projects}});
    adsMaxNumbers.Post();
}

void TdmTasks_Form::ScanTasks() {
    FMaxJobId = 0;
    TField& jobId = adsTasks.FieldByName(QStringLiteral("JobId"));
    for (adsTasks.First(); !adsTasks.Eof(); adsTasks.Next())
        if (FbGenerateNextJobId) FMaxJobId = std::max(FMaxJobId, jobId.AsInteger());
    // The journal knows a task by its job number: a row without one, or with another row's,
    // gets a number of its own.
    QSet<int> seen;
    for (adsTasks.First(); !adsTasks.Eof(); adsTasks.Next()) {
        if (jobId.AsInteger() > 0 && !seen.contains(jobId.AsInteger())) {
            seen.insert(jobId.AsInteger());
            continue;
        }
        adsTasks.Edit();
        jobId.SetAsInteger(++FMaxJobId);
        adsTasks.Post();
        seen.insert(jobId.AsInteger());
    }
    adsTasks.First();
}
