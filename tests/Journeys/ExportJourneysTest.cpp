// Journeys through a grid's Export: the grid's pop-up menu opened with the right mouse button,
// the real save dialog filled in with the keyboard and its type box, the file written in the
// type chosen, and the next export starting where the last one went, also after a restart.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QWindow>
#include <QXmlStreamReader>

using namespace Journey;

namespace {
const char* const ClientsWindow = "Form_Clients_Form";

QDialog* ClientsInFront() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(ClientsWindow) &&
                   QApplication::activeWindow() == dialog && !QApplication::activePopupWidget()
               ? dialog
               : nullptr;
}

TDBGrid* ClientsGrid() {
    QDialog* dialog = ClientsInFront();
    return dialog ? dialog->findChild<TDBGrid*>(QStringLiteral("dbgMaintain")) : nullptr;
}

QFileDialog* SaveDialog() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() && !QApplication::activePopupWidget() ? dialog : nullptr;
}

QComboBox* TypeBox(QFileDialog* dialog) {
    return dialog ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
}

QLineEdit* NameBox(QFileDialog* dialog) {
    return dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
}

// The right mouse button on the first row's first cell, pressed and released on the window
// as the desktop delivers it, so the toolkit makes the context-menu request itself.
bool RightClickFirstCell() {
    TDBGrid* grid = ClientsGrid();
    if (!grid || grid->model()->rowCount() == 0) return false;
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QWidget* window = grid->window();
    if (!window->windowHandle()) return false;
    const QPoint at = grid->viewport()->mapTo(window, cell.center());
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    return true;
}

// A click on the type box; in the list it drops, Home, Down to the type and Return.
void ChooseType(TScript& script, int type) {
    script.Do(QStringLiteral("click the type box"), [] {
        QComboBox* types = TypeBox(SaveDialog());
        if (!types || !types->isVisible()) return false;
        QTest::mouseClick(types, Qt::LeftButton, Qt::NoModifier, types->rect().center());
        return true;
    });
    script.Then(
        QStringLiteral("the list of types dropped, to choose type %1").arg(type),
        [] { return qobject_cast<QListView*>(QApplication::focusWidget()) != nullptr; },
        [type] {
            QWidget* list = QApplication::focusWidget();
            QTest::keyClick(list, Qt::Key_Home);
            for (int i = 1; i < type; ++i)
                QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            return true;
        });
    script.Then(QStringLiteral("type %1 shown in the type box").arg(type), [type] {
        QComboBox* types = TypeBox(SaveDialog());
        return types && types->currentIndex() == type - 1;
    });
}

// Right-click, Export in the pop-up menu, and the save dialog in front.
void OpenExport(TScript& script) {
    script.Then(
        QStringLiteral("the Clients dialog, to right-click a client"),
        [] { return ClientsGrid() != nullptr; }, RightClickFirstCell);
    script.Then(
        QStringLiteral("the grid's menu, to choose Export"), [] { return OpenMenu() != nullptr; },
        [] { return ChooseInOpenMenu(QStringLiteral("Export")); });
    script.Then(QStringLiteral("the save dialog"), [] { return SaveDialog() != nullptr; });
}

struct TDialogSeen {
    QString Folder;
    int Type = 0;
    QString Name;
};

void ReadDialog(TScript& script, TDialogSeen& seen) {
    script.Do(QStringLiteral("read where the save dialog starts"), [&seen] {
        QFileDialog* dialog = SaveDialog();
        if (!dialog) return false;
        seen.Folder = dialog->directory().absolutePath();
        seen.Type = TypeBox(dialog) ? TypeBox(dialog)->currentIndex() + 1 : 0;
        seen.Name = NameBox(dialog) ? NameBox(dialog)->text() : QString();
        return true;
    });
}

// Ctrl+A in the name box and the name typed over what it holds, then Return.
void SaveAs(TScript& script, const QString& name) {
    script.Do(QStringLiteral("type the name %1 and press Return").arg(name), [name] {
        QLineEdit* edit = NameBox(SaveDialog());
        if (!edit) return false;
        edit->setFocus(Qt::MouseFocusReason); // a click into the name box
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    });
    script.Then(QStringLiteral("the save dialog gone"),
                [] { return SaveDialog() == nullptr && ClientsInFront() != nullptr; });
}

void OpenClients(TScript& script) {
    ChooseMenu(script, QStringLiteral("&Maintain"), QStringLiteral("Clients"));
    script.Then(QStringLiteral("the Clients dialog"), [] { return ClientsGrid() != nullptr; });
}

void CloseClients(TScript& script) {
    script.Do(QStringLiteral("Escape closes the Clients dialog"),
              [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the Clients dialog closed"), ReviewWaitsForTheUser);
}

QByteArray Contents(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The cells of a CSV file as a spreadsheet reads them (RFC 4180: quoted cells, doubled
// quotes, CR LF between records).
std::vector<QStringList> ParseCsv(QString text) {
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    std::vector<QStringList> records(1);
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('"')) {
                cell += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            records.back() << cell;
            cell.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                   text.at(i + 1) == QLatin1Char('\n')) {
            records.back() << cell;
            cell.clear();
            records.emplace_back();
            ++i;
        } else {
            cell += c;
        }
    }
    if (!cell.isEmpty() || !records.back().isEmpty()) records.back() << cell;
    if (records.back().isEmpty()) records.pop_back();
    return records;
}

bool XmlParses(const QByteArray& data, const QString& element) {
    QXmlStreamReader xml(data);
    bool found = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name().compare(element, Qt::CaseInsensitive) == 0)
            found = true;
    }
    return !xml.hasError() && found;
}

