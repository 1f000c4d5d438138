// Saving: every changed table is written to the data directory, with a first copy in the
// shared data directory on a standard install. The tables of one save land together: all are
// written to temporary files first, and only when every write worked are they renamed into
// place, masters before the tables that refer to them.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TPreparedSave.h"

#include <vector>

void TdmTasks_Form::DataSetAfterPost(TRecordSet& DataSet) {
    DataSet.Tag = 1;
}

std::vector<TdmTasks_Form::TStoredTable> TdmTasks_Form::StoredTables() {
    // Masters first: a crash between two renames never leaves a task code whose project, or
    // a task or history row whose code, client or user, was not saved.
    return {{QStringLiteral("UserTypesfile.xml"), &adsUserTypes},
            {QStringLiteral("Managersfile.xml"), &adsManagers},
            {QStringLiteral("Usersfile.xml"), &adsUsers},
            {QStringLiteral("Clientsfile.xml"), &adsClients},
            {QStringLiteral("Projectsfile.xml"), &adsProjects},
            {QStringLiteral("TaskCodesfile.xml"), &adsTaskCodes},
            {QStringLiteral("Tasksfile.xml"), &adsTasks},
            {QStringLiteral("Reportingfile.xml"), &adsReporting},
            {QStringLiteral("Journalfile.xml"), &adsJournal},
            {QStringLiteral("JournalHistoryfile.xml"), &adsJournalHistory},
            {QStringLiteral("Defaultsfile.xml"), &adsDefaults}};
}

void TdmTasks_Form::SaveData() {
    if (SetupRequired()) return; // a first run that is not set up leaves no files
    CheckCreateDirectory(FDirsObj->DataDir());
    bool bSaveToAdmin = true;
    try {
        CheckCreateDirectory(AddPathDelimiter(FDirsObj->RootDir()));
        CheckCreateDirectory(FDirsObj->AdminDataDir());
    } catch (const Exception&) {
        bSaveToAdmin = false; // the shared copies are skipped silently
    }
    SaveTables(StoredTables(), bSaveToAdmin);
}

void TdmTasks_Form::SaveDataset(const QString& sFileName, TRecordSet& aDataset, bool bSaveToAdmin) {
    SaveTables({{sFileName, &aDataset}}, bSaveToAdmin);
}

bool TdmTasks_Form::PostPendingChange(TRecordSet& table) {
    // The row being edited is a change like any other. A row its table's rules refuse (a
    // half-filled row in a dialog) stays pending, its table keeps its mark, and the rows
    // already posted are written all the same.
    try {
        table.CommitUpdates();
        return true;
    } catch (const EAbort&) {
    } catch (const Exception&) {
    }
    table.Tag = 1;
    return false;
}

bool TdmTasks_Form::NeedsWriting(const TStoredTable& stored) const {
    if (!stored.Table->Active()) return false;
    if (stored.Table->Tag == 1) return true;
    // The first save into a data folder writes every table there, so that the folder holds
    // the whole store and is read on its own at the next start.
    return FindStoreFile(FDirsObj->DataDir(), stored.FileName).isEmpty();
}

void TdmTasks_Form::SaveTables(const std::vector<TStoredTable>& tables, bool bSaveToAdmin) {
    struct TPending {
        const TStoredTable* Stored;
        TPreparedSave Save;
        bool Complete; // no refused pending row left out of the file
    };
    std::vector<TPending> pending;
    // 1. Every changed table into its temporary file. A failure here leaves every file as it
    // was and every table marked: the next save tries them all again.
    for (const TStoredTable& stored : tables) {
        // The journal's rows take in what was typed into the task rows posted just before.
        if (stored.Table == &adsJournal) SyncJournalTables();
        if (!stored.Table->Active()) continue;
        const bool complete = PostPendingChange(*stored.Table);
        if (!NeedsWriting(stored)) continue;
        pending.push_back(
            {&stored,
             PrepareSave(*stored.Table, StoreWritePath(FDirsObj->DataDir(), stored.FileName)),
             complete});
    }
    // 2. Into place, masters first. A table is saved once its rename is done.
    for (TPending& p : pending) {
        p.Save.Commit();
        if (p.Complete) p.Stored->Table->Tag = 0;
    }
    // 3. The shared first copies, for a user who has no files yet. Never refreshed, and a
    // shared folder that cannot be written to does not hold the user's own save back.
    if (!bSaveToAdmin || FDirsObj->InstallType() != TInstallType::itStandard) return;
    for (const TPending& p : pending) {
        const QString& name = p.Stored->FileName;
        if (!FindStoreFile(FDirsObj->AdminDataDir(), name).isEmpty()) continue;
        try {
            PrepareSave(*p.Stored->Table, FDirsObj->AdminDataDir() + name).Commit();
        } catch (const Exception&) {
        }
    }
}
