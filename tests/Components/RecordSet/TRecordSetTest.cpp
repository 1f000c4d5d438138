// States, cursor rules, events, fields, lookups, calculated fields, bookmarks, clones,
// controls, commit and snapshot of TRecordSet.

#include "Components/Core/SysExceptions.h"
#include "RecordSetFixtures.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {
QString MessageOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

struct TEventLog {
    QStringList Events;
    void Attach(TRecordSet& rs) {
        auto log = [this](const char* name) {
            return [this, name](TRecordSet&) { Events << S(name); };
        };
        rs.BeforeInsert = log("BeforeInsert");
        rs.AfterInsert = log("AfterInsert");
        rs.BeforeEdit = log("BeforeEdit");
        rs.AfterEdit = log("AfterEdit");
        rs.BeforePost = log("BeforePost");
        rs.AfterPost = log("AfterPost");
        rs.BeforeCancel = log("BeforeCancel");
        rs.AfterCancel = log("AfterCancel");
        rs.BeforeDelete = log("BeforeDelete");
        rs.AfterDelete = log("AfterDelete");
        rs.BeforeScroll = log("BeforeScroll");
        rs.AfterScroll = log("AfterScroll");
    }
};
} // namespace

TEST(RecordSetStates, EditOnEmptyStartsNewRowThatRecordCountIgnoresUntilPosted) {
    auto rs = MakeTasks();
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
    rs->Edit();
    EXPECT_EQ(rs->State(), TDataSetState::Insert);
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->FieldByName(S("Code")).SetAsString(S("GEN"));
    rs->Post();
    EXPECT_EQ(rs->State(), TDataSetState::Browse);
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->FieldByName(S("code")).AsString(), S("GEN")); // names ignore case
}

TEST(RecordSetStates, AssigningOutsideEditModeRaisesTheDataSetError) {
    auto rs = MakeTasks();
    AddTask(*rs, S("GEN"), 1);
    EXPECT_EQ(MessageOf([&] { rs->FieldByName(S("Code")).SetAsString(S("X")); }),
              S("Dataset not in edit or insert mode"));
    EXPECT_EQ(MessageOf([&] { rs->FieldByName(S("Nope")); }), S("Field 'Nope' not found"));
    rs->Name = S("adsTasks");
    EXPECT_EQ(MessageOf([&] { rs->FieldByName(S("Code")).Clear(); }),
              S("adsTasks: Dataset not in edit or insert mode"));
}

TEST(RecordSetStates, MovingPostsAChangedRowAndDropsAnUnchangedOne) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    AddTask(*rs, S("B"), 2);

    rs->Append(); // unchanged new row
    rs->First();
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->State(), TDataSetState::Browse);

    rs->Append();
    rs->FieldByName(S("Code")).SetAsString(S("C"));
    rs->First(); // posts
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(Column(*rs, "Code"), QStringList({S("A"), S("B"), S("C")}));

    TEventLog log;
    log.Attach(*rs);
    rs->Edit();
    rs->Next(); // an unchanged edit is cancelled
    EXPECT_EQ(log.Events, QStringList({S("BeforeEdit"), S("AfterEdit"), S("BeforeCancel"),
                                       S("AfterCancel"), S("BeforeScroll"), S("AfterScroll")}));
    rs->Edit();
    rs->FieldByName(S("Project")).SetAsInteger(9);
    rs->Prior();
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("A"));
    rs->Next();
    EXPECT_EQ(rs->FieldByName(S("Project")).AsInteger(), 9);
}

TEST(RecordSetStates, InsertGoesBeforeTheCurrentRowAndCancelRestoresTheCursor) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    AddTask(*rs, S("C"), 3);
    rs->Last();
    rs->Insert();
    rs->FieldByName(S("Code")).SetAsString(S("B"));
    rs->Post();
    EXPECT_EQ(rs->RecNo(), 2);
    EXPECT_EQ(Column(*rs, "Code"), QStringList({S("A"), S("B"), S("C")}));

    rs->First();
    rs->Insert();
    EXPECT_EQ(rs->RecNo(), -1);
    rs->Cancel();
    EXPECT_EQ(rs->RecNo(), 1);
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("A"));
    rs->Append();
    rs->Cancel();
    EXPECT_EQ(rs->RecNo(), 3);
}

