#include "Form_Find_TaskData_Unit.h"

#include "BaseUnits/Frame_Date_Unit.h"
#include "BaseUnits/Frame_Select_Unit.h"
#include "BaseUnits/XEP_DialogService.h"
#include "Form_HistoryWait_Unit.h"
#include "Form_History_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDataControls.h"

#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Switches a record set's filter off and clears its text when it goes out of scope, whatever
// happened meanwhile.
class TFilterCleared {
public:
    explicit TFilterCleared(TRecordSet& table) : FTable(table) {}
    ~TFilterCleared() {
        try {
            FTable.SetFiltered(false);
        } catch (...) {
            // Switching the filter off posts a pending row first; a row its rules refuse is
            // dropped rather than leaving the table filtered.
            try {
                FTable.Cancel();
                FTable.SetFiltered(false);
            } catch (...) {
            }
        }
        try {
            FTable.SetFilter(QString());
        } catch (...) {
        }
    }
    TFilterCleared(const TFilterCleared&) = delete;
    TFilterCleared& operator=(const TFilterCleared&) = delete;

private:
    TRecordSet& FTable;
};
} // namespace

TForm_Find_TaskData_Form::TForm_Find_TaskData_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BottomHelpDialogForm(parent),
      Frame_Select_Form1(
          new TFrame_Select_Form(dm.adsProjects, dm.adsClients, dm.adsUsers, ClientArea())),
      FDm(dm) {
    setObjectName(QStringLiteral("Form_Find_TaskData_Form"));
    setWindowTitle(QStringLiteral("Select Tasks"));
    // A fixed dialog border: no resizing, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    auto* area = new QVBoxLayout(ClientArea());
    area->setContentsMargins(4, 4, 4, 0);
    area->addWidget(Frame_Select_Form1);

    // OK searches before it closes.
    disconnect(btnOk, nullptr, this, nullptr);
    connect(btnOk, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnOkClick(); }); });
    FormCreate();
}

void TForm_Find_TaskData_Form::FormCreate() {
    TBaseFormXEP_BottomHelpDialogForm::FormCreate();
    // Weeks begin on the configured day; the range shown is last week.
    Frame_Select_Form1->SetStartDay(
        FDm.adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger());
    // The user picker starts on the user whose timesheet this is.
    TRecordSet& details = Frame_Select_Form1->adsSelectDetails;
    details.Edit();
    details.FieldByName(QStringLiteral("UserId")).SetAsInteger(FDm.TimesheetUserID());
    Frame_Select_Form1->SetupFilter();
}

void TForm_Find_TaskData_Form::btnOkClick() {
    TRecordSet& history = FDm.adsReporting;
    {
        // The dates the pickers show, also when OK was pressed with Enter from inside one.
        Frame_Select_Form1->Frame_Date_Form1->FrameExit();
        Frame_Select_Form1->SetupFilter();
        const TFilterCleared cleared(history);
        history.SetFilter(Frame_Select_Form1->Filter());
        history.SetFiltered(true);
        if (history.IsEmpty()) {
            TDialogService::Instance().ShowInformation(QStringLiteral("No Rows Found"));
        } else {
            TForm_History_Form form(FDm, this);
            form.exec();
        }
    }
    done(QDialog::Accepted);
}

void aHistoryExecute(TdmTasks_Form& dm, QWidget* owner) {
    // The history is searched and may be corrected: it must be read, and not being written.
    if (!AwaitHistory(dm, owner, THistoryNeed::Change)) return;
    TForm_Find_TaskData_Form form(dm, owner);
    form.exec();
}
