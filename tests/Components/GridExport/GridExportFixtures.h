#pragma once
// A record set with every kind of awkward value, the grid columns over it, and helpers to run
// an export into a temporary folder and read files back.

#include "Components/Core/SysDateTime.h"
#include "Components/GridExport/TExportSource.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Readable strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace GridExportTest {

// Fields: Code (string), Task Notes (memo), Qty (integer), Rate (float), Amount (currency),
// Done (Boolean), Started (date-time), Spent (time), Secret (string, hidden in the grid),
// Picture (blob).
inline std::unique_ptr<TRecordSet> MakeTable() {
    auto rs = std::make_unique<TRecordSet>();
    rs->Name = QStringLiteral("adsSample");
    rs->AddField(QStringLiteral("Code"), TFieldType::String, 20);
    rs->AddField(QStringLiteral("Notes"), TFieldType::Memo);
    rs->AddField(QStringLiteral("Qty"), TFieldType::Integer);
    rs->AddField(QStringLiteral("Rate"), TFieldType::Float);
    rs->AddField(QStringLiteral("Amount"), TFieldType::Currency);
    rs->AddField(QStringLiteral("Done"), TFieldType::Boolean);
    rs->AddField(QStringLiteral("Started"), TFieldType::DateTime);
    rs->AddField(QStringLiteral("Spent"), TFieldType::Time);
    rs->AddField(QStringLiteral("Secret"), TFieldType::String, 10);
    rs->AddField(QStringLiteral("Picture"), TFieldType::Blob);
    rs->CreateDataSet();
    return rs;
}

struct TSampleRow {
    QString Code, Notes;
    QVariant Qty, Rate, Amount, Done, Started, Spent;
};

inline void AddRow(TRecordSet& rs, const TSampleRow& row) {
    rs.Append();
    rs.FieldByName(QStringLiteral("Code")).SetAsString(row.Code);
    rs.FieldByName(QStringLiteral("Notes")).SetAsString(row.Notes);
    rs.FieldByName(QStringLiteral("Qty")).SetValue(row.Qty);
    rs.FieldByName(QStringLiteral("Rate")).SetValue(row.Rate);
    rs.FieldByName(QStringLiteral("Amount")).SetValue(row.Amount);
    rs.FieldByName(QStringLiteral("Done")).SetValue(row.Done);
    rs.FieldByName(QStringLiteral("Started")).SetValue(row.Started);
    rs.FieldByName(QStringLiteral("Spent")).SetValue(row.Spent);
    rs.FieldByName(QStringLiteral("Secret")).SetAsString(QStringLiteral("hunter2"));
    rs.FieldByName(QStringLiteral("Picture")).SetAsBytes(QByteArrayLiteral("\x89PNG"));
    rs.Post();
}

// Three rows with quotes, commas, <, &, line breaks, letters outside ASCII, negative numbers,
// currencies, dates, times and nulls.
inline std::unique_ptr<TRecordSet> MakeAwkwardTable() {
    auto rs = MakeTable();
    AddRow(*rs, {QStringLiteral("GEN"), QStringLiteral("Say \"hi\", then <leave> & go"),
                 qlonglong(3), 2.5, 12.5, true,
                 EncodeDayNumber(QDate(2024, 3, 5), QTime(9, 30, 15)), EncodeTime(1, 45)});
    AddRow(*rs,
           {QStringLiteral("Ünïcødé €"), QStringLiteral("line one\r\nline two"), qlonglong(-42),
            -0.125, -1234.5, false, DateToDayNumber(QDate(2023, 12, 31)), EncodeTime(0, 0, 30)});
    AddRow(*rs, {QStringLiteral("it's"), QString(), QVariant(), QVariant(), QVariant(), QVariant(),
                 QVariant(), QVariant()});
    return rs;
}

// The grid's columns in its current order: Amount was moved before Qty, Secret is hidden and
// one column is bound to no field.
inline QList<TExportColumn> GridColumns() {
    return {
        {QStringLiteral("Code"), QStringLiteral("Task Code"), 64},
        {QStringLiteral("Notes"), QStringLiteral("Notes"), 120},
        {QStringLiteral("Amount"), QStringLiteral("Amount"), 70},
        {QStringLiteral("Qty"), QStringLiteral("Qty"), 40},
        {QStringLiteral("Rate"), QStringLiteral("Rate"), 50},
        {QStringLiteral("Done"), QStringLiteral("Done"), 40},
        {QStringLiteral("Started"), QStringLiteral("Started"), 110},
        {QStringLiteral("Spent"), QStringLiteral("Spent"), 60},
        {QStringLiteral("Secret"), QStringLiteral("Secret"), 60, false},
        {QString(), QStringLiteral("Unbound"), 60},
        {QStringLiteral("Picture"), QStringLiteral("Picture"), 60},
    };
}

inline QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

inline QString DataFile(const char* name) {
    return QStringLiteral(TIVREL_SOURCE_DIR "/tests/Components/GridExport/data/") +
           QLatin1String(name);
}

} // namespace GridExportTest
