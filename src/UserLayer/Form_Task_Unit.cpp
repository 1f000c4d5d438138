#include "Form_Task_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

TForm_Tasks_Form::TForm_Tasks_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent) {
    setObjectName(QStringLiteral("Form_Tasks_Form"));
    setWindowTitle(QStringLiteral("Task Maintenance"));
    resize(765, 235);
    dsMaintain->SetDataSet(&dm.adsTaskCodes);
    dbgMaintain->SetColumns(MaintainColumns({
        {"TaskCode", "Task Code"},
        {"TaskDescription", "Task Description", 233},
        {"ProjectName", "Project Name", 168, false, false, 4},
        {"DailyRate", "Daily Rate"},
        {"TotalCost", "Total Cost", 81},
        {"CompletionDate", "Completion Date", 92, false, false, 0, TDBGridEditor::Date},
    }));
    FHelpString = QStringLiteral("Tasks");
    FormCreate();
}
