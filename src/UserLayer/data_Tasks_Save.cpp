// Saving: every changed table is written to the data directory, with a first copy in the
// shared data directory on a standard install. The tables of one save land together: all are
// written to temporary files first, and only when every write worked does a commit record
// decide the save and are they renamed into place (TFileCommit): a crash, a power cut or an
// I/O error leaves every file of the save old or every one new.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TFileCommit.h"

#include <vector>

void TdmTasks_Form::DataSetAfterPost(TRecordSet& DataSet) {
    DataSet.Tag = 1;
}

std::vector<TdmTasks_Form::TStoredTable> TdmTasks_Form::StoredTables() {
    // Masters first, the order in which a commit renames them.
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

void TdmTasks_Form::SaveData(TSaveWait wait) {
    if (SetupRequired()) return; // a first run that is not set up leaves no files
    if (wait == TSaveWait::Background && FBackgroundSave) {
        FSaveAgain = true; // once the one writing now is done
        return;
    }
    CheckCreateDirectory(FDirsObj->DataDir());
    bool bSaveToAdmin = true;
    try {
        CheckCreateDirectory(AddPathDelimiter(FDirsObj->RootDir()));
        CheckCreateDirectory(FDirsObj->AdminDataDir());
    } catch (const Exception&) {
        bSaveToAdmin = false; // the shared copies are skipped silently
    }
    const std::vector<TStoredTable> tables = StoredTables();
    SaveTables(tables, bSaveToAdmin, wait);
    if (FBackgroundSave) return; // what follows waits for the history to be written
    // Changes a failed save at exit kept aside are in the data folder now, unless a row
    // still pending kept its table marked.
    for (const TStoredTable& stored : tables)
        if (stored.Table->Active() && stored.Table->Tag == 1) return;
    RemoveUnsavedChanges();
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
