#pragma once
// The setup hub: leads a new user through the options, users, clients, projects and task codes
// in five numbered steps. Each step's button opens its dialog, which commits or undoes its own
// changes; the hub only marks in red the step suggested next, following the last step taken.
//
// Opening it:
//     TForm_Setup_Form setup(dm, parent);
//     setup.UsersOpener = [&] { ... };   // likewise ClientsOpener, ProjectsOpener, TasksOpener
//     const int result = setup.exec();   // QDialog::Accepted after OK, Rejected after Cancel

#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"

#include <functional>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class TdmTasks_Form;

class TForm_Setup_Form : public TBaseFormXEP_BottomHelpDialogForm {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 309;
    static constexpr int ClientHeight = 315;

    explicit TForm_Setup_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    QLabel* lblWelcome;
    QLabel* Label2;
    QFrame* Panel1;
    QLabel *lblOptions, *lblUsers, *lblClients, *lblProjects, *lblTasks;
    QPushButton *btnOptions, *btnUsers, *btnClients, *btnProjects, *btnTasks;
    QAction *Options, *Users, *Clients, *Projects, *Tasks;

    // What each step opens, modally, returning when its dialog has closed: true when it was
    // left with OK. The options step opens the options dialog; the other four open nothing
    // until they are set.
    std::function<bool()> OptionsOpener, UsersOpener, ClientsOpener, ProjectsOpener, TasksOpener;
    // Whether a step's dialog was confirmed with OK since the hub opened.
    bool StepConfirmed() const { return FStepConfirmed; }
    // Cancel, Escape and the title bar: once a step was confirmed, the user is asked whether
    // to throw the setup away; No keeps the hub open with everything done so far.
    void reject() override;

    void OptionsExecute();
    void UsersExecute();
    void ClientsExecute();
    void ProjectsExecute();
    void TasksExecute();
    // Every step label back to the window-text colour, then Label red.
    void ColourLabels(QLabel* Label);

private:
    void FormCreate();
    void AddStep(int row, QLabel*& label, const char* labelName, const char* stepText,
                 QPushButton*& button, const char* buttonName, QAction* action);
    void SetLabelColour(QLabel* label, const QColor& colour);

    void RunStep(const std::function<bool()>& opener, QLabel* next);

    TdmTasks_Form& FDm;
    bool FStepConfirmed = false;
};
