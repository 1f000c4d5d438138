#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_Utils_Unit.h"

#include <QCoreApplication>
#include <QDir>

TdmTasks_Form::TdmTasks_Form(QObject* owner, TDataModuleOptions options)
    : QObject(owner), FOptions(std::move(options)) {
    setObjectName(QStringLiteral("dmTasks_Form"));
    DataModuleCreate();
}

TdmTasks_Form::~TdmTasks_Form() { DataModuleDestroy(); }

void TdmTasks_Form::DataModuleCreate() {
    FDirsObj = std::make_unique<TDirsObj>();
    FDirsObj->SetAppTitle(ApplicationTitle());
    FDirsObj->SetExeName(FOptions.ExeName.isEmpty() ? QCoreApplication::applicationFilePath()
                                                    : FOptions.ExeName);
    if (FOptions.RegistryFactory) FDirsObj->SetRegistryFactory(FOptions.RegistryFactory);
    FDirsObj->SetDataDirOverride(FOptions.DataDir);
    FDirsObj->LoadDirs();
    // A --data-dir may name a directory several levels deep that does not exist yet.
    if (!FOptions.DataDir.isEmpty()) QDir().mkpath(FDirsObj->DataDir());
    CheckCreateDirectory(FDirsObj->DataDir());
    CheckCreateDirectory(FDirsObj->SettingsDir());
    SetApplicationHelpFile(FDirsObj->AppDir() + QStringLiteral("TIVREL.HLP"));
}

void TdmTasks_Form::DataModuleDestroy() { FDirsObj.reset(); }
