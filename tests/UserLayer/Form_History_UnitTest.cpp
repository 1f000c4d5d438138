// The history search and the history dialog: the week searched, "No Rows Found", the grid
// where only the duration can be typed, Cancel and OK, and the history table left unfiltered
// however the dialogs end.

#include "DataModuleFixture.h"

#include "BaseUnits/Frame_Date_Unit.h"
#include "BaseUnits/Frame_Select_Group_unit.h"
#include "BaseUnits/Frame_Select_Unit.h"
#include "UserLayer/Form_Find_TaskData_Unit.h"
#include "UserLayer/Form_History_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDataControls.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <set>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

class HistoryTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        SetStartDay(2); // weeks begin on Monday
        // Today is Wednesday 9 December 2026: last week ran from Monday 30 November to Sunday
        // 6 December (from Sunday 29 November to Saturday 5 December when weeks begin on
        // Sunday).
        AddHistory("Sunday before", Day(2026, 11, 29), 1 * Hour);
        AddHistory("Monday", Day(2026, 11, 30), 2 * Hour);
        AddHistory("Sunday", Day(2026, 12, 6), 3 * Hour);
        AddHistory("Monday after", Day(2026, 12, 7), 4 * Hour);
        dm->adsReporting.CommitUpdates();
    }

    void SetStartDay(int day) {
        dm->adsDefaults.Edit();
        F(dm->adsDefaults, "StartDayOfWeek").SetAsInteger(day);
        dm->adsDefaults.Post();
    }

    void AddHistory(const char* description, double submitted, double duration) {
        TRecordSet& h = dm->adsReporting;
        h.Append();
        F(h, "TaskCode").SetAsString(QStringLiteral("GEN"));
        F(h, "TaskDescription").SetAsString(QLatin1String(description));
        F(h, "DateTimeCreated").SetAsDateTime(Day(2026, 11, 2) + 9 * Hour);
        F(h, "DateTimeSubmitted").SetAsDateTime(submitted);
        F(h, "Duration").SetAsFloat(duration);
        F(h, "Active").SetAsBoolean(false);
        F(h, "Completed").SetAsBoolean(submitted > Day(2026, 12, 1));
        F(h, "InvoiceNumber").SetAsInteger(0);
        F(h, "AuthUserId").SetAsInteger(0);
        h.Post();
    }

    // "description=minutes" of every history row, in stored order.
    std::string Rows() {
        QStringList rows;
        const auto clone = dm->adsReporting.Clone();
        for (clone->First(); !clone->Eof(); clone->Next())
            rows << F(*clone, "TaskDescription").AsString() + QLatin1Char('=') +
                        QString::number(qRound(F(*clone, "Duration").AsFloat() / Minute));
        return rows.join(QLatin1Char('|')).toStdString();
    }

    // The descriptions of the rows the history table shows now (under its filter).
    QStringList Visible() {
        QStringList rows;
        TRecordSet& h = dm->adsReporting;
        h.First();
        for (int i = 0; i < h.RecordCount(); ++i) {
            rows << F(h, "TaskDescription").AsString();
            h.Next();
        }
        return rows;
    }

    void ExpectUnfiltered() {
        EXPECT_FALSE(dm->adsReporting.Filtered());
        EXPECT_TRUE(dm->adsReporting.Filter().isEmpty());
        EXPECT_EQ(dm->adsReporting.RecordCount(), 4);
    }

    // Runs the History action's search dialog modally: inSearch acts in it (then OK is pressed
    // unless it closed the dialog itself), inHistory in the history dialog if that opens (it
    // must close it). Returns whether the history dialog opened.
    bool Search(const std::function<void(TForm_Find_TaskData_Form&)>& inSearch,
                const std::function<void(TForm_History_Form&)>& inHistory,
                const std::function<void()>& open = {}) {
        bool historyOpened = false;
        QTimer::singleShot(0, [&] {
            auto* search =
                qobject_cast<TForm_Find_TaskData_Form*>(QApplication::activeModalWidget());
            if (!search) {
                ADD_FAILURE() << "the search dialog is not shown";
                return;
            }
            if (inSearch) inSearch(*search);
            if (!search->isVisible()) return;
            QTimer::singleShot(0, [&] {
                auto* history =
                    qobject_cast<TForm_History_Form*>(QApplication::activeModalWidget());
                if (!history) return;
                historyOpened = true;
                inHistory(*history);
                if (history->isVisible()) {
                    ADD_FAILURE() << "the history dialog was left open";
                    history->btnCancel->click();
                }
            });
            search->btnOk->click();
            if (search->isVisible()) {
                ADD_FAILURE() << "the search dialog stayed open";
                search->btnCancel->click();
            }
        });
        if (open)
            open();
        else
            aHistoryExecute(*dm, nullptr);
        return historyOpened;
    }

    // Where keys go: the focused control (the grid or its cell editor).
    static QWidget* Focused(TDBGrid* grid) {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : grid;
    }
    // The line edit open in a cell of the grid, if any.
    static QLineEdit* Editor(TDBGrid* grid) {
        QApplication::processEvents();
        for (QLineEdit* edit : grid->viewport()->findChildren<QLineEdit*>())
            if (edit->isVisible()) return edit;
        return nullptr;
    }
    static void SendKey(QWidget* widget, int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &release);
    }
    static void Type(QWidget* widget, const QString& text) {
        for (const QChar c : text)
            SendKey(widget, c.toUpper().unicode(), QString(c));
    }

    // Puts the focus into the grid of an active history dialog on a cell.
    static void EnterCell(TForm_History_Form& history, int row, int column) {
        history.activateWindow();
        for (int i = 0; i < 50 && !history.isActiveWindow(); ++i)
            QApplication::processEvents();
        TDBGrid* grid = history.dbgMaintain;
        grid->setFocus(Qt::OtherFocusReason);
        grid->setCurrentIndex(grid->model()->index(row, column));
        QApplication::processEvents();
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(HistoryTest, CriteriaMatchingNothingSayNoRowsFoundAndLeaveTheHistoryUnfiltered) {
    bool accepted = false;
    const bool opened = Search(
        [&](TForm_Find_TaskData_Form& search) {
            TFrame_Date_Form* dates = search.Frame_Select_Form1->Frame_Date_Form1;
            dates->SetStartDate(Day(2026, 10, 1));
            dates->SetEndDate(Day(2026, 10, 31));
            QObject::connect(&search, &QDialog::accepted, [&] { accepted = true; });
        },
        [](TForm_History_Form& history) { history.btnCancel->click(); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(dialogs->Informations, QStringList{QStringLiteral("No Rows Found")});
    EXPECT_TRUE(accepted) << "the search dialog closes with OK";
    ExpectUnfiltered();
}

TEST_F(HistoryTest, OkAtOnceSearchesLastWeekUnderTheConfiguredFirstDay) {
    QString filter;
    QStringList found;
    auto look = [&](TForm_History_Form& history) {
        filter = dm->adsReporting.Filter();
        found = Visible();
        history.btnCancel->click();
    };
    // Through the review window's History action.
    TForm_Submit_Form review(*dm);
    EXPECT_TRUE(Search({}, look, [&] { review.aHistory->trigger(); }));
    EXPECT_EQ(filter, QStringLiteral(" DateTimeSubmitted >= 30/11/2026 AND DateTimeSubmitted <= "
                                     "06/12/2026"));
    EXPECT_EQ(found, (QStringList{QStringLiteral("Monday"), QStringLiteral("Sunday")}));
    ExpectUnfiltered();
    dm->WaitForHistorySave(); // the save after the dialog runs on another thread

    SetStartDay(1); // weeks begin on Sunday
    EXPECT_TRUE(Search({}, look));
    EXPECT_EQ(filter, QStringLiteral(" DateTimeSubmitted >= 29/11/2026 AND DateTimeSubmitted <= "
                                     "05/12/2026"));
    EXPECT_EQ(found, (QStringList{QStringLiteral("Sunday before"), QStringLiteral("Monday")}));
    EXPECT_TRUE(dialogs->Informations.isEmpty());
    ExpectUnfiltered();
}

// The search's user picker starts on the timesheet user of the options, not on the user row
// the users dialog last left current; unticking All then searches that user's rows.
TEST_F(HistoryTest, TheSearchStartsOnTheTimesheetUserWhateverUserRowIsCurrent) {
    TRecordSet& users = dm->adsUsers;
    const int ann = AddAnn(*dm);
    ASSERT_NE(ann, 0);
    auto timesheetUser = [this](int user) { SetTimesheetUser(*dm, user); };
    struct TStart {
        int User = -999;
        QString Shown, Filter;
    };
    auto start = [this] {
        TStart seen;
        Search(
            [&seen](TForm_Find_TaskData_Form& search) {
                TFrame_Select_Form* criteria = search.Frame_Select_Form1;
                seen.User = F(criteria->adsSelectDetails, "UserId").AsInteger();
                seen.Shown = criteria->FrameUserGroup->dblucbSelectGroup->DisplayText();
                criteria->FrameUserGroup->cbxAll->click();
                criteria->SetupFilter();
                seen.Filter = criteria->Filter();
                search.btnCancel->click();
            },
            {});
        return seen;
    };

    timesheetUser(ann);
    users.First(); // the guest, as a users dialog left it
    TStart seen = start();
    EXPECT_EQ(seen.User, ann);
    EXPECT_EQ(seen.Shown, QStringLiteral(" Ann Lee"));
    EXPECT_TRUE(seen.Filter.endsWith(QStringLiteral(" AND UserID = %1").arg(ann)))
        << seen.Filter.toStdString();

    timesheetUser(0);
    users.Last(); // Ann
    seen = start();
    EXPECT_EQ(seen.User, 0);
    EXPECT_EQ(seen.Shown, QStringLiteral(" Guest 1"));
    EXPECT_TRUE(seen.Filter.endsWith(QStringLiteral(" AND UserID = 0")))
        << seen.Filter.toStdString();
    EXPECT_EQ(F(users, "UserID").AsInteger(), ann) << "the users table stays on its row";
    ExpectUnfiltered();
}

TEST_F(HistoryTest, OkTakesTheDatesThePickersShowEvenWithoutLeavingThem) {
    // Enter in a picker presses OK without the focus leaving the frame.
    QStringList found;
    Search(
        [](TForm_Find_TaskData_Form& search) {
            search.Frame_Select_Form1->Frame_Date_Form1->EndDateTimePicker->setDate(
                QDate(2026, 12, 7));
        },
        [&](TForm_History_Form& history) {
            found = Visible();
            history.btnCancel->click();
        });
    EXPECT_EQ(found, (QStringList{QStringLiteral("Monday"), QStringLiteral("Sunday"),
                                  QStringLiteral("Monday after")}));
}

TEST_F(HistoryTest, TheHistoryDialogShowsTenColumnsAndTakesTaskDayAndDuration) {
    const std::string before = Rows();
    Search({}, [&](TForm_History_Form& history) {
        EXPECT_EQ(history.windowTitle(), QStringLiteral("Task History"));
        EXPECT_EQ(history.size(), QSize(990, 293));
        EXPECT_TRUE(history.HelpString().isEmpty()) << "Help opens Welcome";
        EXPECT_FALSE(history.aInsert->isEnabled());
        EXPECT_TRUE(history.aDelete->isEnabled());
        TDBGrid* grid = history.dbgMaintain;
        QStringList titles;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(titles.join(QLatin1Char('|')),
                  QStringLiteral("Task Code|Project|Client|Task Description|Creation Date/Time|"
                                 "Active|Completed|Submitted Date|Duration|Invoice Number"));
        // Every column and its whole title show at once.
        int total = 0;
        for (int c = 0; c < 10; ++c) {
            total += grid->columnWidth(c);
            EXPECT_GE(grid->columnWidth(c),
                      grid->fontMetrics().horizontalAdvance(
                          grid->model()->headerData(c, Qt::Horizontal).toString()))
                << c;
        }
        EXPECT_LE(total, grid->viewport()->width());
        const QColor buttonFace = history.palette().color(QPalette::Button);
        const std::set<int> writable = {0, 1, 2, 7, 8};
        for (int c = 0; c < 10; ++c) {
            const QModelIndex cell = grid->model()->index(0, c);
            const bool editable = writable.count(c) > 0;
            EXPECT_EQ(bool(grid->model()->flags(cell) & Qt::ItemIsEditable), editable) << c;
            EXPECT_EQ(cell.data(Qt::BackgroundRole).value<QColor>(),
                      editable ? QColor() : buttonFace)
                << c;
        }
        EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("GEN"));
        EXPECT_EQ(grid->model()->index(0, 8).data().toString(), QStringLiteral("02:00"));

        // Tab through the row: typing into a read-only cell changes nothing; the duration's
        // editor is open as soon as its column is entered.
        EnterCell(history, 0, 3);
        EXPECT_EQ(Editor(grid), nullptr);
        Type(grid, QStringLiteral("x"));
        EXPECT_EQ(Editor(grid), nullptr);
        EXPECT_EQ(dm->adsReporting.State(), TDataSetState::Browse);
        for (int c = 4; c <= 8; ++c) {
            SendKey(Focused(grid), Qt::Key_Tab);
            QApplication::processEvents();
            EXPECT_EQ(grid->currentIndex().column(), c);
            if (c < 7) {
                EXPECT_EQ(Editor(grid), nullptr) << c;
            }
        }
        QLineEdit* editor = Editor(grid);
        ASSERT_NE(editor, nullptr) << "the duration's editor opens on entry";
        EXPECT_EQ(editor->displayText(), QStringLiteral("02:00"));
        SendKey(editor, Qt::Key_Home);
        Type(editor, QStringLiteral("0245"));
        SendKey(editor, Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_EQ(grid->currentIndex().column(), 9);
        EXPECT_EQ(Editor(grid), nullptr) << "Invoice Number is read-only";
        EXPECT_EQ(F(dm->adsReporting, "Duration").Text(), QStringLiteral("02:45"));
        EXPECT_DOUBLE_EQ(F(dm->adsReporting, "Duration").AsFloat(), 2.75 * Hour);

        // Down on the last row appends nothing.
        EnterCell(history, 1, 8);
        SendKey(Focused(grid), Qt::Key_Down);
        QApplication::processEvents();
        EXPECT_EQ(grid->model()->rowCount(), 2);
        EXPECT_NE(dm->adsReporting.State(), TDataSetState::Insert);
        history.btnCancel->click();
    });
    EXPECT_EQ(Rows(), before) << "Cancel puts the typed duration back";
    ExpectUnfiltered();
}

namespace {
// Rows that were authorised or invoiced keep their durations whatever is typed over them,
// and the refusal is shown; typing into a row that may be amended changes that row only.
class HistoryAmendTest : public HistoryTest {
protected:
    void SetUp() override {
        HistoryTest::SetUp();
        // Rows 1 and 3 may be amended; row 2 was authorised, row 4 invoiced.
        TRecordSet& h = dm->adsReporting;
        h.SetRecNo(2);
        h.Edit();
        F(h, "AuthUserId").SetAsInteger(1);
        h.Post();
        h.SetRecNo(4);
        h.Edit();
        F(h, "InvoiceNumber").SetAsInteger(7);
        h.Post();
        h.CommitUpdates();
        h.First();
        TDataControls::OnError = [this](const Exception& e) { dialogs->ShowError(e.Message()); };
    }
    void TearDown() override {
        TDataControls::OnError = nullptr;
        HistoryTest::TearDown();
    }

    // Opens the history dialog over every row and hands it to act, then presses OK.
    void InHistory(const std::function<void(TForm_History_Form&)>& act) {
        const bool opened = Search(
            [](TForm_Find_TaskData_Form& search) {
                TFrame_Date_Form* dates = search.Frame_Select_Form1->Frame_Date_Form1;
                dates->SetStartDate(Day(2026, 11, 1));
                dates->SetEndDate(Day(2026, 12, 31));
            },
            [&](TForm_History_Form& history) {
                history.activateWindow();
                for (int i = 0; i < 50 && !history.isActiveWindow(); ++i)
                    QApplication::processEvents();
                act(history);
                QApplication::processEvents();
                history.btnOk->click();
                if (history.isVisible()) history.btnCancel->click();
            });
        ASSERT_TRUE(opened);
    }

    // Clicks a cell of the grid as the user does.
    static void Click(TDBGrid* grid, int row, int column) {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
    }
    static void Press(TDBGrid* grid, Qt::Key key) {
        QTest::keyClick(Focused(grid), key);
        QApplication::processEvents();
    }
    // Each key goes where the focus is at the time, as typing does.
    static void TypeText(TDBGrid* grid, const char* text) {
        for (const char* c = text; *c; ++c) {
            QTest::keyClick(Focused(grid), *c);
            QApplication::processEvents();
        }
    }

    std::string Shown() const { return dialogs->Errors.join(QLatin1Char('|')).toStdString(); }

    static constexpr int DurationColumn = 8;
    const std::string Unchanged = "Sunday before=60|Monday=120|Sunday=180|Monday after=240";
    const QString Authorised =
        QStringLiteral("Unable to amend duration because the task has already authorised");
    const QString Invoiced =
        QStringLiteral("Unable to amend duration because the task has already been invoiced");
};
} // namespace

TEST_F(HistoryAmendTest, TypingOverAnAuthorisedDurationChangesNoRowAndSaysWhy) {
    // Down from a row that may be amended into the authorised one, then type and leave.
    InHistory([&](TForm_History_Form& history) {
        TDBGrid* grid = history.dbgMaintain;
        Click(grid, 0, DurationColumn);
        Press(grid, Qt::Key_Down);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        EXPECT_EQ(Editor(grid), nullptr) << "no editor on an authorised row";
        TypeText(grid, "2000");
        EXPECT_EQ(grid->model()->index(1, DurationColumn).data().toString(),
                  QStringLiteral("02:00"));
        Press(grid, Qt::Key_Down);
        Press(grid, Qt::Key_Up);
    });
    EXPECT_EQ(Rows(), Unchanged);
    EXPECT_TRUE(dialogs->Errors.contains(Authorised)) << Shown();
}

TEST_F(HistoryAmendTest, TypingOverAClickedAuthorisedOrInvoicedDurationChangesNoRow) {
    InHistory([&](TForm_History_Form& history) {
        TDBGrid* grid = history.dbgMaintain;
        Click(grid, 0, DurationColumn);
        Click(grid, 1, DurationColumn);
        TypeText(grid, "2000");
        Press(grid, Qt::Key_Tab);
        Click(grid, 3, DurationColumn);
        TypeText(grid, "1500");
        Click(grid, 2, DurationColumn);
    });
    EXPECT_EQ(Rows(), Unchanged);
    EXPECT_TRUE(dialogs->Errors.contains(Authorised)) << Shown();
    EXPECT_TRUE(dialogs->Errors.contains(Invoiced)) << Shown();
}

TEST_F(HistoryAmendTest, TypingIntoADurationThatMayBeAmendedChangesThatRowOnly) {
    InHistory([&](TForm_History_Form& history) {
        TDBGrid* grid = history.dbgMaintain;
        // Up from the authorised row into the first one.
        Click(grid, 1, DurationColumn);
        Press(grid, Qt::Key_Up);
        TypeText(grid, "0130");
        Press(grid, Qt::Key_Down);
        // Down past the authorised row into the third one.
        Press(grid, Qt::Key_Down);
        TypeText(grid, "0745");
        Press(grid, Qt::Key_Up);
    });
    EXPECT_EQ(Rows(), "Sunday before=90|Monday=120|Sunday=465|Monday after=240");
    EXPECT_TRUE(dialogs->Errors.isEmpty()) << Shown();
}

TEST_F(HistoryAmendTest, ADurationTakesTheFormsADayCellTakesAndARefusedOneSaysWhy) {
    QString refusedText;
    InHistory([&](TForm_History_Form& history) {
        TDBGrid* grid = history.dbgMaintain;
        // A click into the cell selects its text: what is typed replaces it.
        Click(grid, 0, DurationColumn);
        ASSERT_NE(Editor(grid), nullptr);
        EXPECT_EQ(Editor(grid)->selectedText(), QStringLiteral("01:00"));
        TypeText(grid, "1.5");
        // 99:99 is refused: the editor opens again with it, the row keeps its duration.
        Click(grid, 2, DurationColumn);
        TypeText(grid, "99:99");
        Press(grid, Qt::Key_Tab);
        QApplication::processEvents();
        ASSERT_NE(Editor(grid), nullptr);
        refusedText = Editor(grid)->displayText();
        EXPECT_EQ(F(dm->adsReporting, "Duration").AsFloat(), 3 * Hour);
        // Corrected, it is taken; a colon after one digit moves to the minutes.
        QTest::keyClick(Editor(grid), Qt::Key_A, Qt::ControlModifier);
        TypeText(grid, "1:05");
        Press(grid, Qt::Key_Tab);
    });
    EXPECT_EQ(Rows(), "Sunday before=90|Monday=120|Sunday=65|Monday after=240");
    EXPECT_EQ(refusedText, QStringLiteral("99:99"));
    EXPECT_EQ(dialogs->Errors,
              QStringList{QStringLiteral(
                  "'99:99' is not a valid time for Duration: the minutes go up to 59.")})
        << Shown();
}

TEST_F(HistoryTest, CancelRestoresEveryDurationOkKeepsThemAndTheNextSaveWritesThem) {
    const std::string before = Rows();
    auto amend = [this](TForm_History_Form&) {
        TRecordSet& h = dm->adsReporting;
        for (h.First(); !h.Eof(); h.Next()) {
            h.Edit();
            F(h, "Duration").SetText(QStringLiteral("05:15"));
        }
    };
    Search({}, [&](TForm_History_Form& history) {
        amend(history);
        history.btnCancel->click();
    });
    EXPECT_EQ(Rows(), before);
    ExpectUnfiltered();

    // Closed from the title bar: "No" discards too.
    dialogs->YesNoCancelAnswers = {TDialogAnswer::No};
    Search({}, [&](TForm_History_Form& history) {
        amend(history);
        QCloseEvent close;
        QApplication::sendEvent(&history, &close);
    });
    EXPECT_EQ(Rows(), before);
    ExpectUnfiltered();

    Search({}, [&](TForm_History_Form& history) {
        amend(history);
        history.btnOk->click();
    });
    const std::string kept = "Sunday before=60|Monday=315|Sunday=315|Monday after=240";
    EXPECT_EQ(Rows(), kept);
    ExpectUnfiltered();

    dm->SaveData();
    StartPortable();
    EXPECT_EQ(Rows(), kept) << "written by the save and read back";
}

TEST_F(HistoryTest, AnErrorWhileSearchingStillLeavesTheHistoryUnfiltered) {
    // An information box that fails: the error escapes the search half-way.
    class TFailingDialogs : public TScriptedDialogService {
    public:
        void ShowInformation(const QString&) override {
            throw Exception(QStringLiteral("no display"));
        }
    };
    auto previous = TDialogService::SetInstance(std::make_unique<TFailingDialogs>());
    QStringList errors;
    TDataControls::OnError = [&errors](const Exception& e) { errors << e.Message(); };
    bool stayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* search = qobject_cast<TForm_Find_TaskData_Form*>(QApplication::activeModalWidget());
        ASSERT_NE(search, nullptr);
        search->Frame_Select_Form1->Frame_Date_Form1->SetStartDate(Day(2026, 10, 1));
        search->Frame_Select_Form1->Frame_Date_Form1->SetEndDate(Day(2026, 10, 2));
        search->btnOk->click();
        stayedOpen = search->isVisible();
        search->btnCancel->click();
    });
    aHistoryExecute(*dm, nullptr);
    TDataControls::OnError = nullptr;
    TDialogService::SetInstance(std::move(previous));
    EXPECT_EQ(errors, QStringList{QStringLiteral("no display")});
    EXPECT_TRUE(stayedOpen);
    ExpectUnfiltered();
}

TEST_F(HistoryTest, Screenshots) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR is not set";
    auto shoot = [&dir](QWidget& window, const char* name) {
        window.activateWindow();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        EXPECT_TRUE(window.grab().save(QDir(dir).filePath(QLatin1String(name))));
    };
    Search(
        [&](TForm_Find_TaskData_Form& search) {
            shoot(search, "Form_Find_TaskData_Form.png");
            TFrame_Date_Form* dates = search.Frame_Select_Form1->Frame_Date_Form1;
            dates->SetStartDate(Day(2026, 11, 1));
            dates->SetEndDate(Day(2026, 12, 31));
        },
        [&](TForm_History_Form& history) {
            EnterCell(history, 1, 8);
            shoot(history, "Form_History_Form.png");
            history.btnCancel->click();
        });
}
