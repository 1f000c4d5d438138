#pragma once
// The data module: the one owner of the program's tables and directories. Every window, the
// timer, the submission and the reports change rows only through its tables, so the rules
// attached to their events hold whatever acts. It has no widgets.
//
// Files: data_Tasks_Unit.cpp (creation, loading, seeding), data_Tasks_Tables.cpp (field
// definitions and text handlers), data_Tasks_Save.cpp (saving), data_Tasks_Folder.cpp (the
// data folder: its lock, an interrupted save finished, its privacy, changes kept aside when
// a save at exit failed), data_Tasks_TaskRules.cpp
// (tasks, history, chart data, options), data_Tasks_MasterRules.cpp (task codes, projects,
// clients, users, managers), data_Tasks_Images.cpp (the image lists), data_Tasks_Week.cpp
// (the week the day columns show, from the journal of tracked time in data_Tasks_Journal.cpp),
// data_Tasks_HistoryStore.cpp (the history read after the windows, its ranges of dates, and saves
// that write it on another thread).

#include "BaseUnits/Dirs_Obj_Unit.h"
#include "data_Tasks_Journal.h"

#include "Components/Core/TBitmapImage.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QLockFile>
#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <vector>

// The day cell being edited: the duration it held when entered and whether its row was
// active then.
struct TCurrentFieldRec {
    double Value = 0;
    bool Active = false;
};

struct TDataModuleOptions {
    QString ExeName;                           // empty: the running executable
    QString DataDir;                           // --data-dir; empty: the install's own
    TDirsObj::RegistryFactory RegistryFactory; // empty: the per-user registry
    // Reads the store without taking the data folder's lock, creating folders or moving an
    // unreadable file aside (which then fails the creation): for commands that only read
    // while the program may be running.
    bool ReadOnly = false;
    // Reads the history on another thread once StartHistoryReading() is called, so that the
    // windows come first (the program starts it when the review window is on screen); otherwise
    // it is read with the other tables (commands, tests).
    bool HistoryInBackground = false;
    // For a read-only command that needs only some dates (a report): the history holds at
    // least the rows of the days from HistoryFromDay to HistoryToDay, read through the history
    // file's index when it has one that fits. Both 0: every row.
    double HistoryFromDay = 0, HistoryToDay = 0;
    // Runs on the thread that reads the history, before it reads (tests hold the reading
    // back with it to see what the windows do meanwhile).
    std::function<void()> BeforeHistoryRead;
};

class QThread;

class TdmTasks_Form : public QObject {
    Q_OBJECT
public:
    explicit TdmTasks_Form(QObject* owner = nullptr, TDataModuleOptions options = {});
    ~TdmTasks_Form() override;

    // ---- Tables ----
    TRecordSet adsTasks, adsTaskCodes, adsProjects, adsClients, adsUsers, adsManagers, adsUserTypes,
        adsUserAuthority, adsBillingTypes, adsClientTypes, adsReporting, adsReports, adsDefaults,
        adsMaxNumbers, adsChartData;
    // The journal of tracked time: the open rows (not submitted yet) and the submitted entries.
    TRecordSet adsJournal, adsJournalHistory;
    // Declared for completeness; nothing opens them.
    TRecordSet adsClientAddresses, adsTasks2, adsManagersBackup;

    // ---- Image lists ----
    TImageList ilWarnings; // 0 empty, 6 amber warning, 7 red warning (16 x 16)

    // ---- State ----
    TDirsObj* DirsObj() const { return FDirsObj.get(); }
    bool SetupRequired() const { return FSetupRequired; }
    void SetSetupRequired(bool Value) { FSetupRequired = Value; }
    bool CreationPhase() const { return FCreationPhase; }
    void SetCreationPhase(bool Value) { FCreationPhase = Value; }
    bool OneTaskActive() const { return FOneTaskActive; }
    bool Activating() const { return FActivating; }
    bool GenerateNextJobId() const { return FbGenerateNextJobId; }
    double DayDuration() const { return FDayDuration; }
    int MaxJobId() const { return FMaxJobId; }
    // The time of a weekday (1 = Sunday … 7 = Saturday) over the task rows shown: the sum of
    // what their cells hold, counted afresh at every call.
    double TotalDuration(int weekday) const;
    TCurrentFieldRec rCurrentField;
    // Set while the program itself writes the day columns (showing a week, a new row's
    // zeros): such writes are not typing and change nothing in the journal.
    bool TimerActive() const { return FTimerActive; }
    void SetTimerActive(bool Value) { FTimerActive = Value; }

