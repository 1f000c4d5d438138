#include "Form_History_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>

namespace {
constexpr int DialogWidth = 990;
constexpr int DialogHeight = 293;
constexpr int CellPadding = 12;
constexpr int MinDescriptionWidth = 120;
} // namespace

TForm_History_Form::TForm_History_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_History_Form"));
    setWindowTitle(QStringLiteral("Task History"));
    resize(DialogWidth, DialogHeight);
    dsMaintain->SetDataSet(&dm.adsReporting);

    // Each column as wide as its title or its widest value; the description takes what is
    // left of the dialog's width, so that every column shows at once.
    const QFontMetrics metrics = dbgMaintain->fontMetrics();
    auto fit = [&metrics](const char* title, const QString& widest) {
        return std::max(metrics.horizontalAdvance(QLatin1String(title)),
                        metrics.horizontalAdvance(widest)) +
               CellPadding;
    };
    const double sample = DateToDayNumber(QDate(2026, 12, 28)) + 86399.0 / 86400.0;
    const int created = fit("Creation Date/Time", DateTimeToStr(sample));
    const int active = fit("Active", QStringLiteral("False"));
    const int completed = fit("Completed", QStringLiteral("False"));
    const int submitted = fit("Submitted Date", DateToStr(sample)) + CellPadding;
    const int duration = fit("Duration", QStringLiteral("00:00"));
    const int invoice = fit("Invoice Number", QStringLiteral("0"));
    const int code = fit("Task Code", QStringLiteral("DEV-1234")) + CellPadding;
    const int project = fit("Project", QStringLiteral("Project Name")) + CellPadding;
    const int client = fit("Client", QStringLiteral("Client Name")) + CellPadding;
    const int chrome = dbgMaintain->verticalHeader()->width() + 2 * dbgMaintain->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    const int description =
        std::max(MinDescriptionWidth, DialogWidth - chrome - created - active - completed -
                                          submitted - duration - invoice - code - project - client);
    // A row is moved to another task, project, client or day by choosing them; the
    // description follows the task code.
    dbgMaintain->SetColumns(MaintainColumns({
        {"TaskCodeLookup", "Task Code", code, false, false, 8},
        {"ProjectName", "Project", project, false, false, 8},
        {"ClientName", "Client", client, false, false, 8},
        {"TaskDescription", "Task Description", description, false, true},
        {"DateTimeCreated", "Creation Date/Time", created, false, true},
        {"Active", "Active", active, false, true},
        {"Completed", "Completed", completed, false, true},
        {"DateTimeSubmitted", "Submitted Date", submitted, false, false, 0, TDBGridEditor::Date},
        {"Duration", "Duration", duration},
        {"InvoiceNumber", "Invoice Number", invoice, false, true},
    }));
    // Amendments and deletions: no new rows from the grid.
    dbgMaintain->SetAutoAppend(false);
    aInsert->setEnabled(false);
    connect(dbgMaintain, &TDBGrid::ColEnter, this, &TForm_History_Form::dbgMaintainColEnter);
    FormCreate();
}

void TForm_History_Form::FormCreate() {
    TBaseFormXEP_MaintainDialogForm::FormCreate();
    FHelpString.clear(); // Help opens "Welcome"
}

void TForm_History_Form::dbgMaintainColEnter() {
    const TField* entered = dbgMaintain->ColumnField(dbgMaintain->SelectedColumn());
    dbgMaintain->SetAlwaysShowEditor(entered ==
                                     FDm.adsReporting.FindField(QStringLiteral("Duration")));
}
