#pragma once
// The entries of a day: what the tracker counted, or the user added, as start, end, duration,
// task and note. Every entry not yet submitted can be corrected: its start and end, its task,
// its day (an entry moved to another date leaves this day's list), its note; it can be deleted,
// and a forgotten one added ("09:00 to 10:15 on Tuesday, task DEV"). An end before the start
// means the entry runs past midnight: it is kept as two entries, one on each date. Submitted
// entries are shown greyed; their time is in the history, where it is corrected.
//
// The dialog works on a copy: OK checks the day's entries (no two of one task overlap, no task
// gets 24 hours on a day), puts the changes into the journal, writes it and shows the new time
// in the day cells; Cancel leaves everything as it was. A running entry keeps running.

#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"
#include "data_Tasks_Journal.h"

#include <map>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class TdmTasks_Form;

class TForm_Entries_Form : public TBaseFormXEP_BottomHelpDialogForm {
    Q_OBJECT
public:
    enum TColumn { ColStart, ColEnd, ColDuration, ColTask, ColDate, ColNote, ColumnCount };

    TForm_Entries_Form(TdmTasks_Form& dm, double date, QWidget* parent = nullptr);

    QLineEdit* edDay;
    QPushButton *btnPriorDay, *btnNextDay, *btnAdd, *btnDelete;
    QLabel *lblDayName, *lblDayTotal;
    QTableWidget* grdEntries;

    double Day() const { return FDay; }
    void ShowDay(double date);
    // A new entry on the day shown: after the day's last entry (09:00 on an empty day), an
    // hour long, for the task of the current row.
    void btnAddClick();
    void btnDeleteClick();
    void btnOkClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TRowRef {
        bool Submitted = false;
        size_t Index = 0; // into FWork, or FSubmittedShown
    };

    void FillTable();
    void FillRow(int row, const TTimeEntry& entry, bool submitted);
    void CellChanged(QTableWidgetItem* item);
    void ApplyCell(TTimeEntry& entry, int column, const QString& text);
    void edDayExit();
    void ShowDayTotal();
    QString CheckOverlaps() const;
    void ApplyTo(TTimeJournal& journal) const;
    TJournalTask TaskOfCode(const QString& code) const;

    TdmTasks_Form& FDm;
    double FDay = 0;
    std::map<int, TTimeEntry> FOriginal; // open entries as they were, by number
    std::vector<TTimeEntry> FWork;       // open entries as edited (new ones numbered 0)
    std::vector<bool> FDeleted;
    std::vector<TTimeEntry> FSubmittedShown;
    std::vector<TRowRef> FRows; // what each table row shows
    std::vector<TJournalTask> FTasks;
    std::vector<QString> FTaskDescriptions;
    bool FFilling = false;
};

// Shows the entries dialog on a date; true when it was left with OK.
bool ShowEntriesDialog(TdmTasks_Form& dm, double date, QWidget* parent);

// A time of day typed as "9", "9:05", "09:05" or "0905", in minutes; "24:00" only when
// allowMidnight (an end at midnight). False when the text is no time.
bool ParseTimeOfDay(const QString& text, int& minutes, bool allowMidnight);
