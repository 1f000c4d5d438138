#pragma once
// Report 4, user activity: time and value per task code, grouped by user and within it by
// project, with totals per project, per user and for the whole report.

#include "BaseReportXEP_BaseUnit.h"

class TForm_ReportUserActivity_Form : public TBaseReportXEP_BaseForm {
public:
    TForm_ReportUserActivity_Form(TdmTasks_Form& dm, TRecordSet& reportDetails);
};
