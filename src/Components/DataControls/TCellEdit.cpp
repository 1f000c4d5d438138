#include "TCellEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

void TCellEdit::Enter(QLineEdit& edit) {
    FInPlace = false;
    edit.selectAll();
}

void TCellEdit::Leave() {
    FInPlace = false;
    FPressing = false;
}

void TCellEdit::EditInPlace(QLineEdit& edit) {
    FInPlace = true;
    FPressing = false;
    edit.deselect();
    edit.end(false);
}

bool TCellEdit::Press(QLineEdit& edit, const QMouseEvent& event) {
    if (FInPlace || event.button() != Qt::LeftButton) return false;
    edit.selectAll();
    FPressing = true;
    FPressAt = event.position().toPoint();
    return true;
}

bool TCellEdit::Move(QLineEdit& edit, const QMouseEvent& event,
                     const std::function<void(QMouseEvent*)>& pressBase) {
    if (!FPressing) return false;
    // A hand that shakes while clicking keeps the whole text selected.
    if ((event.position().toPoint() - FPressAt).manhattanLength() <
        QApplication::startDragDistance())
        return true;
    // A drag: the press goes to the edit where it was, and the drag selects from there.
    FPressing = false;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(FPressAt), edit.mapToGlobal(FPressAt),
                      Qt::LeftButton, Qt::LeftButton, event.modifiers());
    pressBase(&press);
    return false;
}

bool TCellEdit::DoubleClick(QLineEdit& edit) {
    EditInPlace(edit);
    return true;
}

bool TCellEdit::Key(QLineEdit& edit, const QKeyEvent& event) {
    if (event.key() == Qt::Key_F2 && event.modifiers() == Qt::NoModifier) {
        EditInPlace(edit);
        return true;
    }
    if (event.matches(QKeySequence::SelectAll)) {
        edit.selectAll();
        return true;
    }
    return false;
}
