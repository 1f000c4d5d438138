#pragma once
// What a user does with the program's windows, as key presses and mouse clicks that go where
// the real ones would: keys to an open menu or else to the focused control, clicks to the
// widget under the pointer, answers to the message box in front. Nothing here calls a
// handler, triggers an action or sets a value; finding a window or a control only looks.

#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"

#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <cctype>

namespace Journey {

// ---- The windows on screen ----

// The review window, once the program has made it.
inline TForm_Submit_Form* Review() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form_Submit_Form"))
            return qobject_cast<TForm_Submit_Form*>(window);
    return nullptr;
}

inline TFrame_TimeTracker_Form* ReviewGrid() {
    TForm_Submit_Form* review = Review();
    return review ? review->Frame_TimeTracker_Form1 : nullptr;
}

// The review window is up, in front, and takes the keyboard.
inline bool ReviewWaitsForTheUser() {
    TForm_Submit_Form* review = Review();
    return review && review->isVisible() && QApplication::activeModalWidget() == review &&
           QApplication::activeWindow() == review && !QApplication::activePopupWidget();
}

inline QMenu* OpenMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

inline QMessageBox* MessageBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// Return pressed in the message box in front, which answers it with its default button.
inline bool ReturnInMessageBox() {
    QMessageBox* box = MessageBox();
    if (!box) return false;
    QTest::keyClick(box, Qt::Key_Return);
    return true;
}

// A message box is in front and its text holds the words given.
inline bool MessageBoxSays(const QString& words) {
    const QMessageBox* box = MessageBox();
    return box && box->isVisible() && box->text().contains(words);
}

// What is on screen, for a failure message: the window in front, its text when it is a
// message box, the open menu and the control with the focus.
inline QString OnScreen() {
    QStringList parts;
    if (const QWidget* modal = QApplication::activeModalWidget()) {
        QString front =
            QStringLiteral("in front: %1 '%2'")
                .arg(QString::fromLatin1(modal->metaObject()->className()), modal->objectName());
        if (const auto* box = qobject_cast<const QMessageBox*>(modal))
            front += QStringLiteral(" saying \"%1\"").arg(box->text());
        parts << front;
    } else {
        parts << QStringLiteral("no window in front");
    }
    if (const QMenu* menu = OpenMenu())
        parts << QStringLiteral("menu open: '%1'").arg(menu->title());
    if (const QWidget* focus = QApplication::focusWidget())
        parts << QStringLiteral("focus: %1 '%2'")
                     .arg(QString::fromLatin1(focus->metaObject()->className()),
                          focus->objectName());
    return parts.join(QStringLiteral("; "));
}

// The offscreen platform has no window manager: when a window in front closes (a message box
// answered), nothing hands the keyboard back to the window beneath it, as every desktop does.
// This does that part of the desktop's work.
inline void ActivateWindowInFront() {
    if (QApplication::activeWindow() || QApplication::activePopupWidget()) return;
    QWidget* front = QApplication::activeModalWidget();
    if (front && front->isVisible()) front->activateWindow();
}

// ---- The keyboard ----

// The widget a key pressed now reaches: an open menu, else the focused control, else the
// window in front.
inline QWidget* KeyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Types text key by key (letters, digits, blanks).
inline bool Type(const QString& text) {
    for (const QChar c : text) {
        QWidget* target = KeyTarget();
        if (!target) return false;
        QTest::keyClick(target, c.toLatin1());
    }
    return true;
}

inline bool Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = KeyTarget();
    if (!target) return false;
    QTest::keyClick(target, key, modifiers);
    return true;
}

// The letter after the '&' of a caption ("&Timesheets" → 'T'); 0 when it has none.
inline char Mnemonic(const QString& caption) {
    const qsizetype amp = caption.indexOf(QLatin1Char('&'));
    return amp >= 0 && amp + 1 < caption.size() ? caption.at(amp + 1).toUpper().toLatin1() : 0;
}

// Alt and the menu's letter, as the user opens a menu of the menu bar.
inline bool PressMenuKey(const QString& menuTitle) {
    const char letter = Mnemonic(menuTitle);
    return letter && Press(Qt::Key(letter), Qt::AltModifier);
}

// In the open menu: the item's letter, or, for an item without one, Down until it is
// highlighted and then Return. False when the item cannot be reached.
inline bool ChooseInOpenMenu(const QString& item) {
    QMenu* menu = OpenMenu();
    if (!menu) return false;
    if (const char letter = Mnemonic(item)) {
        QTest::keyClick(menu, char(std::tolower(letter)));
        return true;
    }
    for (int presses = 0; presses <= menu->actions().size(); ++presses) {
        if (menu->activeAction() && menu->activeAction()->text() == item) {
            QTest::keyClick(menu, Qt::Key_Return);
            return true;
        }
        QTest::keyClick(menu, Qt::Key_Down);
    }
    return false;
}

// ---- The mouse ----

// A click on the title of a menu of a menu bar; the menu drops down.
inline bool ClickMenuTitle(QMenuBar* bar, const QString& title) {
    for (QAction* action : bar->actions()) {
        if (action->text() != title) continue;
        const QRect place = bar->actionGeometry(action);
        if (place.isEmpty()) return false;
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, place.center());
        return true;
    }
    return false;
}

// A click on an item of the open menu.
inline bool ClickInOpenMenu(const QString& item) {
    QMenu* menu = OpenMenu();
    if (!menu) return false;
    for (QAction* action : menu->actions()) {
        if (action->text() != item) continue;
        const QRect place = menu->actionGeometry(action);
        if (place.isEmpty() || !action->isEnabled()) return false;
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, place.center());
        return true;
    }
    return false;
}

// A click on a tool bar's button for an action; false when the button is not on screen.
inline bool ClickToolButton(QToolBar* bar, QAction* action) {
    auto* button = bar ? qobject_cast<QToolButton*>(bar->widgetForAction(action)) : nullptr;
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

// A click on a row of the task grid, in the column of a row control: on the current row that
// lands on the live control, on another row on the painted panel. False when the row is not
// on screen.
inline bool ClickCell(TFrame_TimeTracker_Form* frame, int row, QWidget* columnControl) {
    TDBCtrlGrid* grid = frame->dbcgTasks;
    const int index = row - grid->TopRow();
    if (row < 0 || row >= grid->Rows() || index >= grid->RowCount() || !columnControl->isVisible())
        return false;
    const QPoint inPanel = columnControl->geometry().center();
    const QPoint point(inPanel.x(), index * grid->PanelHeight() + inPanel.y());
    QWidget* target = grid->childAt(point);
    if (!target) target = grid;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(grid, point));
    return true;
}

// ---- Message boxes ----

// Presses a key in the message box in front ('Y' for Yes, 'N' for No).
inline bool AnswerMessageBox(char key) {
    QMessageBox* box = MessageBox();
    if (!box) return false;
    QTest::keyClick(box, key);
    return true;
}

} // namespace Journey
