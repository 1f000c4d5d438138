#include "Report_Layouts.h"

#include "Form_ReportClientActivity_Unit.h"
#include "Form_ReportProjectSummary_Unit.h"
#include "Form_ReportTaskDuration_Unit.h"
#include "Form_ReportUserActivity_Unit.h"
#include "Reporting_Chart_Unit.h"

std::unique_ptr<TBaseReportXEP_BaseForm> CreateReportLayout(int reportNumber, TdmTasks_Form& dm,
                                                            TRecordSet& reportDetails) {
    switch (reportNumber) {
    case rnTaskDuration:
        return std::make_unique<TForm_ReportTaskDuration_Form>(dm, reportDetails);
    case rnProjectSummary:
        return std::make_unique<TForm_ReportProjectSummary_Form>(dm, reportDetails);
    case rnClientActivity:
        return std::make_unique<TForm_ReportClientActivity_Form>(dm, reportDetails);
    case rnUserActivity:
        return std::make_unique<TForm_ReportUserActivity_Form>(dm, reportDetails);
    default:
        return nullptr;
    }
}