TEST(RecordSetFields, ValuesAreConvertedCutAndRangeChecked) {
    auto rs = MakeTasks();
    rs->Append();
    TField& code = rs->FieldByName(S("Code"));
    code.SetAsString(S("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"));
    EXPECT_EQ(code.AsString(), S("ABCDEFGHIJ"));
    TField& amount = rs->FieldByName(S("Amount"));
    amount.SetAsFloat(12.34567);
    EXPECT_EQ(amount.AsCurrencyUnits(), 123457);
    amount.SetAsString(S("0.1"));
    EXPECT_EQ(amount.AsCurrencyUnits(), 1000);
    amount.SetAsCurrency(1.5);
    EXPECT_EQ(amount.AsString(), S("1.5"));
    EXPECT_EQ(amount.DisplayText(), S("1.50"));
    TField& project = rs->FieldByName(S("Project"));
    EXPECT_THROW(project.SetAsString(S("abc")), EConvertError);
    EXPECT_THROW(project.SetAsInteger(1LL << 40), EDatabaseError);
    project.SetAsString(S(""));
    EXPECT_TRUE(project.IsNull());
    EXPECT_EQ(project.AsInteger(), 0);
    TField& day = rs->FieldByName(S("Day"));
    day.SetAsString(S("03/03/2008 14:30"));
    EXPECT_DOUBLE_EQ(day.AsDateTime(), DateToDayNumber(QDate(2008, 3, 3)) + EncodeTime(14, 30));
    EXPECT_THROW(day.SetAsString(S("31/02/2008")), EConvertError);
    TField& done = rs->FieldByName(S("Done"));
    done.SetAsString(S("true"));
    EXPECT_TRUE(done.AsBoolean());
    EXPECT_EQ(done.AsString(), S("True"));
}

TEST(RecordSetFields, ACurrencyOutsideItsRangeIsRefusedWhicheverWayItIsAssigned) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    rs->Edit();
    TField& amount = rs->FieldByName(S("Amount"));
    amount.SetAsString(S("12.5"));
    const std::function<void()> routes[] = {
        [&] { amount.SetAsString(S("2000000000000000")); },
        [&] { amount.SetText(S("-2000000000000000")); },
        [&] { amount.SetAsString(S("922337203685477.5808")); },
        [&] { amount.SetAsInteger(2000000000000000); },
        [&] { amount.SetValue(QVariant(qlonglong(-2000000000000000))); },
        [&] { amount.SetValue(QVariant(S("2000000000000000"))); },
        [&] { amount.SetAsFloat(2e15); },
        [&] { amount.SetAsCurrency(2e15); },
    };
    for (const auto& route : routes) {
        const QString message = MessageOf(route);
        EXPECT_TRUE(message.contains(S("not a valid value for field 'Amount'")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(S("-922337203685477.5808 to 922337203685477.5807")))
            << message.toStdString();
        EXPECT_EQ(amount.AsCurrencyUnits(), 125000); // the old value stays
    }
    EXPECT_TRUE(MessageOf([&] {
                    amount.SetAsString(S("2000000000000000"));
                }).contains(S("2000000000000000")));
    EXPECT_THROW(amount.SetAsString(S("12,5,0")), EConvertError); // no number at all
    amount.SetAsString(S("-922337203685477.5808"));
    EXPECT_EQ(amount.AsString(), S("-922337203685477.5808"));
}

TEST(RecordSetFields, CurrencyIsShownWithTwoDecimalsRoundedHalfAwayFromZero) {
    auto rs = MakeTasks();
    rs->Append();
    TField& amount = rs->FieldByName(S("Amount"));
    const struct {
        const char* value;
        const char* shown;
    } cases[] = {{"84.875", "84.88"}, {"-84.875", "-84.88"}, {"0.005", "0.01"},
                 {"1.005", "1.01"},   {"2.5", "2.50"},       {"3", "3.00"}};
    for (const auto& c : cases) {
        amount.SetAsString(S(c.value));
        EXPECT_EQ(amount.DisplayText(), S(c.shown)) << c.value;
        EXPECT_EQ(amount.Text(), S(c.value)) << c.value; // edited with every decimal
        amount.SetDisplayFormat(S("0.00"));
        EXPECT_EQ(amount.DisplayText(), S(c.shown)) << c.value;
        amount.SetDisplayFormat(QString());
    }
    amount.SetAsString(S("1234.565"));
    amount.SetDisplayFormat(S("#,##0.00"));
    EXPECT_EQ(amount.DisplayText(), S("1,234.57"));
}

