#include "Application_Details_Unit.h"

#include "Version_Table.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

const QStringList sApplicationDetailsString = {
    QStringLiteral("FileVersion"),           QStringLiteral("CompanyName"),
    QStringLiteral("FileDescription"),       QStringLiteral("InternalName"),
    QStringLiteral("LegalCopyright"),        QStringLiteral("LegalTradeMarks"),
    QStringLiteral("OriginalFileName"),      QStringLiteral("ProductName"),
    QStringLiteral("ProductVersion"),        QStringLiteral("Comments"),
    QStringLiteral("CurrentProgramVersion"), QStringLiteral("CurrentDatabaseVersion"),
    QStringLiteral("VersionDetails")};

namespace {
constexpr char TableEnd = '\x04';
constexpr int MaxTableSize = 8192;

// The table in the executable. The marker is split in two in every literal below, so only
// this table holds it whole and a scan of the file finds the table, not the code.
[[gnu::used]] const char EmbeddedVersionTable[] = "\n@@TIVREL-VERSION"
                                                  "-TABLE@@\n"
                                                  "FileVersion=" TIVREL_FILE_VERSION "\n"
                                                  "CompanyName=" TIVREL_COMPANY "\n"
                                                  "FileDescription=" TIVREL_TITLE "\n"
                                                  "InternalName=\n"
                                                  "LegalCopyright=" TIVREL_COPYRIGHT "\n"
                                                  "LegalTrademarks=\n"
                                                  "OriginalFilename=\n"
                                                  "ProductName=" TIVREL_TITLE "\n"
                                                  "ProductVersion=" TIVREL_PRODUCT_VERSION "\n"
                                                  "Comments=\n"
                                                  "\x04";

using TVersionTable = QList<QPair<QString, QString>>;

#ifdef Q_OS_WIN
bool ReadVersionTable(const QString& fileName, TVersionTable& table) {
    const std::wstring path = fileName.toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<char> buffer(size); // released on every path
    if (!GetFileVersionInfoW(path.c_str(), 0, size, buffer.data())) return false;
    struct LangAndCodePage {
        WORD wLanguage;
        WORD wCodePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<LPVOID*>(&translation), &length) ||
        length < sizeof(LangAndCodePage))
        return false;
    const QString prefix = QStringLiteral("%1%2")
                               .arg(translation->wLanguage, 4, 16, QLatin1Char('0'))
                               .arg(translation->wCodePage, 4, 16, QLatin1Char('0'))
                               .toUpper();
    for (const QString& key : sApplicationDetailsString) { // Windows matches keys without case
        const std::wstring query =
            (QStringLiteral("\\StringFileInfo\\") + prefix + QLatin1Char('\\') + key)
                .toStdWString();
        wchar_t* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueW(buffer.data(), query.c_str(), reinterpret_cast<LPVOID*>(&value),
                           &valueLength))
            table.append(
                {key, QString::fromWCharArray(value, valueLength > 0 ? valueLength - 1 : 0)});
    }
    return true;
}
#else
bool ReadVersionTable(const QString& fileName, TVersionTable& table) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size <= 0) return false;
    const uchar* data = file.map(0, size);
    QByteArray copy;
    if (!data) { // not mappable: read it whole
        copy = file.readAll();
        data = reinterpret_cast<const uchar*>(copy.constData());
    }
    const QByteArray marker = VersionTableMarker();
    const char* begin = reinterpret_cast<const char*>(data);
    const char* end = begin + size;
    const std::boyer_moore_horspool_searcher searcher(marker.begin(), marker.end());
    const char* found = std::search(begin, end, searcher);
    if (found == end) return false;
    const char* tableBegin = found + marker.size();
    const char* limit = std::min(end, tableBegin + MaxTableSize);
    const char* tableEnd = std::find(tableBegin, limit, TableEnd);
    if (tableEnd == limit) return false;
    const QString text = QString::fromUtf8(tableBegin, tableEnd - tableBegin);
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = static_cast<int>(line.indexOf(QLatin1Char('=')));
        if (eq > 0) table.append({line.left(eq), line.mid(eq + 1)});
    }
    return true;
}
#endif

const QString* FindValue(const TVersionTable& table, const QString& key) {
    for (const auto& entry : table) {
        if (entry.first.compare(key, Qt::CaseInsensitive) == 0) return &entry.second;
    }
    return nullptr;
}

QString RunningExecutable() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                        : QStringLiteral("/proc/self/exe");
}
} // namespace

QByteArray VersionTableMarker() {
    return QByteArray("\n@@TIVREL-VERSION") + QByteArray("-TABLE@@\n");
}

QByteArray EncodeVersionTable(const QList<QPair<QString, QString>>& entries) {
    QByteArray out = VersionTableMarker();
    for (const auto& [key, value] : entries)
        out += (key + QLatin1Char('=') + value).toUtf8() + '\n';
    out += TableEnd;
    return out;
}

void GetProjectVersionInfo(QStringList& List, const QString& FileName, bool IncludeName) {
    List.clear();
    (void)EmbeddedVersionTable;
    TVersionTable table;
    if (!ReadVersionTable(FileName.isEmpty() ? RunningExecutable() : FileName, table)) return;
    for (const QString& key : sApplicationDetailsString) {
        const QString* value = FindValue(table, key);
        if (!value) continue;
        List.append(IncludeName ? key + QLatin1Char('=') + *value : *value);
    }
}

QString VersionDetail(const QStringList& List, int Index) {
    return Index >= 0 && Index < List.size() ? List.at(Index) : QString();
}

QString ProductNameAndVersion() {
    QStringList details;
    GetProjectVersionInfo(details, QString(), false);
    QString name = VersionDetail(details, 7);
    QString version = VersionDetail(details, 0);
    // A build whose table cannot be read still names itself.
    if (name.isEmpty()) name = QStringLiteral(TIVREL_TITLE);
    if (version.isEmpty()) version = QStringLiteral(TIVREL_FILE_VERSION);
    return name + QLatin1Char(' ') + version;
}
