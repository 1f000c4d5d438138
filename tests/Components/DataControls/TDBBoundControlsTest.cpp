// The check box, the lookup box, the label, the image and the data source's fan-out.

#include "Components/Core/TBitmapImage.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDBText.h"
#include "DataControlsFixtures.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

TEST(TDBCheckBoxTest, AClickAssignsAtOnceBeforeClickedHandlersRun) {
    TLoggedTable t;
    TTestWindow window;
    TDataSource ds(&t.Rs);
    auto* box = new TDBCheckBox(S("Done"), &window);
    box->SetDataSource(&ds);
    box->SetDataField(S("Done"));
    EXPECT_FALSE(box->isChecked());
    t.Rs.Next();
    EXPECT_TRUE(box->isChecked());
    t.Rs.Prior();
    t.Log.clear();
    QObject::connect(box, &QCheckBox::clicked,
                     [&] { t.Log << S("clicked %1").arg(t.F("Done").AsBoolean()); });
    box->click();
    EXPECT_EQ(t.Log, (QStringList{S("BeforeEdit"), S("AfterEdit"), S("Validate Done"), S("Calc"),
                                  S("Change Done"), S("clicked 1")}));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(t.Rs.State(), TDataSetState::Edit);

    // A refused value leaves the box showing the field.
    t.F("Done").OnValidate = [](TField&) { throw EDatabaseError(S("Not now")); };
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(t.Errors, QStringList{S("Not now")});

    // A read-only field does not toggle.
    t.F("Done").OnValidate = nullptr;
    t.F("Done").SetReadOnly(true);
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(t.F("Done").AsBoolean());
}

// Rows with a group key and a lookup field naming the group; the groups are the list.
struct TLookupTest : ::testing::Test {
    TRecordSet Groups;
    TRecordSet Rows;
    QStringList Errors;
    TTestWindow Window;
    TDataSource Ds;
    TDBLookupComboBox* Box = new TDBLookupComboBox(&Window);

    TLookupTest() {
        Groups.AddField(S("Id"), TFieldType::Integer);
        Groups.AddField(S("Name"), TFieldType::String, 20);
        Groups.CreateDataSet();
        const char* names[] = {"Alpha", "Beta", "Gamma"};
        for (int i = 0; i < 3; ++i) {
            Groups.Append();
            Groups.FieldByName(S("Id")).SetAsInteger(10 * (i + 1));
            Groups.FieldByName(S("Name")).SetAsString(S(names[i]));
            Groups.Post();
        }
        Groups.First();
        Rows.AddField(S("Code"), TFieldType::String, 10);
        Rows.AddField(S("GroupId"), TFieldType::Integer);
        Rows.AddLookupField(S("GroupName"), TFieldType::String, 20, &Groups, S("GroupId"), S("Id"),
                            S("Name"));
        Rows.CreateDataSet();
        for (int id : {20, 0}) {
            Rows.Append();
            Rows.FieldByName(S("Code")).SetAsString(S("R%1").arg(id));
            if (id) Rows.FieldByName(S("GroupId")).SetAsInteger(id);
            Rows.Post();
        }
        Rows.First();
        Ds.SetDataSet(&Rows);
        TDataControls::OnError = [this](const Exception& e) { Errors << e.Message(); };
    }
    ~TLookupTest() override { TDataControls::OnError = nullptr; }
};

TEST_F(TLookupTest, ALookupFieldSuppliesTheListAndChoosingAssignsTheKey) {
    Box->SetDataSource(&Ds);
    Box->SetDataField(S("GroupName"));
    EXPECT_EQ(Box->DisplayText(), S("Beta"));
    Box->RefreshList();
    ASSERT_EQ(Box->count(), 3);
    EXPECT_EQ(Box->itemText(2), S("Gamma"));
    EXPECT_EQ(Box->currentIndex(), 1);

    QStringList changes;
    Rows.FieldByName(S("GroupId")).OnChange = [&](TField& f) { changes << f.AsString(); };
    int changed = 0;
    QObject::connect(Box, &TDBLookupComboBox::changed, [&] { ++changed; });
    EXPECT_TRUE(Box->SelectItem(2));
    EXPECT_EQ(Rows.State(), TDataSetState::Edit);
    EXPECT_EQ(changes, QStringList{S("30")});
    EXPECT_EQ(Box->DisplayText(), S("Gamma"));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(Groups.RecNo(), 1); // the list's cursor never moved

    Rows.Post();
    Rows.Next();
    EXPECT_EQ(Box->DisplayText(), QString()); // no key
    // The list follows changes of the list's rows.
    Groups.Last();
    Groups.Edit();
    Groups.FieldByName(S("Name")).SetAsString(S("Omega"));
    Groups.Post();
    Rows.First();
    EXPECT_EQ(Box->DisplayText(), S("Omega"));
}

