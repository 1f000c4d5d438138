#pragma once
// The date frame: a start and an end date (whole days), each typed in the short date format or
// as 2026-12-18 or picked from a calendar, with a menu of twelve presets (last year … next
// year). Weeks begin on iStartDay (1 = Sunday … 7 = Saturday; 0 until set, when
// weeks run Saturday to Friday).

#include "BaseFrameXEP_BaseUnit.h"

#include "Components/DataControls/TDateEdit.h"

class QMenu;
class QToolButton;

class TFrame_Date_Form : public TBaseFrameXEP_BaseForm {
    Q_OBJECT
public:
    explicit TFrame_Date_Form(QWidget* AOwner = nullptr);

    TDateEdit *StartDateTimePicker, *EndDateTimePicker;
    QToolButton* btnDateSelect;
    QMenu* PopupMenu1;

    double StartDate() const { return FStartDate; }
    void SetStartDate(double Value);
    double EndDate() const { return FEndDate; }
    void SetEndDate(double Value);
    int iStartDay() const { return FiStartDay; }
    void SetiStartDay(int Value) { FiStartDay = Value; }
    int InitialDateSelection() const { return FInitialDateSelection; }
    void SetInitialDateSelection(int Value);

    // Applies the preset with this tag (0 "Last Year" … 11 "Next Year").
    void DateClick(int tag);
    // The dates as the pickers show them, without a time of day; a text typed into a picker
    // is taken first, and one that is no date is reported and raises EAbort.
    void FrameExit();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadPickers();

    double FStartDate = 0;
    double FEndDate = 0;
    int FiStartDay = 0;
    int FInitialDateSelection = 0;
};
