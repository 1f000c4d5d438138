#pragma once
// A small sales table (region, city, item, quantity) and helpers that read a laid-out report
// back as a list of band events.

#include "Components/RecordSet/TRecordSet.h"
#include "Components/ReportEngine/TReport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace ReportTest {

struct TRow {
    QString Region, City, Item;
    int Quantity;
};

inline std::unique_ptr<TRecordSet> MakeTable(const std::vector<TRow>& rows) {
    auto rs = std::make_unique<TRecordSet>();
    rs->AddField(QStringLiteral("Region"), TFieldType::String, 20);
    rs->AddField(QStringLiteral("City"), TFieldType::String, 20);
    rs->AddField(QStringLiteral("Item"), TFieldType::String, 100);
    rs->AddField(QStringLiteral("Quantity"), TFieldType::Integer);
    rs->CreateDataSet();
    for (const TRow& row : rows) {
        rs->Append();
        rs->FieldByName(QStringLiteral("Region")).SetAsString(row.Region);
        rs->FieldByName(QStringLiteral("City")).SetAsString(row.City);
        rs->FieldByName(QStringLiteral("Item")).SetAsString(row.Item);
        rs->FieldByName(QStringLiteral("Quantity")).SetAsInteger(row.Quantity);
        rs->Post();
    }
    rs->First();
    return rs;
}

// n rows "Item 1" … "Item n" with quantity i, all in one region and city.
inline std::unique_ptr<TRecordSet> MakeNumberedTable(int n) {
    std::vector<TRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back(
            {QStringLiteral("North"), QStringLiteral("Oslo"), QStringLiteral("Item %1").arg(i), i});
    return MakeTable(rows);
}

inline double Quantity(const TRecordSet& rs) {
    return rs.FieldByName(QStringLiteral("Quantity")).AsFloat();
}

inline QString BandCode(const TReportPrintedItem& item) {
    switch (item.Band) {
    case TReportBandKind::PageHeader:
        return QStringLiteral("PH");
    case TReportBandKind::GroupHeader:
        return QStringLiteral("H%1").arg(item.GroupLevel);
    case TReportBandKind::Detail:
        return QStringLiteral("D");
    case TReportBandKind::GroupFooter:
        return QStringLiteral("F%1").arg(item.GroupLevel);
    case TReportBandKind::Summary:
        return QStringLiteral("S");
    case TReportBandKind::PageFooter:
        return QStringLiteral("PF");
    }
    return {};
}

// Every text item of the given pages as "band:text", in printing order; page bands left out
// unless asked for.
inline QStringList Trace(const std::vector<TReportPage>& pages, bool withPageBands = false) {
    QStringList trace;
    for (const TReportPage& page : pages)
        for (const TReportPrintedItem& item : page.Items) {
            if (item.Kind == TReportItemKind::Line) continue;
            const bool pageBand = item.Band == TReportBandKind::PageHeader ||
                                  item.Band == TReportBandKind::PageFooter;
            if (pageBand && !withPageBands) continue;
            trace << BandCode(item) + QLatin1Char(':') + item.Text;
        }
    return trace;
}

// The output of a tool (pdftotext, pdffonts, pdfinfo), a null string when the tool is not
// installed, "<failed>" when it fails.
inline QString RunTool(const QString& tool, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(tool).isEmpty()) return {};
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace ReportTest