// A client whose name a spreadsheet would run as a formula, and one beside it.
void AddClients(TdmTasks_Form& dm) {
    int id = 100;
    for (const QString& name : {QStringLiteral("=SUM(1,2)"), QStringLiteral("Acme")}) {
        dm.adsClients.Append();
        dm.adsClients.FieldByName(QStringLiteral("ClientId")).SetAsInteger(++id);
        dm.adsClients.FieldByName(QStringLiteral("ClientName")).SetAsString(name);
        dm.adsClients.FieldByName(QStringLiteral("BillingTypeNumber")).SetAsInteger(1);
        dm.adsClients.FieldByName(QStringLiteral("ClientTypeNumber")).SetAsInteger(1);
        dm.adsClients.Post();
    }
}
} // namespace

TEST_F(JourneyTest, EveryExportTypeChosenInTheRealSaveDialogWritesItsFile) {
    SetUpStore(AddClients);
    const QString folder = Install.WorkDir() + QStringLiteral("/Exports");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList extensions = {QStringLiteral("htm"), QStringLiteral("csv"),
                                    QStringLiteral("doc"), QStringLiteral("xls"),
                                    QStringLiteral("xml")};
    std::vector<TDialogSeen> opened(6);
    QString nameAfterTypeChange;
    TScript script;
    WaitForReviewWindow(script);
    OpenClients(script);
    for (int type = 1; type <= 5; ++type) {
        OpenExport(script);
        ReadDialog(script, opened[size_t(type)]);
        if (type == 2) {
            // A name typed first keeps its stem and takes the extension of the type chosen.
            script.Do(QStringLiteral("type a name with the HTML extension"), [folder] {
                QLineEdit* edit = NameBox(SaveDialog());
                if (!edit) return false;
                edit->setFocus(Qt::MouseFocusReason); // a click into the name box
                QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
                // The dialog is in the folder of the last export: the bare name will do.
                QTest::keyClicks(edit, QStringLiteral("typed.htm"));
                return true;
            });
            ChooseType(script, type);
            script.Do(QStringLiteral("read the name after the type changed"), [&] {
                nameAfterTypeChange = NameBox(SaveDialog())->text();
                return true;
            });
        } else {
            ChooseType(script, type);
        }
        // No extension typed: the file gets the type's.
        SaveAs(script, folder + QStringLiteral("/clients%1").arg(type));
    }
    CloseClients(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    EXPECT_EQ(nameAfterTypeChange, QStringLiteral("typed.csv"));
    for (int type = 1; type <= 5; ++type) {
        const QString name =
            folder + QStringLiteral("/clients%1.%2").arg(type).arg(extensions.at(type - 1));
        EXPECT_TRUE(QFile::exists(name)) << name.toStdString();
    }
    for (int type = 2; type <= 5; ++type) {
        EXPECT_EQ(opened[size_t(type)].Folder, folder) << "the last folder, export " << type;
        EXPECT_EQ(opened[size_t(type)].Type, type - 1) << "the last type, export " << type;
    }

    const QString base = folder + QStringLiteral("/clients");
    EXPECT_TRUE(XmlParses(Contents(base + QStringLiteral("1.htm")), QStringLiteral("table")) ||
                Contents(base + QStringLiteral("1.htm")).toLower().contains("<table"));
    EXPECT_TRUE(Contents(base + QStringLiteral("1.htm")).contains("Acme"))
        << Contents(base + QStringLiteral("1.htm")).toStdString();

    const std::vector<QStringList> csv =
        ParseCsv(QString::fromUtf8(Contents(base + QStringLiteral("2.csv"))));
    ASSERT_GE(csv.size(), 3u);
    bool guarded = false, plain = false;
    for (const QStringList& record : csv) {
        guarded |= record.contains(QStringLiteral("'=SUM(1,2)"));
        plain |= record.contains(QStringLiteral("Acme"));
        for (const QString& cell : record)
            EXPECT_FALSE(cell.startsWith(QLatin1Char('='))) << cell.toStdString();
    }
    EXPECT_TRUE(guarded) << "the formula-like name is written with an apostrophe in front: "
                         << Contents(base + QStringLiteral("2.csv")).toStdString();
    EXPECT_TRUE(plain);

    EXPECT_TRUE(Contents(base + QStringLiteral("3.doc")).startsWith("{\\rtf"));
    EXPECT_TRUE(Contents(base + QStringLiteral("4.xls")).startsWith("PK")) << "a zip workbook";
    EXPECT_TRUE(XmlParses(Contents(base + QStringLiteral("5.xml")), QStringLiteral("ROWDATA")));
}

TEST_F(JourneyTest, TheNextExportStartsWhereTheLastWentAfterARestart) {
    SetUpStore(AddClients);
    const QString folder = Install.WorkDir() + QStringLiteral("/Exports");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        TScript script;
        WaitForReviewWindow(script);
        OpenClients(script);
        OpenExport(script);
        ChooseType(script, 4);
        SaveAs(script, folder + QStringLiteral("/book"));
        CloseClients(script);
        ExitByMenu(script);
        EXPECT_EQ(RunProgram(script), 0);
    }
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/book.xls")));

    TDialogSeen seen;
    TScript script;
    WaitForReviewWindow(script);
    OpenClients(script);
    OpenExport(script);
    ReadDialog(script, seen);
    script.Do(QStringLiteral("Escape cancels the save dialog"), [] {
        QTest::keyClick(SaveDialog(), Qt::Key_Escape);
        return true;
    });
    script.Then(QStringLiteral("the Clients dialog again"),
                [] { return ClientsGrid() != nullptr; });
    CloseClients(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(seen.Folder, folder);
    EXPECT_EQ(seen.Type, 4);
    EXPECT_EQ(seen.Name, QStringLiteral("book.xls"));
}