TEST_F(TLookupTest, AKeyFieldWithAListSourceAndAWideDropDown) {
    TDataSource list(&Groups);
    Box->SetDataSource(&Ds);
    Box->SetDataField(S("GroupId"));
    Box->SetListSource(&list);
    Box->SetKeyField(S("Id"));
    Box->SetListField(S("Name"));
    EXPECT_EQ(Box->DisplayText(), S("Beta"));
    Box->resize(90, 22);
    Box->SetDropDownWidth(324);
    Box->showPopup();
    EXPECT_GE(Box->view()->width(), 324);
    Box->hidePopup();
    EXPECT_TRUE(Box->SelectItem(0));
    EXPECT_EQ(Rows.FieldByName(S("GroupId")).AsInteger(), 10);

    // A refused key is reported and the box shows the field.
    Rows.FieldByName(S("GroupId")).OnValidate = [](TField&) {
        throw EDatabaseError(S("Closed group"));
    };
    EXPECT_FALSE(Box->SelectItem(2));
    EXPECT_EQ(Errors, QStringList{S("Closed group")});
    EXPECT_EQ(Box->DisplayText(), S("Alpha"));
    Box->SetReadOnly(true);
    EXPECT_FALSE(Box->SelectItem(1));
    EXPECT_EQ(Rows.FieldByName(S("GroupId")).AsInteger(), 10);
}

TEST(TDBTextTest, LabelAndImageShowTheCurrentRow) {
    TLoggedTable t;
    TDataSource ds(&t.Rs);
    TDBText label;
    label.SetDataSource(&ds);
    label.SetDataField(S("Code"));
    EXPECT_EQ(label.text(), S("[C1]"));
    t.Rs.Last();
    EXPECT_EQ(label.text(), S("[C3]"));
    label.SetDataField(S("Twice"));
    EXPECT_EQ(label.text(), S("180"));

    // A 24-bit Windows bitmap in a blob field.
    TBitmapImage bitmap(4, 3, 0xFF0000FFu);
    bitmap.SetPixel(1, 1, 0xFFFF0000u);
    t.Rs.Edit();
    t.F("Picture").SetAsBytes(bitmap.ToBmp());
    t.Rs.Post();
    TDBImage image;
    image.SetDataSource(&ds);
    image.SetDataField(S("Picture"));
    ASSERT_FALSE(image.Image().isNull());
    EXPECT_EQ(image.Image().size(), QSize(4, 3));
    EXPECT_EQ(image.Image().pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(image.Image().pixel(0, 0), 0xFF0000FFu);
    t.Rs.First();
    EXPECT_TRUE(image.Image().isNull());

    // Another row drawn through the control, without changing what it shows.
    QImage canvas(8, 6, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    image.resize(8, 6);
    t.Rs.WithRecord(3, [&] {
        QPainter painter(&canvas);
        image.PaintActiveRecord(painter, image.rect());
    });
    EXPECT_EQ(canvas.pixel(3, 2), 0xFFFF0000u); // centred: (2,1) + (1,1)
    EXPECT_TRUE(image.Image().isNull());
}

TEST(TDataSourceTest, UpdateRecordWritesPendingTextBeforeAMoveAndStopsOnARefusal) {
    TLoggedTable t;
    TTestWindow window;
    TDataSource ds(&t.Rs);
    auto* edit = new TDBEdit(&window);
    edit->SetDataSource(&ds);
    edit->SetDataField(S("Note"));
    edit->show();
    QStringList states;
    QObject::connect(&ds, &TDataSource::StateChange,
                     [&] { states << S("%1").arg(int(ds.State())); });
    edit->setFocus(Qt::TabFocusReason);
    TypeText(edit, S("typed"));
    EXPECT_TRUE(ds.UpdateRecord());
    EXPECT_EQ(t.F("Note").AsString(), S("typed"));
    t.Rs.Next(); // posts
    EXPECT_EQ(t.Rs.RecNo(), 2);
    t.Rs.First();
    EXPECT_EQ(t.F("Note").AsString(), S("typed"));
    EXPECT_EQ(states, (QStringList{S("2"), S("1")})); // edit, browse

    t.F("Note").OnValidate = [](TField&) { throw EDatabaseError(S("No notes")); };
    TypeText(edit, S("x"));
    EXPECT_FALSE(ds.UpdateRecord());
    EXPECT_EQ(t.Errors, QStringList{S("No notes")});

    ds.SetAutoEdit(false);
    SendKey(edit, Qt::Key_Escape);
    t.Rs.Cancel();
    TypeText(edit, S("y"));
    EXPECT_EQ(t.Rs.State(), TDataSetState::Browse);
}

TEST(TDataSourceTest, ASourceOutlivingItsRecordSetForgetsIt) {
    // A window holding the set as a member deletes its child data source after the set.
    TTestWindow window;
    auto* ds = new TDataSource(&window);
    auto* edit = new TDBEdit(&window);
    edit->SetDataSource(ds);
    edit->SetDataField(S("Code"));
    {
        TLoggedTable t;
        ds->SetDataSet(&t.Rs);
        EXPECT_TRUE(ds->IsActive());
    }
    EXPECT_EQ(ds->DataSet(), nullptr);
    EXPECT_FALSE(ds->IsActive());
    delete ds; // must not reach into the freed set
    delete edit;
}

} // namespace
