#pragma once
// The selection frame: a date range and a project, a client and a user (each with "All"),
// composing a filter text for the history: " DateTimeSubmitted >= <date> AND
// DateTimeSubmitted <= <date>", then " AND ProjectNumber = n", " AND ClientID = n" and
// " AND UserID = n" for each criterion that is neither "All" nor read-only. The text is
// rebuilt when the frame is created and when the focus leaves it.

#include "BaseFrameXEP_BaseUnit.h"

#include "Components/RecordSet/TRecordSet.h"

class TDataSource;

// " DateTimeSubmitted >= <start> AND DateTimeSubmitted <= <end>", the dates in the short
// date format: the history rows submitted in a range of whole days.
QString SubmittedRangeFilter(double startDate, double endDate);
class TFrame_Date_Form;
class TFrame_SelectGroup_Form;

class TFrame_Select_Form : public TBaseFrameXEP_BaseForm {
    Q_OBJECT
public:
    TFrame_Select_Form(TRecordSet& projects, TRecordSet& clients, TRecordSet& users,
                       QWidget* AOwner = nullptr);

    TFrame_Date_Form* Frame_Date_Form1;
    TFrame_SelectGroup_Form *FrameClientGroup, *FrameUserGroup, *FrameProjectGroup;
    TRecordSet adsSelectDetails;
    TDataSource* dsSelectDetails;

    int StartDay() const { return FStartDay; }
    void SetStartDay(int Value);
    const QString& Filter() const { return FFilter; }
    bool ClientsReadOnly() const { return FClientsReadOnly; }
    bool UsersReadOnly() const { return FUsersReadOnly; }
    bool ProjectsReadOnly() const { return FProjectsReadOnly; }
    void SetClientsReadOnly(bool Value);
    void SetUsersReadOnly(bool Value);
    void SetProjectsReadOnly(bool Value);

    void Initialise() override;
    void SetupFilter();
    void FrameExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int FStartDay = 0;
    QString FFilter;
    bool FClientsReadOnly = false, FUsersReadOnly = false, FProjectsReadOnly = false;
};
