#include "Form_Entries_Unit.h"

#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDataControls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 MSecsPerMinute = 60000;

QString HoursMinutes(qint64 msecs) {
    const qint64 minutes = std::max<qint64>(0, msecs) / MSecsPerMinute;
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

int MinutesOfDay(double local, double date) {
    return int(std::llround((local - date) * MinutesPerDay));
}

// The time of day shown for a moment of an entry of that date; an end on the next day shows
// as its own time of day, midnight at the end of the day as 24:00.
QString ClockText(double local, double date) {
    int minutes = MinutesOfDay(local, date);
    if (minutes > 24 * 60) minutes %= 24 * 60;
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool SameEntry(const TTimeEntry& a, const TTimeEntry& b) {
    return a.StartUtc == b.StartUtc && a.EndUtc == b.EndUtc && a.Task.JobId == b.Task.JobId &&
           a.Note == b.Note && std::floor(a.WorkDate) == std::floor(b.WorkDate);
}

// The buttons that move to the day before or after, with their keys (which the date box and
// the grid, which would take them as moves of their own, hand to the dialog).
QPushButton* DayButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                       Qt::Key key) {
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QLatin1String(hint));
    button->setShortcut(QKeySequence(Qt::ALT | key));
    button->setFixedWidth(28);
    return button;
}

// The task column's editor: a list of the task rows' codes.
class TTaskCodeDelegate : public QStyledItemDelegate {
public:
    TTaskCodeDelegate(QStringList codes, QObject* parent)
        : QStyledItemDelegate(parent), FCodes(std::move(codes)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("cbxEntryTask"));
        box->addItems(FCodes);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(std::max(0, box->findText(index.data().toString())));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText());
    }

private:
    QStringList FCodes;
};
} // namespace

bool ParseTimeOfDay(const QString& enteredText, int& minutes, bool allowMidnight) {
    const QString text = enteredText.trimmed();
    int hours = 0, mins = 0;
    bool ok = false;
    const qsizetype separator = text.indexOf(QRegularExpression(QStringLiteral("[:.h]")));
    if (separator >= 0) {
        hours = text.left(separator).toInt(&ok);
        bool minutesOk = false;
        const QString rest = text.mid(separator + 1);
        mins = rest.toInt(&minutesOk);
        ok = ok && minutesOk && rest.size() == 2 && separator >= 1 && separator <= 2;
    } else if (text.size() >= 1 && text.size() <= 2) {
        hours = text.toInt(&ok);
    } else if (text.size() == 3 || text.size() == 4) {
        const int value = text.toInt(&ok);
        hours = value / 100;
        mins = value % 100;
    }
    for (const QChar c : text)
        if (!c.isDigit() && c != QLatin1Char(':') && c != QLatin1Char('.') && c != QLatin1Char('h'))
            ok = false;
    if (!ok || mins > 59 || hours < 0) return false;
    minutes = hours * 60 + mins;
    return minutes < 24 * 60 || (allowMidnight && minutes == 24 * 60);
}