    // ---- The week the day columns show ----
    TTimeJournal& Journal() { return FJournal; }
    const TTimeJournal& Journal() const { return FJournal; }
    // The first day of the week whose dates the day columns hold.
    double ShownWeek() const { return FShownWeek; }
    // Shows a week: every row's day columns take that week's time from the journal.
    void ShowWeek(double weekStart);
    // Brings the day columns of the week shown up to date with the journal (only the date
    // given, when one is); cells that already hold their time are not touched.
    void RefreshCells(double onlyDate = 0);
    // The date of a weekday's column in the week shown.
    double DateOfWeekday(int weekday) const;
    // The first day of the week that holds a date, with the options' first weekday.
    double WeekOf(double date) const;
    // The week the review window opens on: the earliest week with time not yet submitted,
    // otherwise the week after the last submitted one or, if that is later, this week.
    double WeekToOpen() const;
    // The task rows being tracked: active and not completed, in table order.
    std::vector<TJournalTask> ActiveTasks() const;
    // The journal's view of the task row the table is on.
    TJournalTask JournalTaskOfRow(const TRecordSet& tasks) const;
    // Writes the journal's files now (the rest of the store is left for the next save).
    void FlushJournal();
    // Whether a day typed into a cell has reached the journal since it was last written.
    bool TypedSinceFlush() const { return FTypedSinceFlush; }

    // ---- The history (adsReporting; data_Tasks_HistoryStore.cpp) ----
    // The history is the table that grows without end: a decade of it is a million rows. The
    // program reads it after the other tables (HistoryInBackground); until it has been read the
    // table is closed and HistoryReady() is false. Whoever needs its rows asks for History(),
    // which waits for the reading to finish when it has not (windows wait without freezing
    // first: AwaitHistory in Form_HistoryWait_Unit.h).
    //
    // Adding rows: Append and Post on History() (at the end, never Insert); the next save adds
    // them to the end of the history file, however long it is. Changing or deleting a row is
    // allowed too (the history dialog does); the next save then writes the file whole, in the
    // background. While a save writes the history in the background (HistorySaving) its rows
    // cannot change: WaitForHistorySave() first.
    //
    // Reading a range of dates: HistoryBetween(from, to) gives the rows of those days as a
    // record set of their own over the same rows (no copy), found without going through the
    // other rows' values; a read-only command that needs only some dates sets
    // TDataModuleOptions::HistoryFromDay/ToDay and reads only those from the file.
    bool HistoryReady() const { return FHistoryLoaded; }
    // Starts reading the history on its thread (HistoryInBackground), when it is not read or
    // being read yet. Until then History() reads it on the calling thread.
    void StartHistoryReading();
    TRecordSet& History();
    // Waits (blocking) for the reading of the history to finish, when it is being read.
    void EnsureHistory();
    std::unique_ptr<TRecordSet> HistoryBetween(double fromDay, double toDay);
    // Whether a save runs on another thread (SaveData(TSaveWait::Background)); the history's
    // rows are held unchanged until it ends.
    bool HistorySaving() const { return FBackgroundSave != nullptr; }
    // Waits (blocking) for a save running in the background to finish, and tells how it ended.
    void WaitForHistorySave();

    // Messages of the last start-up about store files that could not be read.
    const QStringList& LoadProblems() const { return FLoadProblems; }
    // The directory the tables were read from at start-up ("" = the current directory).
    const QString& StoreDir() const { return FStoreDir; }

    // The user whose time the submissions book: the options' timesheet user while that user
    // exists, otherwise the first user.
    int TimesheetUserID() const;

