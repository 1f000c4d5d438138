#pragma once
// TRecordSet: an in-memory table in the manner of a Delphi client data set over an ADO client
// cursor. Typed fields (data, lookup, calculated), a cursor with browse / edit / insert states,
// the table and field events in Delphi TDataSet order, filters, sorting, locate, bookmarks,
// clones sharing the rows, observers for data-aware controls, and persistence in the ADO
// persisted-recordset XML format.
//
// Usage:
//     TRecordSet rs;
//     rs.AddField(QStringLiteral("Code"), TFieldType::String, 10);
//     rs.AddField(QStringLiteral("Amount"), TFieldType::Currency);
//     rs.CreateDataSet();                     // or rs.LoadFromFile(name)
//     rs.Append(); rs.FieldByName(QStringLiteral("Code")).SetAsString(QStringLiteral("GEN"));
//     rs.Post();
//     rs.SaveToFile(name);
//
// Rules worth knowing:
// - Moving to another row (First, Next, Locate, GotoBookmark, …) first posts a changed row and
//   drops an unchanged pending one (cancels the edit, or discards the unposted new row).
// - Edit on an empty record set starts a new row (Insert), as in Delphi.
// - Delete moves to the row that followed. Deleting the last row leaves the cursor on the new
//   last row with Eof true (Bof only when nothing is left), so the usual scan
//   "First(); while (!Eof()) { if (unwanted) { Delete(); continue; } Next(); }" sees every
//   row once. Other record sets sharing the rows follow the same rule when their row goes.
// - RecordCount does not count an unposted new row.
// - Filters compare strings WITHOUT regard to case, as ADO client-side filters do:
//   "TaskCode = 'gen'" selects a row holding "GEN". Sorting orders strings without regard to
//   case too (nulls first); lookup fields match their keys exactly; Locate ignores case only
//   when asked to.
// - A posted row stays visible until the filter or sort is set again, even if it no longer
//   matches (the ADO behaviour); rows added through a clone appear at the end of the other
//   record sets that share the rows, when they pass their filter.
// - Saving writes every row in natural order, whatever filter or sort is on; an unposted edit
//   is not written (post or commit first).

#include "TField.h"

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class TRowStore;
class TFilterExpression;
class TFileRead;

enum class TDataSetState { Inactive, Browse, Edit, Insert, CalcFields };

// A position that survives sorting and filtering; shared by clones. 0 means none.
using TBookmark = qint64;

struct TLocateOptions {
    bool CaseInsensitive = false;
    bool PartialKey = false; // a string key matches a value that begins with it
};

// Data-aware controls register an observer to hear about changes. Observers are not told
// anything while controls are disabled; the last EnableControls sends one DataSetChanged.
// An observer that dies first removes itself; a set that dies first tells its observers.
class IRecordSetObserver {
public:
    virtual ~IRecordSetObserver() = default;
    virtual void RecordChanged(TRecordSet&) {}         // the current row's values changed
    virtual void FieldChanged(TRecordSet&, TField&) {} // one field of the active buffer
    virtual void Scrolled(TRecordSet&) {}              // the cursor moved
    virtual void StateChanged(TRecordSet&) {}          // browse / edit / insert / inactive
    virtual void DataSetChanged(TRecordSet&) {}        // rows came or went, order changed
    virtual void Reloaded(TRecordSet&) {}              // opened, loaded, restored or closed
    // The record set is being destroyed; the observer must forget it (and not remove itself).
    virtual void RecordSetDestroyed(TRecordSet&) {}
};

class TRecordSet {
public:
    using TDataSetEvent = std::function<void(TRecordSet&)>;

    TRecordSet();
    ~TRecordSet();
    TRecordSet(const TRecordSet&) = delete;
    TRecordSet& operator=(const TRecordSet&) = delete;

    // Name used in error messages (e.g. the component name "adsTasks").
    QString Name;

