// The history as the data module keeps it: read after the other tables (on another thread in
// the program, so that the windows come first), its ranges of dates, and the saves that must
// write it whole, which run on another thread while its rows are held unchanged.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TFileCommit.h"
#include "Components/RecordSet/TPreparedSave.h"

#include <QDir>
#include <QThread>
#include <cmath>

namespace {
const QString HistoryFileName = QStringLiteral("Reportingfile.xml");
} // namespace

// ---- Reading ----

void TdmTasks_Form::LoadHistory() {
    // Changes a failed save at the last ending kept aside come first, then the store's file.
    QString file;
    FHistoryFromUnsaved = false;
    if (!FUnsavedDir.isEmpty()) {
        file = FindStoreFile(FUnsavedDir, HistoryFileName);
        FHistoryFromUnsaved = !file.isEmpty();
    }
    if (file.isEmpty()) file = FindStoreFile(FStoreDir, HistoryFileName); // any spelling
    if (file.isEmpty()) {
        AdoptHistory(); // no history yet
        return;
    }
    if (FOptions.ReadOnly) {
        ReadHistoryBeside(file);
        return;
    }
    if (FOptions.HistoryInBackground) {
        // A file that is no history is said at once, with the other tables' problems, rather
        // than from behind the windows once they are up.
        try {
            adsReporting.CheckFileHead(file);
        } catch (const Exception& e) {
            ReportUnreadableFile(adsReporting, file, e.Message());
            AdoptHistory();
            return;
        }
    }
    FHistoryRead = adsReporting.PrepareRead(file);
    // The program that owns the folder writes the index again when it does not fit the file.
    FHistoryRead->RefreshIndex =
        !FOptions.ReadOnly && !FHistoryFromUnsaved &&
        QFileInfo(file).absolutePath() ==
            QFileInfo(FDirsObj->DataDir() + HistoryFileName).absolutePath();
    if (!FOptions.HistoryInBackground) {
        AdoptHistory();
        return;
    }
    TFileRead* read = FHistoryRead.get();
    FHistoryThread = QThread::create([read, before = FOptions.BeforeHistoryRead] {
        if (before) before();
        read->Run();
    });
    FHistoryThread->setObjectName(QStringLiteral("History reader"));
    connect(FHistoryThread, &QThread::finished, this, [this] { AdoptHistory(); });
}

void TdmTasks_Form::StartHistoryReading() {
    if (FHistoryThread && !FHistoryThread->isRunning() && !FHistoryThread->isFinished())
        FHistoryThread->start(QThread::LowPriority);
}

void TdmTasks_Form::ReadHistoryBeside(const QString& file) {
    // A command that only reads may run while the program adds rows to the history: for the
    // few milliseconds that takes, the file's end is being written (and its index does not fit
    // it yet). A file that cannot be read while a save is under way is read again a moment
    // later.
    constexpr int Attempts = 50, Pause = 100;
    const bool range = FOptions.HistoryFromDay || FOptions.HistoryToDay;
    for (int attempt = 1;; ++attempt) {
        if (range && !FHistoryFromUnsaved &&
            adsReporting.LoadRangeFromFile(file, FOptions.HistoryFromDay, FOptions.HistoryToDay))
            break; // only the dates asked for
        FHistoryRead = adsReporting.PrepareRead(file);
        FHistoryRead->Run();
        if (!FHistoryRead->Failed() || attempt == Attempts ||
            !QFileInfo::exists(CommitRecordFile()))
            break;
        FHistoryRead.reset();
        QThread::msleep(Pause);
    }
    AdoptHistory();
}

void TdmTasks_Form::AdoptHistory() {
    if (FHistoryThread) {
        FHistoryThread->wait();
        delete FHistoryThread;
        FHistoryThread = nullptr;
    }
    if (FHistoryRead) {
        const std::unique_ptr<TFileRead> read = std::move(FHistoryRead);
        try {
            adsReporting.AdoptRead(*read);
        } catch (const Exception& e) {
            ReportUnreadableFile(adsReporting, read->FileName(), e.Message());
        }
        if (FHistoryFromUnsaved && adsReporting.Active()) adsReporting.Tag = 1;
    } else if (FHistoryLoaded) {
        return; // read before
    }
    FHistoryLoaded = true;
    if (!adsReporting.Active()) adsReporting.CreateDataSet();
    adsReporting.Edit(); // as every table after loading
    Q_EMIT HistoryLoaded();
}

