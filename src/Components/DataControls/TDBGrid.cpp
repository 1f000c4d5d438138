#include "TDBGrid.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include "TCellEdit.h"
#include "TCharacterLimit.h"
#include "TDBEdit.h"
#include "TDataControls.h"
#include "TDateEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {
// The line edit of a cell: typed into as a spreadsheet cell is (TCellEdit), and, for a field
// without an edit mask whose edit format has the shape of digits and separators, in that
// shape, as in a bound edit.
class TDBGridLineEdit : public QLineEdit {
public:
    TDBGridLineEdit(QWidget* parent, TDigitShape shape) : QLineEdit(parent), FShape(shape) {}

    void EditInPlace() { FCell.EditInPlace(*this); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (FCell.Key(*this, *event)) {
            event->accept();
            return;
        }
        FShape.Press(*this, *event, [this, event] { QLineEdit::keyPressEvent(event); });
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (FCell.Press(*this, *event)) {
            event->accept();
            return;
        }
        QLineEdit::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (FCell.Move(*this, *event,
                       [this](QMouseEvent* press) { QLineEdit::mousePressEvent(press); }))
            return;
        QLineEdit::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        FCell.Release();
        QLineEdit::mouseReleaseEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && FCell.DoubleClick(*this)) {
            event->accept();
            return;
        }
        QLineEdit::mouseDoubleClickEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        if (event->reason() != Qt::ActiveWindowFocusReason &&
            event->reason() != Qt::PopupFocusReason)
            FCell.Leave();
    }

private:
    TDigitShape FShape;
    TCellEdit FCell;
};

// A right click on an editor (or on any part of it) goes on to the grid, which shows its own
// menu, instead of the editor's standard one.
void DeferContextMenu(QWidget* editor) {
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    for (QWidget* part : editor->findChildren<QWidget*>())
        part->setContextMenuPolicy(Qt::NoContextMenu);
}
} // namespace