TForm_Entries_Form::TForm_Entries_Form(TdmTasks_Form& dm, double date, QWidget* parent)
    : TBaseFormXEP_BottomHelpDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Entries_Form"));
    setWindowTitle(QStringLiteral("Entries"));
    SetHelpString(QStringLiteral("Time_Tracker"));
    resize(640, 330);

    // The tasks an entry can belong to: the rows of the task list.
    const auto rows = dm.adsTasks.Clone();
    QStringList codes;
    for (rows->First(); !rows->Eof(); rows->Next()) {
        FTasks.push_back(dm.JournalTaskOfRow(*rows));
        FTaskDescriptions.push_back(
            rows->FieldByName(QStringLiteral("TaskDescription")).AsString());
        codes << FTasks.back().TaskCode;
    }
    for (const TTimeEntry& entry : dm.Journal().OpenRows()) {
        if (!entry.HasTimes()) continue;
        FOriginal[entry.EntryId] = entry;
        FWork.push_back(entry);
        FDeleted.push_back(false);
    }

    auto* dayRow = new QHBoxLayout;
    auto* dayLabel = new QLabel(QStringLiteral("&Day :"), ClientArea());
    btnPriorDay =
        DayButton(ClientArea(), "btnPriorDay", "<", "The day before (Alt+Left)", Qt::Key_Left);
    edDay = new QLineEdit(ClientArea());
    edDay->setObjectName(QStringLiteral("edDay"));
    edDay->setFixedWidth(90);
    edDay->installEventFilter(this);
    dayLabel->setBuddy(edDay);
    btnNextDay =
        DayButton(ClientArea(), "btnNextDay", ">", "The day after (Alt+Right)", Qt::Key_Right);
    lblDayName = new QLabel(ClientArea());
    lblDayName->setObjectName(QStringLiteral("lblDayName"));
    lblDayTotal = new QLabel(ClientArea());
    lblDayTotal->setObjectName(QStringLiteral("lblDayTotal"));
    dayRow->addWidget(dayLabel);
    dayRow->addWidget(btnPriorDay);
    dayRow->addWidget(edDay);
    dayRow->addWidget(btnNextDay);
    dayRow->addSpacing(8);
    dayRow->addWidget(lblDayName);
    dayRow->addStretch();
    dayRow->addWidget(lblDayTotal);

    grdEntries = new QTableWidget(0, ColumnCount, ClientArea());
    grdEntries->setObjectName(QStringLiteral("grdEntries"));
    grdEntries->setHorizontalHeaderLabels({QStringLiteral("Start"), QStringLiteral("End"),
                                           QStringLiteral("Duration"), QStringLiteral("Task"),
                                           QStringLiteral("Date"), QStringLiteral("Note")});
    grdEntries->verticalHeader()->hide();
    grdEntries->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    grdEntries->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed);
    grdEntries->setItemDelegateForColumn(ColTask, new TTaskCodeDelegate(codes, grdEntries));
    grdEntries->horizontalHeader()->setStretchLastSection(true);
    for (int column : {ColStart, ColEnd, ColDuration})
        grdEntries->setColumnWidth(column, 64);
    grdEntries->setColumnWidth(ColTask, 90);
    grdEntries->setColumnWidth(ColDate, 90);
    grdEntries->installEventFilter(this);
    connect(grdEntries, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { CellChanged(item); });

    auto* buttons = new QHBoxLayout;
    btnAdd = new QPushButton(QStringLiteral("&Add"), ClientArea());
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setToolTip(QStringLiteral("Add an entry (Insert)"));
    btnDelete = new QPushButton(QStringLiteral("De&lete"), ClientArea());
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->setToolTip(QStringLiteral("Delete the entry (Ctrl+Delete)"));
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDelete);
    buttons->addStretch();

    auto* area = new QVBoxLayout(ClientArea());
    area->setContentsMargins(8, 8, 8, 0);
    area->addLayout(dayRow);
    area->addWidget(grdEntries, 1);
    area->addLayout(buttons);

    connect(btnPriorDay, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { ShowDay(FDay - 1); }); });
    connect(btnNextDay, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { ShowDay(FDay + 1); }); });
    connect(btnAdd, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnAddClick(); }); });
    connect(btnDelete, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnDeleteClick(); }); });
    disconnect(btnOk, nullptr, this, nullptr);
    connect(btnOk, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnOkClick(); }); });
    btnOk->setDefault(false); // Enter finishes a cell; OK is a click or Alt+O away
    btnOk->setAutoDefault(false);
    ShowDay(date);
    grdEntries->setFocus(Qt::OtherFocusReason);
}

void TForm_Entries_Form::ShowDay(double date) {
    FDay = std::floor(date);
    edDay->setText(DateToStr(FDay));
    lblDayName->setText(FormatDayNumber(QStringLiteral("dddd"), FDay));
    FillTable();
}