TEST(RecordSetFields, SmallIntegerTimeFloatMemoAndBlobKeepTheirValues) {
    TRecordSet rs;
    rs.AddField(S("Small"), TFieldType::SmallInt);
    rs.AddField(S("Time"), TFieldType::Time);
    rs.AddField(S("Rate"), TFieldType::Float);
    rs.AddField(S("Notes"), TFieldType::Memo);
    rs.AddField(S("Picture"), TFieldType::Blob);
    rs.CreateDataSet();
    rs.Append();
    EXPECT_THROW(rs.FieldByName(S("Small")).SetAsInteger(40000), EDatabaseError);
    rs.FieldByName(S("Small")).SetAsInteger(-32768);
    rs.FieldByName(S("Time")).SetAsString(S("9:05"));
    rs.FieldByName(S("Rate")).SetAsString(S("2.5"));
    rs.FieldByName(S("Notes")).SetAsString(QString(5000, QLatin1Char('x')));
    rs.FieldByName(S("Picture")).SetAsBytes(QByteArray("\x00\x01\xff", 3));
    rs.Post();
    EXPECT_EQ(rs.FieldByName(S("Small")).AsInteger(), -32768);
    EXPECT_DOUBLE_EQ(rs.FieldByName(S("Time")).AsDateTime(), EncodeTime(9, 5));
    EXPECT_EQ(rs.FieldByName(S("Time")).Text(), S("09:05:00"));
    EXPECT_DOUBLE_EQ(rs.FieldByName(S("Rate")).AsFloat(), 2.5);
    EXPECT_EQ(rs.FieldByName(S("Notes")).AsString().size(), 5000);
    EXPECT_EQ(rs.FieldByName(S("Picture")).AsBytes(), QByteArray("\x00\x01\xff", 3));
}

// A field's size counts characters as the user sees them, never UTF-16 units: a character
// outside the basic plane or a letter with its combining accent takes one place, and a cut
// never splits one.
TEST(RecordSetFields, AStringLongerThanItsFieldIsCutBetweenCharacters) {
    TRecordSet rs;
    TField& name = rs.AddField(S("ClientName"), TFieldType::String, 5);
    rs.CreateDataSet();
    rs.Append();
    name.SetAsString(S("Contoso"));
    EXPECT_EQ(name.AsString(), S("Conto"));
    // Four kanji and one outside the basic plane: five characters, six UTF-16 units.
    const QString kanji =
        QString::fromUtf8("\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE\xF0\xA0\xAE\xB7");
    name.SetAsString(kanji);
    EXPECT_EQ(name.AsString(), kanji);
    name.SetAsString(kanji + S("!"));
    EXPECT_EQ(name.AsString(), kanji) << "no half surrogate pair, no sixth character";
    const QString chloe = QString::fromUtf8("Chlo\x65\xCC\x81");
    name.SetAsString(chloe);
    EXPECT_EQ(name.AsString(), chloe) << "the accent counts with its letter";
    name.SetAsString(chloe + S("s"));
    EXPECT_EQ(name.AsString(), chloe);

    // "ABCDEFGHI🚀 Launch" in ten characters keeps its rocket, and reads back from the file.
    TRecordSet projects;
    projects.AddField(S("ProjectName"), TFieldType::String, 10);
    projects.CreateDataSet();
    projects.Append();
    const QString rocket = QString::fromUtf8("\xF0\x9F\x9A\x80");
    projects.FieldByName(S("ProjectName")).SetAsString(S("ABCDEFGHI") + rocket + S(" Launch"));
    projects.Post();
    EXPECT_EQ(projects.FieldByName(S("ProjectName")).AsString(), S("ABCDEFGHI") + rocket);
    TRecordSet again;
    again.LoadFromBytes(projects.SaveToBytes(), S("Projectsfile.xml"));
    EXPECT_EQ(again.FieldByName(S("ProjectName")).AsString(), S("ABCDEFGHI") + rocket);
}

