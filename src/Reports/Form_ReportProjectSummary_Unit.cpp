#include "Form_ReportProjectSummary_Unit.h"

TForm_ReportProjectSummary_Form::TForm_ReportProjectSummary_Form(TdmTasks_Form& dm,
                                                                 TRecordSet& reportDetails)
    : TBaseReportXEP_BaseForm(dm, reportDetails) {
    SetTitle(QStringLiteral("Project Summary"));
    const TColumn project{0, 55}, code{55, 30}, description{85, 95}, duration{180, 60},
        completed{240, PageWidth - 240};

    AddHeading(QStringLiteral("Project Summary"));
    AddColumnHeading(QStringLiteral("Project Name"), project.Left, project.Width);
    AddColumnHeading(QStringLiteral("Task Code"), code.Left, code.Width);
    AddColumnHeading(QStringLiteral("Description"), description.Left, description.Width);
    AddColumnHeading(QStringLiteral("Duration"), duration.Left, duration.Width);
    AddColumnHeading(QStringLiteral("Completed"), completed.Left, completed.Width);

    TReportGroup& projects = AddProjectsAndTasks(project, code, description, duration);
    AddField(qrBaseReport.Detail, "Completed", completed, ReportFont());

    AddTotals(projects.Footer, "ProjectName", project, QStringLiteral("Total"), code, duration, {},
              ReportFont(10, true));
    projects.Footer.RuleAbove = true;
    projects.Footer.RuleBelow = true;
    projects.Footer.Height = LineHeight + 2;
    // No summary: the project totals are the report.
    qrBaseReport.Summary.Enabled = false;
}
