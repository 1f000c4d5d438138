// Journeys through the editors of the master-data dialogs: notes typed over two lines in the
// notes box, which stays inside the dialog; a completion date typed into an empty date cell,
// or the one its editor shows stored by Enter;
// a column made wider by dragging its title's edge, kept when the dialog is cancelled and
// after a restart; and every column title shown whole.

#include "MaintainDialogJourney.h"

#include "Components/DataControls/TDateEdit.h"
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>

using namespace Journey;

namespace {
void AddAClient(TdmTasks_Form& dm) {
    dm.adsClients.Append();
    dm.adsClients.FieldByName(QStringLiteral("ClientId")).SetAsInteger(1);
    dm.adsClients.FieldByName(QStringLiteral("ClientName")).SetAsString(QStringLiteral("Acme"));
    dm.adsClients.FieldByName(QStringLiteral("BillingTypeNumber")).SetAsInteger(1);
    dm.adsClients.FieldByName(QStringLiteral("ClientTypeNumber")).SetAsInteger(1);
    dm.adsClients.Post();
}

// The notes box lies wholly inside the grid's visible area, and so inside the dialog.
bool NotesBoxInside(const char* window) {
    QPlainTextEdit* box = CellEditor<QPlainTextEdit>(window);
    TDBGrid* grid = GridOf(window);
    return box && grid && box->isVisible() && !box->isWindow() &&
           grid->viewport()->rect().contains(box->geometry());
}
} // namespace

class MasterDataJourney : public JourneyTest {
protected:
    // Reads what the tables hold in a program started again on the same folder.
    QStringList AfterRestart(const std::function<QStringList()>& read) {
        QStringList seen;
        TScript script;
        WaitForReviewWindow(script);
        script.Do(QStringLiteral("read what was kept"), [&] {
            seen = read();
            return true;
        });
        ExitByMenu(script);
        RunProgram(script);
        return seen;
    }
};

