#pragma once
// Report 2, project summary: the time of each task code and whether it is completed, grouped
// by project with a total per project.

#include "BaseReportXEP_BaseUnit.h"

class TForm_ReportProjectSummary_Form : public TBaseReportXEP_BaseForm {
public:
    TForm_ReportProjectSummary_Form(TdmTasks_Form& dm, TRecordSet& reportDetails);
};