    // ---- Field definitions (only while inactive) ----
    TField& AddField(const QString& name, TFieldType type, int size = 0);
    TField& AddCalculatedField(const QString& name, TFieldType type, int size = 0);
    TField& AddLookupField(const QString& name, TFieldType type, int size,
                           TRecordSet* lookupDataSet, const QString& keyFields,
                           const QString& lookupKeyFields, const QString& resultField);
    void ClearFields();
    int FieldCount() const { return int(FFields.size()); }
    TField& Fields(int index) const { return *FFields.at(size_t(index)); }
    TField* FindField(const QString& name) const;   // nullptr when there is none
    TField& FieldByName(const QString& name) const; // raises "Field 'X' not found"

    // ---- Opening and closing ----
    void CreateDataSet(); // opens empty with the defined fields
    void Close();
    bool Active() const;
    TDataSetState State() const { return FState; }

    // ---- Rows ----
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return FModified; }
    // Posts a changed row, drops an unchanged pending one; nothing in browse mode.
    void CheckBrowseMode();

    // ---- Cursor ----
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecordCount() const;
    int RecNo() const; // 1-based; -1 when there is no current row or a new row is pending
    void SetRecNo(int recNo);
    TBookmark GetBookmark() const;
    bool BookmarkValid(TBookmark bookmark) const;
    void GotoBookmark(TBookmark bookmark);
    // Makes one row the active buffer while fn runs (calculated fields computed for it),
    // without moving the cursor or raising events; for grids that paint many rows.
    void WithRecord(int recNo, const std::function<void()>& fn);
    // The stored value of a data field in a row (1-based, as RecNo), read straight from the
    // rows: no cursor moved, nothing calculated; the row being edited gives its stored value
    // too, not its edit buffer. For sums over every row.
    TValue StoredValue(int recNo, const TField& field) const;

    // ---- Searching ----
    // keyFields "A;B;C"; values one per key (a single value for one key).
    bool Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options = {});
    bool Locate(const QString& keyFields, const QVariant& value, TLocateOptions options = {});
    // The result field of the first row matching exactly, without moving; null if none.
    QVariant Lookup(const QString& keyFields, const QVariantList& values,
                    const QString& resultField);

    // ---- Filter and sort ----
    const QString& Filter() const { return FFilterText; }
    // Parses the text at once; a malformed text raises EDatabaseError and changes nothing.
    void SetFilter(const QString& text);
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool filtered);
    const QString& Sort() const { return FSortText; }
    // "A,B DESC,C ASC": data fields, stable; the empty text restores the natural order.
    void SetSort(const QString& text);

    // ---- Clones ----
    // A record set over the same rows with the same field definitions, its own cursor, filter
    // and sort (none at first) and no events. Changes through either are seen by both.
    std::unique_ptr<TRecordSet> Clone() const;

    // ---- Controls ----
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    void AddObserver(IRecordSetObserver* observer);
    void RemoveObserver(IRecordSetObserver* observer);
    int Tag = 0;

    // ---- Pending changes ----
    // Posts a changed pending row (drops an unchanged one), then accepts every change.
    void CommitUpdates();
    bool HasPendingChanges() const;

    // ---- Undoing a batch of changes ----
    // From BeginUndoRecord on, every row changed, inserted or deleted through any record set
    // sharing these rows is recorded: the row as it was, never a copy of the table.
    // UndoChanges drops a pending row and puts every recorded row back as it was, where it
    // stood in the natural order (a row deleted comes back with its bookmark), without running
    // the table's events; EndUndoRecord keeps the changes. Both stop recording. What a file
    // read or written before holds is known again after an undo, unless a save came between.
    void BeginUndoRecord();
    void UndoChanges();
    void EndUndoRecord();
    bool UndoRecording() const;

    // ---- Rows read by another thread ----
    // While a hold lasts (a save writing the rows in the background), the rows must not change:
    // posting or deleting raises EDatabaseError. Taken and released on the set's own thread.
    class THold {
    public:
        THold() = default;
        explicit THold(std::shared_ptr<TRowStore> store);
        THold(THold&& other) noexcept;
        THold& operator=(THold&& other) noexcept;
        THold(const THold&) = delete;
        THold& operator=(const THold&) = delete;
        ~THold();
        void Release();

    private:
        std::shared_ptr<TRowStore> FStore;
    };
    THold HoldRows() const;
    bool RowsHeld() const;

    // ---- Persistence (ADO persisted-recordset XML) ----
    // Saving writes to a temporary file in the same directory, flushes it to disk and renames
    // it over the old file. Loading replaces the rows only when the whole file is good;
    // otherwise it raises EDatabaseError naming the file and the reason and changes nothing.
    // A record set without fields takes its fields from the file's schema; one with fields
    // reads the file's columns into its data fields by name.
    void SaveToFile(const QString& fileName) const;
    void SaveToStream(QIODevice& device) const;
    QByteArray SaveToBytes() const;
    void LoadFromFile(const QString& fileName);
    // Checks the fields a file declares before its rows replace the record set's: a non-empty
    // result refuses the file with that reason, as a damaged file is refused.
    std::function<QString(const QStringList& fileFields)> FileFieldsCheck;
    void LoadFromStream(QIODevice& device);
    void LoadFromBytes(const QByteArray& data,
                       const QString& sourceName = QStringLiteral("stream"));
    // A date-time field by whose day the rows of the set's file are indexed in a file beside
    // it (TFileIndex.h); saves keep the index up to date. Empty: no index.
    QString IndexField;
    // Reads only the rows of the file whose IndexField lies on a day from fromDay to toDay
    // (whole day numbers), and maybe a few more of days nearby, through the file's index. False,
    // with nothing changed, when the file has no index that fits it as it is now.
    bool LoadRangeFromFile(const QString& fileName, double fromDay, double toDay);
    // Raises what LoadFromFile would raise for the file's head (its schema): a file that is
    // not a store document, or another table's, is refused before its rows are read.
    void CheckFileHead(const QString& fileName) const;
    // Reading a file in two halves, so that a large table can be read on another thread:
    //     auto read = table.PrepareRead(fileName); // on the table's thread
    //     read->Run();                             // on any thread; touches no record set
    //     table.AdoptRead(*read);                  // on the table's thread, as LoadFromFile
    // AdoptRead raises what LoadFromFile would have raised.
    std::unique_ptr<TFileRead> PrepareRead(const QString& fileName) const;
    void AdoptRead(TFileRead& read);

    // ---- Events (Delphi TDataSet order) ----
    TDataSetEvent BeforeInsert, OnNewRecord, AfterInsert, BeforeEdit, AfterEdit, BeforePost,
        AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll,
        OnCalcFields;

    // Storage statistics for benchmarks: bytes held by the rows.
    size_t MemoryUsage() const;

