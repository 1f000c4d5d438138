// The bound edit: what it shows with and without the focus, the order in which entering,
// typing and leaving reach the record set, edit masks, refused values, Escape, an exit
// handler that keeps the focus, the text selected on entering, and free text typed in the
// shape of a date-time edit format.

#include "Components/DataControls/TDBEdit.h"
#include "DataControlsFixtures.h"

#include <QLineEdit>
#include <QTest>
#include <QTime>
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

namespace {

TEST_F(TDBEditTest, EnteringByAClickSelectsTheWholeTextAndASecondClickPlacesTheCaret) {
    Bind("Code");
    Window.activateWindow();
    QTest::mouseClick(Edit, Qt::LeftButton, {}, Edit->rect().center());
    ASSERT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Edit->selectedText(), S("C1")) << "the click that enters selects";
    QTest::mouseClick(Edit, Qt::LeftButton, {}, QPoint(Edit->width() - 3, Edit->height() / 2));
    EXPECT_FALSE(Edit->hasSelectedText()) << "a click in the focused edit places the caret";
    EXPECT_EQ(Edit->cursorPosition(), 2);

    // Typing after the entering click replaces the text.
    Other->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(Edit, Qt::LeftButton, {}, QPoint(Edit->width() - 3, Edit->height() / 2));
    TypeText(Edit, S("z"));
    EXPECT_EQ(Edit->text(), S("z"));
    SendKey(Edit, Qt::Key_Escape);

    // The focus given by a click elsewhere (a grid's row) selects too; no press follows, so
    // the next click into the edit places the caret.
    Other->setFocus(Qt::TabFocusReason);
    Edit->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Edit->selectedText(), S("C1"));
    QApplication::processEvents();
    QTest::mouseClick(Edit, Qt::LeftButton, {}, QPoint(Edit->width() - 3, Edit->height() / 2));
    EXPECT_FALSE(Edit->hasSelectedText());

    // Without AutoSelect nothing is selected.
    Other->setFocus(Qt::TabFocusReason);
    Edit->SetAutoSelect(false);
    QTest::mouseClick(Edit, Qt::LeftButton, {}, Edit->rect().center());
    EXPECT_FALSE(Edit->hasSelectedText());
}

TEST(TDigitShapeTest, FixedWidthDateAndTimeFormatsHaveAShapeOthersNone) {
    const TDigitShape time(S("hh:mm"));
    EXPECT_TRUE(time.Fills(S("01:30")));
    EXPECT_TRUE(time.Fills(S("99:99"))) << "the shape is digits; what they mean is the field's";
    EXPECT_FALSE(time.Fills(S("1:30")));
    EXPECT_FALSE(time.Fills(S("01.30")));
    EXPECT_FALSE(time.Fills(S("01:3a")));
    EXPECT_EQ(time.WithSeparators(S("0130")), S("01:30"));
    EXPECT_EQ(time.WithSeparators(S("130")), QString());
    EXPECT_EQ(time.WithSeparators(S("01305")), QString());
    EXPECT_EQ(time.WithSeparators(S("1.30")), QString());
    EXPECT_EQ(TDigitShape(S("dd/MM/yyyy")).WithSeparators(S("03032008")), S("03/03/2008"));
    EXPECT_EQ(TDigitShape(S("HH:nn:ss")).WithSeparators(S("123456")), S("12:34:56"));
    for (const char* format :
         {"", "h:mm", "ddddd", "t", "hh:mm AP", "dd/MM/yyy", "'at' hh:mm", "dddd", "0.00", "####"})
        EXPECT_TRUE(TDigitShape(S(format)).IsEmpty()) << format;

    TRecordSet rs;
    TField& start = rs.AddField(S("Start"), TFieldType::Time);
    TField& amount = rs.AddField(S("Amount"), TFieldType::Float);
    start.SetEditFormat(S("hh:mm"));
    amount.SetEditFormat(S("hh:mm"));
    EXPECT_FALSE(TDigitShape::OfField(&start).IsEmpty());
    EXPECT_TRUE(TDigitShape::OfField(&amount).IsEmpty()) << "numbers have no shape";
    start.SetEditMask(S("!99:99;1;0"));
    EXPECT_TRUE(TDigitShape::OfField(&start).IsEmpty()) << "a mask decides on its own";
    EXPECT_TRUE(TDigitShape::OfField(nullptr).IsEmpty());
}

// A time of day typed as free text in the shape "hh:mm": what the field is given is logged.
struct TShapedEditTest : ::testing::Test {
    TRecordSet Rs;
    QStringList Given;
    QStringList Errors;
    TTestWindow Window;
    TDataSource Ds{&Rs};
    TDBEdit* Edit = new TDBEdit(&Window);
    QLineEdit* Other = new QLineEdit(&Window);