void TForm_Entries_Form::FillTable() {
    FFilling = true;
    FSubmittedShown.clear();
    for (const TTimeEntry& entry : FDm.Journal().SubmittedRows())
        if (entry.HasTimes() && std::floor(entry.WorkDate) == FDay)
            FSubmittedShown.push_back(entry);
    FRows.clear();
    for (size_t i = 0; i < FSubmittedShown.size(); ++i)
        FRows.push_back({true, i});
    for (size_t i = 0; i < FWork.size(); ++i)
        if (!FDeleted[i] && std::floor(FWork[i].WorkDate) == FDay) FRows.push_back({false, i});
    auto entryOf = [this](const TRowRef& ref) -> const TTimeEntry& {
        return ref.Submitted ? FSubmittedShown[ref.Index] : FWork[ref.Index];
    };
    std::stable_sort(FRows.begin(), FRows.end(), [&](const TRowRef& a, const TRowRef& b) {
        return entryOf(a).StartUtc < entryOf(b).StartUtc;
    });
    grdEntries->setRowCount(int(FRows.size()));
    for (int row = 0; row < int(FRows.size()); ++row)
        FillRow(row, entryOf(FRows[size_t(row)]), FRows[size_t(row)].Submitted);
    // The keyboard has a cell to start from.
    if (!FRows.empty() && !grdEntries->currentIndex().isValid())
        grdEntries->setCurrentCell(0, ColStart);
    FFilling = false;
    ShowDayTotal();
}

void TForm_Entries_Form::FillRow(int row, const TTimeEntry& shown, bool submitted) {
    const bool filling = FFilling;
    FFilling = true;
    TTimeEntry entry = shown;
    if (entry.Running) {
        // Running up to the moment the tracker has seen.
        if (const TTimeEntry* live = FDm.Journal().OpenEntry(entry.EntryId))
            entry.EndUtc = std::max(entry.StartUtc, live->EndUtc);
    }
    const double date = std::floor(entry.WorkDate);
    const QString texts[ColumnCount] = {ClockText(entry.StartLocal(), date),
                                        entry.Running ? QStringLiteral("running")
                                                      : ClockText(entry.EndLocal(), date),
                                        HoursMinutes(entry.MSecs()),
                                        entry.Task.TaskCode,
                                        DateToStr(date),
                                        entry.Note};
    for (int column = 0; column < ColumnCount; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const bool fixed =
            submitted ||
            (entry.Running && (column == ColEnd || column == ColDuration || column == ColDate));
        if (!fixed) flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        if (submitted) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            item->setToolTip(QStringLiteral("Submitted: correct it in the history"));
        }
        grdEntries->setItem(row, column, item);
    }
    FFilling = filling;
}

void TForm_Entries_Form::ShowDayTotal() {
    qint64 total = 0;
    for (const TRowRef& ref : FRows)
        total += ref.Submitted ? FSubmittedShown[ref.Index].MSecs() : FWork[ref.Index].MSecs();
    lblDayTotal->setText(QStringLiteral("Entries: %1").arg(HoursMinutes(total)));
}

TJournalTask TForm_Entries_Form::TaskOfCode(const QString& code) const {
    for (const TJournalTask& task : FTasks)
        if (task.TaskCode.compare(code.trimmed(), Qt::CaseInsensitive) == 0) return task;
    throw EConvertError(QStringLiteral("'%1' is not a task of the task list").arg(code));
}

