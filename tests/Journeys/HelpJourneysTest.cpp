// Journeys through help asked for from a modal dialog: the help viewer comes up in front of
// the dialog and takes the keyboard, Page Down scrolls it, Ctrl+F and typing find words in
// the page, Escape or its Close button closes it, and the dialog is still open and answers
// the keyboard after it. A help file that is nowhere says where it was looked for.

#include "JourneyFixture.h"

#include "BaseUnits/XEP_Help.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

using namespace Journey;

namespace {
QDialog* DialogInFront(const char* name) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(name) && dialog->isVisible() ? dialog
                                                                                        : nullptr;
}

// The dialog is in front and has the keyboard (no other window is active).
bool DialogWaitsForTheUser(const char* name) {
    QDialog* dialog = DialogInFront(name);
    return dialog && QApplication::activeWindow() == dialog && !QApplication::activePopupWidget();
}

THelpViewer* ViewerOnScreen() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<THelpViewer*>(window); viewer && viewer->isVisible())
            return viewer;
    return nullptr;
}

// The viewer is up, in front of the dialog, and the keyboard is in its page.
bool ViewerHasTheKeyboard() {
    THelpViewer* viewer = ViewerOnScreen();
    return viewer && QApplication::activeWindow() == viewer &&
           QApplication::focusWidget() == viewer->Browser();
}

int ViewerScroll() {
    THelpViewer* viewer = ViewerOnScreen();
    return viewer ? viewer->Browser()->verticalScrollBar()->value() : -1;
}

bool ClickButtonOf(QWidget* window, const char* name) {
    auto* button = window ? window->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

// Opens a dialog from a menu of the review window and clicks its Help button.
void OpenHelpOf(TScript& script, const QString& menu, const QString& item, const char* dialog) {
    ChooseMenu(script, menu, item);
    script.Then(
        QStringLiteral("the dialog %1, to click its Help button").arg(QLatin1String(dialog)),
        [dialog] { return DialogWaitsForTheUser(dialog); },
        [dialog] { return ClickButtonOf(DialogInFront(dialog), "btnHelp"); });
}

class HelpJourney : public JourneyTest {
protected:
    // The help file where the program's installation keeps it, beside the executable.
    void InstallHelpFile() {
        const QString target = Install.AppDir() + QStringLiteral("/TIVREL.HLP");
        QFile::remove(target);
        // The shipped file, found from this source file's place in the tree.
        const QString shipped = QFileInfo(QStringLiteral(__FILE__))
                                    .absoluteDir()
                                    .filePath(QStringLiteral("../../resources/TIVREL.HLP"));
        ASSERT_TRUE(QFile::copy(shipped, target)) << shipped.toStdString();
    }
};
} // namespace