private:
    friend class TField;
    friend class TRecordSetInternals;

    TField& AddFieldDef(const QString& name, TFieldType type, int size, TFieldKind kind);
    void CheckInactive() const;
    void CheckActive() const;
    void CheckRowsWritable() const;
    void AfterRowsRestored(bool toFirst);
    [[noreturn]] void Error(const QString& message) const;
    void Attach(std::shared_ptr<TRowStore> store);
    void Detach();
    void AfterOpen();
    void SetState(TDataSetState state);
    enum TNote {
        RecordChangedNote,
        FieldChangedNote,
        ScrolledNote,
        StateChangedNote,
        DataSetChangedNote,
        ReloadedNote
    };
    void Notify(TNote what, TField* field = nullptr);
    void RunEvent(const TDataSetEvent& event) {
        if (event) event(*this);
    }

    int ViewSize() const;
    quint32 ViewSlot(int index) const;
    void RebuildView();
    bool RowPasses(quint32 slot) const;
    void MoveTo(int index, bool bof, bool eof);
    void CalculateFields();
    void WithSlot(quint32 slot, const std::function<void()>& fn) const;
    void BeginInsert(bool append);
    std::vector<int> ResolveKeys(const QString& keyFields) const;
    bool RowMatches(quint32 slot, const std::vector<int>& fields, const std::vector<TValue>& values,
                    TLocateOptions options) const;
    void ReplaceStore(std::shared_ptr<TRowStore> store);

    // Called by the store's other record sets.
    void OnRowInserted(quint32 slot, size_t orderIndex);
    void OnRowDeleted(quint32 slot, size_t orderIndex);
    void OnRowChanged(quint32 slot);
    void ShareRowInserted(quint32 slot, size_t orderIndex);
    void ShareRowDeleted(quint32 slot, size_t orderIndex);
    void ShareRowChanged(quint32 slot);

    // Active buffer access for TField.
    TValue ReadField(const TField& field) const;
    TValue ReadLookup(const TField& field) const;
    TValue ReadStoredField(const TField& field) const;
    void WriteField(TField& field, TValue value);

    std::vector<std::unique_ptr<TField>> FFields;
    QHash<QString, int> FFieldIndex; // case-folded field name -> index in FFields
    int FDataColumns = 0;
    std::shared_ptr<TRowStore> FStore;
    TDataSetState FState = TDataSetState::Inactive;
    TDataSetState FStateBeforeCalc = TDataSetState::Inactive;

    // The view: positions into the store's natural order, or an own list of slots when a
    // filter or a sort is on.
    bool FNatural = true;
    std::vector<quint32> FView;
    int FCur = -1;
    bool FBof = true, FEof = true;

    // Edit and insert state.
    std::vector<TValue> FEditBuffer; // one per data column
    quint32 FEditSlot = 0;
    bool FModified = false;
    int FInsertIndex = 0;
    bool FInsertAppend = false;
    int FCursorBeforeInsert = -1;

    // Calculated values of the active row, one per field (only calculated ones are used).
    std::vector<TValue> FCalcBuffer;
    std::vector<TValue>* FActiveCalc = &FCalcBuffer;
    qint64 FOverrideSlot = -1; // WithRecord: the slot being read
    const TField* FValidatingField = nullptr;
    const TValue* FValidatingValue = nullptr;

    QString FFilterText;
    bool FFiltered = false;
    std::shared_ptr<TFilterExpression> FFilter;
    QString FSortText;
    std::vector<std::pair<int, bool>> FSortKeys; // column, descending

    int FDisableCount = 0;
    bool FChangedWhileDisabled = false;
    std::vector<IRecordSetObserver*> FObservers;
};

