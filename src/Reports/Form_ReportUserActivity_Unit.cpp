#include "Form_ReportUserActivity_Unit.h"

TForm_ReportUserActivity_Form::TForm_ReportUserActivity_Form(TdmTasks_Form& dm,
                                                             TRecordSet& reportDetails)
    : TBaseReportXEP_BaseForm(dm, reportDetails) {
    SetTitle(QStringLiteral("User Report"));
    const TOuterGroup users{"UserId", "UserName", QStringLiteral("Name")};
    BuildValueLayout(QStringLiteral("User Report"), false, &users);
}