// The cell editors: a line edit under the field's edit mask, or a list for a lookup column.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        QWidget* editor = CreateCellEditor(parent, index);
        if (editor) DeferContextMenu(editor);
        return editor;
    }

    QWidget* CreateCellEditor(QWidget* parent, const QModelIndex& index) const {
        TDBGridModel* model = FGrid->FModel;
        TField* field = model->Field(index.column());
        if (!field) return nullptr;
        switch (EditorOf(index)) {
        case TDBGridEditor::Memo:
            return CreateMemoEditor(parent, index);
        case TDBGridEditor::Date:
            return CreateDateEditor(parent, index);
        case TDBGridEditor::Default:
            break;
        }
        if (field->FieldKind() == TFieldKind::Lookup) {
            auto* box = new QComboBox(parent);
            box->setFrame(false);
            const auto& columns = model->Columns();
            if (index.column() < int(columns.size()) &&
                columns[size_t(index.column())].DropDownRows > 0)
                box->setMaxVisibleItems(columns[size_t(index.column())].DropDownRows);
            TRecordSet* list = field->LookupDataSet();
            const QStringList keys =
                field->LookupKeyFields().split(QLatin1Char(';'), Qt::SkipEmptyParts);
            TDataControls::Guard([&] {
                const TField& text = list->FieldByName(field->LookupResultField());
                for (int recNo = 1; recNo <= list->RecordCount(); ++recNo) {
                    list->WithRecord(recNo, [&] {
                        QVariantList key;
                        for (const QString& name : keys)
                            key << list->FieldByName(name.trimmed()).Value();
                        box->addItem(text.DisplayText(), key);
                    });
                }
            });
            return box;
        }
        auto* edit = new TDBGridLineEdit(parent, TDigitShape::OfField(field));
        edit->setFrame(false);
        const TEditMask mask(field->EditMask());
        edit->setInputMask(mask.InputMask());
        if (field->DataType() == TFieldType::String && mask.IsEmpty())
            TCharacterLimit::Apply(*edit, field->Size());
        edit->setProperty("tivrelMask", field->EditMask());
        const QPersistentModelIndex cell(index);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit, cell] {
            // The first change puts the record set into edit mode.
            bool editing = false;
            if (!TDataControls::Guard([&] { editing = FGrid->FModel->BeginEdit(cell.row()); }) ||
                !editing)
                edit->setText(edit->property("tivrelShown").toString());
        });
        return edit;
    }

    // The memo box: the first change puts the record set into edit mode.
    QWidget* CreateMemoEditor(QWidget* parent, const QModelIndex& index) const {
        auto* memo = new QPlainTextEdit(parent);
        memo->setTabChangesFocus(true); // Tab goes on to the next cell (see eventFilter)
        memo->resize(MemoEditorSize);   // smaller where the grid shows less (updateEditorGeometry)
        memo->installEventFilter(const_cast<TDBGridDelegate*>(this));
        const QPersistentModelIndex cell(index);
        QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this, memo, cell] {
            if (memo->property("tivrelLoading").toBool()) return;
            memo->setProperty("tivrelModified", true);
            TDataControls::Guard([&] { FGrid->FModel->BeginEdit(cell.row()); });
        });
        return memo;
    }

    // The date box: a date typed in the short date format or as 2026-12-18, or picked from its
    // calendar; the field reads the text (and refuses any other).
    QWidget* CreateDateEditor(QWidget* parent, const QModelIndex& index) const {
        auto* box = new TDateEdit(parent);
        box->setFrame(false);
        box->SetCommitsOnLeaving(false);
        box->SetAllowEmpty(true);
        box->installEventFilter(const_cast<TDBGridDelegate*>(this));
        const QPersistentModelIndex cell(index);
        auto changed = [this, box, cell] {
            box->setProperty("tivrelModified", true);
            TDataControls::Guard([&] { FGrid->FModel->BeginEdit(cell.row()); });
        };
        QObject::connect(box, &QLineEdit::textEdited, box, changed);
        QObject::connect(box, &TDateEdit::dayPicked, box, changed);
        return box;
    }

    TDBGridEditor EditorOf(const QModelIndex& index) const {
        const auto& columns = FGrid->FModel->Columns();
        return index.column() < int(columns.size()) ? columns[size_t(index.column())].Editor
                                                    : TDBGridEditor::Default;
    }

    // Enter leaves the memo box and the date box (the memo box closes; Ctrl+Enter or
    // Shift+Enter start a new line in it), Tab too; Up and Down leave the date box too (Alt+Down
    // drops its calendar down). Escape undoes the changes of the row being edited; with nothing to
    // undo it goes on to the window (a dialog's Cancel): the editor opens again at once while
    // the grid has the focus, so closing it would be all it did.
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            auto* keyEvent = static_cast<QKeyEvent*>(event);
            const int key = keyEvent->key();
            if (key == Qt::Key_Escape && keyEvent->modifiers() == Qt::NoModifier)
                return EscapeInEditor(editor);
            const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
            if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) {
                if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                    LeaveMemoByTab(memo, key == Qt::Key_Backtab ||
                                             (keyEvent->modifiers() & Qt::ShiftModifier));
                    return true;
                }
                if (enter && (keyEvent->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
                    memo->insertPlainText(QStringLiteral("\n"));
                    return true;
                }
                if (enter) {
                    FinishMemo(memo);
                    return true;
                }
            }
            auto* picker = qobject_cast<TDateEdit*>(editor);
            const bool leaves = enter || (picker && (key == Qt::Key_Up || key == Qt::Key_Down) &&
                                          keyEvent->modifiers() == Qt::NoModifier);
            if (leaves) {
                // Enter on a cell that shows no date stores the date the box shows (the field
                // may offer one, such as today's, as the text to edit).
                if (picker && enter && !picker->text().trimmed().isEmpty() &&
                    FGrid->currentIndex().data(Qt::DisplayRole).toString().trimmed().isEmpty())
                    picker->setProperty("tivrelModified", true);
                Q_EMIT const_cast<TDBGridDelegate*>(this)->commitData(editor);
                if (key == Qt::Key_Up || key == Qt::Key_Down)
                    QCoreApplication::postEvent(
                        FGrid, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    // Tab (with Ctrl too) stores the notes and goes on to the next cell, Shift+Tab to the one
    // before, as from any other cell: the notes never take a tab character from the keyboard.
    void LeaveMemoByTab(QPlainTextEdit* memo, bool backwards) {
        Q_EMIT commitData(memo);
        if (FGrid->FReopenPending) return; // refused: the box opens again with the text
        Q_EMIT closeEditor(memo, backwards ? QAbstractItemDelegate::EditPreviousItem
                                           : QAbstractItemDelegate::EditNextItem);
    }

    // Stores the notes and closes the box; a refused text keeps it open (it is opened again
    // with the text).
    void FinishMemo(QPlainTextEdit* memo) {
        Q_EMIT commitData(memo);
        if (FGrid->FReopenPending) return;
        FGrid->MemoFinished(FGrid->currentIndex());
        Q_EMIT closeEditor(memo, QAbstractItemDelegate::NoHint);
    }

    bool EscapeInEditor(QWidget* editor) {
        TRecordSet* ds = FGrid->FModel->DataSet();
        if (!ds || (ds->State() != TDataSetState::Edit && ds->State() != TDataSetState::Insert))
            return false; // the editor ignores it, so it goes up to the window
        // What was typed is dropped with the editor; the row's pending changes go too. A notes
        // box stays closed afterwards, as after Enter.
        if (qobject_cast<QPlainTextEdit*>(editor)) FGrid->MemoFinished(FGrid->currentIndex());
        Q_EMIT closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        TDataControls::Guard([ds] { ds->Cancel(); });
        return true;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) {
            if (memo->property("tivrelModified").toBool()) return;
            memo->setProperty("tivrelLoading", true);
            memo->setPlainText(index.data(Qt::EditRole).toString());
            memo->setProperty("tivrelLoading", false);
            return;
        }
        if (auto* box = qobject_cast<TDateEdit*>(editor)) {
            if (box->property("tivrelModified").toBool()) return;
            const bool refused = FGrid->FRefusedIndex == index && !FGrid->FRefusedText.isNull();
            box->setText(refused ? FGrid->FRefusedText : index.data(Qt::EditRole).toString());
            box->setProperty("tivrelModified", refused);
            box->selectAll();
            return;
        }
        const QString text = FGrid->FRefusedIndex == index && !FGrid->FRefusedText.isNull()
                                 ? FGrid->FRefusedText
                                 : index.data(Qt::EditRole).toString();
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            if (box->property("tivrelShown").isNull()) box->setCurrentIndex(box->findText(text));
            box->setProperty("tivrelShown", true);
            return;
        }
        auto* edit = static_cast<QLineEdit*>(editor);
        // The view hands every change of the rows to its open editors: what the user is
        // typing stays.
        if (edit->isModified()) return;
        const bool opening = edit->property("tivrelShown").isNull();
        const QString shown = index.data(Qt::EditRole).toString();
        edit->setProperty("tivrelShown", shown);
        if (!opening && text == edit->text()) return;
        edit->setText(text);
        edit->setModified(text != shown);
        edit->selectAll();
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) {
            if (!memo->property("tivrelModified").toBool()) return;
            memo->setProperty("tivrelModified", false);
            if (!model->setData(index, memo->toPlainText(), Qt::EditRole))
                FGrid->Refused(index, memo->toPlainText());
            return;
        }
        if (auto* box = qobject_cast<TDateEdit*>(editor)) {
            if (!box->property("tivrelModified").toBool()) return;
            box->setProperty("tivrelModified", false);
            const QString text = box->text().trimmed();
            if (!model->setData(index, text, Qt::EditRole)) FGrid->Refused(index, text);
            return;
        }
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            if (box->currentIndex() < 0 || box->currentText() == index.data().toString()) return;
            model->setData(index, box->currentData(), Qt::EditRole);
            return;
        }
        auto* edit = static_cast<QLineEdit*>(editor);
        if (!edit->isModified()) return;
        const TEditMask mask(edit->property("tivrelMask").toString());
        const QString text = mask.IsEmpty() ? edit->text() : mask.FieldText(edit->displayText());
        if (!model->setData(index, text, Qt::EditRole)) FGrid->Refused(index, edit->displayText());
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        // The memo box opens over the cell at its own size, moved (or made smaller) so that
        // it lies inside what the grid shows.
        if (qobject_cast<QPlainTextEdit*>(editor)) {
            const QRect area = FGrid->viewport()->rect();
            QRect box(option.rect.topLeft(), MemoEditorSize.boundedTo(area.size()));
            if (box.right() > area.right()) box.moveRight(area.right());
            if (box.bottom() > area.bottom()) box.moveBottom(area.bottom());
            if (box.left() < area.left()) box.moveLeft(area.left());
            if (box.top() < area.top()) box.moveTop(area.top());
            editor->setGeometry(box);
        } else {
            editor->setGeometry(option.rect);
        }
    }

    static constexpr QSize MemoEditorSize{287, 105};