TEST(RecordSetFields, DisplayAndEditFormatsAndTextHandlers) {
    TRecordSet rs;
    TField& days = rs.AddField(S("Days"), TFieldType::Integer);
    days.SetDisplayFormat(S("####"));
    TField& hours = rs.AddField(S("Hours"), TFieldType::Float);
    hours.SetDisplayFormat(S("0.00"));
    TField& duration = rs.AddField(S("Duration"), TFieldType::Time);
    duration.SetDisplayFormat(S("hh:mm"));
    TField& date = rs.AddField(S("Date"), TFieldType::DateTime);
    date.SetDisplayFormat(S("ddddd"));
    rs.CreateDataSet();
    rs.Append();
    days.SetAsInteger(0);
    hours.SetAsFloat(7);
    duration.SetAsDateTime(EncodeTime(2, 5));
    date.SetAsDateTime(DateToDayNumber(QDate(2008, 3, 9)) + 0.5);
    EXPECT_EQ(days.DisplayText(), S(""));
    EXPECT_EQ(days.Text(), S("")); // no edit format: the display format serves both
    days.SetEditFormat(S("0"));
    EXPECT_EQ(days.Text(), S("0"));
    EXPECT_EQ(hours.DisplayText(), S("7.00"));
    EXPECT_EQ(duration.DisplayText(), S("02:05"));
    EXPECT_EQ(date.DisplayText(), S("09/03/2008"));

    duration.OnGetText = [](TField& f, QString& text, bool display) {
        text = display ? S("shown ") + QString::number(f.AsDateTime() * 1440) : S("edit");
    };
    duration.OnSetText = [](TField& f, const QString& text) {
        f.SetAsDateTime(text.toDouble() / 1440);
    };
    duration.SetText(S("90"));
    EXPECT_EQ(duration.DisplayText(), S("shown 90"));
    EXPECT_EQ(duration.Text(), S("edit"));
}

TEST(RecordSetEvents, InsertEditPostDeleteRunInDataSetOrder) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    TEventLog log;
    log.Attach(*rs);
    rs->Append();
    rs->FieldByName(S("Code")).SetAsString(S("B"));
    rs->Post();
    EXPECT_EQ(log.Events, QStringList({S("BeforeInsert"), S("BeforeScroll"), S("AfterInsert"),
                                       S("AfterScroll"), S("BeforePost"), S("AfterPost")}));
    log.Events.clear();
    rs->Delete();
    EXPECT_EQ(log.Events, QStringList({S("BeforeDelete"), S("BeforeScroll"), S("AfterDelete"),
                                       S("AfterScroll")}));
    log.Events.clear();
    rs->Next(); // deleting the last row left the cursor at the end: Next does not scroll
    EXPECT_EQ(log.Events, QStringList({S("BeforeScroll")}));
}

TEST(RecordSetEvents, FailingBeforePostKeepsEditingAndFailingBeforeDeleteKeepsTheRow) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    rs->BeforePost = [](TRecordSet& ds) {
        if (ds.FieldByName(S("Code")).AsString().isEmpty()) throw EDatabaseError(S("Code Blank"));
    };
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S(""));
    EXPECT_THROW(rs->Post(), EDatabaseError);
    EXPECT_EQ(rs->State(), TDataSetState::Edit);
    EXPECT_THROW(rs->First(), EDatabaseError); // moving posts, which fails again
    rs->FieldByName(S("Code")).SetAsString(S("Z"));
    rs->Post();
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("Z"));

    rs->BeforeDelete = [](TRecordSet&) { throw EAbort(); };
    bool silent = false;
    try {
        rs->Delete();
    } catch (const EAbort&) {
        silent = true;
    }
    EXPECT_TRUE(silent);
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST(RecordSetEvents, ValidateSeesTheNewValueAndCanRefuseItChangeRunsForEqualValues) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    TField& code = rs->FieldByName(S("Code"));
    QStringList seen;
    int changes = 0;
    code.OnValidate = [&](TField& f) {
        seen << f.AsString() + S("/") + f.OldValue().toString();
        if (f.AsString().trimmed().isEmpty()) throw EDatabaseError(S("Task code cannot be blank"));
    };
    code.OnChange = [&](TField&) { ++changes; };
    rs->Edit();
    code.SetAsString(S("B"));
    EXPECT_THROW(code.SetAsString(S("  ")), EDatabaseError);
    EXPECT_EQ(code.AsString(), S("B"));
    code.SetAsString(S("B"));
    EXPECT_EQ(seen, QStringList({S("B/A"), S("  /A"), S("B/A")}));
    EXPECT_EQ(changes, 2);
}

