// The bound edit: what it shows with and without the focus, the order in which entering,
// typing and leaving reach the record set, edit masks, refused values, Escape, and an exit
// handler that keeps the focus.

#include "Components/DataControls/TDBEdit.h"
#include "DataControlsFixtures.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

struct TDBEditTest : ::testing::Test {
    TLoggedTable T;
    TTestWindow Window;
    TDataSource Ds{&T.Rs};
    TDBEdit* Edit = new TDBEdit(&Window);
    QLineEdit* Other = new QLineEdit(&Window);

    void Bind(const char* field) {
        Edit->SetDataSource(&Ds);
        Edit->SetDataField(S(field));
        Edit->show();
        Other->move(0, 40);
        Other->show();
        Other->setFocus(Qt::OtherFocusReason);
        T.Log.clear();
    }
};

TEST_F(TDBEditTest, EnteringTypingAndLeavingRunTheFieldRulesInDelphiOrder) {
    Bind("Code");
    EXPECT_EQ(Edit->text(), S("[C1]")); // display text without the focus
    int entered = 0, exited = 0;
    QObject::connect(Edit, &TDBEdit::entered, [&] {
        ++entered;
        T.Log << S("entered ") + Edit->text();
    });
    QObject::connect(Edit, &TDBEdit::exited, [&] {
        ++exited;
        T.Log << S("exited");
    });

    Edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Edit->text(), S("C1")); // edit text with the focus
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(Edit->selectedText(), S("C1")); // selected on tabbing in

    SendKey(Edit, Qt::Key_End);
    TypeText(Edit, S("x"));
    EXPECT_EQ(T.Rs.State(), TDataSetState::Edit); // the first keystroke
    TypeText(Edit, S("y"));
    EXPECT_EQ(Edit->text(), S("C1xy"));
    EXPECT_EQ(T.F("Code").AsString(), S("C1")); // nothing assigned before leaving

    Other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(T.F("Code").AsString(), S("C1XY"));
    EXPECT_EQ(Edit->text(), S("[C1XY]"));
    EXPECT_EQ(T.Rs.State(), TDataSetState::Edit); // leaving assigns, it does not post
    EXPECT_EQ(T.Log, (QStringList{S("entered C1"), S("BeforeEdit"), S("AfterEdit"),
                                  S("SetText Code 'C1xy'"), S("Validate Code"), S("Calc"),
                                  S("Change Code"), S("exited")}));
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(exited, 1);

    // Passing through without typing assigns nothing.
    T.Log.clear();
    Edit->setFocus(Qt::TabFocusReason);
    Other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(T.Log, (QStringList{S("entered C1XY"), S("exited")}));
}

TEST_F(TDBEditTest, FollowsTheCursorAndOtherAssignments) {
    Bind("Code");
    T.Rs.Next();
    EXPECT_EQ(Edit->text(), S("[C2]"));
    T.Rs.Edit();
    T.F("Code").SetAsString(S("NEW"));
    EXPECT_EQ(Edit->text(), S("[NEW]"));
    T.Rs.Cancel();
    EXPECT_EQ(Edit->text(), S("[C2]"));
    Ds.SetEnabled(false);
    EXPECT_EQ(Edit->text(), QString());
    Ds.SetEnabled(true);
    EXPECT_EQ(Edit->text(), S("[C2]"));
}

TEST_F(TDBEditTest, TypingThroughTheMaskHandsBlanksAsSpaces) {
    Bind("Minutes");
    EXPECT_EQ(Edit->text(), S("00:30"));
    T.Rs.Edit();
    T.F("Minutes").SetAsFloat(0);
    T.Rs.Post();
    EXPECT_EQ(Edit->text(), QString()); // the display text of zero is empty
    Edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Edit->displayText(), S("00:00"));
    SendKey(Edit, Qt::Key_Home);
    TypeText(Edit, S("1 :3"));
    EXPECT_EQ(Edit->Mask().FieldText(Edit->displayText()), S("1 :3 "));
    T.Log.clear();
    SendKey(Edit, Qt::Key_Return); // Enter assigns too
    EXPECT_EQ(T.Log.value(0), S("SetText Minutes '1 :3 '"));
    EXPECT_DOUBLE_EQ(T.F("Minutes").AsFloat(), 10 * 60 + 30);
    EXPECT_EQ(Edit->displayText(), S("10:30"));
    EXPECT_TRUE(T.Errors.isEmpty());
}