void TdmTasks_Form::EnsureHistory() {
    if (FHistoryRead) AdoptHistory();
}

TRecordSet& TdmTasks_Form::History() {
    EnsureHistory();
    return adsReporting;
}

std::unique_ptr<TRecordSet> TdmTasks_Form::HistoryBetween(double fromDay, double toDay) {
    auto rows = History().Clone();
    rows->SetFilter(QStringLiteral("DateTimeSubmitted >= %1 AND DateTimeSubmitted < %2")
                        .arg(DateToStr(std::floor(fromDay)), DateToStr(std::floor(toDay) + 1)));
    rows->SetFiltered(true);
    return rows;
}

// ---- Saving the history whole in the background ----

struct TdmTasks_Form::TBackgroundSave {
    std::unique_ptr<TFileCommit> Commit;
    std::unique_ptr<TSaveSource> Source; // the history, read by the thread
    QString Target;
    TRecordSet::THold Hold;
    std::vector<TPendingSave> Pending;
    bool SaveToAdmin = false;
    QThread* Thread = nullptr;
    QString Error;
};

void TdmTasks_Form::StopHistoryWork() {
    // A history still being read is not wanted any more; a save still writing is finished.
    if (FHistoryThread) {
        if (FHistoryRead) FHistoryRead->Cancelled = true;
        FHistoryThread->wait();
        delete FHistoryThread;
        FHistoryThread = nullptr;
    }
    FHistoryRead.reset();
    FSaveAgain = false;
    FinishBackgroundSave();
}

void TdmTasks_Form::WaitForHistorySave() {
    FinishBackgroundSave();
}

void TdmTasks_Form::FinishBackgroundSave() {
    if (!FBackgroundSave) return;
    const std::shared_ptr<TBackgroundSave> save = std::move(FBackgroundSave);
    save->Thread->wait();
    delete save->Thread;
    save->Source.reset();
    save->Hold.Release();
    if (save->Error.isEmpty()) {
        save->Commit->RecordWritten();
        if (save->SaveToAdmin) SaveSharedCopies(save->Pending);
        // Changes a failed save at exit kept aside are in the data folder now, unless a table
        // changed again meanwhile.
        bool allSaved = true;
        for (const TStoredTable& stored : StoredTables())
            allSaved = allSaved && !(stored.Table->Active() && stored.Table->Tag == 1);
        if (allSaved) RemoveUnsavedChanges();
    } else {
        // Nothing was replaced: every table of the save is written again next time.
        for (const TPendingSave& p : save->Pending)
            p.Stored->Table->Tag = 1;
    }
    Q_EMIT BackgroundSaveDone(save->Error);
    if (FSaveAgain && save->Error.isEmpty()) {
        FSaveAgain = false;
        try {
            SaveData(TSaveWait::Background);
        } catch (const Exception& e) {
            Q_EMIT BackgroundSaveDone(e.Message());
        }
    }
    FSaveAgain = false;
}