void TForm_Entries_Form::ApplyCell(TTimeEntry& entry, int column, const QString& text) {
    const double date = std::floor(entry.WorkDate);
    const int start = MinutesOfDay(entry.StartLocal(), date);
    const int end = MinutesOfDay(entry.EndLocal(), date);
    auto setTimes = [&entry, date](int from, int to) {
        if (to == from) throw EConvertError(QStringLiteral("The end must come after the start"));
        // An end before the start is past midnight: the entry ends on the next day.
        const double endDay = to < from ? date + 1 : date;
        TTimeJournal::SetLocalTimes(entry, date + from / MinutesPerDay,
                                    endDay + to / MinutesPerDay);
    };
    int minutes = 0;
    switch (column) {
    case ColStart:
        if (!ParseTimeOfDay(text, minutes, false))
            throw EConvertError(QStringLiteral("'%1' is not a valid time for Start").arg(text));
        if (entry.Running) {
            const qint64 startUtc = UtcOfLocalDayNumber(date + minutes / MinutesPerDay);
            if (startUtc > entry.EndUtc)
                throw EConvertError(
                    QStringLiteral("The entry is running: its start cannot be later than now"));
            entry.StartUtc = startUtc;
            entry.StartOffset = UtcOffsetMinutesAt(startUtc);
            return;
        }
        setTimes(minutes, end);
        return;
    case ColEnd:
        if (!ParseTimeOfDay(text, minutes, true))
            throw EConvertError(QStringLiteral("'%1' is not a valid time for End").arg(text));
        if (minutes == 24 * 60) // midnight at the end of the day
            TTimeJournal::SetLocalTimes(entry, date + start / MinutesPerDay, date + 1);
        else
            setTimes(start, minutes);
        return;
    case ColDuration: {
        const int length =
            int(std::llround(DurationFromText(text, QStringLiteral("Duration")) * MinutesPerDay));
        if (length <= 0) throw EConvertError(QStringLiteral("The duration must be more than 0:00"));
        TTimeJournal::SetLocalTimes(entry, date + start / MinutesPerDay,
                                    date + (start + length) / MinutesPerDay);
        return;
    }
    case ColTask:
        entry.Task = TaskOfCode(text);
        return;
    case ColDate: {
        double moved = 0;
        if (!TryStrToDate(text.trimmed(), moved))
            throw EConvertError(QStringLiteral("'%1' is not a valid date for Date").arg(text));
        moved = std::floor(moved);
        const double shift = moved - date;
        TTimeJournal::SetLocalTimes(entry, entry.StartLocal() + shift, entry.EndLocal() + shift);
        return;
    }
    case ColNote: {
        QString note = text;
        note.replace(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")), QStringLiteral(" "));
        entry.Note = note.trimmed();
        return;
    }
    default:
        return;
    }
}

void TForm_Entries_Form::CellChanged(QTableWidgetItem* item) {
    if (FFilling || !item) return;
    // The row is filled anew below, which replaces the item: what is needed of it is read now.
    const int row = item->row();
    const int column = item->column();
    const QString text = item->text();
    if (row < 0 || row >= int(FRows.size()) || FRows[size_t(row)].Submitted) return;
    TTimeEntry& entry = FWork[FRows[size_t(row)].Index];
    TTimeEntry changed = entry;
    try {
        ApplyCell(changed, column, text);
    } catch (const Exception& e) {
        // The value is refused with the reason; the cell shows the entry as it was.
        FillRow(row, entry, false);
        TDialogService::Instance().ShowError(e.Message());
        grdEntries->setCurrentCell(row, column);
        return;
    }
    entry = changed;
    if (std::floor(entry.WorkDate) != FDay) {
        FillTable(); // moved to another day
        return;
    }
    FillRow(row, entry, false);
    ShowDayTotal();
}

void TForm_Entries_Form::btnAddClick() {
    // After the day's last entry, or at 09:00; an hour, or what is left of the day.
    qint64 after = 0;
    for (const TRowRef& ref : FRows) {
        const TTimeEntry& e = ref.Submitted ? FSubmittedShown[ref.Index] : FWork[ref.Index];
        after = std::max(after, e.EndUtc);
    }
    double start = FDay + 9.0 / 24;
    if (after > 0) start = std::min(FDay + 23.0 / 24, LocalDayNumberOfUtc(after));
    start = std::floor(start * MinutesPerDay + 1e-6) / MinutesPerDay;
    const double end = std::min(FDay + 1, start + 1.0 / 24);
    TTimeEntry entry;
    entry.Kind = TEntryKind::Added;
    entry.WorkDate = FDay;
    const QString currentCode =
        FDm.adsTasks.Active() && !FDm.adsTasks.IsEmpty()
            ? FDm.adsTasks.FieldByName(QStringLiteral("TaskCode")).AsString()
            : QString();
    if (FTasks.empty())
        throw EXEPException(QStringLiteral("There is no task to add an entry for."));
    entry.Task = FTasks.front();
    for (const TJournalTask& task : FTasks)
        if (task.TaskCode == currentCode) entry.Task = task;
    TTimeJournal::SetLocalTimes(entry, start, end);
    FWork.push_back(entry);
    FDeleted.push_back(false);
    FillTable();
    for (int row = 0; row < int(FRows.size()); ++row)
        if (!FRows[size_t(row)].Submitted && FRows[size_t(row)].Index == FWork.size() - 1)
            grdEntries->setCurrentCell(row, ColStart);
    grdEntries->setFocus(Qt::OtherFocusReason);
}

void TForm_Entries_Form::btnDeleteClick() {
    const int row = grdEntries->currentRow();
    if (row < 0 || row >= int(FRows.size())) return;
    if (FRows[size_t(row)].Submitted) {
        TDialogService::Instance().ShowInformation(
            QStringLiteral("This entry has been submitted: correct its time in the history."));
        return;
    }
    FDeleted[FRows[size_t(row)].Index] = true;
    FillTable();
    if (grdEntries->rowCount() > 0)
        grdEntries->setCurrentCell(std::min(row, grdEntries->rowCount() - 1), ColStart);
    grdEntries->setFocus(Qt::OtherFocusReason);
}

bool TForm_Entries_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edDay && event->type() == QEvent::FocusOut)
        TDataControls::Guard([this] { edDayExit(); });
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == edDay && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            TDataControls::Guard([this] { edDayExit(); });
            return true;
        }
        // Alt+Left and Alt+Right move through the days wherever the keyboard is; the table
        // would take them as moves between its cells.
        if (key->modifiers() == Qt::AltModifier &&
            (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            const double step = key->key() == Qt::Key_Left ? -1 : 1;
            TDataControls::Guard([this, step] { ShowDay(FDay + step); });
            return true;
        }
        // Keys reach the table itself only while no cell is being edited.
        if (watched == grdEntries) {
            if (key->key() == Qt::Key_Insert) {
                TDataControls::Guard([this] { btnAddClick(); });
                return true;
            }
            if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
                TDataControls::Guard([this] { btnDeleteClick(); });
                return true;
            }
        }
    }
    return TBaseFormXEP_BottomHelpDialogForm::eventFilter(watched, event);
}

