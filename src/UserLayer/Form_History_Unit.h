#pragma once
// The history dialog: the submitted rows that the search dialog found, in a grid where a row
// can be corrected: its duration, typed as a day cell of the task grid is ("1:30", "0130",
// "1.5"; shown as "hh:mm"), its task code, project and client (chosen from their lists), and
// its date; or it can be deleted. An invoiced or authorised row stays as it is, and the history
// keeps one row per task and day. Rows are never added here. As every maintenance dialog, OK
// keeps the corrections and Cancel puts the table back as it was.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_History_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_History_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    // The duration cell opens its editor as soon as it is entered; the others do not.
    void dbgMaintainColEnter();

private:
    void FormCreate();

    TdmTasks_Form& FDm;
};