TEST_F(TDBEditTest, ARefusedValueKeepsTheTypedTextAndTheFocusUntilEscape) {
    Bind("Minutes");
    int exited = 0;
    QObject::connect(Edit, &TDBEdit::exited, [&] { ++exited; });
    Edit->setFocus(Qt::TabFocusReason);
    SendKey(Edit, Qt::Key_Home);
    TypeText(Edit, S("2530"));
    Other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(T.Errors, QStringList{S("'25:3 ' is not a valid time")});
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Edit->displayText(), S("25:30"));
    EXPECT_DOUBLE_EQ(T.F("Minutes").AsFloat(), 30); // the old value stays
    EXPECT_EQ(exited, 0);

    SendKey(Edit, Qt::Key_Escape);
    EXPECT_EQ(Edit->displayText(), S("00:30"));
    Other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(T.Errors.size(), 1);
    EXPECT_EQ(exited, 1);
}

TEST_F(TDBEditTest, AnExitHandlerCanKeepTheFocus) {
    Bind("Code");
    QWidget* goingTo = nullptr;
    QObject::connect(Edit, &TDBEdit::exited, [&] {
        goingTo = QApplication::focusWidget();
        if (T.F("Code").AsString().isEmpty()) Edit->KeepFocus();
    });
    Edit->setFocus(Qt::TabFocusReason);
    SendKey(Edit, Qt::Key_Backspace); // the whole text was selected
    Other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(goingTo, Other);
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(T.F("Code").AsString(), QString());
}

TEST_F(TDBEditTest, ReadOnlyFieldsControlsAndAbortedEditsTakeNoTyping) {
    Bind("Code");
    T.F("Code").SetReadOnly(true);
    Ds.SetDataSet(nullptr);
    Ds.SetDataSet(&T.Rs);
    EXPECT_TRUE(Edit->isReadOnly());
    T.F("Code").SetReadOnly(false);
    Edit->SetReadOnly(true);
    EXPECT_TRUE(Edit->isReadOnly());
    Edit->SetReadOnly(false);
    EXPECT_FALSE(Edit->isReadOnly());
    Edit->SetDataField(S("Twice")); // calculated
    EXPECT_TRUE(Edit->isReadOnly());
    EXPECT_EQ(Edit->text(), S("60"));

    Edit->SetDataField(S("Code"));
    T.Rs.BeforeEdit = [](TRecordSet&) { throw EAbort(); };
    Edit->setFocus(Qt::TabFocusReason);
    TypeText(Edit, S("z"));
    EXPECT_EQ(Edit->text(), S("C1"));
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_TRUE(T.Errors.isEmpty()); // an abort is silent
}

TEST(TEditMaskTest, ConvertsDelphiMasksToQtMasksAndBack) {
    const TEditMask time(S("!99:99;1;0"));
    EXPECT_EQ(time.InputMask(), S("00:00;0"));
    EXPECT_EQ(time.Blank(), QLatin1Char('0'));
    EXPECT_TRUE(time.IsOptional(0));
    EXPECT_TRUE(time.IsLiteral(2));
    EXPECT_EQ(time.FieldText(S("10:30")), S("1 :3 "));

    const TEditMask date(S("!90/90/0000;1;_"));
    EXPECT_EQ(date.InputMask(), S("09/09/9999;_"));
    EXPECT_FALSE(date.IsOptional(1));
    EXPECT_EQ(date.FieldText(S("_3/_4/2008")), S(" 3/ 4/2008"));

    const TEditMask bare(S("000-LL;0;*"));
    EXPECT_EQ(bare.InputMask(), S("999-AA;*"));
    EXPECT_EQ(bare.FieldText(S("123-AB")), S("123AB")); // literals not kept
    EXPECT_EQ(TEditMask(S(">ll\\9")).InputMask(), S(">aa\\9;_"));
    EXPECT_TRUE(TEditMask(QString()).IsEmpty());
}

} // namespace

TEST_F(TDBEditTest, TypedTextSurvivesChangesToItsRowAndGoesWhenTheRowDoes) {
    Bind("Note");
    Edit->setFocus(Qt::TabFocusReason);
    TypeText(Edit, S("half typed"));
    // A timer adds to the row and posts it, a pass over the rows comes back to it, a save
    // commits it: the text being typed stays, and leaving the edit assigns it.
    T.Rs.Edit();
    T.F("Minutes").SetAsFloat(99);
    T.Rs.Post();
    const TBookmark row = T.Rs.GetBookmark();
    T.Rs.DisableControls();
    T.Rs.Last();
    T.Rs.GotoBookmark(row);
    T.Rs.EnableControls();
    T.Rs.CommitUpdates();
    EXPECT_EQ(Edit->text(), S("half typed"));
    Other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(T.F("Note").AsString(), S("half typed"));
    EXPECT_EQ(T.F("Minutes").AsFloat(), 99);

    // On another row the text is that row's; Escape still puts the field's text back.
    Edit->setFocus(Qt::TabFocusReason);
    TypeText(Edit, S("x"));
    T.Rs.Next();
    EXPECT_EQ(Edit->text(), T.F("Note").AsString());
    TypeText(Edit, S("y"));
    SendKey(Edit, Qt::Key_Escape);
    EXPECT_EQ(Edit->text(), T.F("Note").AsString());
}