void TForm_Entries_Form::edDayExit() {
    double date = 0;
    if (!TryStrToDate(edDay->text().trimmed(), date)) {
        const QString text = edDay->text();
        edDay->setText(DateToStr(FDay));
        throw EConvertError(QStringLiteral("'%1' is not a valid date for Day").arg(text));
    }
    if (std::floor(date) != FDay) ShowDay(date);
}

QString TForm_Entries_Form::CheckOverlaps() const {
    // No two entries of one task overlap; no task gets a whole day on one date.
    std::vector<TTimeEntry> all;
    for (const TTimeEntry& entry : FDm.Journal().SubmittedRows())
        if (entry.HasTimes()) all.push_back(entry);
    for (size_t i = 0; i < FWork.size(); ++i) {
        if (FDeleted[i]) continue;
        TTimeEntry entry = FWork[i];
        if (entry.Running) entry.EndUtc = std::max(entry.EndUtc, TClock::NowUtcMSecs());
        all.push_back(entry);
    }
    std::stable_sort(all.begin(), all.end(), [](const TTimeEntry& a, const TTimeEntry& b) {
        return a.Task.JobId != b.Task.JobId ? a.Task.JobId < b.Task.JobId : a.StartUtc < b.StartUtc;
    });
    for (size_t i = 1; i < all.size(); ++i) {
        const TTimeEntry& a = all[i - 1];
        const TTimeEntry& b = all[i];
        if (a.Task.JobId != b.Task.JobId || b.StartUtc >= a.EndUtc) continue;
        return QStringLiteral("Two entries of %1 overlap on %2: %3 to %4 and %5 to %6.")
            .arg(b.Task.TaskCode, DateToStr(std::floor(b.WorkDate)),
                 ClockText(a.StartLocal(), std::floor(a.WorkDate)),
                 ClockText(a.EndLocal(), std::floor(a.WorkDate)),
                 ClockText(b.StartLocal(), std::floor(b.WorkDate)),
                 ClockText(b.EndLocal(), std::floor(b.WorkDate)));
    }
    return {};
}