private:
    TDBGrid* FGrid;
};

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    FModel = new TDBGridModel(this);
    FDelegate = new TDBGridDelegate(this);
    setModel(FModel);
    setItemDelegate(FDelegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // The editor is always shown on the current cell while the grid has the focus (see
    // edit()): an editor takes the focus, so not otherwise.
    setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setHighlightSections(false);
    SetDefaultRowHeight(17);
    SetTitleHeight(17);
    connect(FModel, &TDBGridModel::CursorMoved, this, &TDBGrid::SyncToCursor);
    // Widths are set when the columns are (the user's own widths survive new rows).
    connect(FModel, &TDBGridModel::ColumnsChanged, this, &TDBGrid::ApplyColumnWidths);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) {
                const auto& columns = FModel->Columns();
                if (FApplyingWidths || size <= 0 || logical < 0 || logical >= int(columns.size()))
                    return;
                FKeptWidths.insert(columns[size_t(logical)].FieldName, size);
            });
    // A reset closes the open editor; the focus it had is no leaving of the grid.
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        FResetting = true;
        QWidget* focus = QApplication::focusWidget();
        FHadFocus = focus && (focus == this || isAncestorOf(focus));
        // The rows changed under the editor: what it holds is dropped, not written.
        if (QWidget* editor = OpenEditorWidget()) editor->removeEventFilter(FDelegate);
    });
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        FResetting = false;
        ++FResets;
        SyncToCursor();
        if (FHadFocus) {
            setFocus(Qt::OtherFocusReason);
            if (FAlwaysShowEditor) OpenEditor();
        }
    });
    connect(FModel, &QAbstractItemModel::headerDataChanged, this, [this] { SyncToCursor(); });
    connect(qApp, &QApplication::focusChanged, this, &TDBGrid::FocusChanged);
}