// Notes over two lines: Ctrl+Enter starts the second line and Enter finishes; a click on
// another cell finishes the notes of the second client. OK keeps both, also after a restart.
TEST_F(MasterDataJourney, NotesTakeLineBreaksAndEnterOrAClickElsewhereStoresThem) {
    SetUpStore(AddAClient);
    const char* window = ClientsDialog.Window;
    bool insideEachTime = true;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ClientsDialog);
    // Rows in name order: Acme, Internal.
    script.Do(QStringLiteral("click Acme's notes"),
              [window] { return ClickGridCell(window, 0, "Notes"); });
    script.Then(QStringLiteral("the notes box open inside the dialog"), [window, &insideEachTime] {
        if (!CellEditor<QPlainTextEdit>(window)) return false;
        insideEachTime = insideEachTime && NotesBoxInside(window);
        return true;
    });
    script.Do(QStringLiteral("type two lines with Ctrl+Enter between them, then Enter"), [] {
        return Type(QStringLiteral("First line")) && Press(Qt::Key_Return, Qt::ControlModifier) &&
               Type(QStringLiteral("Second line")) && Press(Qt::Key_Return);
    });
    script.Then(QStringLiteral("the notes box closed, the cell holding both lines"), [window] {
        TDBGrid* grid = GridOf(window);
        return grid && !CellEditor<QPlainTextEdit>(window) &&
               grid->model()->index(0, ColumnOf(grid, "Notes")).data(Qt::EditRole).toString() ==
                   QStringLiteral("First line\nSecond line");
    });
    script.Do(QStringLiteral("click Internal's notes"),
              [window] { return ClickGridCell(window, 1, "Notes"); });
    script.Then(QStringLiteral("its notes box open inside the dialog"), [window, &insideEachTime] {
        if (!CellEditor<QPlainTextEdit>(window) || !GridHasKeyboardAt(window, 1, "Notes"))
            return false;
        insideEachTime = insideEachTime && NotesBoxInside(window);
        return true;
    });
    script.Do(QStringLiteral("type a note and click Acme's name"), [window] {
        return Type(QStringLiteral("Own work")) && ClickGridCell(window, 0, "ClientName");
    });
    script.Then(QStringLiteral("Acme's name has the keyboard"),
                [window] { return GridHasKeyboardAt(window, 0, "ClientName"); });
    script.Do(QStringLiteral("click OK"), [window] { return ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(insideEachTime) << "the notes box lies inside the grid";

    const QStringList notes = AfterRestart([] { return StoredColumn(ClientsDialog, "Notes"); });
    EXPECT_EQ(notes,
              (QStringList{QStringLiteral("First line\nSecond line"), QStringLiteral("Own work")}));
}

namespace {
void AddAProject(TdmTasks_Form& dm) {
    dm.adsProjects.Append();
    dm.adsProjects.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(1);
    dm.adsProjects.FieldByName(QStringLiteral("ProjectName")).SetAsString(QStringLiteral("Build"));
    dm.adsProjects.FieldByName(QStringLiteral("DailyRate")).SetAsFloat(0);
    dm.adsProjects.FieldByName(QStringLiteral("TotalCost")).SetAsFloat(0);
    dm.adsProjects.FieldByName(QStringLiteral("CompletionDate")).SetAsDateTime(0);
    dm.adsProjects.Post();
}
} // namespace

// Neither project has a completion date. Into the first one's a date is typed and Enter
// pressed; in the second one's Enter alone stores the date the editor shows. OK keeps both.
TEST_F(MasterDataJourney, AnEmptyCompletionDateTakesADateTypedOrTheOneShown) {
    SetUpStore(AddAProject);
    const char* window = ProjectsDialog.Window;
    QStringList cellsBefore, shown;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ProjectsDialog);
    // Rows in name order: Build, None.
    for (int row : {0, 1}) {
        script.Do(QStringLiteral("click the completion date of row %1").arg(row),
                  [window, row] { return ClickGridCell(window, row, "CompletionDate"); });
        script.Then(QStringLiteral("the date editor open on row %1").arg(row), [window, row,
                                                                                &cellsBefore,
                                                                                &shown] {
            TDateEdit* picker = CellEditor<TDateEdit>(window);
            TDBGrid* grid = GridOf(window);
            if (!picker || !GridHasKeyboardAt(window, row, "CompletionDate")) return false;
            cellsBefore
                << grid->model()->index(row, ColumnOf(grid, "CompletionDate")).data().toString();
            shown << picker->text().trimmed();
            return true;
        });
        if (row == 0)
            script.Do(QStringLiteral("type 24/12/2026 and Enter"),
                      [] { return Type(QStringLiteral("24/12/2026")) && Press(Qt::Key_Return); });
        else
            script.Do(QStringLiteral("press Enter"), [] { return Press(Qt::Key_Return); });
        const QString date = row == 0 ? QStringLiteral("24/12/2026") : QStringLiteral("09/12/2026");
        script.Then(QStringLiteral("the cell shows %1").arg(date), [window, row, date] {
            TDBGrid* grid = GridOf(window);
            return grid &&
                   grid->model()->index(row, ColumnOf(grid, "CompletionDate")).data().toString() ==
                       date;
        });
    }
    script.Do(QStringLiteral("click OK"), [window] { return ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(cellsBefore, (QStringList{QString(), QString()})) << "no date shown in the grid";
    for (const QString& text : shown)
        EXPECT_TRUE(text.isEmpty() || text == QLatin1String("09/12/2026"))
            << "the editor shows an empty box or today's date: " << text.toStdString();

    const QStringList dates = AfterRestart([] {
        QStringList texts;
        TRecordSet& projects = TableOf(ProjectsDialog);
        for (int recNo = 1; recNo <= projects.RecordCount(); ++recNo)
            projects.WithRecord(recNo, [&] {
                texts << DayNumberToDate(
                             projects.FieldByName(QStringLiteral("CompletionDate")).AsDateTime())
                             .toString(Qt::ISODate);
            });
        return texts;
    });
    EXPECT_EQ(dates, (QStringList{QStringLiteral("2026-12-24"), QStringLiteral("2026-12-09")}));
}

namespace {
// Drags the right edge of a column's title with the mouse by dx pixels.
bool DragTitleEdge(const char* window, const char* field, int dx) {
    TDBGrid* grid = GridOf(window);
    const int column = grid ? ColumnOf(grid, field) : -1;
    if (column < 0) return false;
    QHeaderView* header = grid->horizontalHeader();
    const int edge = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
    const QPoint from(edge, header->height() / 2);
    const QPoint to = from + QPoint(dx, 0);
    QWidget* target = header->viewport();
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(target, from + QPoint(dx * step / 4, 0));
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, to);
    return true;
}

int WidthOf(const char* window, const char* field) {
    TDBGrid* grid = GridOf(window);
    const int column = grid ? ColumnOf(grid, field) : -1;
    return column < 0 ? -1 : grid->columnWidth(column);
}
} // namespace

// The client name column dragged 60 pixels wider, then Cancel: the next time the dialog opens,
// and after a restart, the column is as wide as it was left. Escape keeps it likewise.
TEST_F(MasterDataJourney, AColumnDraggedWiderKeepsItsWidthAfterCancelEscapeAndARestart) {
    SetUpStore();
    const char* window = ClientsDialog.Window;
    int before = -1, dragged = -1, reopened = -1, afterEscape = -1, restarted = -1;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ClientsDialog);
    script.Do(QStringLiteral("drag the edge of Client Name 60 pixels to the right"), [&] {
        before = WidthOf(window, "ClientName");
        return DragTitleEdge(window, "ClientName", 60);
    });
    script.Then(
        QStringLiteral("the column wider, to click Cancel"),
        [&] {
            dragged = WidthOf(window, "ClientName");
            return dragged > before;
        },
        [window] { return ClickButton(window, "btnCancel"); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    OpenMaintained(script, ClientsDialog);
    script.Do(QStringLiteral("read the width, drag it 30 pixels wider and press Escape"), [&] {
        reopened = WidthOf(window, "ClientName");
        return DragTitleEdge(window, "ClientName", 30) && Press(Qt::Key_Escape);
    });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    OpenMaintained(script, ClientsDialog);
    script.Do(QStringLiteral("read the width and press Escape"), [&] {
        afterEscape = WidthOf(window, "ClientName");
        return Press(Qt::Key_Escape);
    });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_GE(dragged, before + 50) << "the drag widened the column";
    EXPECT_EQ(reopened, dragged) << "kept after Cancel";
    EXPECT_GE(afterEscape, reopened + 20) << "kept after Escape";

    TScript again;
    WaitForReviewWindow(again);
    OpenMaintained(again, ClientsDialog);
    again.Do(QStringLiteral("read the width and press Escape"), [&] {
        restarted = WidthOf(window, "ClientName");
        return Press(Qt::Key_Escape);
    });
    again.Then(QStringLiteral("the dialog closed"),
               [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_EQ(restarted, afterEscape) << "kept after a restart";
}

// Every shown column of the four dialogs is at least as wide as its title in the header's font
// with the style's margins on both sides.
TEST_F(MasterDataJourney, EveryColumnTitleFitsItsColumn) {
    SetUpStore();
    QStringList cut, seen;
    TScript script;
    WaitForReviewWindow(script);
    for (const TMaintainedTable* dialog :
         {&UsersDialog, &ClientsDialog, &ProjectsDialog, &TasksDialog}) {
        const char* window = dialog->Window;
        OpenMaintained(script, *dialog);
        script.Do(QStringLiteral("measure the titles of %1").arg(QLatin1String(window)), [window,
                                                                                          &cut,
                                                                                          &seen] {
            TDBGrid* grid = GridOf(window);
            if (!grid) return false;
            QHeaderView* header = grid->horizontalHeader();
            const QFontMetrics metrics(header->font());
            const int margins =
                2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int column = 0; column < header->count(); ++column) {
                if (header->isSectionHidden(column)) continue;
                const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
                seen << title;
                if (metrics.horizontalAdvance(title) + margins > header->sectionSize(column))
                    cut << QStringLiteral("%1 (%2 in %3)")
                               .arg(title)
                               .arg(metrics.horizontalAdvance(title) + margins)
                               .arg(header->sectionSize(column));
            }
            return Press(Qt::Key_Escape);
        });
        script.Then(QStringLiteral("the dialog closed"),
                    [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    }
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(seen.contains(QStringLiteral("Contact First Name")));
    EXPECT_TRUE(seen.contains(QStringLiteral("Completion Date")));
    EXPECT_EQ(cut, QStringList());
}