void TdmTasks_Form::SaveTables(const std::vector<TStoredTable>& tables, bool bSaveToAdmin,
                               TSaveWait wait) {
    // One save at a time: a save still writing in the background ends first.
    FinishBackgroundSave();
    // A save an earlier failure left decided is finished first; until it is, nothing else is
    // written (the failure is raised again).
    FinishInterruptedCommit(CommitRecordFile());
    std::vector<TPendingSave> pending;
    auto commit = std::make_unique<TFileCommit>(CommitRecordFile());
    // In the background the files are flushed to disk and put into place on another thread:
    // the interface only writes the changed tables' bytes (and the history's, when it must be
    // written whole, is written there too).
    const bool background = wait == TSaveWait::Background;
    const TFlush flush = background ? TFlush::AtCommit : TFlush::Now;
    const TStoredTable* whole = nullptr; // the history, to be written whole on another thread
    QString wholeTarget;
    // 1. Every changed table into its temporary file, readable by its owner only: the rows
    // added at the end of a table that had no other change, the whole table otherwise. A
    // failure here leaves every file as it was and every table marked: the next save tries
    // them all again.
    for (const TStoredTable& stored : tables) {
        // The journal's rows take in what was typed into the task rows posted just before.
        if (stored.Table == &adsJournal) SyncJournalTables();
        if (!stored.Table->Active()) continue;
        const bool complete = PostPendingChange(*stored.Table);
        if (!NeedsWriting(stored)) continue;
        const QString target = StoreWritePath(FDirsObj->DataDir(), stored.FileName);
        TFileSave need = SaveNeeded(*stored.Table, target);
        // Only the tables that grow without end take rows at their file's end; the others are
        // small, and written whole as they always were.
        const bool grows = stored.Table == &adsReporting || stored.Table == &adsJournalHistory;
        if (need == TFileSave::Append && !grows) need = TFileSave::Whole;
        switch (need) {
        case TFileSave::Nothing:
            if (complete) stored.Table->Tag = 0; // the file holds every row as it is
            continue;
        case TFileSave::Append:
            commit->Add(PrepareAppend(*stored.Table, target, flush));
            break;
        case TFileSave::Whole:
            if (background && stored.Table == &adsReporting) {
                whole = &stored;
                wholeTarget = target;
                continue;
            }
            commit->Add(PrepareSave(*stored.Table, target, TFileAccess::Private, flush));
            break;
        }
        pending.push_back({&stored, complete});
    }
    if (!background || (!whole && commit->Count() == 0)) {
        // 2. All into place or none. A failure keeps every table marked; one after the commit
        // was decided is finished by the next save or the next start.
        commit->Commit();
        commit->RecordWritten();
        for (const TPendingSave& p : pending)
            if (p.Complete) p.Stored->Table->Tag = 0;
        if (bSaveToAdmin) SaveSharedCopies(pending);
        return;
    }
    // The commit runs on another thread, and the history is written whole there when it must
    // be; the other tables are in their temporary files already and land with it. The
    // history's rows stay as they are until the save is done; every other table may change
    // meanwhile (a change marks it again for the next save).
    auto save = std::make_shared<TBackgroundSave>();
    if (whole) {
        save->Hold = whole->Table->HoldRows();
        save->Source = std::make_unique<TSaveSource>(*whole->Table);
        save->Target = wholeTarget;
        pending.push_back({whole, true});
    } else if (adsReporting.Active()) {
        // Rows added to the history are in the commit: none may follow them until it is done.
        save->Hold = adsReporting.HoldRows();
    }
    save->SaveToAdmin = bSaveToAdmin;
    for (const TPendingSave& p : pending)
        if (p.Complete) p.Stored->Table->Tag = 0;
    save->Pending = std::move(pending);
    save->Commit = std::move(commit);
    TBackgroundSave* running = save.get();
    save->Thread = QThread::create([running] {
        try {
            if (running->Source)
                running->Commit->Add(
                    running->Source->Prepare(running->Target, TFileAccess::Private));
            running->Commit->Commit();
        } catch (const Exception& e) {
            running->Error = e.Message();
        } catch (const std::bad_alloc&) {
            running->Error = QStringLiteral("there was not enough memory to write the history");
        }
    });
    save->Thread->setObjectName(QStringLiteral("Store writer"));
    connect(save->Thread, &QThread::finished, this, [this] { FinishBackgroundSave(); });
    FBackgroundSave = std::move(save);
    FBackgroundSave->Thread->start();
}

void TdmTasks_Form::SaveSharedCopies(const std::vector<TPendingSave>& pending) {
    // The shared first copies, for a user who has no files yet: meant to be read by the other
    // accounts of the install. Never refreshed, and a shared folder that cannot be written to
    // does not hold the user's own save back.
    if (FDirsObj->InstallType() != TInstallType::itStandard) return;
    for (const TPendingSave& p : pending) {
        const QString& name = p.Stored->FileName;
        if (!FindStoreFile(FDirsObj->AdminDataDir(), name).isEmpty()) continue;
        try {
            PrepareSave(*p.Stored->Table, FDirsObj->AdminDataDir() + name).Commit();
        } catch (const Exception&) {
        }
    }
}
