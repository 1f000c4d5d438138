#pragma once
// Report 3, client activity: time and value per task code, grouped by client and within it by
// project, with totals per project, per client and for the whole report.

#include "BaseReportXEP_BaseUnit.h"

class TForm_ReportClientActivity_Form : public TBaseReportXEP_BaseForm {
public:
    TForm_ReportClientActivity_Form(TdmTasks_Form& dm, TRecordSet& reportDetails);
};
