#pragma once
// Time files: clients, projects and task codes carried from one installation to another. A
// time file is CR LF lines: "#1 Timer App", "_" + the file version, the clients table as a
// store document (ending with the line "</xml>"), "#2", the projects, "#3", the task codes,
// "#4". The sections pass through files of their own in the data directory
// (adsClients_tmp.xml, adsProjects_tmp.xml, adsTaskCodes_tmp.xml).

#include <QString>

class TdmTasks_Form;

struct TTimeFileImport {
    int Clients = 0, Projects = 0, TaskCodes = 0; // rows added
    QString Summary() const;                      // "added 2 clients, 3 projects, 7 task codes"
};

// Writes the three tables to a time file; raises an Exception naming the file on failure.
void ExportTimeFile(TdmTasks_Form& dm, const QString& fileName);
// Splits a time file into the three section files; false when it is no time file.
bool ExtractXml(const QString& dataDir, const QString& sFilename);
// Merges a time file into the store: clients, then each project with its task codes, adding
// what the store lacks. All three sections are checked before the first row is merged: a file
// that does not exist, is no time file, or has a section that cannot be read or lacks a field
// the merge reads raises an Exception naming the file and adds nothing. The section files are
// removed when the import ends, whatever its outcome.
TTimeFileImport ImportTimeFile(TdmTasks_Form& dm, const QString& fileName);
