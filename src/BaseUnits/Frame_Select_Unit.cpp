#include "Frame_Select_Unit.h"

#include "Frame_Date_Unit.h"
#include "Frame_Select_Group_unit.h"
#include "XEP_Const.h"

#include "Components/Core/SysDateTime.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDataSource.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>

namespace {
void Bind(TFrame_SelectGroup_Form* group, TDataSource* details, const char* caption,
          TRecordSet& list, const char* field, const char* key, const char* shown,
          const char* all) {
    group->Label1->setText(QLatin1String(caption));
    group->dsSelectGroup->SetDataSet(&list);
    group->dblucbSelectGroup->SetDataSource(details);
    group->dblucbSelectGroup->SetDataField(QLatin1String(field));
    group->dblucbSelectGroup->SetKeyField(QLatin1String(key));
    group->dblucbSelectGroup->SetListField(QLatin1String(shown));
    group->cbxAll->SetDataSource(details);
    group->cbxAll->SetDataField(QLatin1String(all));
}
} // namespace

TFrame_Select_Form::TFrame_Select_Form(TRecordSet& projects, TRecordSet& clients, TRecordSet& users,
                                       QWidget* AOwner)
    : TBaseFrameXEP_BaseForm(AOwner), Frame_Date_Form1(new TFrame_Date_Form(this)),
      FrameClientGroup(new TFrame_SelectGroup_Form(this)),
      FrameUserGroup(new TFrame_SelectGroup_Form(this)),
      FrameProjectGroup(new TFrame_SelectGroup_Form(this)), dsSelectDetails(new TDataSource(this)) {
    setObjectName(QStringLiteral("Frame_Select_Form1"));
    adsSelectDetails.Name = QStringLiteral("adsSelectDetails");
    for (const char* name : {"ProjectNumber", "ClientId", "UserId"})
        adsSelectDetails.AddField(QLatin1String(name), TFieldType::Integer);
    for (const char* name : {"AllProjects", "AllClients", "AllUsers"})
        adsSelectDetails.AddField(QLatin1String(name), TFieldType::Boolean);
    adsSelectDetails.AddField(QStringLiteral("dtStartDate"), TFieldType::DateTime);
    adsSelectDetails.AddField(QStringLiteral("dtEndDate"), TFieldType::DateTime);
    dsSelectDetails->SetDataSet(&adsSelectDetails);
    Bind(FrameClientGroup, dsSelectDetails, "Clients", clients, "ClientId", "ClientId",
         "ClientName", "AllClients");
    Bind(FrameUserGroup, dsSelectDetails, "User", users, "UserId", "UserID", "UserName",
         "AllUsers");
    Bind(FrameProjectGroup, dsSelectDetails, "Project", projects, "ProjectNumber", "ProjectNumber",
         "ProjectName", "AllProjects");
    auto* layout = new QGridLayout(this);
    layout->addWidget(Frame_Date_Form1, 0, 0);
    layout->addWidget(FrameClientGroup, 0, 1);
    layout->addWidget(FrameUserGroup, 1, 0);
    layout->addWidget(FrameProjectGroup, 1, 1);
    setTabOrder(Frame_Date_Form1, FrameClientGroup);
    setTabOrder(FrameClientGroup, FrameUserGroup);
    setTabOrder(FrameUserGroup, FrameProjectGroup);
    qApp->installEventFilter(this);
    Initialise();
}

void TFrame_Select_Form::Initialise() {
    TBaseFrameXEP_BaseForm::Initialise();
    Frame_Date_Form1->SetInitialDateSelection(idsLastWeek);
    if (!adsSelectDetails.Active()) {
        adsSelectDetails.CreateDataSet();
        adsSelectDetails.Edit();
        for (const char* name : {"ProjectNumber", "ClientId", "UserId"})
            adsSelectDetails.FieldByName(QLatin1String(name)).SetAsInteger(0);
        for (const char* name : {"AllClients", "AllProjects", "AllUsers"})
            adsSelectDetails.FieldByName(QLatin1String(name)).SetAsBoolean(true);
    }
    SetUsersReadOnly(false);
    SetProjectsReadOnly(false);
    SetClientsReadOnly(false);
    for (TFrame_SelectGroup_Form* group : {FrameClientGroup, FrameUserGroup, FrameProjectGroup})
        group->cbxAllClick();
    SetupFilter();
}

void TFrame_Select_Form::SetStartDay(int Value) {
    FStartDay = Value;
    Frame_Date_Form1->SetiStartDay(Value);
    Frame_Date_Form1->SetInitialDateSelection(idsLastWeek);
}

void TFrame_Select_Form::SetClientsReadOnly(bool Value) {
    FClientsReadOnly = Value;
    FrameClientGroup->SetReadOnly(Value);
}

void TFrame_Select_Form::SetUsersReadOnly(bool Value) {
    FUsersReadOnly = Value;
    FrameUserGroup->SetReadOnly(Value);
}

void TFrame_Select_Form::SetProjectsReadOnly(bool Value) {
    FProjectsReadOnly = Value;
    FrameProjectGroup->SetReadOnly(Value);
}

QString SubmittedRangeFilter(double startDate, double endDate) {
    return QStringLiteral(" DateTimeSubmitted >= ") + DateToStr(startDate) +
           QStringLiteral(" AND DateTimeSubmitted <= ") + DateToStr(endDate);
}

void TFrame_Select_Form::SetupFilter() {
    TRecordSet& d = adsSelectDetails;
    d.Edit();
    auto field = [&d](const char* name) -> TField& { return d.FieldByName(QLatin1String(name)); };
    field("dtStartDate").SetAsDateTime(Frame_Date_Form1->StartDate());
    field("dtEndDate").SetAsDateTime(Frame_Date_Form1->EndDate());
    FFilter =
        SubmittedRangeFilter(field("dtStartDate").AsDateTime(), field("dtEndDate").AsDateTime());
    if (!field("AllProjects").AsBoolean() && !FProjectsReadOnly)
        FFilter +=
            QStringLiteral(" AND ProjectNumber = %1").arg(field("ProjectNumber").AsInteger());
    if (!field("AllClients").AsBoolean() && !FClientsReadOnly)
        FFilter += QStringLiteral(" AND ClientID = %1").arg(field("ClientId").AsInteger());
    if (!field("AllUsers").AsBoolean() && !FUsersReadOnly)
        FFilter += QStringLiteral(" AND UserID = %1").arg(field("UserId").AsInteger());
}

void TFrame_Select_Form::FrameExit() {
    SetupFilter();
}

bool TFrame_Select_Form::eventFilter(QObject* watched, QEvent* event) {
    // The focus leaving the frame for a control outside it rebuilds the filter (after the
    // date frame has taken its pickers' dates).
    if (event->type() == QEvent::FocusOut) {
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* next = QApplication::focusWidget();
        if (widget && isAncestorOf(widget) && (!next || !isAncestorOf(next))) {
            Frame_Date_Form1->FrameExit();
            SetupFilter();
        }
    }
    return TBaseFrameXEP_BaseForm::eventFilter(watched, event);
}