void TDBGrid::SetDataSource(TDataSource* dataSource) {
    FModel->SetDataSource(dataSource);
}

void TDBGrid::SetColumns(std::vector<TDBGridColumn> columns) {
    FNewColumns = true;
    FModel->SetColumns(std::move(columns));
}

TDBGridColumn& TDBGrid::AddColumn(const QString& fieldName, const QString& title, int width) {
    std::vector<TDBGridColumn> columns =
        FModel->DefaultColumns() ? std::vector<TDBGridColumn>() : FModel->Columns();
    TDBGridColumn column;
    column.FieldName = fieldName;
    column.Title = title;
    column.Width = width;
    columns.push_back(column);
    FNewColumns = true;
    FModel->SetColumns(std::move(columns));
    return const_cast<TDBGridColumn&>(FModel->Columns().back());
}

void TDBGrid::ApplyColumns() {
    FNewColumns = true;
    FModel->SetColumns(FModel->Columns());
}

int TDBGrid::DefaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void TDBGrid::SetDefaultRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

int TDBGrid::TitleHeight() const {
    return horizontalHeader()->height();
}

void TDBGrid::SetTitleHeight(int height) {
    horizontalHeader()->setFixedHeight(height);
}

void TDBGrid::ApplyColumnWidths() {
    // New columns bring their own widths; rows read anew keep the widths the columns have.
    if (FNewColumns) FKeptWidths.clear();
    FNewColumns = false;
    const auto& columns = FModel->Columns();
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    FApplyingWidths = true;
    for (int i = 0; i < int(columns.size()); ++i) {
        const TDBGridColumn& column = columns[size_t(i)];
        setColumnHidden(i, !column.Visible);
        int width = column.Width;
        if (width <= 0) {
            const TField* field = FModel->Field(i);
            width = field ? std::min(field->DisplayWidth(), 40) * digit + 6 : 64;
        }
        // A title is never cut: a width too small for it is widened to it.
        width = std::max(width, TitleWidth(i));
        const auto kept = FKeptWidths.constFind(column.FieldName);
        setColumnWidth(i, kept != FKeptWidths.cend() ? *kept : width);
    }
    FApplyingWidths = false;
}

