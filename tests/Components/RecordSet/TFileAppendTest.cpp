// Rows added to a file's end instead of writing it again: the file reads back as a whole
// rewrite would have written it, byte for byte; an append cut short is finished by the
// recovery however often it runs; the index of a file by day reads a range of dates as a full
// read would give it; a batch of changes is undone from its record; a save on another thread
// holds the rows unchanged.

#include "RecordSetFixtures.h"

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TFileCommit.h"
#include "Components/RecordSet/TFileIndex.h"
#include "Components/RecordSet/TPreparedSave.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace {
const double FirstDay = 46000; // a day number in 2025

class FileAppendTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    void TearDown() override { SetCommitFault({}); }

    QString Path(const char* name) const { return FDir.filePath(S(name)); }
    QString Record() const { return Path("store.commit"); }

    // A table indexed by its Day field, rows spread over days from FirstDay on.
    static std::unique_ptr<TRecordSet> MakeHistory(int rows, int firstRow = 0) {
        auto rs = MakeTasks();
        rs->IndexField = S("Day");
        AddRows(*rs, rows, firstRow);
        return rs;
    }
    static void AddRows(TRecordSet& rs, int rows, int firstRow) {
        for (int i = firstRow; i < firstRow + rows; ++i)
            AddTask(rs, QStringLiteral("T%1").arg(i % 7), i, i % 3 == 0, FirstDay + i / 4);
    }

    static QByteArray Bytes(const QString& fileName) {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Adds the table's new rows to its file in a commit of their own; the bytes the commit's
    // temporary files held.
    qint64 CommitAppend(TRecordSet& rs, const QString& fileName) {
        EXPECT_EQ(SaveNeeded(rs, fileName), TFileSave::Append);
        TFileCommit commit(Record());
        TPreparedSave save = PrepareAppend(rs, fileName);
        qint64 written = 0;
        for (const TPreparedSave::TPart& part : save.Parts())
            written += QFileInfo(part.Temporary).size();
        commit.Add(std::move(save));
        commit.Commit();
        commit.RecordWritten();
        return written;
    }

    QTemporaryDir FDir;
};
} // namespace

TEST_F(FileAppendTest, RowsAddedToTheEndReadBackAsAWholeRewriteWritesThem) {
    auto rs = MakeHistory(2000);
    const QString file = Path("History.xml");
    rs->SaveToFile(file);
    EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Nothing);
    const qint64 before = QFileInfo(file).size();

    AddRows(*rs, 5, 2000);
    const qint64 written = CommitAppend(*rs, file);
    EXPECT_LT(written, 4096) << "five rows and the closing lines, and the index's new runs";
    // What a whole rewrite writes (into memory: a save into another file would make that one
    // the file the rows are known to be in).
    EXPECT_EQ(Bytes(file), rs->SaveToBytes());
    EXPECT_GT(QFileInfo(file).size(), before);
    // A second append goes on from there; the record is gone, nothing temporary is left.
    AddRows(*rs, 3, 2005);
    CommitAppend(*rs, file);
    EXPECT_EQ(Bytes(file), rs->SaveToBytes());
    EXPECT_FALSE(QFile::exists(Record()));
    for (const QString& name : QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();

    TRecordSet read;
    read.LoadFromFile(file);
    EXPECT_EQ(read.RecordCount(), 2008);
    EXPECT_EQ(read.SaveToBytes(), rs->SaveToBytes());
}

TEST_F(FileAppendTest, AnythingButRowsAddedAtTheEndWritesTheFileWhole) {
    const QString file = Path("History.xml");
    auto prepare = [&] {
        auto rs = MakeHistory(50);
        rs->SaveToFile(file);
        return rs;
    };
    {
        auto rs = prepare();
        rs->First();
        rs->Edit();
        rs->FieldByName(S("Code")).SetAsString(S("changed"));
        rs->Post();
        EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole) << "a row of the file changed";
        EXPECT_THROW(PrepareAppend(*rs, file), EDatabaseError);
    }
    {
        auto rs = prepare();
        rs->Last();
        rs->Delete();
        EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole) << "a row of the file deleted";
    }
    {
        auto rs = prepare();
        rs->First();
        rs->Insert();
        rs->FieldByName(S("Code")).SetAsString(S("first"));
        rs->Post();
        EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole) << "a row put before the file's";
    }
    {
        auto rs = prepare();
        AddRows(*rs, 1, 50);
        auto other = MakeHistory(3);
        other->SaveToFile(file); // someone else wrote the file meanwhile
        EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole);
        EXPECT_EQ(SaveNeeded(*rs, Path("Elsewhere.xml")), TFileSave::Whole);
    }
    {
        auto rs = prepare();
        AddRows(*rs, 2, 50);
        rs->Last();
        rs->Delete(); // one of the new rows: still only rows added
        EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Append);
    }
}