TEST(RecordSetEvents, CalculatedFieldsFollowTheActiveRowAndEveryChange) {
    TRecordSet rs;
    rs.AddField(S("Hours"), TFieldType::Integer);
    rs.AddCalculatedField(S("Label"), TFieldType::String, 5);
    int calculations = 0;
    rs.OnCalcFields = [&](TRecordSet& ds) {
        ++calculations;
        ds.FieldByName(S("Label"))
            .SetAsString(S("h") + ds.FieldByName(S("Hours")).AsString() + S("xxxxxx"));
        EXPECT_THROW(ds.FieldByName(S("Hours")).SetAsInteger(1), EDatabaseError);
    };
    rs.CreateDataSet();
    rs.Append();
    rs.FieldByName(S("Hours")).SetAsInteger(7);
    EXPECT_EQ(rs.FieldByName(S("Label")).AsString(), S("h7xxx"));
    rs.Post();
    rs.Append();
    rs.FieldByName(S("Hours")).SetAsInteger(8);
    rs.Post();
    rs.First();
    EXPECT_EQ(rs.FieldByName(S("Label")).AsString(), S("h7xxx"));
    EXPECT_EQ(Column(rs, "Label"), QStringList({S("h7xxx"), S("h8xxx")}));
    EXPECT_GT(calculations, 4);
}

TEST(RecordSetLookups, LookupFieldsFindTheRowCutTheValueAndAreEmptyWithoutMatch) {
    TRecordSet projects;
    projects.AddField(S("ProjectNumber"), TFieldType::Integer);
    projects.AddField(S("ProjectName"), TFieldType::String, 20);
    projects.AddCalculatedField(S("Summary"), TFieldType::String, 30);
    projects.OnCalcFields = [](TRecordSet& ds) {
        ds.FieldByName(S("Summary"))
            .SetAsString(ds.FieldByName(S("ProjectName")).AsString() + S("!"));
    };
    projects.CreateDataSet();
    for (int i = 0; i < 3; ++i) {
        projects.Append();
        projects.FieldByName(S("ProjectNumber")).SetAsInteger(-i);
        projects.FieldByName(S("ProjectName")).SetAsString(S("Project number %1").arg(i));
        projects.Post();
    }
    TRecordSet tasks;
    tasks.AddField(S("ProjectNumber"), TFieldType::Integer);
    TField& name = tasks.AddLookupField(S("ProjectName"), TFieldType::String, 10, &projects,
                                        S("projectnumber"), S("ProjectNumber"), S("ProjectName"));
    TField& summary = tasks.AddLookupField(S("Summary"), TFieldType::String, 30, &projects,
                                           S("ProjectNumber"), S("ProjectNumber"), S("Summary"));
    tasks.CreateDataSet();
    const int projectRow = projects.RecNo();
    tasks.Append();
    tasks.FieldByName(S("ProjectNumber")).SetAsInteger(-2);
    EXPECT_EQ(name.AsString(), S("Project nu"));
    EXPECT_EQ(summary.AsString(), S("Project number 2!"));
    EXPECT_THROW(name.SetAsString(S("x")), EDatabaseError);
    tasks.FieldByName(S("ProjectNumber")).SetAsInteger(5);
    EXPECT_TRUE(name.IsNull());
    EXPECT_EQ(name.AsString(), S(""));
    EXPECT_EQ(projects.RecNo(), projectRow); // looking up does not move the other table
}

TEST(RecordSetCursor, NavigationBofEofRecNoAndMoveBy) {
    auto rs = MakeTasks();
    for (const char* code : {"A", "B", "C"})
        AddTask(*rs, S(code), 1);
    rs->First();
    EXPECT_TRUE(rs->Bof());
    EXPECT_FALSE(rs->Eof());
    rs->Prior();
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->RecNo(), 1);
    EXPECT_EQ(rs->MoveBy(5), 2);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_EQ(rs->MoveBy(-1), -1);
    EXPECT_FALSE(rs->Eof());
    rs->SetRecNo(1);
    int visited = 0;
    while (!rs->Eof()) {
        ++visited;
        rs->Next();
    }
    EXPECT_EQ(visited, 3);
    rs->Last();
    rs->Delete();
    EXPECT_EQ(rs->RecNo(), 2);
    rs->Delete();
    rs->Delete();
    EXPECT_TRUE(rs->Bof() && rs->Eof() && rs->IsEmpty());
    EXPECT_THROW(rs->Delete(), EDatabaseError);
}