int TDBGrid::TitleWidth(int column) const {
    const QHeaderView* header = horizontalHeader();
    QStyleOptionHeader option;
    option.initFrom(header);
    option.orientation = Qt::Horizontal;
    option.section = column;
    option.text = FModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    option.fontMetrics = QFontMetrics(header->font());
    if (option.text.isEmpty()) return 0;
    return header->style()
        ->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header)
        .width();
}

void TDBGrid::MemoFinished(const QModelIndex& index) {
    FFinishedCell = index;
}

void TDBGrid::SyncToCursor() {
    if (FSyncing || FReopenPending) return;
    const int row = FModel->CurrentRow();
    const QModelIndex current = currentIndex();
    if (row < 0 || (current.isValid() && current.row() == row)) return;
    int column = current.isValid() ? current.column() : 0;
    while (column < FModel->columnCount() && isColumnHidden(column))
        ++column;
    if (column >= FModel->columnCount()) return;
    FSyncing = true;
    setCurrentIndex(FModel->index(row, column));
    FSyncing = false;
}

QWidget* TDBGrid::OpenEditorWidget() const {
    if (state() != QAbstractItemView::EditingState) return nullptr;
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w; w = w->parentWidget())
        if (w->parentWidget() == viewport()) return w;
    return nullptr;
}

QWidget* TDBGrid::VisibleEditor() const {
    if (state() != QAbstractItemView::EditingState) return nullptr;
    // The delegate makes its editors children of the viewport.
    for (QObject* child : viewport()->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && widget->isVisible())
            return widget;
    return nullptr;
}

bool TDBGrid::CommitEditor() {
    QWidget* editor = OpenEditorWidget();
    if (!editor) return true;
    commitData(editor);
    if (FReopenPending) return false;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (current != FFinishedCell) FFinishedCell = QPersistentModelIndex();
    // The user went on to another cell: a refused text waiting for its editor is dropped.
    if (!FReopenPending && current != FRefusedIndex) {
        FRefusedIndex = QPersistentModelIndex();
        FRefusedText = QString();
    }
    if (current.isValid() && (!previous.isValid() || current.column() != previous.column()))
        Q_EMIT ColEnter();
    // Whether a cell can be edited may depend on its row (a field made read-only as its row
    // becomes current), so the cursor moves before the new cell's editor is opened: the
    // editor of the previous cell first writes into its own row while the cursor is still
    // there, then the cursor moves, then the base opens the editor of the new cell (see edit()).
    bool moved = true;
    if (current.isValid() && !FSyncing && !FReopenPending && !FResetting &&
        current.row() != FModel->CurrentRow()) {
        if (QWidget* editor = OpenEditorWidget()) {
            commitData(editor);
            // Closed even when refused, so that it is not written twice; the refused text
            // comes back in the reopened editor.
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        if (!FReopenPending) {
            // The cursor's own notifications on the way (a row posted, the rows scrolled)
            // are not followed: the view is at the new cell already.
            const int resets = FResets;
            FSyncing = true;
            moved = TDataControls::Guard([&] { FModel->MoveToRow(current.row()); });
            FSyncing = false;
            // Rows that changed under the move (a new row dropped) were read anew; the
            // indexes of this change are gone, the view goes where the cursor is.
            if (FResets != resets) {
                SyncToCursor();
                return;
            }
        }
    }
    QTableView::currentChanged(current, previous);
    if (!moved) {
        QTimer::singleShot(0, this, [this] {
            const int row = FModel->CurrentRow();
            const QModelIndex index = currentIndex();
            if (row >= 0 && index.isValid() && index.row() != row) {
                FSyncing = true;
                setCurrentIndex(FModel->index(row, index.column()));
                FSyncing = false;
            }
        });
    }
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == QAbstractItemView::CurrentChanged &&
        (!FAlwaysShowEditor || !hasFocus() || FResetting || FReopenPending))
        return false;
    // An editor opens on the cursor's row only: that row decides what may be edited.
    if (index.isValid() && index.row() != FModel->CurrentRow()) return false;
    if ((trigger == QAbstractItemView::AnyKeyPressed ||
         trigger == QAbstractItemView::EditKeyPressed) &&
        index.isValid() && FModel->FieldReadOnly(index.column())) {
        ExplainReadOnly(index.column());
        return false;
    }
    const bool opened = QTableView::edit(index, trigger, event);
    // F2 or a double click edit the cell in place, with the caret at the end.
    if (opened && (trigger == QAbstractItemView::EditKeyPressed ||
                   trigger == QAbstractItemView::DoubleClicked))
        if (auto* cell = dynamic_cast<TDBGridLineEdit*>(OpenEditorWidget())) cell->EditInPlace();
    return opened;
}