// The commit is decided, then the append is cut halfway (an I/O error stands for a kill): the
// file is not a whole document, and the recovery writes the rows again, as often as it runs.
TEST_F(FileAppendTest, AnAppendCutShortIsFinishedByTheRecoveryAsOftenAsItRuns) {
    auto rs = MakeHistory(500);
    const QString file = Path("History.xml");
    rs->SaveToFile(file);
    const QByteArray old = Bytes(file);
    AddRows(*rs, 20, 500);
    SetCommitFault([](TCommitStep step, const QString& name) {
        return step == TCommitStep::AppendHalfway && name.endsWith(S(".xml")) ? EIO : 0;
    });
    EXPECT_THROW(CommitAppend(*rs, file), EDatabaseError);
    SetCommitFault({});
    EXPECT_NE(Bytes(file), old);
    ASSERT_TRUE(QFile::exists(Record()));
    // The record kept for the recovery, to run it twice.
    const QByteArray record = Bytes(Record());
    EXPECT_TRUE(record.contains("append "));
    EXPECT_TRUE(FinishInterruptedCommit(Record()).Found);
    const QByteArray whole = rs->SaveToBytes();
    EXPECT_EQ(Bytes(file), whole);
    EXPECT_FALSE(FinishInterruptedCommit(Record()).Found);
    EXPECT_EQ(Bytes(file), whole);

    // A record whose rows were all in place already (the cut came after the append, before
    // the record was removed) changes nothing.
    QFile again(Record());
    ASSERT_TRUE(again.open(QIODevice::WriteOnly));
    again.write(record);
    again.close();
    FinishInterruptedCommit(Record());
    EXPECT_EQ(Bytes(file), whole);
    TRecordSet read;
    read.LoadFromFile(file);
    EXPECT_EQ(read.RecordCount(), 520);
}

// An undecided append (the commit record never reached the disk) leaves the file as it was.
TEST_F(FileAppendTest, AnAppendThatWasNotDecidedLeavesTheFileAsItWas) {
    auto rs = MakeHistory(100);
    const QString file = Path("History.xml");
    rs->SaveToFile(file);
    const QByteArray old = Bytes(file);
    AddRows(*rs, 5, 100);
    SetCommitFault([](TCommitStep step, const QString&) {
        return step == TCommitStep::WriteRecord ? ENOSPC : 0;
    });
    EXPECT_THROW(CommitAppend(*rs, file), EDatabaseError);
    SetCommitFault({});
    EXPECT_FALSE(FinishInterruptedCommit(Record()).Found);
    EXPECT_EQ(Bytes(file), old);
    // The rows are still new to the file: the next save adds them.
    CommitAppend(*rs, file);
    TRecordSet read;
    read.LoadFromFile(file);
    EXPECT_EQ(read.RecordCount(), 105);
}

// A range read through the index gives every row of those days, as a full read filtered to
// them does, before and after rows are added to the file.
TEST_F(FileAppendTest, ARangeReadThroughTheIndexEqualsTheFullReadOfThoseDays) {
    auto rs = MakeHistory(4000); // 1000 days
    const QString file = Path("History.xml");
    rs->SaveToFile(file);
    ASSERT_TRUE(QFile::exists(TFileIndex::FileNameFor(file)));
    auto daysOf = [](TRecordSet& table, double from, double to) {
        QStringList rows;
        for (table.First(); !table.Eof(); table.Next()) {
            const double day = table.FieldByName(S("Day")).AsDateTime();
            if (day >= from && day < to + 1)
                rows << table.FieldByName(S("Project")).AsString() +
                            table.FieldByName(S("Code")).AsString();
        }
        return rows;
    };
    auto check = [&](double from, double to) {
        SCOPED_TRACE(QStringLiteral("%1 to %2").arg(from).arg(to).toStdString());
        TRecordSet full;
        full.LoadFromFile(file);
        TRecordSet range;
        range.IndexField = S("Day");
        range.AddField(S("Code"), TFieldType::String, 10);
        range.AddField(S("Description"), TFieldType::String, 40);
        range.AddField(S("Project"), TFieldType::Integer);
        range.AddField(S("Amount"), TFieldType::Currency);
        range.AddField(S("Done"), TFieldType::Boolean);
        range.AddField(S("Day"), TFieldType::DateTime);
        ASSERT_TRUE(range.LoadRangeFromFile(file, from, to));
        EXPECT_LT(range.RecordCount(), full.RecordCount());
        EXPECT_EQ(daysOf(range, from, to), daysOf(full, from, to));
    };
    check(FirstDay + 100, FirstDay + 465);
    check(FirstDay, FirstDay);
    AddRows(*rs, 40, 4000); // days 1000 to 1009
    CommitAppend(*rs, file);
    check(FirstDay + 990, FirstDay + 1020);

    // A file written again without its index (by another installation) is read whole: the
    // index no longer fits it.
    TRecordSet plain;
    plain.AddField(S("Day"), TFieldType::DateTime);
    plain.CreateDataSet();
    plain.Append();
    plain.FieldByName(S("Day")).SetAsDateTime(FirstDay);
    plain.Post();
    plain.SaveToFile(file); // no IndexField: the old index stays beside it
    TRecordSet range;
    range.IndexField = S("Day");
    range.AddField(S("Day"), TFieldType::DateTime);
    EXPECT_FALSE(range.LoadRangeFromFile(file, FirstDay, FirstDay + 10));
}

