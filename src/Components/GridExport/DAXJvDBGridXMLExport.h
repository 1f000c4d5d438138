#pragma once
// The XML data packet: a DATAPACKET root (Version "1.0") holding METADATA/FIELDS with one FIELD
// per exported column (ATTRNAME, FIELDTYPE, WIDTH) and ROWDATA with one ROW per row, whose
// attributes are the values of the columns, named like their ATTRNAME.
//
// The layout is fixed to the byte: a declaration of version "1.0" and encoding "iso-8859-1",
// two blanks of indentation per level, CR LF line ends, elements without children in the short
// form "<X/>", and &, <, >, ' and " in attribute values as entity references. Characters the
// encoding lacks, and CR, LF and tab (which a reader would otherwise turn into blanks), are
// written as character references. A value holding a character XML cannot carry at all (a
// control character) stops the export with EExportError.
//
// Values as text: null empty; strings and memos as stored; integers in decimal digits;
// floats and currencies in the shortest general form with the regional decimal separator;
// Booleans "True" or "False"; date-times as the short date alone when there is no time of day,
// the long time alone when the date is 30 December 1899, otherwise the short date, a blank and
// the long time. Blob columns are listed in FIELDS but have no attribute in the rows.

#include "TGridExporter.h"

#include <vector>

class TField;

class TDAXJvDBGridXMLExport : public TGridExporter {
public:
    QString Caption() const override { return {}; }

    // A column title made into an attribute name: every character that cannot stand in an XML
    // name (a blank among them) becomes "_", and "_" goes before a name that cannot start as it
    // does. "Task Code" gives "Task_Code".
    static QString AttributeName(const QString& title);
    // The attribute names of the fields in order, made unique by "_2", "_3", … after the name
    // when two titles give the same name (a row cannot carry one attribute twice).
    static std::vector<QString> AttributeNames(const std::vector<TExportField>& fields);
    // The FIELDTYPE text of a field: its type's short name ("String", "Integer", …).
    static QString ClassNameNoT(const TField& field);
    // The text of one value in a row (see above).
    static QString ValueText(const TExportField& field, const QVariant& value);

protected:
    void DoExport(const TExportSource& source, QIODevice& device) override;
};
