#include "Form_ReportTaskDuration_Unit.h"

TForm_ReportTaskDuration_Form::TForm_ReportTaskDuration_Form(TdmTasks_Form& dm,
                                                             TRecordSet& reportDetails)
    : TBaseReportXEP_BaseForm(dm, reportDetails) {
    SetTitle(QStringLiteral("Task Duration For Period Selected"));
    BuildValueLayout(QStringLiteral("Task Duration By Period"), false, nullptr);
}
