// The maintenance dialog base: the keyboard starts in its grid, and the column widths the user
// left are stored however the dialog is closed (OK, Cancel, Escape, or the close question
// answered Yes or No), although Cancel and No put the table back.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"
#include "BaseUnits/XEP_FormPlacement.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class TNamesDialog : public TBaseFormXEP_MaintainDialogForm {
public:
    explicit TNamesDialog(TRecordSet& table) {
        setObjectName(QStringLiteral("Form_Names_Form"));
        dsMaintain->SetDataSet(&table);
        TDBGridColumn name;
        name.FieldName = QStringLiteral("Name");
        name.Title = QStringLiteral("Name");
        name.Width = 90;
        TDBGridColumn town;
        town.FieldName = QStringLiteral("Town");
        town.Title = QStringLiteral("Town");
        town.Width = 80;
        dbgMaintain->SetColumns({name, town});
        FormCreate();
    }
};

enum class TLeave { Ok, Cancel, Escape, AnsweredYes, AnsweredNo };

class MaintainDialogBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        const QString registry = FTemp.path() + QStringLiteral("/registry.ini");
        SetFormPlacementConfig({TInstallType::itPortable, FTemp.path() + QStringLiteral("/"),
                                QStringLiteral("Tivrel"), [registry](const QString&) {
                                    return std::make_unique<QSettings>(registry,
                                                                       QSettings::IniFormat);
                                }});
        Table.AddField(QStringLiteral("Name"), TFieldType::String, 20);
        Table.AddField(QStringLiteral("Town"), TFieldType::String, 20);
        Table.CreateDataSet();
        for (const char* name : {"Ann", "Bea"}) {
            Table.Append();
            Table.FieldByName(QStringLiteral("Name")).SetAsString(QLatin1String(name));
            Table.Post();
        }
        Table.CommitUpdates();
    }
    void TearDown() override { ClearFormPlacementConfig(); }

    static void Show(TNamesDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        for (int i = 0; i < 50 && !dialog.isActiveWindow(); ++i)
            QApplication::processEvents();
        QApplication::processEvents();
    }

    TRecordSet Table;
    TScopedDialogService Dialogs;

private:
    QTemporaryDir FTemp;
};

class MaintainDialogLayoutTest : public MaintainDialogBaseTest,
                                 public ::testing::WithParamInterface<TLeave> {};
} // namespace

TEST_P(MaintainDialogLayoutTest, TheWidthsLeftAreStoredWhicheverWayTheDialogCloses) {
    const TLeave leave = GetParam();
    {
        TNamesDialog dialog(Table);
        Show(dialog);
        dialog.dbgMaintain->horizontalHeader()->resizeSection(0, 151); // as a drag leaves it
        // A change that Cancel and No undo: the table is read again under the grid.
        Table.First();
        Table.Edit();
        Table.FieldByName(QStringLiteral("Name")).SetAsString(QStringLiteral("Cy"));
        Table.Post();
        ASSERT_EQ(dialog.dbgMaintain->columnWidth(0), 151);
        switch (leave) {
        case TLeave::Ok:
            dialog.btnOk->click();
            break;
        case TLeave::Cancel:
            dialog.btnCancel->click();
            break;
        case TLeave::Escape: {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(focus, &press);
            break;
        }
        case TLeave::AnsweredYes:
        case TLeave::AnsweredNo:
            Dialogs->YesNoCancelAnswers = {leave == TLeave::AnsweredYes ? TDialogAnswer::Yes
                                                                        : TDialogAnswer::No};
            dialog.close(); // as the title bar's close button does
            break;
        }
        QApplication::processEvents();
        ASSERT_FALSE(dialog.isVisible());
    }
    const bool kept = leave == TLeave::Ok || leave == TLeave::AnsweredYes;
    Table.First();
    EXPECT_EQ(Table.FieldByName(QStringLiteral("Name")).AsString(),
              kept ? QStringLiteral("Cy") : QStringLiteral("Ann"));

    TNamesDialog again(Table);
    Show(again);
    EXPECT_EQ(again.dbgMaintain->columnWidth(0), 151);
    EXPECT_EQ(again.dbgMaintain->columnWidth(1), 80) << "an unchanged column keeps its width";
    again.btnCancel->click();
}

INSTANTIATE_TEST_SUITE_P(Leave, MaintainDialogLayoutTest,
                         ::testing::Values(TLeave::Ok, TLeave::Cancel, TLeave::Escape,
                                           TLeave::AnsweredYes, TLeave::AnsweredNo),
                         [](const ::testing::TestParamInfo<TLeave>& info) {
                             switch (info.param) {
                             case TLeave::Ok:
                                 return "Ok";
                             case TLeave::Cancel:
                                 return "Cancel";
                             case TLeave::Escape:
                                 return "Escape";
                             case TLeave::AnsweredYes:
                                 return "AnsweredYes";
                             case TLeave::AnsweredNo:
                                 break;
                             }
                             return "AnsweredNo";
                         });

TEST_F(MaintainDialogBaseTest, TheKeyboardStartsInTheGrid) {
    TNamesDialog dialog(Table);
    Show(dialog);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == dialog.dbgMaintain || dialog.dbgMaintain->isAncestorOf(focus))
        << focus->metaObject()->className();
    dialog.btnCancel->click();
}