namespace {
// An entry that runs past midnight, as one entry on each date.
std::vector<TTimeEntry> SplitAtMidnight(const TTimeEntry& entry) {
    const double date = std::floor(entry.WorkDate);
    if (entry.Running || entry.EndLocal() <= date + 1 + 1e-9) return {entry};
    TTimeEntry first = entry, second = entry;
    TTimeJournal::SetLocalTimes(first, entry.StartLocal(), date + 1);
    TTimeJournal::SetLocalTimes(second, date + 1, entry.EndLocal());
    second.EntryId = 0;
    second.Kind = TEntryKind::Added;
    return {first, second};
}
} // namespace

void TForm_Entries_Form::ApplyTo(TTimeJournal& journal) const {
    for (size_t i = 0; i < FWork.size(); ++i) {
        const TTimeEntry& work = FWork[i];
        const auto original = FOriginal.find(work.EntryId);
        const bool known = work.EntryId != 0 && original != FOriginal.end();
        if (FDeleted[i]) {
            if (known) journal.RemoveEntry(work.EntryId);
            continue;
        }
        if (known && SameEntry(work, original->second)) continue;
        for (TTimeEntry piece : SplitAtMidnight(work)) {
            if (piece.EntryId != 0 && journal.OpenEntry(piece.EntryId)) {
                if (piece.Running) {
                    // Still running: its end is the tracker's, however long the dialog was open.
                    piece.EndUtc =
                        std::max(piece.StartUtc, journal.OpenEntry(piece.EntryId)->EndUtc);
                    piece.EndOffset = UtcOffsetMinutesAt(piece.EndUtc);
                }
                journal.UpdateEntry(piece);
            } else if (!piece.Running) {
                piece.Running = false;
                journal.AddEntry(piece);
            }
        }
    }
}

void TForm_Entries_Form::btnOkClick() {
    // A cell still being edited is finished first.
    if (QWidget* editor = grdEntries->focusWidget(); editor && editor != grdEntries)
        grdEntries->setFocus(Qt::OtherFocusReason);
    const QString problem = CheckOverlaps();
    if (!problem.isEmpty()) {
        TDialogService::Instance().ShowError(problem);
        return;
    }
    // The changes are tried on a copy of the journal as it is now (the tracker has gone on
    // while the dialog was open): no task may get a whole day on one date.
    TTimeJournal trial = FDm.Journal();
    ApplyTo(trial);
    for (const TTimeEntry& entry : trial.OpenRows()) {
        if (trial.DayMSecs(entry.Task.JobId, entry.WorkDate) < TTimeJournal::FullDay) continue;
        TDialogService::Instance().ShowError(
            QStringLiteral("%1 would have 24 hours or more on %2: shorten its entries.")
                .arg(entry.Task.TaskCode, DateToStr(std::floor(entry.WorkDate))));
        return;
    }
    FDm.Journal() = trial;
    FDm.RefreshCells();
    accept();
    FDm.FlushJournal(); // kept at once, as tracked time is
}

bool ShowEntriesDialog(TdmTasks_Form& dm, double date, QWidget* parent) {
    TForm_Entries_Form dialog(dm, date, parent);
    return dialog.exec() == QDialog::Accepted;
}
