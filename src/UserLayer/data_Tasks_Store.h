#pragma once
// File helpers of the store: names found without regard to case (the store's two spellings of
// each file name must name one file on every platform) and unreadable files kept aside.

#include <QString>
#include <QStringList>

// The path of the file in dir whose name equals name without regard to case, preferring the
// exact spelling; empty when there is none. An empty dir means the current directory.
QString FindStoreFile(const QString& dir, const QString& name);
// Where a table is written: an existing file of that name in any letter case, else dir + name.
QString StoreWritePath(const QString& dir, const QString& name);
// Renames an unreadable file that lies in dataDir to "<name>.unreadable-<yyyyMMdd-HHmm>" (with
// a counter if that exists) and returns the new path; empty when it was left where it is.
QString KeepUnreadableFile(const QString& fileName, const QString& dataDir);
// The names under which the store's files are looked for (one per table that has a file).
const QStringList& StoreFileNames();
// Whether dir (not empty) holds the file of any table of the store.
bool HoldsStoreFile(const QString& dir);

class TRecordSet;
// Why a file whose schema declares fileFields does not hold table's rows, empty when it does:
// one of keyFields (empty: the table's first data field) is missing, or the file both lacks
// fields of the table and declares fields the table does not have (another table's file). A
// file of an older version lacking newer fields, or of a newer one with more, is the table's.
QString FileFieldsRefusal(const TRecordSet& table, const QStringList& keyFields,
                          const QStringList& fileFields);
