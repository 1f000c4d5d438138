#include "data_Tasks_Store.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QDir>
#include <QFileInfo>

QString FindStoreFile(const QString& dir, const QString& name) {
    const QString exact = dir + name;
    if (QFileInfo(exact).isFile()) return exact;
    const QDir directory(dir.isEmpty() ? QDir::currentPath() : dir);
    const QStringList entries = directory.entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir + entry;
    }
    return {};
}

QString StoreWritePath(const QString& dir, const QString& name) {
    const QString existing = FindStoreFile(dir, name);
    return existing.isEmpty() ? dir + name : existing;
}

QString KeepUnreadableFile(const QString& fileName, const QString& dataDir) {
    const QFileInfo file(fileName);
    if (!file.exists() || dataDir.isEmpty()) return {};
    if (QFileInfo(dataDir).canonicalFilePath() != file.absoluteDir().canonicalPath()) return {};
    const QString stamp = FormatDayNumber(QStringLiteral("yyyyMMdd-HHmm"), TClock::Now());
    QString target = fileName + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = fileName + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    return QFile::rename(fileName, target) ? target : QString();
}

const QStringList& StoreFileNames() {
    static const QStringList names = {
        QStringLiteral("UserTypesFile.xml"),     QStringLiteral("UserAuthorityFile.xml"),
        QStringLiteral("BillingTypesFile.xml"),  QStringLiteral("ClientTypesFile.xml"),
        QStringLiteral("ManagersFile.xml"),      QStringLiteral("UsersFile.xml"),
        QStringLiteral("ClientsFile.xml"),       QStringLiteral("ProjectsFile.xml"),
        QStringLiteral("TaskCodesfile.xml"),     QStringLiteral("Tasksfile.xml"),
        QStringLiteral("ReportingFile.xml"),     QStringLiteral("ReportsFile.xml"),
        QStringLiteral("DefaultsFile.xml"),      QStringLiteral("Journalfile.xml"),
        QStringLiteral("JournalHistoryfile.xml")};
    return names;
}

bool HoldsStoreFile(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) return false;
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries)
        for (const QString& name : StoreFileNames())
            if (entry.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString FileFieldsRefusal(const TRecordSet& table, const QStringList& keyFields,
                          const QStringList& fileFields) {
    QStringList own;
    for (int i = 0; i < table.FieldCount(); ++i)
        if (table.Fields(i).FieldKind() == TFieldKind::Data) own << table.Fields(i).FieldName();
    QStringList keys = keyFields;
    if (keys.isEmpty() && !own.isEmpty()) keys << own.first();
    QStringList missingKeys, missing, foreign;
    for (const QString& key : keys)
        if (!fileFields.contains(key, Qt::CaseInsensitive)) missingKeys << key;
    if (!missingKeys.isEmpty())
        return QStringLiteral("it is not a file of this table: it lacks the field%1 %2")
            .arg(missingKeys.size() == 1 ? QString() : QStringLiteral("s"),
                 missingKeys.join(QStringLiteral(", ")));
    for (const QString& field : own)
        if (!fileFields.contains(field, Qt::CaseInsensitive)) missing << field;
    for (const QString& field : fileFields)
        if (!own.contains(field, Qt::CaseInsensitive)) foreign << field;
    if (!missing.isEmpty() && !foreign.isEmpty())
        return QStringLiteral("it is not a file of this table: it has the fields %1 of another "
                              "table and lacks %2")
            .arg(foreign.join(QStringLiteral(", ")), missing.join(QStringLiteral(", ")));
    return {};
}
