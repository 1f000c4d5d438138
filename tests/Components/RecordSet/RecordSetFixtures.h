#pragma once
// Shared tables for the record-set tests.

#include "Components/Core/SysDateTime.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QString>
#include <QStringList>
#include <memory>

inline QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Code string(10), Description string(40), Project integer, Amount currency, Done boolean,
// Day date-time.
inline std::unique_ptr<TRecordSet> MakeTasks() {
    auto rs = std::make_unique<TRecordSet>();
    rs->AddField(S("Code"), TFieldType::String, 10);
    rs->AddField(S("Description"), TFieldType::String, 40);
    rs->AddField(S("Project"), TFieldType::Integer);
    rs->AddField(S("Amount"), TFieldType::Currency);
    rs->AddField(S("Done"), TFieldType::Boolean);
    rs->AddField(S("Day"), TFieldType::DateTime);
    rs->CreateDataSet();
    return rs;
}

inline void AddTask(TRecordSet& rs, const QString& code, int project, bool done = false,
                    double day = 0) {
    rs.Append();
    rs.FieldByName(S("Code")).SetAsString(code);
    rs.FieldByName(S("Project")).SetAsInteger(project);
    rs.FieldByName(S("Done")).SetAsBoolean(done);
    if (day != 0) rs.FieldByName(S("Day")).SetAsDateTime(day);
    rs.Post();
}

// The values of one field over the rows of the record set's view, in order.
inline QStringList Column(TRecordSet& rs, const char* field) {
    QStringList values;
    for (int recNo = 1; recNo <= rs.RecordCount(); ++recNo)
        rs.WithRecord(recNo, [&] { values << rs.FieldByName(S(field)).AsString(); });
    return values;
}
