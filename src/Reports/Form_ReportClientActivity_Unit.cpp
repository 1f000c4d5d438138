#include "Form_ReportClientActivity_Unit.h"

TForm_ReportClientActivity_Form::TForm_ReportClientActivity_Form(TdmTasks_Form& dm,
                                                                 TRecordSet& reportDetails)
    : TBaseReportXEP_BaseForm(dm, reportDetails) {
    SetTitle(QStringLiteral("Client Activity"));
    const TOuterGroup clients{"ClientId", "ClientName", QStringLiteral("Client Name")};
    BuildValueLayout(QStringLiteral("Client Activity"), true, &clients);
}
