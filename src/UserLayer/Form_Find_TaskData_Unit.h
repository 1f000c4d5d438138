#pragma once
// The search dialog of the history: a date range (last week at first, weeks beginning on the
// configured first day) and a project, a client and a user. OK filters the history table by
// the criteria on screen, opens the history dialog over the rows found (or says that there are
// none), and leaves the history table unfiltered again, however the history dialog ended.

#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"

class TFrame_Select_Form;
class TdmTasks_Form;

class TForm_Find_TaskData_Form : public TBaseFormXEP_BottomHelpDialogForm {
    Q_OBJECT
public:
    explicit TForm_Find_TaskData_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    TFrame_Select_Form* Frame_Select_Form1;

    void btnOkClick();

private:
    void FormCreate();

    TdmTasks_Form& FDm;
};

// The review window's History action: the search dialog, shown modally and released.
void aHistoryExecute(TdmTasks_Form& dm, QWidget* owner);
