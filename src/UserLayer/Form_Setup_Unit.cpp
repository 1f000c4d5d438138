#include "Form_Setup_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_DialogService.h"
#include "Button_Images_Unit.h"
#include "Form_Options_Unit.h"

#include "Components/DataControls/TDataControls.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int StepButtonWidth = 100;
constexpr int StepButtonHeight = 25;
} // namespace

TForm_Setup_Form::TForm_Setup_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BottomHelpDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Setup_Form"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    lblWelcome = new QLabel(QStringLiteral("Welcome to"), ClientArea());
    lblWelcome->setObjectName(QStringLiteral("lblWelcome"));
    QFont welcomeFont(QStringLiteral("Arial Black"), 12);
    welcomeFont.setWeight(QFont::Black); // heavy also where the face is missing
    lblWelcome->setFont(welcomeFont);

    Label2 = new QLabel(QStringLiteral("Please follow the simple steps below to setup the "
                                       "programme or simply press ok to accept the default "
                                       "settings and start using the product."),
                        ClientArea());
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    auto action = [this](const char* name, const char* caption, const char* hint, int image,
                         void (TForm_Setup_Form::*execute)()) {
        auto* a = new QAction(ButtonImage(image), QLatin1String(caption), this);
        a->setObjectName(QLatin1String(name));
        if (hint) a->setStatusTip(QLatin1String(hint));
        connect(a, &QAction::triggered, this,
                [this, execute] { TDataControls::Guard([this, execute] { (this->*execute)(); }); });
        return a;
    };
    Options = action("Options", "Options", nullptr, 44, &TForm_Setup_Form::OptionsExecute);
    Users = action("Users", "Users", "Users", 31, &TForm_Setup_Form::UsersExecute);
    Clients = action("Clients", "Clients", "Clients", 32, &TForm_Setup_Form::ClientsExecute);
    Projects = action("Projects", "Projects", "Projects", 39, &TForm_Setup_Form::ProjectsExecute);
    Tasks = action("Tasks", "Tasks", "Tasks", 42, &TForm_Setup_Form::TasksExecute);

    Panel1 = new QFrame(ClientArea());
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* steps = new QGridLayout(Panel1);
    steps->setContentsMargins(24, 10, 24, 10);
    steps->setHorizontalSpacing(16);
    steps->setVerticalSpacing(8);
    AddStep(0, lblOptions, "lblOptions", "Step 1 >>", btnOptions, "btnOptions", Options);
    AddStep(1, lblUsers, "lblUsers", "Step 2 >>", btnUsers, "btnUsers", Users);
    AddStep(2, lblClients, "lblClients", "Step 3 >>", btnClients, "btnClients", Clients);
    AddStep(3, lblProjects, "lblProjects", "Step 4 >>", btnProjects, "btnProjects", Projects);
    AddStep(4, lblTasks, "lblTasks", "Step 5 >>", btnTasks, "btnTasks", Tasks);
    steps->setColumnStretch(0, 1);
    steps->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(ClientArea());
    layout->setContentsMargins(10, 8, 10, 4);
    layout->setSpacing(6);
    layout->addWidget(lblWelcome);
    layout->addWidget(Label2);
    layout->addSpacing(2);
    layout->addWidget(Panel1);
    layout->addStretch();

    OptionsOpener = [this] { return ShowOptionsDialog(FDm, this); };
    FormCreate();
}

void TForm_Setup_Form::AddStep(int row, QLabel*& label, const char* labelName, const char* stepText,
                               QPushButton*& button, const char* buttonName, QAction* action) {
    label = new QLabel(QLatin1String(stepText), Panel1);
    label->setObjectName(QLatin1String(labelName));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);

    button = new QPushButton(action->icon(), action->text(), Panel1);
    button->setObjectName(QLatin1String(buttonName));
    button->setFixedSize(StepButtonWidth, StepButtonHeight);
    button->setToolTip(action->statusTip());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);

    auto* grid = static_cast<QGridLayout*>(Panel1->layout());
    grid->addWidget(label, row, 1, Qt::AlignVCenter | Qt::AlignLeft);
    grid->addWidget(button, row, 2);
}

void TForm_Setup_Form::FormCreate() {
    TBaseFormXEP_BottomHelpDialogForm::FormCreate();
    lblWelcome->setText(lblWelcome->text() + QLatin1Char(' ') + ApplicationTitle());
    setWindowTitle(ApplicationTitle() + QStringLiteral(" Setup"));
    ColourLabels(lblOptions);
}

void TForm_Setup_Form::SetLabelColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void TForm_Setup_Form::ColourLabels(QLabel* Label) {
    const QColor normal = palette().color(QPalette::WindowText);
    for (QLabel* label : {lblOptions, lblUsers, lblClients, lblProjects, lblTasks})
        SetLabelColour(label, normal);
    if (Label) SetLabelColour(Label, Qt::red);
}

void TForm_Setup_Form::RunStep(const std::function<bool()>& opener, QLabel* next) {
    if (opener && opener()) FStepConfirmed = true;
    ColourLabels(next);
}

void TForm_Setup_Form::OptionsExecute() {
    RunStep(OptionsOpener, lblUsers);
}
void TForm_Setup_Form::UsersExecute() {
    RunStep(UsersOpener, lblProjects);
}
void TForm_Setup_Form::ClientsExecute() {
    RunStep(ClientsOpener, lblProjects);
}
void TForm_Setup_Form::ProjectsExecute() {
    RunStep(ProjectsOpener, lblTasks);
}
void TForm_Setup_Form::TasksExecute() {
    RunStep(TasksOpener, nullptr);
    btnOk->setFocus(Qt::OtherFocusReason);
}

void TForm_Setup_Form::reject() {
    if (FStepConfirmed &&
        !TDialogService::Instance().Confirm(
            QStringLiteral("Discard the setup and close %1?").arg(ApplicationTitle())))
        return;
    TBaseFormXEP_BottomHelpDialogForm::reject();
}
