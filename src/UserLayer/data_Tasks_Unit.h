#pragma once
// The data module: the one owner of the program's directories and tables. It has no widgets.

#include "BaseUnits/Dirs_Obj_Unit.h"

#include <QObject>
#include <memory>

struct TDataModuleOptions {
    QString ExeName;                          // empty: the running executable
    QString DataDir;                          // --data-dir; empty: the install's own
    TDirsObj::RegistryFactory RegistryFactory; // empty: the per-user registry
};

class TdmTasks_Form : public QObject {
    Q_OBJECT
public:
    explicit TdmTasks_Form(QObject* owner = nullptr, TDataModuleOptions options = {});
    ~TdmTasks_Form() override;

    TDirsObj* DirsObj() const { return FDirsObj.get(); }

    // Resolves the directories, makes sure the data and settings directories exist and sets
    // the help file. Raises EXEPException when a directory cannot be created.
    void DataModuleCreate();
    void DataModuleDestroy();

private:
    TDataModuleOptions FOptions;
    std::unique_ptr<TDirsObj> FDirsObj;
};
