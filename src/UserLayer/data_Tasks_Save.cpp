// Saving: every changed table is written to the data directory, with a first copy in the
// shared data directory on a standard install.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysExceptions.h"

void TdmTasks_Form::DataSetAfterPost(TRecordSet& DataSet) {
    DataSet.Tag = 1;
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
    SaveDataset(QStringLiteral("TaskCodesfile.xml"), adsTaskCodes, bSaveToAdmin);
    SaveDataset(QStringLiteral("Tasksfile.xml"), adsTasks, bSaveToAdmin);
    SaveDataset(QStringLiteral("Reportingfile.xml"), adsReporting, bSaveToAdmin);
    SaveDataset(QStringLiteral("Defaultsfile.xml"), adsDefaults, bSaveToAdmin);
    SaveDataset(QStringLiteral("Projectsfile.xml"), adsProjects, bSaveToAdmin);
    SaveDataset(QStringLiteral("Clientsfile.xml"), adsClients, bSaveToAdmin);
    SaveDataset(QStringLiteral("Usersfile.xml"), adsUsers, bSaveToAdmin);
    SaveDataset(QStringLiteral("Managersfile.xml"), adsManagers, bSaveToAdmin);
    SaveDataset(QStringLiteral("UserTypesfile.xml"), adsUserTypes, bSaveToAdmin);
}

void TdmTasks_Form::SaveDataset(const QString& sFileName, TRecordSet& aDataset, bool bSaveToAdmin) {
    if (!aDataset.Active() || aDataset.Tag != 1) return;
    const bool bPrevFiltered = aDataset.Filtered();
    aDataset.SetFiltered(false); // every row is written
    bool written = false;
    try {
        aDataset.CommitUpdates();
        aDataset.SaveToFile(StoreWritePath(FDirsObj->DataDir(), sFileName));
        written = true;
        if (bSaveToAdmin && FDirsObj->InstallType() == TInstallType::itStandard &&
            FindStoreFile(FDirsObj->AdminDataDir(), sFileName).isEmpty())
            aDataset.SaveToFile(FDirsObj->AdminDataDir() + sFileName);
    } catch (...) {
        aDataset.SetFiltered(bPrevFiltered);
        // A table whose own file could not be written keeps its mark, so the next save tries
        // again; a failed shared copy does not hold the user's data back.
        if (written) aDataset.Tag = 0;
        throw;
    }
    aDataset.SetFiltered(bPrevFiltered);
    aDataset.Tag = 0;
}
