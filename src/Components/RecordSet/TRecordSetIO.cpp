// Saving and loading of record sets: the ADO XML format through TAdoXml, atomic file writes,
// rows added to a file's end, the index of a file by the day of a date field, reading a file
// on another thread and reading a range of days through the index.

#include "Components/Core/SysExceptions.h"
#include "TAdoXml.h"
#include "TFileCommit.h"
#include "TFileIndex.h"
#include "TFilterExpression.h"
#include "TPreparedSave.h"
#include "TRecordSet.h"
#include "TRowStore.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {
std::vector<TAdoFieldDef> DataFieldDefs(const TRecordSet& rs) {
    std::vector<TAdoFieldDef> defs;
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const TField& f = rs.Fields(i);
        if (f.FieldKind() == TFieldKind::Data)
            defs.push_back({f.FieldName(), f.DataType(), f.Size()});
    }
    return defs;
}

// The column of a field among the definitions, -1 when it is not there.
int ColumnOf(const std::vector<TAdoFieldDef>& defs, const QString& name) {
    if (name.isEmpty()) return -1;
    for (size_t i = 0; i < defs.size(); ++i)
        if (defs[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

qint64 ModifiedMSecs(const QFileInfo& info) {
    return info.lastModified().toMSecsSinceEpoch();
}

// The day of each row of the natural order from first on, by one column.
std::vector<qint32> DaysOf(const TRowStore& store, int column, size_t first) {
    std::vector<qint32> days;
    if (column < 0) return days;
    const TColumn& c = store.Columns[size_t(column)];
    days.reserve(store.Order.size() - std::min(first, store.Order.size()));
    for (size_t i = first; i < store.Order.size(); ++i) {
        const quint32 slot = store.Order[i];
        days.push_back(c.IsNull(slot) ? TFileIndex::NoDay : TFileIndex::DayOf(c.Floats[slot]));
    }
    return days;
}

// Where the rows begin in a document of this head: just past the <rs:data> tag.
qint64 DataStartOf(const std::string& head) {
    return qint64(head.rfind("<rs:data>") + 9);
}

[[noreturn]] void FailToWrite(const QString& name, const QString& fileName, const QString& reason) {
    const QString message =
        QStringLiteral("Cannot write '%1': %2").arg(QDir::toNativeSeparators(fileName), reason);
    throw EDatabaseError(name.isEmpty() ? message : name + QStringLiteral(": ") + message);
}

[[noreturn]] void FailToWrite(const TRecordSet& rs, const QString& fileName,
                              const QString& reason) {
    FailToWrite(rs.Name, fileName, reason);
}

// Writes to the temporary file's descriptor itself: a write that QFile completes only in part
// (a disk that fills up halfway) loses the system's reason, which the user must be told ("No
// space left on device", not "Unknown error").
class TDescriptorWriter : public QIODevice {
public:
    TDescriptorWriter(int handle, QString target) : FHandle(handle), FTarget(std::move(target)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (const int fault = CommitFault(TCommitStep::WriteTemporary, FTarget)) {
            setErrorString(SystemErrorText(fault));
            return -1;
        }
        qint64 done = 0;
        while (done < size) {
#ifdef Q_OS_WIN
            const auto written =
                ::_write(FHandle, data + done, unsigned(std::min<qint64>(size - done, 1 << 30)));
#else
            const auto written = ::write(FHandle, data + done, size_t(size - done));
#endif
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                setErrorString(SystemErrorText(written < 0 ? errno : ENOSPC));
                return -1;
            }
            done += written;
        }
        return done;
    }

private:
    int FHandle;
    QString FTarget;
};

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

// A temporary file beside a target, written and flushed to disk, then handed to a save.
class TTemporary {
public:
    TTemporary(const QString& name, const QString& target)
        : FName(name), FTarget(target),
          FFile(QFileInfo(target).absoluteDir().filePath(
              QStringLiteral(".%1.XXXXXX").arg(QFileInfo(target).fileName()))) {
        FFile.setAutoRemove(true);
        if (!FFile.open()) FailToWrite(name, target, FFile.errorString());
        FWriter = std::make_unique<TDescriptorWriter>(FFile.handle(),
                                                      QFileInfo(target).absoluteFilePath());
    }
    QIODevice& Writer() { return *FWriter; }
    void Write(const QByteArray& bytes) {
        if (FWriter->write(bytes) != bytes.size())
            FailToWrite(FName, FTarget, FWriter->errorString());
    }
    // The last bytes written (at most length of them).
    QByteArray LastBytes(qint64 length) {
        const qint64 size = FFile.size();
        const qint64 from = std::max<qint64>(0, size - length);
        QFile reader(FFile.fileName());
        if (!reader.open(QIODevice::ReadOnly) || !reader.seek(from)) return {};
        return reader.read(size - from);
    }
    qint64 Size() { return FFile.size(); }
    // Gives it the permissions given, flushed to disk now or by the commit; returns its name,
    // now the caller's.
    QString Finish(QFile::Permissions permissions, TFlush flush) {
        if (flush == TFlush::Now) {
            const QString failure = FlushToDisk(FFile);
            if (!failure.isEmpty()) FailToWrite(FName, FTarget, failure);
        }
        FFile.setPermissions(permissions);
        FFile.close();
        FFile.setAutoRemove(false);
        return FFile.fileName();
    }

private:
    QString FName;
    QString FTarget;
    QTemporaryFile FFile;
    std::unique_ptr<TDescriptorWriter> FWriter;
};

// Where a file's closing lines begin, from its last bytes; -1 when they are not as a document
// ends.
qint64 ClosingLinesAt(QFile& file) {
    const qint64 size = file.size();
    const qint64 length = std::min<qint64>(size, 256);
    if (!file.seek(size - length)) return -1;
    const QByteArray last = file.read(length);
    const qint64 at = AdoXmlTailStart(std::string_view(last.constData(), size_t(last.size())));
    return at < 0 ? -1 : size - length + at;
}

// Where the rows added since the file was read or written go: the offset of the file's closing
// lines; -1 when the file must be written whole, -2 when nothing needs writing.
qint64 AppendPlace(const TRecordSet& rs, const TRowStore& store, const QString& fileName) {
    const TFileMark& mark = store.File;
    const QFileInfo info(fileName);
    if (!mark.Known || mark.Dirty || mark.FileName != info.absoluteFilePath()) return -1;
    if (!info.isFile() || info.size() != mark.FileSize || ModifiedMSecs(info) != mark.FileModified)
        return -1;
    // No row of the file changed and none was put among them: the rows past the file's are
    // the new ones, and there may be none (or only some added and deleted again).
    if (mark.Rows == store.Order.size()) return -2;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    // The head must be the one the rows are written for.
    const std::string head = AdoXmlHead(DataFieldDefs(rs));
    if (file.read(qint64(head.size())) != QByteArray::fromStdString(head)) return -1;
    const qint64 at = ClosingLinesAt(file);
    return at >= qint64(head.size()) ? at : -1;
}

} // namespace

// Gives the persistence code access to the store without making it public.
class TRecordSetInternals {
public:
    static const std::shared_ptr<TRowStore>& Store(const TRecordSet& rs) { return rs.FStore; }
    static void Replace(TRecordSet& rs, TAdoDocument document, const QString& sourceName) {
        if (rs.FileFieldsCheck) {
            const QString refusal = rs.FileFieldsCheck(document.DeclaredFields);
            if (!refusal.isEmpty())
                rs.Error(QStringLiteral("Cannot load '%1': %2").arg(sourceName, refusal));
        }
        if (rs.FieldCount() == 0 || !document.Fields.empty()) {
            // The fields come from the file.
            rs.Close();
            rs.ClearFields();
            for (const TAdoFieldDef& def : document.Fields)
                rs.AddField(def.Name, def.Type, def.Size);
            rs.FFilter = TFilterExpression::Parse(rs.FFilterText, rs);
        }
        rs.ReplaceStore(std::move(document.Store));
    }
    [[noreturn]] static void Error(const TRecordSet& rs, const QString& message) {
        rs.Error(message);
    }
};

// ---------------------------------------------------------------- saving

void TRecordSet::SaveToStream(QIODevice& device) const {
    CheckActive();
    try {
        WriteAdoXml(DataFieldDefs(*this), *FStore, device);
    } catch (const TAdoError& e) {
        Error(e.Reason);
    }
}

QByteArray TRecordSet::SaveToBytes() const {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    return data;
}

TPreparedSave::TPreparedSave() = default;

TPreparedSave::TPreparedSave(TPreparedSave&& other) noexcept
    : FParts(std::move(other.FParts)), FCommitted(other.FCommitted), FHandedOver(other.FHandedOver),
      FFlushed(other.FFlushed), FStore(std::move(other.FStore)), FSlots(other.FSlots),
      FRows(other.FRows), FEdits(other.FEdits) {
    other.FParts.clear();
}

TPreparedSave& TPreparedSave::operator=(TPreparedSave&& other) noexcept {
    if (this != &other) {
        Discard();
        FParts = std::move(other.FParts);
        FCommitted = other.FCommitted;
        FHandedOver = other.FHandedOver;
        FFlushed = other.FFlushed;
        FStore = std::move(other.FStore);
        FSlots = other.FSlots;
        FEdits = other.FEdits;
        FRows = other.FRows;
        other.FParts.clear();
    }
    return *this;
}

TPreparedSave::~TPreparedSave() {
    Discard();
}

namespace {
const QString NoName;
}

const QString& TPreparedSave::FileName() const {
    return FParts.empty() ? NoName : FParts.front().Target;
}

const QString& TPreparedSave::TemporaryName() const {
    return FParts.empty() || FParts.front().Done ? NoName : FParts.front().Temporary;
}

bool TPreparedSave::Committed() const {
    return FCommitted;
}

bool TPreparedSave::IsAppend() const {
    return !FParts.empty() && FParts.front().AppendAt >= 0;
}

qint64 TPreparedSave::AppendAt() const {
    return FParts.empty() ? -1 : FParts.front().AppendAt;
}

void TPreparedSave::Discard() {
    if (!FCommitted && !FHandedOver)
        for (const TPart& part : FParts)
            if (!part.Done && !part.Temporary.isEmpty()) QFile::remove(part.Temporary);
    FParts.clear();
}

void TPreparedSave::PutInPlace() {
    if (FCommitted) return;
    for (TPart& part : FParts) {
        if (part.Done) continue;
        const QString target = QFileInfo(part.Target).absoluteFilePath();
        const QString shown = QDir::toNativeSeparators(part.Target);
        const bool append = part.AppendAt >= 0;
        const TCommitStep before = append ? TCommitStep::Append : TCommitStep::Rename;
        if (const int fault = CommitFault(before, target))
            throw EDatabaseError(
                QStringLiteral("Cannot write '%1': %2").arg(shown, SystemErrorText(fault)));
        const QString failure = append ? WriteIntoFile(part.Temporary, target, part.AppendAt)
                                       : RenameReplacing(part.Temporary, target);
        if (!failure.isEmpty())
            throw EDatabaseError(QStringLiteral("Cannot write '%1': %2").arg(shown, failure));
        if (append) QFile::remove(part.Temporary);
        part.Done = true;
        CommitFault(append ? TCommitStep::Appended : TCommitStep::Renamed, target);
    }
    FCommitted = true;
}

void TPreparedSave::FlushTemporaries() {
    if (FFlushed || FCommitted) return;
    for (const TPart& part : FParts) {
        if (part.Done) continue;
        QFile file(part.Temporary);
        QString failure = file.open(QIODevice::ReadWrite) ? FlushToDisk(file) : file.errorString();
        if (!failure.isEmpty())
            throw EDatabaseError(QStringLiteral("Cannot write '%1': %2")
                                     .arg(QDir::toNativeSeparators(part.Target), failure));
    }
    FFlushed = true;
}

void TPreparedSave::Commit() {
    if (FCommitted || FParts.empty()) return;
    FlushTemporaries();
    if (IsAppend())
        throw EDatabaseError(QStringLiteral("Cannot write '%1': rows added to a file need a "
                                            "commit record")
                                 .arg(QDir::toNativeSeparators(FileName())));
    PutInPlace();
    SyncFolder(QFileInfo(FileName()).absolutePath()); // the renames themselves made durable
}

void TPreparedSave::RecordWritten() {
    if (!FCommitted || !FStore || FParts.empty()) return;
    const QFileInfo info(FParts.front().Target);
    TFileMark& mark = FStore->File;
    mark.Known = info.isFile();
    // Rows changed while the file was being put in place (a save that ran on another thread)
    // are not in it: the next save writes it whole.
    mark.Dirty = FStore->Edits != FEdits;
    mark.Slots = FSlots;
    mark.Rows = FRows;
    mark.FileName = info.absoluteFilePath();
    mark.FileSize = info.size();
    mark.FileModified = ModifiedMSecs(info);
    ++mark.Generation;
}

namespace {
void CheckTarget(const TRecordSet& rs, const QString& fileName) {
    if (!rs.Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    // A rename over a folder fails only after the other files of a commit may be in place.
    if (QFileInfo(fileName).isDir())
        FailToWrite(rs, fileName, QStringLiteral("a folder of that name is in the way"));
}

QFile::Permissions PermissionsFor(const QString& fileName, TFileAccess access) {
    if (access == TFileAccess::Private) return OwnerOnly;
    return QFileInfo::exists(fileName) ? QFile::permissions(fileName)
                                       : OwnerOnly | QFile::ReadGroup | QFile::ReadOther;
}
} // namespace

struct TSaveSource::TData {
    QString Name, IndexField;
    std::vector<TAdoFieldDef> Defs;
    std::shared_ptr<TRowStore> Store;
};

TSaveSource::TSaveSource(const TRecordSet& rs) : FData(std::make_unique<TData>()) {
    if (!rs.Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    FData->Name = rs.Name;
    FData->IndexField = rs.IndexField;
    FData->Defs = DataFieldDefs(rs);
    FData->Store = TRecordSetInternals::Store(rs);
}

TSaveSource::~TSaveSource() = default;
TSaveSource::TSaveSource(TSaveSource&&) noexcept = default;
TSaveSource& TSaveSource::operator=(TSaveSource&&) noexcept = default;

TPreparedSave TSaveSource::Prepare(const QString& fileName, TFileAccess access,
                                   TFlush flush) const {
    const TData& d = *FData;
    // A rename over a folder fails only after the other files of a commit may be in place.
    if (QFileInfo(fileName).isDir())
        FailToWrite(d.Name, fileName, QStringLiteral("a folder of that name is in the way"));
    const TRowStore& store = *d.Store;
    const int indexColumn = ColumnOf(d.Defs, d.IndexField);
    std::vector<TRowSpan> spans;
    TPreparedSave save;
    // A temporary file beside the target: a crash or a full disk leaves either the old file or
    // the new one, never a mixture. It is made readable by its owner only.
    TTemporary data(d.Name, fileName);
    try {
        WriteAdoXml(d.Defs, store, data.Writer(), indexColumn >= 0 ? &spans : nullptr);
    } catch (const TAdoError& e) {
        FailToWrite(d.Name, fileName, e.Reason);
    }
    const QByteArray last =
        indexColumn >= 0 ? data.LastBytes(TFileIndex::TailLength) : QByteArray();
    const qint64 size = data.Size();
    save.FParts.push_back(
        {fileName, data.Finish(PermissionsFor(fileName, access), flush), -1, false});
    if (indexColumn >= 0) {
        TFileIndex index;
        index.Field = d.IndexField;
        const std::string head = AdoXmlHead(d.Defs);
        const qint64 dataStart = DataStartOf(head);
        index.Stamp = {size, dataStart,
                       TFileIndex::Digest(QByteArray(head.data(), qsizetype(dataStart))),
                       TFileIndex::TailDigestOf(last)};
        index.Runs = TFileIndex::RunsOf(spans, DaysOf(store, indexColumn, 0));
        const QString indexName = TFileIndex::FileNameFor(fileName);
        TTemporary indexFile(d.Name, indexName);
        indexFile.Write(index.Bytes());
        save.FParts.push_back(
            {indexName, indexFile.Finish(PermissionsFor(indexName, access), flush), -1, false});
    }
    save.FFlushed = flush == TFlush::Now;
    save.FEdits = store.Edits;
    save.FStore = d.Store;
    save.FSlots = store.SlotCount;
    save.FRows = store.Order.size();
    return save;
}

TPreparedSave PrepareSave(const TRecordSet& rs, const QString& fileName, TFileAccess access,
                          TFlush flush) {
    return TSaveSource(rs).Prepare(fileName, access, flush);
}

TFileSave SaveNeeded(const TRecordSet& rs, const QString& fileName) {
    if (!rs.Active()) return TFileSave::Nothing;
    const qint64 at = AppendPlace(rs, *TRecordSetInternals::Store(rs), fileName);
    return at == -2 ? TFileSave::Nothing : at >= 0 ? TFileSave::Append : TFileSave::Whole;
}

TPreparedSave PrepareAppend(const TRecordSet& rs, const QString& fileName, TFlush flush) {
    CheckTarget(rs, fileName);
    const std::shared_ptr<TRowStore>& store = TRecordSetInternals::Store(rs);
    const qint64 at = AppendPlace(rs, *store, fileName);
    if (at < 0) FailToWrite(rs, fileName, QStringLiteral("the file must be written whole"));
    const std::vector<TAdoFieldDef> defs = DataFieldDefs(rs);
    const int indexColumn = ColumnOf(defs, rs.IndexField);
    TFileIndex index;
    const bool indexed = indexColumn >= 0 && index.Read(fileName, rs.IndexField);
    std::vector<TRowSpan> spans;
    TPreparedSave save;
    TTemporary rows(rs.Name, fileName);
    try {
        WriteAdoXmlRows(defs, *store, store->File.Rows, rows.Writer(), at,
                        indexed ? &spans : nullptr);
    } catch (const TAdoError& e) {
        FailToWrite(rs, fileName, e.Reason);
    }
    QByteArray last;
    if (indexed) {
        // The last bytes of the file as it will be: its own before the closing lines, then the
        // rows added.
        last = rows.LastBytes(TFileIndex::TailLength);
        if (last.size() < TFileIndex::TailLength) {
            QFile file(fileName);
            const qint64 wanted = std::min<qint64>(at, TFileIndex::TailLength - last.size());
            if (file.open(QIODevice::ReadOnly) && file.seek(at - wanted))
                last.prepend(file.read(wanted));
        }
    }
    const qint64 size = rows.Size();
    save.FParts.push_back({fileName, rows.Finish(OwnerOnly, flush), at, false});
    if (indexed) {
        const std::vector<TIndexRun> runs =
            TFileIndex::RunsOf(spans, DaysOf(*store, indexColumn, store->File.Rows));
        TDataStamp stamp = index.Stamp;
        stamp.Size = at + size;
        stamp.TailDigest = TFileIndex::TailDigestOf(last);
        const QString indexName = TFileIndex::FileNameFor(fileName);
        TTemporary indexFile(rs.Name, indexName);
        indexFile.Write(TFileIndex::AppendBytes(runs, qint64(index.Runs.size()), stamp));
        save.FParts.push_back({indexName, indexFile.Finish(OwnerOnly, flush),
                               TFileIndex::AppendPosition(QFileInfo(indexName).size()), false});
    }
    save.FFlushed = flush == TFlush::Now;
    save.FEdits = store->Edits;
    save.FStore = store;
    save.FSlots = store->SlotCount;
    save.FRows = store->Order.size();
    return save;
}

void TRecordSet::SaveToFile(const QString& fileName) const {
    CheckActive();
    TPreparedSave save = PrepareSave(*this, fileName);
    save.Commit();
    save.RecordWritten();
}

// ---------------------------------------------------------------- loading

struct TFileRead::TData {
    std::vector<TAdoFieldDef> Defs;
    QString IndexField;
    TAdoDocument Document;
    QString Error; // the reason the file could not be read
    qint64 Size = 0, Modified = 0;
    QString AbsoluteName;
};

TFileRead::TFileRead() : FData(std::make_unique<TData>()) {}
TFileRead::~TFileRead() = default;

bool TFileRead::Failed() const {
    return FDone && !FData->Error.isEmpty();
}

namespace {
struct TCancelled {};

// Writes an index that fits the file read, when the one beside it does not.
void RefreshFileIndex(const QString& fileName, const QString& field, const TAdoDocument& document,
                      int column, const std::vector<TRowSpan>& spans, qint64 dataStart) {
    TFileIndex existing;
    if (existing.Read(fileName, field)) return;
    const std::vector<qint32> days = DaysOf(*document.Store, column, 0);
    if (days.size() != spans.size()) return;
    TFileIndex index;
    index.Field = field;
    index.Stamp = TFileIndex::StampOfFile(fileName, dataStart);
    if (index.Stamp.Size < 0) return;
    index.Runs = TFileIndex::RunsOf(spans, days);
    const QString indexName = TFileIndex::FileNameFor(fileName);
    QTemporaryFile file(QFileInfo(indexName).absoluteDir().filePath(
        QStringLiteral(".%1.XXXXXX").arg(QFileInfo(indexName).fileName())));
    if (!file.open()) return;
    const QByteArray bytes = index.Bytes();
    if (file.write(bytes) != bytes.size() || !file.flush()) return;
#ifndef Q_OS_WIN
    if (::fsync(file.handle()) != 0) return;
#endif
    file.setPermissions(QFileInfo::exists(indexName) ? QFile::permissions(indexName)
                                                     : QFile::permissions(fileName));
    file.close();
    if (RenameReplacing(file.fileName(), indexName).isEmpty()) {
        file.setAutoRemove(false);
        SyncFolder(QFileInfo(indexName).absolutePath());
    }
}
} // namespace

void TFileRead::Run() {
    TData& d = *FData;
    FDone = true; // whatever happens below, AdoptRead tells it
    const QString shown = QDir::toNativeSeparators(FFileName);
    QFile file(FFileName);
    if (!file.exists()) {
        d.Error = QStringLiteral("Cannot load '%1': the file does not exist").arg(shown);
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        d.Error = QStringLiteral("Cannot load '%1': %2").arg(shown, file.errorString());
        return;
    }
    const QFileInfo info(FFileName);
    d.AbsoluteName = info.absoluteFilePath();
    d.Size = info.size();
    d.Modified = ModifiedMSecs(info);
    const qint64 size = file.size();
    const int indexColumn = ColumnOf(d.Defs, d.IndexField);
    std::vector<TRowSpan> spans;
    TAdoReadOptions options;
    // Where each row lies is gathered only when the index must be written again: for a million
    // rows that is tens of megabytes.
    if (indexColumn >= 0 && RefreshIndex) {
        TFileIndex existing;
        if (!existing.Read(FFileName, d.IndexField)) options.RowSpans = &spans;
    }
    try {
        // Map the file rather than copy it: a large history then costs no second buffer. The
        // pages read are given back as the reading goes on, so that the file never counts in
        // full to the program's memory.
        uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
        QByteArray copy;
        std::string_view view;
        if (mapped) {
            view = std::string_view(reinterpret_cast<const char*>(mapped), size_t(size));
        } else {
            copy = file.readAll();
            view = std::string_view(copy.constData(), size_t(copy.size()));
        }
        size_t released = 0;
        options.Progress = [&](size_t offset) {
            if (Cancelled.load()) throw TCancelled();
#if defined(Q_OS_UNIX) && defined(MADV_DONTNEED)
            if (mapped) {
                const size_t page = size_t(::sysconf(_SC_PAGESIZE));
                const size_t upTo = (offset > (1u << 20) ? offset - (1u << 20) : 0) / page * page;
                if (upTo > released) {
                    ::madvise(mapped + released, upTo - released, MADV_DONTNEED);
                    released = upTo;
                }
            }
#else
            Q_UNUSED(released);
#endif
        };
        d.Document = ReadAdoXml(view, d.Defs.empty() ? nullptr : &d.Defs, &options);
        if (mapped) file.unmap(mapped);
    } catch (const TAdoError& e) {
        d.Error = QStringLiteral("Cannot load '%1': %2").arg(shown, e.Reason);
        return;
    } catch (const TCancelled&) {
        d.Error = QStringLiteral("Cannot load '%1': the reading was stopped").arg(shown);
        return;
    }
    if (options.RowSpans && options.Indexable && d.Document.Store)
        RefreshFileIndex(FFileName, d.IndexField, d.Document, indexColumn, spans,
                         options.DataStart);
}

std::unique_ptr<TFileRead> TRecordSet::PrepareRead(const QString& fileName) const {
    auto read = std::make_unique<TFileRead>();
    read->FFileName = fileName;
    read->FData->Defs = DataFieldDefs(*this);
    read->FData->IndexField = IndexField;
    return read;
}

void TRecordSet::AdoptRead(TFileRead& read) {
    TFileRead::TData& d = *read.FData;
    if (!read.FDone) read.Run();
    if (!d.Error.isEmpty()) Error(d.Error);
    TRecordSetInternals::Replace(*this, std::move(d.Document),
                                 QDir::toNativeSeparators(read.FFileName));
    TFileMark& mark = FStore->File;
    mark.Known = true;
    mark.Dirty = false;
    mark.Slots = FStore->SlotCount;
    mark.Rows = FStore->Order.size();
    mark.FileName = d.AbsoluteName;
    mark.FileSize = d.Size;
    mark.FileModified = d.Modified;
    ++mark.Generation;
}

void TRecordSet::LoadFromBytes(const QByteArray& data, const QString& sourceName) {
    const std::vector<TAdoFieldDef> defs = DataFieldDefs(*this);
    TAdoDocument document;
    try {
        document = ReadAdoXml(std::string_view(data.constData(), size_t(data.size())),
                              defs.empty() ? nullptr : &defs);
    } catch (const TAdoError& e) {
        Error(QStringLiteral("Cannot load '%1': %2").arg(sourceName, e.Reason));
    }
    TRecordSetInternals::Replace(*this, std::move(document), sourceName);
}

void TRecordSet::LoadFromStream(QIODevice& device) {
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        Error(QStringLiteral("Cannot load 'stream': %1").arg(device.errorString()));
    LoadFromBytes(device.readAll());
}

void TRecordSet::LoadFromFile(const QString& fileName) {
    const std::unique_ptr<TFileRead> read = PrepareRead(fileName);
    read->Run();
    AdoptRead(*read);
}

void TRecordSet::CheckFileHead(const QString& fileName) const {
    // The head of a store file is short: its schema, then "<rs:data>".
    constexpr qint64 MostHead = 1 << 20;
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Error(QStringLiteral("Cannot load '%1': %2").arg(shown, file.errorString()));
    // Read in steps: a history of hundreds of megabytes has a head of a few kilobytes.
    constexpr qint64 Step = 1 << 14;
    QByteArray head;
    qsizetype dataAt = -1;
    while (head.size() < MostHead) {
        const QByteArray more = file.read(std::min<qint64>(Step, MostHead - head.size()));
        if (more.isEmpty()) break;
        const qsizetype from = std::max<qsizetype>(0, head.size() - 8);
        head += more;
        dataAt = head.indexOf("<rs:data>", from);
        if (dataAt >= 0) break;
    }
    // A head longer than any schema: the whole reading says what is wrong. A short file
    // without rows is read as it is.
    if (dataAt < 0 && head.size() == MostHead) return;
    const QByteArray document = dataAt < 0 ? head : head.left(dataAt) + "<rs:data></rs:data></xml>";
    try {
        const std::vector<TAdoFieldDef> defs = DataFieldDefs(*this);
        const TAdoDocument read =
            ReadAdoXml(std::string_view(document.constData(), size_t(document.size())), &defs);
        const QString refusal = FileFieldsCheck ? FileFieldsCheck(read.DeclaredFields) : QString();
        if (!refusal.isEmpty()) Error(QStringLiteral("Cannot load '%1': %2").arg(shown, refusal));
    } catch (const TAdoError& e) {
        Error(QStringLiteral("Cannot load '%1': %2").arg(shown, e.Reason));
    }
}

bool TRecordSet::LoadRangeFromFile(const QString& fileName, double fromDay, double toDay) {
    if (IndexField.isEmpty()) return false;
    TFileIndex index;
    if (!index.Read(fileName, IndexField)) return false;
    const qint32 from = TFileIndex::DayOf(fromDay), to = TFileIndex::DayOf(toDay);
    const std::vector<TIndexRun> runs = index.RunsWithin(from, to);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The file's head, the runs' rows and the closing lines make a document of those rows.
    QByteArray document = file.read(index.Stamp.DataStart);
    if (document.size() != index.Stamp.DataStart) return false;
    qint64 expected = 0;
    for (size_t i = 0; i < runs.size();) {
        qint64 begin = runs[i].Offset, end = runs[i].Offset + runs[i].Length;
        expected += runs[i].Rows;
        // Neighbouring runs are read together.
        for (++i; i < runs.size() && runs[i].Offset - end <= 16; ++i) {
            end = runs[i].Offset + runs[i].Length;
            expected += runs[i].Rows;
        }
        if (!file.seek(begin)) return false;
        document += "\r\n\t";
        const QByteArray rows = file.read(end - begin);
        if (rows.size() != end - begin) return false;
        document += rows;
    }
    document += "\r\n";
    document.append(AdoXmlTail.data(), qsizetype(AdoXmlTail.size()));
    const std::vector<TAdoFieldDef> defs = DataFieldDefs(*this);
    TAdoDocument read;
    try {
        read = ReadAdoXml(std::string_view(document.constData(), size_t(document.size())), &defs);
    } catch (const TAdoError&) {
        return false; // the index did not fit after all: the file is read whole
    }
    if (qint64(read.Store->SlotCount) != expected) return false;
    TRecordSetInternals::Replace(*this, std::move(read), QDir::toNativeSeparators(fileName));
    return true;
}