// Keeps a record set's bound controls from repainting for a pass over its rows, whatever
// happens in the pass.
class TControlsSuspended {
public:
    explicit TControlsSuspended(TRecordSet& table) : FTable(table) { FTable.DisableControls(); }
    ~TControlsSuspended() { FTable.EnableControls(); }
    TControlsSuspended(const TControlsSuspended&) = delete;
    TControlsSuspended& operator=(const TControlsSuspended&) = delete;

private:
    TRecordSet& FTable;
};

// A file read apart from any record set (TRecordSet::PrepareRead).
class TFileRead {
public:
    TFileRead();
    ~TFileRead();
    TFileRead(const TFileRead&) = delete;
    TFileRead& operator=(const TFileRead&) = delete;

    // Writes the file's index again when the one beside it does not fit (or is missing): for a
    // program that owns the folder. A failure to write it costs only the index.
    bool RefreshIndex = false;
    // Set from another thread to stop the reading; AdoptRead then raises.
    std::atomic<bool> Cancelled{false};
    // Reads the file; never raises (a failure is raised by AdoptRead).
    void Run();
    const QString& FileName() const { return FFileName; }
    bool Done() const { return FDone; }
    // Whether the reading failed (AdoptRead raises why).
    bool Failed() const;

private:
    friend class TRecordSet;
    friend class TRecordSetInternals;
    struct TData;
    QString FFileName;
    std::unique_ptr<TData> FData;
    bool FDone = false;
};