TEST_F(HelpJourney, HelpFromTheOptionsDialogScrollsSearchesAndClosesWithEscape) {
    SetUpStore();
    InstallHelpFile();
    const TSeen before = Restart();
    TScript script;
    WaitForReviewWindow(script);
    OpenHelpOf(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"),
               "Form_Options_Form");
    // The dialog's topic may sit at the end of the page, where Page Down has nowhere to go:
    // Ctrl+Home goes to the top first.
    int scroll = -1;
    script.Then(QStringLiteral("the help viewer in front, its page taking the keyboard"),
                ViewerHasTheKeyboard, [&scroll] {
                    scroll = ViewerScroll();
                    return Press(Qt::Key_Home, Qt::ControlModifier);
                });
    script.Then(
        QStringLiteral("Ctrl+Home went to the top of the page"),
        [&scroll] { return ViewerHasTheKeyboard() && ViewerScroll() < scroll; },
        [&scroll] {
            scroll = ViewerScroll();
            return Press(Qt::Key_PageDown);
        });
    script.Then(QStringLiteral("Page Down scrolled the page"),
                [&scroll] { return ViewerHasTheKeyboard() && ViewerScroll() > scroll; });
    script.Do(QStringLiteral("press Ctrl+F"), [] { return Press(Qt::Key_F, Qt::ControlModifier); });
    script.Then(
        QStringLiteral("the search box open with the keyboard in it"),
        [] {
            THelpViewer* viewer = ViewerOnScreen();
            return viewer && viewer->SearchBox()->isVisible() &&
                   QApplication::focusWidget() == viewer->SearchBox();
        },
        [] { return Type(QStringLiteral("lunch break")); });
    int firstFound = -1;
    script.Then(
        QStringLiteral("the words typed selected in the page"),
        [&firstFound] {
            THelpViewer* viewer = ViewerOnScreen();
            if (!viewer) return false;
            const QTextCursor found = viewer->Browser()->textCursor();
            firstFound = found.selectionStart();
            return found.selectedText() == QLatin1String("lunch break");
        },
        [] { return Press(Qt::Key_Return); });
    script.Then(QStringLiteral("Return found the next place of the words"), [&firstFound] {
        THelpViewer* viewer = ViewerOnScreen();
        if (!viewer) return false;
        const QTextCursor found = viewer->Browser()->textCursor();
        return found.selectedText() == QLatin1String("lunch break") &&
               found.selectionStart() > firstFound;
    });
    script.Do(QStringLiteral("press Escape in the help viewer"),
              [] { return Press(Qt::Key_Escape); });
    script.Then(
        QStringLiteral("the viewer closed, the Options dialog still open with the keyboard"),
        [] { return !ViewerOnScreen() && DialogWaitsForTheUser("Form_Options_Form"); },
        [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("Escape closed the Options dialog"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen after = Restart();
    EXPECT_EQ(after.Codes(), before.Codes());
    EXPECT_EQ(after.WeekStart, before.WeekStart);
}

TEST_F(HelpJourney, HelpFromTheClientsDialogOpensAtItsTopicAndClosesWithItsButton) {
    SetUpStore();
    InstallHelpFile();
    TScript script;
    WaitForReviewWindow(script);
    OpenHelpOf(script, QStringLiteral("&Maintain"), QStringLiteral("Clients"), "Form_Clients_Form");
    QString topic;
    script.Then(QStringLiteral("the help viewer in front, at the clients' topic"),
                ViewerHasTheKeyboard, [&topic] {
                    THelpViewer* viewer = ViewerOnScreen();
                    topic = viewer->CurrentTopic();
                    return ClickButtonOf(viewer, "btnHelpClose");
                });
    script.Then(
        QStringLiteral("the viewer closed, the Clients dialog still open, to click Cancel"),
        [] { return !ViewerOnScreen() && DialogWaitsForTheUser("Form_Clients_Form"); },
        [] { return ClickButtonOf(DialogInFront("Form_Clients_Form"), "btnCancel"); });
    script.Then(QStringLiteral("the Clients dialog closed"), ReviewWaitsForTheUser);
    // Help once more from the review window itself: the viewer is made again for it.
    ChooseMenu(script, QStringLiteral("&Help"), QStringLiteral("Help"));
    script.Then(QStringLiteral("the help viewer in front of the review window"),
                ViewerHasTheKeyboard, [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the viewer closed, the review window waiting"),
                [] { return !ViewerOnScreen() && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(topic, QStringLiteral("Clients"));
}

TEST_F(HelpJourney, AHelpFileFoundNowhereSaysEveryFolderItWasLookedFor) {
    SetUpStore();
    const QString appDir = QDir::toNativeSeparators(Install.AppDir());
    QString said;
    TScript script;
    WaitForReviewWindow(script);
    OpenHelpOf(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"),
               "Form_Options_Form");
    script.Then(
        QStringLiteral("a message box saying the help file was not found"),
        [] { return MessageBoxSays(QStringLiteral("The help file TIVREL.HLP was not found.")); },
        [&said] {
            said = MessageBox()->text();
            QTest::keyClick(MessageBox(), Qt::Key_Return);
            return true;
        });
    script.Then(
        QStringLiteral("the box gone, the Options dialog still open, to press Escape"),
        [] { return !MessageBox() && DialogWaitsForTheUser("Form_Options_Form"); },
        [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the Options dialog closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(said.contains(appDir)) << said.toStdString();
    EXPECT_TRUE(said.contains(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())))
        << said.toStdString();
}
