#pragma once
// TCellEdit: what makes a line edit behave as a cell of a grid, in the spreadsheet manner.
// The edit forwards its mouse, key and focus events here first.
// - A click selects the whole text, also when the cell has the focus already, so that what is
//   typed replaces it; a drag from the click still selects part of it.
// - F2 or a double click edits in place: nothing selected, the caret at the end, and clicks
//   place the caret, until the cell is left.
// - Ctrl+A selects the whole text.

#include <QPoint>
#include <functional>

class QKeyEvent;
class QLineEdit;
class QMouseEvent;

class TCellEdit {
public:
    bool InPlace() const { return FInPlace; }
    // The cell was entered, or shows another row now: the whole text selected.
    void Enter(QLineEdit& edit);
    void Leave();
    void EditInPlace(QLineEdit& edit);

    // Each returns true when it took the event: the edit's own handling must not run. Move
    // hands the press it took to the edit's own handling (pressBase) when a drag begins.
    bool Press(QLineEdit& edit, const QMouseEvent& event);
    bool Move(QLineEdit& edit, const QMouseEvent& event,
              const std::function<void(QMouseEvent*)>& pressBase);
    void Release() { FPressing = false; }
    bool DoubleClick(QLineEdit& edit);
    bool Key(QLineEdit& edit, const QKeyEvent& event);

private:
    bool FInPlace = false;
    bool FPressing = false;
    QPoint FPressAt;
};