    // ---- Operations ----
    void DataModuleCreate();
    void DataModuleDestroy();
    void TakeDataFolderLock();
    void ReleaseDataFolderLock();
    // Finishes a save that a crash, a power cut or a failed rename cut short after it was
    // decided (TFileCommit); raises EXEPException naming the folder when it cannot.
    void FinishInterruptedSave();
    void RemoveInterruptedSaves();
    // Makes the data folder and the store's files readable by their owner only, saying so
    // once when a store that others could read was tightened; a medium that cannot keep
    // modes keeps its own.
    void MakeStorePrivate();
    // Writes every changed table (a row still being edited counts as a change); nothing while
    // SetupRequired. The tables land together: one save replaces every file it writes or none
    // of them, whatever moment a crash, a power cut or an I/O error cuts it at. Rows added at
    // the end of the history (and of the submitted journal) are added to the end of its file.
    // UntilWritten returns when everything is on disk. Background writes the changed tables'
    // bytes and returns: flushing them to disk and putting them in place run on another thread
    // (and so does writing the history whole, after a row of it was changed or deleted), while
    // the history's rows are held unchanged (HistorySaving); BackgroundSaveDone tells how it
    // ended, and a save asked for meanwhile follows it.
    enum class TSaveWait { UntilWritten, Background };
    void SaveData(TSaveWait wait = TSaveWait::UntilWritten);
    // Writes one table, alone but on the same terms as SaveData.
    void SaveDataset(const QString& sFileName, TRecordSet& aDataset, bool bSaveToAdmin);
    // After a save at exit or on a signal failed with cause: writes every changed table where
    // the next start finds it, reads it back and says so (the data folder's "Unsaved" folder,
    // else a private folder in the system's temporary folder). Returns that folder, empty when
    // nothing could be written anywhere.
    QString KeepUnsavedChanges(const QString& cause);
    // The folder the changes a failed save kept aside were read back from at start-up, or
    // were kept in by KeepUnsavedChanges; empty when there are none.
    const QString& UnsavedChangesDir() const { return FUnsavedDir; }
    // The tables SaveData writes, with their file names, masters before dependants.
    struct TStoredTable {
        QString FileName;
        TRecordSet* Table;
    };
    std::vector<TStoredTable> StoredTables();
    // The commit record of the data folder's saves (TFileCommit).
    QString CommitRecordFile() const;
    void DataSetAfterPost(TRecordSet& DataSet);

    // Finders for the time file import.
    void CreateClient(const QString& sClientName, const QString& sContactFirstName,
                      const QString& sContactLastName, const QString& sNotes,
                      const QString& sTaxRegistration, int iBillingTypeNumber,
                      int iClientTypeNumber);
    void CreateProject(const QString& sProjectName, double cDailyRate, double cTotalCost,
                       double dtCompletionDate, int& iProject);
    void CreateTask(int iProject, double cDailyRate, double cTotalCost, double dtCompletionDate,
                    const QString& sTaskCode, const QString& sTaskDescription);

    // ---- Field text handlers ----
    void adsTasksMonDurationGetText(TField& Sender, QString& Text, bool DisplayText);
    void TimeSetText(TField& Sender, const QString& Text);
    void DateGetText(TField& Sender, QString& Text, bool DisplayText);

    // ---- Task rules ----
    void adsTasksAfterInsert(TRecordSet& DataSet);
    void adsTasksBeforePost(TRecordSet& DataSet);
    void adsTasksBeforeDelete(TRecordSet& DataSet);
    void adsTasksCalcFields(TRecordSet& DataSet);
    void adsTasksTaskCodeValidate(TField& Sender);
    void adsTasksTaskCodeChange(TField& Sender);
    void adsTasksActiveChange(TField& Sender);
    void adsTasksPriorityChange(TField& Sender);
    void adsReportingDurationValidate(TField& Sender);
    void adsReportingBeforePost(TRecordSet& DataSet);
    void adsReportingBeforeDelete(TRecordSet& DataSet);
    void adsReportingTaskCodeChange(TField& Sender);
    void adsReportingAfterScroll(TRecordSet& DataSet);
    void adsChartDataCalcFields(TRecordSet& DataSet);
    void adsDefaultsStartTimeChange(TField& Sender);
    void adsDefaultsEndTimeChange(TField& Sender);
    void adsDefaultsStartDayOfWeekChange(TField& Sender);

    // ---- Master-data rules ----
    void adsTaskCodesAfterInsert(TRecordSet& DataSet);
    void adsProjectsAfterInsert(TRecordSet& DataSet);
    void adsClientsAfterInsert(TRecordSet& DataSet);
    void adsUsersAfterInsert(TRecordSet& DataSet);
    void adsTaskCodesBeforePost(TRecordSet& DataSet);
    void adsProjectsBeforePost(TRecordSet& DataSet);
    void adsClientsBeforePost(TRecordSet& DataSet);
    void adsUsersBeforePost(TRecordSet& DataSet);
    void adsTaskCodesBeforeDelete(TRecordSet& DataSet);
    void adsProjectsBeforeDelete(TRecordSet& DataSet);
    void adsClientsBeforeDelete(TRecordSet& DataSet);
    void adsUsersBeforeDelete(TRecordSet& DataSet);
    void adsTaskCodesCalcFields(TRecordSet& DataSet);
    void adsUsersCalcFields(TRecordSet& DataSet);
    void adsTaskCodesTaskCodeValidate(TField& Sender);
    void adsTaskCodesTaskCodeChange(TField& Sender);
    void adsTaskCodesProjectNumberChange(TField& Sender);
    void adsUsersUserTypeNumberValidate(TField& Sender);
    void adsUsersUserTypeNumberChange(TField& Sender);

    // The priority picture of a priority: a 22 x 19 bitmap stream.
    QByteArray PriorityBitmap(int priority) const;

