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

#include <QIODevice>
#include <QString>
#include <QStringList>
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

// Reads a whole document (UTF-8, a UTF-8 or UTF-16 byte order mark allowed). With a target
// the store's columns are the target's fields, filled from the file's fields of the same
// name (without regard to case); otherwise they are the file's fields. Raises TAdoError.
TAdoDocument ReadAdoXml(std::string_view document, const std::vector<TAdoFieldDef>* target);

// Writes the fields' schema and every live row of the store in natural order. Raises
// TAdoError when the device refuses the data.
void WriteAdoXml(const std::vector<TAdoFieldDef>& fields, const TRowStore& store, QIODevice& out);

// Day numbers and their ISO text ("2008-03-03T14:30:00"), shared with the dump.
std::string DayNumberToIso(double dayNumber);
bool IsoToDayNumber(std::string_view text, double& dayNumber);
