#pragma once
// The ADO persisted-recordset XML format of the store files:
//
//     <xml xmlns:s=… xmlns:dt=… xmlns:rs=… xmlns:z='#RowsetSchema'>
//     <s:Schema id='RowsetSchema'> … one s:AttributeType per data field … </s:Schema>
//     <rs:data> <z:row Field='value' …/> … </rs:data>
//     </xml>
//
// One z:row per row, one attribute per non-null data field (null = attribute absent). Field
// names that are not XML names are encoded as ADO does ("First Name" -> "First_x0020_Name").
// Values: integers in decimal, booleans 'True'/'False', date-times and times
// 'YYYY-MM-DDTHH:MM:SS' (a time is dated 1899-12-30; milliseconds are added only when not
// zero), floats in their shortest exact form, currencies as decimal text ('12.5'), blobs in
// hex, strings in UTF-8 with & < > ' and CR, LF, TAB written as references. Lines end in
// CR LF; the last line is exactly "</xml>".
//
// The reader is tolerant: other dt:type spellings (i4, i2, ui1, r8, number, dateTime.tz,
// date, time, bin.base64 …), rows inside rs:insert (new rows) and rs:update (the rs:original
// row with the columns of the changed row laid over it; a changed row without its original
// stands alone), rs:delete skipped, unknown elements and attributes ignored, namespace
// prefixes not checked. It is strict about everything that would lose data: malformed XML,
// a value that does not convert, a number outside its field's range, a string longer than
// its field, duplicate attributes.

#include "TField.h"
#include "TFileIndex.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class TRowStore;

struct TAdoFieldDef {
    QString Name;
    TFieldType Type = TFieldType::String;
    int Size = 0;
};

struct TAdoError {
    QString
        Reason; // e.g. "line 12, column 8: 'abc' is not a valid integer value for field 'JobId'"
};

struct TAdoDocument {
    std::shared_ptr<TRowStore> Store;
    std::vector<TAdoFieldDef> Fields; // the file's fields when no target was given
    QStringList DeclaredFields;       // the names of the fields the file's schema declares
};

struct TAdoReadOptions {
    // Filled with where each row lies in the document, in order, when the rows stand directly
    // in rs:data (Indexable); rows in rs:insert or rs:update, or anything else among the rows,
    // leave Indexable false.
    std::vector<TRowSpan>* RowSpans = nullptr;
    bool Indexable = true;
    // The length of the document's head, up to the first row (or the end of rs:data).
    qint64 DataStart = 0;
    // Called now and then with how far the reading has come (a byte offset); it may throw to
    // stop the reading.
    std::function<void(size_t offset)> Progress;
};

// Reads a whole document (UTF-8, a UTF-8 or UTF-16 byte order mark allowed). With a target
// the store's columns are the target's fields, filled from the file's fields of the same
// name (without regard to case); otherwise they are the file's fields. Raises TAdoError.
TAdoDocument ReadAdoXml(std::string_view document, const std::vector<TAdoFieldDef>* target,
                        TAdoReadOptions* options = nullptr);

// Writes the fields' schema and every live row of the store in natural order. Raises
// TAdoError when the device refuses the data. With spans, each row's place in the document.
void WriteAdoXml(const std::vector<TAdoFieldDef>& fields, const TRowStore& store, QIODevice& out,
                 std::vector<TRowSpan>* spans = nullptr);

// The head of a document of these fields, as WriteAdoXml writes it: everything before the
// first row.
std::string AdoXmlHead(const std::vector<TAdoFieldDef>& fields);
// The lines that close a document, as WriteAdoXml writes them.
inline constexpr std::string_view AdoXmlTail = "</rs:data>\r\n</xml>\r\n";
// Writes the rows of the store from the natural order's index first on, then the closing
// lines; with spans, each row's place counted from startOffset.
void WriteAdoXmlRows(const std::vector<TAdoFieldDef>& fields, const TRowStore& store, size_t first,
                     QIODevice& out, qint64 startOffset, std::vector<TRowSpan>* spans);
// Where the closing lines of a document begin, from its last bytes: the offset of
// "</rs:data>" within them, when only white space and "</xml>" follow it; -1 otherwise.
qint64 AdoXmlTailStart(std::string_view lastBytes);

// Day numbers and their ISO text ("2008-03-03T14:30:00"), shared with the dump.
std::string DayNumberToIso(double dayNumber);
bool IsoToDayNumber(std::string_view text, double& dayNumber);
