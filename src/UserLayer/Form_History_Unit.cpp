#include "Form_History_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

#include <QAction>

TForm_History_Form::TForm_History_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_History_Form"));
    setWindowTitle(QStringLiteral("Task History"));
    resize(716, 293);
    dsMaintain->SetDataSet(&dm.adsReporting);
    dbgMaintain->SetColumns(MaintainColumns({
        {"TaskDescription", "Task Description", 0, false, true},
        {"DateTimeCreated", "Creation Date/Time", 0, false, true},
        {"Active", "Active", 0, false, true},
        {"Completed", "Completed", 0, false, true},
        {"DateTimeSubmitted", "Submitted Date", 0, false, true},
        {"Duration", "Duration"},
        {"InvoiceNumber", "Invoice Number", 0, false, true},
    }));
    // Amendments only: no new rows from the grid, no insert or delete.
    dbgMaintain->SetAutoAppend(false);
    aInsert->setEnabled(false);
    aDelete->setEnabled(false);
    connect(dbgMaintain, &TDBGrid::ColEnter, this, &TForm_History_Form::dbgMaintainColEnter);
    FormCreate();
}

void TForm_History_Form::FormCreate() {
    TBaseFormXEP_MaintainDialogForm::FormCreate();
    FHelpString.clear(); // Help opens "Welcome"
}

void TForm_History_Form::dbgMaintainColEnter() {
    const TField* entered = dbgMaintain->ColumnField(dbgMaintain->SelectedColumn());
    dbgMaintain->SetAlwaysShowEditor(entered ==
                                     FDm.adsReporting.FindField(QStringLiteral("Duration")));
}