    TShapedEditTest() {
        TField& start = Rs.AddField(S("Start"), TFieldType::Time);
        start.SetEditFormat(S("hh:mm"));
        start.OnGetText = [](TField& f, QString& text, bool display) {
            const int minutes = qRound(f.AsFloat() * 1440);
            text = display && minutes == 0 ? QString()
                                           : QTime(minutes / 60, minutes % 60).toString(S("hh:mm"));
        };
        start.OnSetText = [this](TField& f, const QString& text) {
            Given << text;
            QString digits = text;
            digits.remove(QLatin1Char(':'));
            bool ok = false;
            const int number = digits.toInt(&ok);
            if (!text.isEmpty() && (!ok || digits.size() < 3 || number % 100 > 59))
                throw EConvertError(S("'%1' is not a valid time").arg(text));
            f.SetAsFloat((number / 100 * 60 + number % 100) / 1440.0);
        };
        Rs.CreateDataSet();
        Rs.Append();
        start.SetAsFloat(0);
        Rs.Post();
        TDataControls::OnError = [this](const Exception& e) { Errors << e.Message(); };
        Edit->SetDataSource(&Ds);
        Edit->SetDataField(S("Start"));
        Edit->show();
        Other->move(0, 40);
        Other->show();
        Other->setFocus(Qt::OtherFocusReason);
    }
    ~TShapedEditTest() override { TDataControls::OnError = nullptr; }

    QString Typed(const QString& keys, bool home = false) {
        Edit->setFocus(Qt::TabFocusReason);
        if (home) SendKey(Edit, Qt::Key_Home);
        TypeText(Edit, keys);
        return Edit->displayText();
    }
    void Leave() { Other->setFocus(Qt::TabFocusReason); }
    QString Shown() const { return Rs.FieldByName(S("Start")).DisplayText(); }
};

TEST_F(TShapedEditTest, TextEnteredIsReplacedByWhatIsTypedAndGivenToTheFieldAsTyped) {
    Edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Edit->text(), S("00:00")) << "the edit text of no time";
    EXPECT_EQ(Edit->selectedText(), S("00:00"));
    Leave();
    EXPECT_EQ(Typed(S("9:15")), S("9:15"));
    Leave();
    EXPECT_EQ(Given, QStringList{S("9:15")});
    EXPECT_EQ(Shown(), S("09:15"));

    // Three digits stay three; the fourth brings the separator.
    EXPECT_EQ(Typed(S("130")), S("130"));
    Leave();
    EXPECT_EQ(Given.last(), S("130"));
    EXPECT_EQ(Typed(S("013")), S("013"));
    TypeText(Edit, S("0"));
    EXPECT_EQ(Edit->displayText(), S("01:30"));
    EXPECT_EQ(Edit->cursorPosition(), 5);
    TypeText(Edit, S("5"));
    EXPECT_EQ(Edit->displayText(), S("01:305")) << "typing at the end is inserted";
    SendKey(Edit, Qt::Key_Escape);

    // Deleting the separator leaves it deleted.
    Edit->setFocus(Qt::TabFocusReason);
    SendKey(Edit, Qt::Key_End);
    SendKey(Edit, Qt::Key_Left);
    SendKey(Edit, Qt::Key_Left);
    SendKey(Edit, Qt::Key_Backspace);
    EXPECT_EQ(Edit->displayText(), S("0130"));
    SendKey(Edit, Qt::Key_Escape);
    Leave();
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(S("; ")).toStdString();
}

TEST_F(TShapedEditTest, DigitsTypedOverAFilledTextReplaceDigitsAndStepOverTheSeparator) {
    EXPECT_EQ(Typed(S("0130"), true), S("01:30"));
    EXPECT_EQ(Edit->cursorPosition(), 5);
    Leave();
    EXPECT_EQ(Given, QStringList{S("01:30")});

    // Over "01:30": the caret after the separator, two digits change the minutes only.
    Edit->setFocus(Qt::TabFocusReason);
    SendKey(Edit, Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        SendKey(Edit, Qt::Key_Right);
    TypeText(Edit, S("45"));
    EXPECT_EQ(Edit->displayText(), S("01:45"));
    Leave();
    EXPECT_EQ(Shown(), S("01:45"));
}

TEST_F(TShapedEditTest, ASeparatorTypedAfterOneDigitMovesItToTheRightOfItsField) {
    EXPECT_EQ(Typed(S("1"), true), S("10:00"));
    TypeText(Edit, S(":"));
    EXPECT_EQ(Edit->displayText(), S("01:00"));
    EXPECT_EQ(Edit->cursorPosition(), 3) << "the caret in the minutes";
    TypeText(Edit, S("30"));
    EXPECT_EQ(Edit->displayText(), S("01:30"));
    Leave();
    EXPECT_EQ(Given, QStringList{S("01:30")});

    // Before the separator it only steps over it.
    Edit->setFocus(Qt::TabFocusReason);
    SendKey(Edit, Qt::Key_Home);
    TypeText(Edit, S("07:1"));
    EXPECT_EQ(Edit->displayText(), S("07:10"));
    // Anything the shape has no place for is inserted as typed, and refused by the field.
    SendKey(Edit, Qt::Key_Home);
    TypeText(Edit, S("x"));
    EXPECT_EQ(Edit->displayText(), S("x07:10"));
    Leave();
    EXPECT_EQ(Errors, QStringList{S("'x07:10' is not a valid time")});
}

TEST_F(TShapedEditTest, AReadOnlyFieldTakesNoDigitsThroughTheShape) {
    Rs.FieldByName(S("Start")).SetReadOnly(true);
    Ds.SetDataSet(nullptr);
    Ds.SetDataSet(&Rs);
    EXPECT_EQ(Typed(S("0130"), true), QString());
    EXPECT_EQ(Rs.State(), TDataSetState::Browse);
    EXPECT_TRUE(Given.isEmpty());
}

} // namespace
