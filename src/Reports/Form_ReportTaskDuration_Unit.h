#pragma once
// Report 1, task duration: the time and value of each task code, grouped by project, with a
// total per project and for the whole report.

#include "BaseReportXEP_BaseUnit.h"

class TForm_ReportTaskDuration_Form : public TBaseReportXEP_BaseForm {
public:
    TForm_ReportTaskDuration_Form(TdmTasks_Form& dm, TRecordSet& reportDetails);
};
