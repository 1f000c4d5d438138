#include "Form_Project_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

TForm_Projects_Form::TForm_Projects_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent) {
    setObjectName(QStringLiteral("Form_Projects_Form"));
    setWindowTitle(QStringLiteral("Project Maintenance"));
    resize(664, 268);
    dsMaintain->SetDataSet(&dm.adsProjects);
    dbgMaintain->SetColumns(MaintainColumns({
        {"ProjectNumber", "Project Number", 0, true, true},
        {"ProjectName", "Project Name", 337},
        {"DailyRate", "Daily Rate", 90},
        {"TotalCost", "Total Cost", 90},
        {"CompletionDate", "Completion Date", 91, false, false, 0, TDBGridEditor::Date},
    }));
    FHelpString = QStringLiteral("Projects");
    FormCreate();
}