TEST(RecordSetDelete, DeletingTheLastRowLeavesTheCursorOnTheNewLastRowAtTheEnd) {
    auto rs = MakeTasks();
    for (const char* code : {"A", "B", "C", "D"})
        AddTask(*rs, S(code), 1);
    rs->SetRecNo(2);
    rs->Delete(); // a row in the middle: on the row that followed
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_FALSE(rs->Bof());
    EXPECT_FALSE(rs->Eof());

    rs->Last();
    rs->Prior(); // not at the end before the delete
    rs->Next();
    ASSERT_FALSE(rs->Eof());
    rs->Delete();
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_EQ(rs->RecNo(), 2);
    EXPECT_TRUE(rs->Eof());
    EXPECT_FALSE(rs->Bof());
    rs->Next();
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    rs->Prior();
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("A"));
    EXPECT_FALSE(rs->Eof());

    rs->Delete(); // the first row: the one that followed is now the last, but not the end
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_FALSE(rs->Eof());
    rs->Delete();
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->FieldByName(S("Code")).IsNull());
}

namespace {
// Runs the usual deleting scan and returns the codes in the order it saw them.
QStringList ScanDeleting(TRecordSet& rs, const QStringList& unwanted) {
    QStringList seen;
    rs.First();
    while (!rs.Eof()) {
        const QString code = rs.FieldByName(S("Code")).AsString();
        seen << code;
        if (seen.size() > 20) break; // a cursor that goes back would loop for ever
        if (unwanted.contains(code)) {
            rs.Delete();
            continue;
        }
        rs.Next();
    }
    return seen;
}
} // namespace

TEST(RecordSetDelete, AScanThatDeletesSomeRowsSeesEveryRowOnceInEveryView) {
    const QStringList codes = {S("A"), S("B"), S("C"), S("D")};
    // Every choice of rows to delete, over the natural order, a sorted and a filtered view.
    for (int view = 0; view < 3; ++view) {
        for (int mask = 0; mask < 16; ++mask) {
            auto rs = MakeTasks();
            for (const QString& code : codes)
                AddTask(*rs, code, code == S("B") ? 2 : 1);
            AddTask(*rs, S("X"), 9); // outside the filtered view
            QStringList expected = codes;
            expected << S("X");
            if (view == 1) {
                rs->SetSort(S("Code DESC"));
                std::reverse(expected.begin(), expected.end());
            } else if (view == 2) {
                rs->SetFilter(S("Project < 9"));
                rs->SetFiltered(true);
                expected.removeLast();
            }
            QStringList unwanted;
            for (int i = 0; i < codes.size(); ++i)
                if (mask & (1 << i)) unwanted << codes.at(i);
            SCOPED_TRACE(QStringLiteral("view %1, deleting %2")
                             .arg(view)
                             .arg(unwanted.join(QLatin1Char(',')))
                             .toStdString());
            EXPECT_EQ(ScanDeleting(*rs, unwanted), expected);
            QStringList kept = expected;
            for (const QString& code : unwanted)
                kept.removeAll(code);
            EXPECT_EQ(Column(*rs, "Code"), kept);
            EXPECT_TRUE(rs->Eof());
            EXPECT_EQ(rs->Bof(), kept.isEmpty());
        }
    }
}

