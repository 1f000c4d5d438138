// Saving and loading of record sets: the ADO XML format through TAdoXml, atomic file writes.

#include "Components/Core/SysExceptions.h"
#include "TAdoXml.h"
#include "TFilterExpression.h"
#include "TPreparedSave.h"
#include "TRecordSet.h"
#include "TRowStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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
    static void Replace(TRecordSet& rs, TAdoDocument document) {
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

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

TPreparedSave::TPreparedSave(TPreparedSave&& other) noexcept
    : FFileName(std::move(other.FFileName)), FTemporaryName(std::move(other.FTemporaryName)),
      FCommitted(other.FCommitted) {
    other.FTemporaryName.clear();
}

TPreparedSave& TPreparedSave::operator=(TPreparedSave&& other) noexcept {
    if (this != &other) {
        Discard();
        FFileName = std::move(other.FFileName);
        FTemporaryName = std::move(other.FTemporaryName);
        FCommitted = other.FCommitted;
        other.FTemporaryName.clear();
    }
    return *this;
}

TPreparedSave::~TPreparedSave() {
    Discard();
}

void TPreparedSave::Discard() {
    if (!FCommitted && !FTemporaryName.isEmpty()) QFile::remove(FTemporaryName);
    FTemporaryName.clear();
}

void TPreparedSave::Commit() {
    if (FCommitted || FTemporaryName.isEmpty()) return;
    const QFileInfo info(FFileName);
    const QString shown = QDir::toNativeSeparators(FFileName);
#ifdef Q_OS_WIN
    const std::wstring from = QDir::toNativeSeparators(FTemporaryName).toStdWString();
    const std::wstring to = QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString();
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw EDatabaseError(QStringLiteral("Cannot write '%1': error %2")
                                 .arg(shown)
                                 .arg(qulonglong(::GetLastError())));
#else
    const QByteArray from = QFile::encodeName(FTemporaryName);
    const QByteArray to = QFile::encodeName(info.absoluteFilePath());
    if (::rename(from.constData(), to.constData()) != 0)
        throw EDatabaseError(QStringLiteral("Cannot write '%1': %2").arg(shown, SystemError()));
    // Make the rename itself durable.
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    const int dirHandle = ::open(dir.constData(), O_RDONLY);
    if (dirHandle >= 0) {
        ::fsync(dirHandle);
        ::close(dirHandle);
    }
#endif
    FCommitted = true;
    FTemporaryName.clear();
}

TPreparedSave PrepareSave(const TRecordSet& rs, const QString& fileName) {
    if (!rs.Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const QFileInfo info(fileName);
    // A temporary file beside the target: a crash or a full disk leaves either the old file or
    // the new one, never a mixture.
    QTemporaryFile file(
        info.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    file.setAutoRemove(true);
    if (!file.open()) FailToWrite(rs, fileName, file.errorString());
    try {
        WriteAdoXml(DataFieldDefs(rs), TRecordSetInternals::Store(rs), file);
    } catch (const TAdoError& e) {
        FailToWrite(rs, fileName, e.Reason);
    }
    if (!file.flush()) FailToWrite(rs, fileName, file.errorString());
#ifdef Q_OS_WIN
    if (!::FlushFileBuffers(HANDLE(_get_osfhandle(file.handle()))))
        FailToWrite(rs, fileName, QStringLiteral("the file could not be flushed to disk"));
#else
    if (::fsync(file.handle()) != 0) FailToWrite(rs, fileName, SystemError());
#endif
    const QFile::Permissions permissions =
        info.exists() ? QFile::permissions(fileName)
                      : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
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
    TRecordSetInternals::Replace(*this, std::move(document));
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
    TRecordSetInternals::Replace(*this, std::move(document));
}