// Undoing a batch of changes puts back every row changed, added or deleted, where it stood,
// from a record of those rows only; the file's rows are known again, so nothing needs saving.
TEST_F(FileAppendTest, UndoingABatchPutsEveryRowBackFromTheRecordOfChanges) {
    auto rs = MakeHistory(30);
    const QString file = Path("History.xml");
    rs->SaveToFile(file);
    const QByteArray before = rs->SaveToBytes();
    auto other = rs->Clone();

    rs->BeginUndoRecord();
    ASSERT_TRUE(rs->UndoRecording());
    rs->SetRecNo(5);
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S("changed"));
    rs->Post();
    rs->SetRecNo(5);
    rs->Edit();
    rs->FieldByName(S("Project")).SetAsInteger(999);
    rs->Post();
    rs->SetRecNo(10);
    rs->Delete();
    rs->SetRecNo(3);
    rs->Insert();
    rs->FieldByName(S("Code")).SetAsString(S("inserted"));
    rs->Post();
    AddTask(*rs, S("added"), 1);
    other->First();
    other->Delete(); // through another cursor over the same rows
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S("typed")); // never posted
    EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole);

    rs->UndoChanges();
    EXPECT_FALSE(rs->UndoRecording());
    EXPECT_EQ(rs->State(), TDataSetState::Browse);
    EXPECT_EQ(rs->SaveToBytes(), before);
    EXPECT_EQ(other->RecordCount(), 30);
    EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Nothing);

    // Kept changes stay, and a later undo has nothing to undo.
    rs->BeginUndoRecord();
    AddTask(*rs, S("kept"), 2);
    rs->EndUndoRecord();
    rs->UndoChanges();
    EXPECT_EQ(rs->RecordCount(), 31);
    EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Append);
}

TEST_F(FileAppendTest, RowsHeldForASaveOnAnotherThreadCannotChange) {
    auto rs = MakeHistory(10);
    {
        const TRecordSet::THold hold = rs->HoldRows();
        EXPECT_TRUE(rs->RowsHeld());
        rs->Append();
        rs->FieldByName(S("Code")).SetAsString(S("new"));
        EXPECT_THROW(rs->Post(), EDatabaseError);
        rs->Cancel();
        EXPECT_THROW(rs->Delete(), EDatabaseError);
    }
    EXPECT_FALSE(rs->RowsHeld());
    AddTask(*rs, S("new"), 1);
    EXPECT_EQ(rs->RecordCount(), 11);
}

// A save whose files are flushed by the commit (run on another thread) puts the same file in
// place; a row changed after the save was prepared is not in that file, so the next save
// writes it whole rather than thinking the file up to date.
TEST_F(FileAppendTest, ARowChangedWhileASaveWasUnderWayIsWrittenByTheNextSave) {
    auto rs = MakeTasks();
    AddTask(*rs, S("one"), 1);
    const QString file = Path("Tasks.xml");
    TFileCommit commit(Record());
    commit.Add(PrepareSave(*rs, file, TFileAccess::Private, TFlush::AtCommit));
    commit.Add(PrepareSave(*rs, Path("Other.xml"), TFileAccess::Private, TFlush::AtCommit));
    rs->Edit();
    rs->FieldByName(S("Code")).SetAsString(S("two"));
    rs->Post();
    commit.Commit();
    commit.RecordWritten();
    TRecordSet read;
    read.LoadFromFile(file);
    EXPECT_EQ(read.FieldByName(S("Code")).AsString(), S("one"));
    EXPECT_EQ(SaveNeeded(*rs, file), TFileSave::Whole);
    EXPECT_EQ(SaveNeeded(*rs, Path("Other.xml")), TFileSave::Whole);
}
