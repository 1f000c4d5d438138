#pragma once
// "dump FILE": prints a store file as CSV so that users can inspect and repair their data and
// the file format can be checked from outside.

#include <QString>
#include <QTextStream>

class TRecordSet;

// Loads the file into a record set whose fields come from the file's schema and prints a
// header of the data field names in file order, then one line per row: integers in decimal,
// floats and currencies in their shortest exact decimal form with ".", booleans True/False,
// date-times and times as YYYY-MM-DDTHH:MM:SS, blobs in hex, null as nothing; fields quoted
// as RFC 4180 asks (a comma, a quote, CR or LF inside; quotes doubled). Control characters
// other than line ends (LF, CR LF) and TAB are printed as their pictures (U+2400 …), never raw
// to a terminal.
// Lines end in LF.
// Returns 0, or 1 after printing one line naming the file and the reason to err.
int DumpRecordSetFile(const QString& fileName, QTextStream& out, QTextStream& err);

// The CSV of an open record set's stored rows, as above.
void WriteRecordSetCsv(const TRecordSet& recordSet, QTextStream& out);