    // ---- Task codes of task rows ----
    // Whether the task codes table holds the code (blanks around it and case aside).
    bool TaskCodeExists(const QString& code) const;
    // Whether a task row may be given a code the task codes table lacks (the options' new
    // task insertion).
    bool NewTaskInsertAllowed() const;
    // The message with which the task-code check refuses code as the new value of TaskCode
    // (a task row's code field); empty when it would be accepted. Nothing is changed.
    QString TaskCodeRefusal(TField& TaskCode, const QString& code) const;

Q_SIGNALS:
    // A code given to a task row was refused (told just before the refusal is raised, while
    // the field still reads the refused value); the row keeps the code it had.
    void TaskCodeRefused();
    // The history has been read (HistoryReady() is true now).
    void HistoryLoaded();
    // A save that ran in the background has ended: error is empty when everything is on disk,
    // otherwise it says why not (the tables stay marked changed; nothing was replaced).
    void BackgroundSaveDone(const QString& error);

public:
private:
    void DefineTables();
    void DefineTaskTables();
    void DefineMasterTables();
    void DefineOtherTables();
    void AttachDurationText(TField& field);
    void AttachTaskRules();
    void AttachMasterRules();
    void BuildImageLists();

    void LoadTables();
    void LoadTable(TRecordSet& table, const QString& testName, const QString& loadName,
                   const std::function<void()>& seed);
    bool LoadFile(TRecordSet& table, const QString& fileName);
    void ReportUnreadableFile(TRecordSet& table, const QString& fileName, const QString& reason);
    void LoadHistory();
    void ReadHistoryBeside(const QString& file);
    void AdoptHistory();
    void SeedOptions();
    void FillMaxNumbers();
    void ScanTasks();
    void LoadJournal();
    void MigrateDayColumnsToJournal();
    void AdoptOrphanedJournalRows();
    void RecordTypedDays(TRecordSet& tasks);
    void SyncJournalTables();

    bool LockFileIsLeftOver(const QLockFile& lock);
    bool TakeOverLockOfAnotherHost(QLockFile& lock);
    void AttachFileChecks();
    void ReportFoldersInTheWay();
    void FindUnsavedChanges();
    void RemoveUnsavedChanges();
    bool LoadUnsavedChanges(TRecordSet& table, const QString& loadName);
    struct TPendingSave {
        const TStoredTable* Stored;
        bool Complete; // no refused pending row left out of the file
    };
    void SaveTables(const std::vector<TStoredTable>& tables, bool bSaveToAdmin,
                    TSaveWait wait = TSaveWait::UntilWritten);
    void SaveSharedCopies(const std::vector<TPendingSave>& pending);
    void FinishBackgroundSave();
    void StopHistoryWork();
    bool PostPendingChange(TRecordSet& table);
    bool NeedsWriting(const TStoredTable& stored) const;

    bool CanDeleteKey(const QString& filter, bool searchTasks, const QString& message);

    TDataModuleOptions FOptions;
    std::unique_ptr<TDirsObj> FDirsObj;
    std::unique_ptr<QLockFile> FLock; // one program per data directory
    QString FStoreDir;
    QStringList FLoadProblems;
    QString FUnsavedDir;  // changes a failed save at exit kept aside (see KeepUnsavedChanges)
    QString FUnsavedNote; // what that save said: when and why it failed

    bool FSetupRequired = false;
    bool FCreationPhase = false;
    bool FOneTaskActive = true;
    bool FActivating = false;
    bool FbGenerateNextJobId = true;
    double FDayDuration = 7.0;
    int FMaxJobId = 0;
    bool FTimerActive = false;
    TTimeJournal FJournal;
    double FShownWeek = 0;
    bool FTypedSinceFlush = false;
    int FWeekStartDay = 0; // the first weekday WeekStartDate was last lined up with

    // The history being read on another thread, and where from.
    std::unique_ptr<TFileRead> FHistoryRead;
    QThread* FHistoryThread = nullptr;
    bool FHistoryLoaded = false;
    bool FHistoryFromUnsaved = false;
    // A save writing the history on another thread, and whether another was asked for since.
    struct TBackgroundSave;
    std::shared_ptr<TBackgroundSave> FBackgroundSave;
    bool FSaveAgain = false;
    bool FSaveAgainToAdmin = false;
};

// The one data module of the program (set while it exists).
extern TdmTasks_Form* dmTasks_Form;

// A text value quoted for a filter expression: 'O''Brien'.
QString QuotedFilterText(const QString& value);
// The fractional part of a day-number value: what a day column counts.
double DayFraction(double value);