TEST(RecordSetDelete, AnotherCursorOnTheDeletedRowMovesAsTheDeletingOneDoes) {
    auto rs = MakeTasks();
    for (const char* code : {"A", "B", "C", "D"})
        AddTask(*rs, S(code), 1);
    auto onLast = rs->Clone();
    auto onMiddle = rs->Clone();
    auto atEnd = rs->Clone();
    auto filtered = rs->Clone();
    onLast->SetRecNo(4);
    onMiddle->SetRecNo(2);
    atEnd->Last();
    filtered->SetFilter(S("Code <> 'D'"));
    filtered->SetFiltered(true);
    filtered->Last();
    ASSERT_FALSE(onLast->Eof());

    rs->SetRecNo(2); // B: the middle clone moves to the row that followed
    rs->Delete();
    EXPECT_EQ(onMiddle->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_FALSE(onMiddle->Eof());
    EXPECT_EQ(atEnd->FieldByName(S("Code")).AsString(), S("D")); // an earlier row went
    EXPECT_TRUE(atEnd->Eof());

    rs->Last(); // D: the clones on it stay at the end, on the new last row
    rs->Delete();
    for (TRecordSet* clone : {onLast.get(), atEnd.get()}) {
        EXPECT_EQ(clone->FieldByName(S("Code")).AsString(), S("C"));
        EXPECT_TRUE(clone->Eof());
        EXPECT_FALSE(clone->Bof());
    }
    EXPECT_EQ(filtered->FieldByName(S("Code")).AsString(), S("C")); // D was never in its view
    EXPECT_TRUE(filtered->Eof());

    rs->Last(); // C: the last row of the filtered view too
    rs->Delete();
    EXPECT_EQ(filtered->FieldByName(S("Code")).AsString(), S("A"));
    EXPECT_TRUE(filtered->Eof());
    EXPECT_EQ(filtered->RecordCount(), 1);
    filtered->Prior();
    EXPECT_TRUE(filtered->Bof());

    rs->Delete(); // A, the only row left
    for (TRecordSet* clone : {onLast.get(), onMiddle.get(), atEnd.get(), filtered.get()}) {
        EXPECT_TRUE(clone->Bof() && clone->Eof() && clone->IsEmpty());
        EXPECT_TRUE(clone->FieldByName(S("Code")).IsNull());
    }
}

TEST(RecordSetDelete, AnInsertPendingInAnotherCursorSurvivesADeleteBeforeIt) {
    auto rs = MakeTasks();
    for (const char* code : {"A", "B", "C", "D"})
        AddTask(*rs, S(code), 1);
    auto clone = rs->Clone();
    clone->SetRecNo(3);
    clone->Insert(); // before C
    clone->FieldByName(S("Code")).SetAsString(S("N"));
    rs->First();
    rs->Delete();
    clone->Post();
    EXPECT_EQ(Column(*rs, "Code"), QStringList({S("B"), S("N"), S("C"), S("D")}));

    clone->SetRecNo(3);
    clone->Insert();
    rs->First();
    rs->Delete();
    clone->Cancel(); // back on the row it was on, which moved up by one
    EXPECT_EQ(clone->FieldByName(S("Code")).AsString(), S("C"));
}

TEST(RecordSetCursor, BookmarksSurviveSortingAndDieWithTheirRow) {
    auto rs = MakeTasks();
    for (const char* code : {"C", "A", "B"})
        AddTask(*rs, S(code), 1);
    rs->First();
    const TBookmark c = rs->GetBookmark();
    rs->SetSort(S("Code"));
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("A"));
    rs->GotoBookmark(c);
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("C"));
    EXPECT_EQ(rs->RecNo(), 3);
    rs->Delete();
    EXPECT_FALSE(rs->BookmarkValid(c));
    EXPECT_THROW(rs->GotoBookmark(c), EDatabaseError);
}

TEST(RecordSetClones, ClonesShareRowsButKeepTheirOwnCursorAndFilter) {
    auto rs = MakeTasks();
    for (const char* code : {"A", "B", "C"})
        AddTask(*rs, S(code), 1);
    rs->Last();
    auto clone = rs->Clone();
    EXPECT_EQ(clone->RecNo(), 1);
    EXPECT_EQ(rs->RecNo(), 3);
    clone->SetFilter(S("Code = 'b'"));
    clone->SetFiltered(true);
    EXPECT_EQ(clone->RecordCount(), 1);
    EXPECT_EQ(rs->RecordCount(), 3);

    clone->Edit();
    clone->FieldByName(S("Project")).SetAsInteger(42);
    clone->Post();
    rs->SetRecNo(2);
    EXPECT_EQ(rs->FieldByName(S("Project")).AsInteger(), 42);

    AddTask(*rs, S("b"), 7); // passes the clone's filter
    EXPECT_EQ(clone->RecordCount(), 2);
    auto plain = rs->Clone();
    EXPECT_EQ(plain->RecordCount(), 4);
    rs->SetRecNo(2);
    plain->First();
    plain->Delete();
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->RecNo(), 1); // was on the second row, which is now the first
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("B"));
    EXPECT_EQ(plain->GetBookmark(), rs->GetBookmark()); // bookmarks are shared by clones
}

namespace {
struct TCountingObserver : IRecordSetObserver {
    int Records = 0, Fields = 0, Scrolls = 0, States = 0, Changes = 0, Reloads = 0;
    void RecordChanged(TRecordSet&) override { ++Records; }
    void FieldChanged(TRecordSet&, TField&) override { ++Fields; }
    void Scrolled(TRecordSet&) override { ++Scrolls; }
    void StateChanged(TRecordSet&) override { ++States; }
    void DataSetChanged(TRecordSet&) override { ++Changes; }
    void Reloaded(TRecordSet&) override { ++Reloads; }
    int Total() const { return Records + Fields + Scrolls + States + Changes + Reloads; }
};
} // namespace