void TDBGrid::ExplainReadOnly(int column) {
    // A rule of the field that refuses changes on this row says why; a field without one
    // just takes no typing.
    TField* field = FModel->Field(column);
    if (field && field->OnValidate) TDataControls::Guard([field] { field->OnValidate(*field); });
}

void TDBGrid::keyboardSearch(const QString&) {
    // Typing never jumps to another row: a key goes to the current cell or nowhere.
}

void TDBGrid::OpenEditor() {
    // The editor of the current cell, when the grid has the focus and the cell can be edited
    // (not yet while the cursor is still on the row being left).
    const QModelIndex index = currentIndex();
    if (index.isValid() && index == FFinishedCell) return; // a finished notes box stays closed
    if (hasFocus() && index.isValid() && index.row() == FModel->CurrentRow() &&
        (FModel->flags(index) & Qt::ItemIsEditable) && state() != QAbstractItemView::EditingState)
        edit(index);
    if (state() == QAbstractItemView::EditingState && index == FRefusedIndex) {
        FRefusedIndex = QPersistentModelIndex(); // shown in the editor now
        FRefusedText = QString();
    }
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (!FReopenPending && FAlwaysShowEditor) OpenEditor();
}

void TDBGrid::Refused(const QModelIndex& index, const QString& text) {
    FRefusedIndex = index;
    FRefusedText = text;
    if (FReopenPending) return;
    FReopenPending = true;
    QTimer::singleShot(0, this, &TDBGrid::ReopenRefused);
}

void TDBGrid::ReopenRefused() {
    FReopenPending = false;
    if (!FRefusedIndex.isValid()) return;
    const QModelIndex index = FRefusedIndex;
    // The editor still open on the cell (the window kept it while the message was shown)
    // takes the keyboard back, with the refused text in it.
    if (QWidget* editor = VisibleEditor(); editor && currentIndex() == index) {
        editor->setFocus(Qt::OtherFocusReason);
        FRefusedIndex = QPersistentModelIndex();
        FRefusedText = QString();
        return;
    }
    setFocus(Qt::OtherFocusReason);
    FSyncing = true;
    setCurrentIndex(index);
    FSyncing = false;
    // The editor shows the refused text: now, or, when the window does not have the keyboard
    // back yet (the message box has just closed), as soon as the grid has it.
    OpenEditor();
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (FResetting) {
        // Qt moves within the view when a reset hides the focused editor; stay put.
        event->accept();
        return;
    }
    TRecordSet* ds = FModel->DataSet();
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && ds && FAutoAppend &&
        !ReadOnly() && currentIndex().row() == FModel->rowCount() - 1 &&
        ds->State() != TDataSetState::Insert) {
        if (CommitEditor()) TDataControls::Guard([&] { FModel->AppendRow(); });
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && ds &&
        (ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert)) {
        TDataControls::Guard([&] { ds->Cancel(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::FocusChanged(QWidget* old, QWidget* now) {
    const bool wasInside = old && (old == this || isAncestorOf(old));
    const bool isInside = now && (now == this || isAncestorOf(now));
    if (!wasInside || isInside || !now || FReopenPending || FResetting) return;
    TDataControls::Guard([&] { FModel->DropBlankNewRow(); });
}

void TDBGrid::AppendRow() {
    if (!CommitEditor()) return;
    FModel->AppendRow();
}

bool TDBGrid::DropBlankNewRow() {
    if (!FModel->NewRowBlank()) return false;
    // What an open editor holds would make it no longer blank; it goes with the row.
    if (QWidget* editor = OpenEditorWidget()) {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit && edit->isModified()) return false;
    }
    return FModel->DropBlankNewRow();
}
