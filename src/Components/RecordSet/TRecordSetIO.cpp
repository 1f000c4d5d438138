// Saving and loading of record sets: the ADO XML format through TAdoXml, atomic file writes.

#include "Components/Core/SysExceptions.h"
#include "TAdoXml.h"
#include "TFileCommit.h"
#include "TFilterExpression.h"
#include "TPreparedSave.h"
#include "TRecordSet.h"
#include "TRowStore.h"

#include <QBuffer>
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
} // namespace

// Gives the persistence code access to the store without making it public.
class TRecordSetInternals {
public:
    static const TRowStore& Store(const TRecordSet& rs) { return *rs.FStore; }
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
};

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

namespace {
[[noreturn]] void FailToWrite(const TRecordSet& rs, const QString& fileName,
                              const QString& reason) {
    const QString message =
        QStringLiteral("Cannot write '%1': %2").arg(QDir::toNativeSeparators(fileName), reason);
    throw EDatabaseError(rs.Name.isEmpty() ? message : rs.Name + QStringLiteral(": ") + message);
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
} // namespace

TPreparedSave::TPreparedSave(TPreparedSave&& other) noexcept
    : FFileName(std::move(other.FFileName)), FTemporaryName(std::move(other.FTemporaryName)),
      FCommitted(other.FCommitted), FHandedOver(other.FHandedOver) {
    other.FTemporaryName.clear();
}

TPreparedSave& TPreparedSave::operator=(TPreparedSave&& other) noexcept {
    if (this != &other) {
        Discard();
        FFileName = std::move(other.FFileName);
        FTemporaryName = std::move(other.FTemporaryName);
        FCommitted = other.FCommitted;
        FHandedOver = other.FHandedOver;
        other.FTemporaryName.clear();
    }
    return *this;
}

TPreparedSave::~TPreparedSave() {
    Discard();
}

void TPreparedSave::Discard() {
    if (!FCommitted && !FHandedOver && !FTemporaryName.isEmpty()) QFile::remove(FTemporaryName);
    FTemporaryName.clear();
}

void TPreparedSave::Rename() {
    if (FCommitted || FTemporaryName.isEmpty()) return;
    const QString target = QFileInfo(FFileName).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(FFileName);
    if (const int fault = CommitFault(TCommitStep::Rename, target))
        throw EDatabaseError(
            QStringLiteral("Cannot write '%1': %2").arg(shown, SystemErrorText(fault)));
    const QString failure = RenameReplacing(FTemporaryName, target);
    if (!failure.isEmpty())
        throw EDatabaseError(QStringLiteral("Cannot write '%1': %2").arg(shown, failure));
    FCommitted = true;
    FTemporaryName.clear();
    CommitFault(TCommitStep::Renamed, target);
}

void TPreparedSave::Commit() {
    if (FCommitted || FTemporaryName.isEmpty()) return;
    Rename();
    SyncFolder(QFileInfo(FFileName).absolutePath()); // the rename itself made durable
}

TPreparedSave PrepareSave(const TRecordSet& rs, const QString& fileName, TFileAccess access) {
    if (!rs.Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const QFileInfo info(fileName);
    // A rename over a folder fails only after the other files of a commit may be in place.
    if (info.isDir())
        FailToWrite(rs, fileName, QStringLiteral("a folder of that name is in the way"));
    // A temporary file beside the target: a crash or a full disk leaves either the old file or
    // the new one, never a mixture. It is made readable by its owner only.
    QTemporaryFile file(
        info.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    file.setAutoRemove(true);
    if (!file.open()) FailToWrite(rs, fileName, file.errorString());
    try {
        TDescriptorWriter writer(file.handle(), info.absoluteFilePath());
        WriteAdoXml(DataFieldDefs(rs), TRecordSetInternals::Store(rs), writer);
    } catch (const TAdoError& e) {
        FailToWrite(rs, fileName, e.Reason);
    }
#ifdef Q_OS_WIN
    if (!::FlushFileBuffers(HANDLE(_get_osfhandle(file.handle()))))
        FailToWrite(rs, fileName, QStringLiteral("the file could not be flushed to disk"));
#else
    if (::fsync(file.handle()) != 0) FailToWrite(rs, fileName, SystemErrorText(errno));
#endif
    QFile::Permissions permissions = OwnerOnly;
    if (access == TFileAccess::Shared)
        permissions = info.exists() ? QFile::permissions(fileName)
                                    : OwnerOnly | QFile::ReadGroup | QFile::ReadOther;
    file.setPermissions(permissions);
    file.close();
    TPreparedSave save;
    save.FFileName = fileName;
    save.FTemporaryName = file.fileName();
    file.setAutoRemove(false); // the prepared save owns it now
    return save;
}

void TRecordSet::SaveToFile(const QString& fileName) const {
    CheckActive();
    PrepareSave(*this, fileName).Commit();
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
    const QString shown = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.exists())
        Error(QStringLiteral("Cannot load '%1': the file does not exist").arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        Error(QStringLiteral("Cannot load '%1': %2").arg(shown, file.errorString()));
    const qint64 size = file.size();
    const std::vector<TAdoFieldDef> defs = DataFieldDefs(*this);
    TAdoDocument document;
    try {
        // Map the file rather than copy it: a large history then costs no second buffer.
        uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
        QByteArray copy;
        std::string_view view;
        if (mapped) {
            view = std::string_view(reinterpret_cast<const char*>(mapped), size_t(size));
        } else {
            copy = file.readAll();
            view = std::string_view(copy.constData(), size_t(copy.size()));
        }
        document = ReadAdoXml(view, defs.empty() ? nullptr : &defs);
        if (mapped) file.unmap(mapped);
    } catch (const TAdoError& e) {
        Error(QStringLiteral("Cannot load '%1': %2").arg(shown, e.Reason));
    }
    TRecordSetInternals::Replace(*this, std::move(document), shown);
}