TEST(RecordSetControls, ObserversHearChangesAndOneRefreshAfterCountedDisable) {
    auto rs = MakeTasks();
    TCountingObserver observer;
    rs->AddObserver(&observer);
    rs->Append();
    rs->FieldByName(S("Code")).SetAsString(S("A"));
    rs->Post();
    EXPECT_EQ(observer.Fields, 1);
    EXPECT_GE(observer.States, 2);
    rs->DisableControls();
    rs->DisableControls();
    const int before = observer.Total();
    AddTask(*rs, S("B"), 1);
    rs->First();
    rs->EnableControls();
    EXPECT_EQ(observer.Total(), before);
    EXPECT_TRUE(rs->ControlsDisabled());
    rs->EnableControls();
    EXPECT_EQ(observer.Total(), before + 1);
    EXPECT_FALSE(rs->ControlsDisabled());
    rs->RemoveObserver(&observer);
    rs->Next();
    EXPECT_EQ(observer.Total(), before + 1);
}

TEST(RecordSetPending, CommitPostsThePendingEditAndAcceptsEverything) {
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    EXPECT_TRUE(rs->HasPendingChanges());
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S("B"));
    rs->CommitUpdates();
    EXPECT_EQ(rs->State(), TDataSetState::Browse);
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("B"));
    EXPECT_FALSE(rs->HasPendingChanges());
    rs->Tag = 1;
    EXPECT_EQ(rs->Tag, 1);
}

TEST(RecordSetPending, RestoringASnapshotPutsBackExactlyItsRowsIntoTheSameObject) {
    TCountingObserver observer; // outlives the set it observes
    auto rs = MakeTasks();
    for (int i = 1; i <= 5; ++i)
        AddTask(*rs, S("T%1").arg(i), i);
    rs->SetFilter(S("Project > 2"));
    rs->SetFiltered(true);
    int scrolls = 0;
    rs->AfterScroll = [&](TRecordSet&) { ++scrolls; };
    rs->AddObserver(&observer);
    rs->SetFiltered(false);
    const QByteArray snapshot = rs->SaveToBytes();
    rs->SetFiltered(true);
    const QStringList before = (rs->SetFiltered(false), Column(*rs, "Code"));
    rs->SetFiltered(true);

    rs->SetFiltered(false);
    AddTask(*rs, S("N1"), 8);
    AddTask(*rs, S("N2"), 9);
    rs->SetRecNo(3);
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S("changed"));
    rs->Post();
    rs->SetRecNo(4);
    rs->Delete();
    rs->SetFiltered(true);

    scrolls = 0;
    rs->LoadFromBytes(snapshot);
    EXPECT_EQ(rs->RecordCount(), 3); // the filter stays on
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(observer.Reloads, 1);
    rs->SetFiltered(false);
    EXPECT_EQ(Column(*rs, "Code"), before);
    EXPECT_EQ(Column(*rs, "Project"), QStringList({S("1"), S("2"), S("3"), S("4"), S("5")}));
    EXPECT_EQ(&rs->FieldByName(S("Code")).DataSet(), rs.get());
}

TEST(RecordSetPending, SavingWritesEveryRowInNaturalOrderWhateverTheFilterAndSort) {
    auto rs = MakeTasks();
    for (const char* code : {"C", "A", "B"})
        AddTask(*rs, S(code), 1);
    rs->SetSort(S("Code DESC"));
    rs->SetFilter(S("Code = 'A'"));
    rs->SetFiltered(true);
    auto back = MakeTasks();
    back->LoadFromBytes(rs->SaveToBytes());
    EXPECT_EQ(Column(*back, "Code"), QStringList({S("C"), S("A"), S("B")}));
    EXPECT_FALSE(back->HasPendingChanges());
}

TEST(RecordSetControls, ObserversOfOneRecordSetHearChangesMadeThroughAClone) {
    TCountingObserver observer; // outlives the set it observes
    auto rs = MakeTasks();
    AddTask(*rs, S("A"), 1);
    rs->AddObserver(&observer);
    auto clone = rs->Clone();
    clone->Edit();
    clone->FieldByName(S("Code")).SetAsString(S("Z"));
    clone->Post();
    EXPECT_EQ(observer.Records, 1);
    EXPECT_EQ(rs->FieldByName(S("Code")).AsString(), S("Z"));
    AddTask(*clone, S("B"), 2);
    EXPECT_EQ(observer.Changes, 1);
    EXPECT_EQ(rs->RecordCount(), 2);
}
