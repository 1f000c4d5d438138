#pragma once
// TDBCtrlGrid: a column of row panels, one row of a record set each (Delphi's TDBCtrlGrid).
//
// The window fills the template, Panel(), with bound controls placed where it likes. The
// template is the live panel: it stands on the current row and its controls are real. Every
// other visible row is drawn from the same template: the grid makes that row the active
// buffer (WithRecord) and lets each bound control draw it (IDBPaintable), while other
// widgets of the template are drawn as they are. All rows therefore look alike.
//
// - RowCount panels of PanelHeight pixels (25 by default) are shown; with AutoRowCount the
//   count follows the grid's height (as many as fit, at least one).
// - A click on a drawn row leaves the focused control (it writes and runs its exit), moves
//   the cursor there (which posts a changed row) and puts the focus into the control under
//   the click; a check box under the click is ticked by that same click. Up and Down move between
//   rows, and Enter in a row's control goes down a row; the scroll bar and the wheel move the
//   cursor. The control with the focus is told it now stands on another row
//   (IDBPaintable::RowEntered), so an edit selects its text as if entered anew.
// - OnPaintPanel lets the window colour a panel (the row is the active buffer meanwhile).
// - The grid neither inserts nor deletes rows. A pending new row is shown where Insert puts
//   it (before the row that was current) unless NewRowAtEnd (for Append).

#include "TDataSource.h"

#include <QAbstractButton>
#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>

class QMouseEvent;
class QScrollBar;
class TDBCtrlPanel;

class TDBCtrlGrid : public QWidget {
    Q_OBJECT
public:
    explicit TDBCtrlGrid(QWidget* parent = nullptr);
    ~TDBCtrlGrid() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* dataSource);
    // The template panel; its children are the row's controls.
    QWidget* Panel() const;

    int RowCount() const { return FRowCount; }
    void SetRowCount(int rowCount);
    bool AutoRowCount() const { return FAutoRowCount; }
    void SetAutoRowCount(bool autoRowCount);
    int PanelHeight() const { return FPanelHeight; }
    void SetPanelHeight(int height);
    int PanelWidth() const;
    // Qt::ScrollBarAlwaysOn (the default: the panels keep their width, the bar is disabled
    // while every row fits) or Qt::ScrollBarAsNeeded.
    Qt::ScrollBarPolicy ScrollBarPolicy() const { return FScrollBarPolicy; }
    void SetScrollBarPolicy(Qt::ScrollBarPolicy policy);
    bool NewRowAtEnd() const { return FNewRowAtEnd; }
    void SetNewRowAtEnd(bool atEnd) { FNewRowAtEnd = atEnd; }
    // Background of the panels and of the current row's panel (invalid: the same).
    QColor Color() const;
    void SetColor(const QColor& color);
    const QColor& SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(const QColor& color);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    // Rows: the record set's rows plus a pending new one. Row numbers here are 0-based.
    int Rows() const;
    int CurrentRow() const; // -1 when there is none
    int TopRow() const { return FTopRow; }
    // The row shown at a point of the grid, -1 for none.
    int RowAt(const QPoint& point) const;
    // Panel index (0 = top) of the current row, -1 when it is not shown.
    int PanelIndex() const;

    // Paints a panel's background after the grid has filled it; the panel's row is the
    // active buffer. rect is the panel in the painter's coordinates.
    std::function<void(TDBCtrlGrid& grid, int index, QPainter& painter, const QRect& rect)>
        OnPaintPanel;

    // Moves the cursor as the user does: the focused control writes its pending text first;
    // errors are reported. False when the move did not happen.
    bool MoveToRow(int row);
    bool MoveBy(int distance);

Q_SIGNALS:
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QSize sizeHint() const override;

private:
    friend class TDBCtrlPanel;
    TRecordSet* DataSet() const;
    void Sync();
    void StateChange();
    int RecNoOfRow(int row) const; // 0 for the pending new row
    void PaintPanel(QPainter& painter, const QRect& rect, int index, bool current);
    void PaintWidgets(QPainter& painter, QWidget* parent);
    bool CommitFocusedControl();
    void ScrollBarMoved(int value);
    QWidget* ControlAt(const QPoint& gridPoint) const;
    void FocusControlAt(const QPoint& gridPoint);
    void PressButtonAt(const QPoint& gridPoint, const QMouseEvent& event);
    void EnterFocusedControl();

    QPointer<TDataSource> FDataSource;
    TDBCtrlPanel* FPanel = nullptr;
    QScrollBar* FScrollBar = nullptr;
    QPointer<QMenu> FPopupMenu;
    QPointer<QAbstractButton> FPressedButton; // pressed by a click on another row
    int FRowCount = 3;
    int FPanelHeight = 25;
    int FTopRow = 0;
    bool FAutoRowCount = true;
    bool FNewRowAtEnd = false;
    Qt::ScrollBarPolicy FScrollBarPolicy = Qt::ScrollBarAlwaysOn;
    QColor FSelectedColor;
    int FLastRecNo = 0;  // the current row while not inserting
    int FInsertRow = -1; // where the pending new row is shown
    bool FSyncing = false;
};
