#pragma once
// The program's version details, read from an executable's version resource.
//
// On Windows this is the real version resource. Elsewhere the executable carries an
// equivalent table, embedded at build time: a marker followed by "Key=Value" lines, found by
// scanning the file, so any file can be asked and a file without the table gives nothing.

#include <QString>
#include <QStringList>

// The 13 keys, in the order in which their values are listed.
extern const QStringList sApplicationDetailsString;

// Fills List with the values (or "Key=Value" when IncludeName) of the keys the file carries,
// in key order; a missing key adds nothing, so later entries move up. An empty FileName asks
// the running executable. Key names match without regard to case.
void GetProjectVersionInfo(QStringList& List, const QString& FileName, bool IncludeName);

// Entry Index of a version list, or an empty text when the list is shorter.
QString VersionDetail(const QStringList& List, int Index);

// "Tivrel 2.1.1.78": the product name and the file version of the running executable.
QString ProductNameAndVersion();

// The version table as it is embedded in a non-Windows executable; tests write it into files.
QByteArray VersionTableMarker();
QByteArray EncodeVersionTable(const QList<QPair<QString, QString>>& entries);
