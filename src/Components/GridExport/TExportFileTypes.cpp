#include "TExportFileTypes.h"

#include "DAXJvDBGridXMLExport.h"
#include "TCsvGridExport.h"
#include "THtmlGridExport.h"
#include "TRtfGridExport.h"
#include "TXlsxGridExport.h"

#include <QFileInfo>

namespace {
struct TTypeInfo {
    const char* Label;
    const char* Patterns;
    const char* Extension;
};

const TTypeInfo Types[ExportTypeCount] = {
    {"HTML (*.htm;*.html)", "*.htm;*.html", ".htm"},
    {"CSV (*.csv;*.txt)", "*.csv;*.txt", ".csv"},
    {"MS Word (*.doc)", "*.doc", ".doc"},
    {"MS Excel (*.xls)", "*.xls", ".xls"},
    {"XML files (*.xml)", "*.xml", ".xml"},
};

const TTypeInfo* TypeInfo(int typeIndex) {
    return typeIndex >= 1 && typeIndex <= ExportTypeCount ? &Types[typeIndex - 1] : nullptr;
}
} // namespace

QString ExportDialogTitle() {
    return QStringLiteral("Export Data");
}

QString ExportDefaultFileName() {
    return QStringLiteral("ExportData.htm");
}

QString ExportDefaultSuffix() {
    return QStringLiteral("htm");
}

QString ExportTypeLabel(int typeIndex) {
    const TTypeInfo* info = TypeInfo(typeIndex);
    return info ? QLatin1String(info->Label) : QString();
}

QStringList ExportTypePatterns(int typeIndex) {
    const TTypeInfo* info = TypeInfo(typeIndex);
    return info ? QString(QLatin1String(info->Patterns)).split(QLatin1Char(';')) : QStringList();
}

QString ExportTypeExtension(int typeIndex) {
    const TTypeInfo* info = TypeInfo(typeIndex);
    return info ? QLatin1String(info->Extension) : QString();
}

QStringList ExportFilterEntries() {
    QStringList entries;
    for (int i = 1; i <= ExportTypeCount; ++i)
        entries << ExportTypeLabel(i) + QStringLiteral(" (") +
                       ExportTypePatterns(i).join(QLatin1Char(' ')) + QLatin1Char(')');
    return entries;
}

QString ExportFilter() {
    return ExportFilterEntries().join(QStringLiteral(";;"));
}

int ExportTypeOfFilter(const QString& filterEntry) {
    const QStringList entries = ExportFilterEntries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i] == filterEntry || ExportTypeLabel(i + 1) == filterEntry) return i + 1;
    }
    return 0;
}

QString ChangeExportExtension(const QString& typedName, int typeIndex) {
    const TTypeInfo* info = TypeInfo(typeIndex);
    if (!info) return {};
    const qsizetype slash =
        std::max(typedName.lastIndexOf(QLatin1Char('/')), typedName.lastIndexOf(QLatin1Char('\\')));
    const QString folder = typedName.left(slash + 1);
    QString name = typedName.mid(slash + 1);
    if (name.isEmpty()) return {};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) name.truncate(dot);
    return folder + name + QLatin1String(info->Extension);
}

std::unique_ptr<TGridExporter> CreateExporter(int typeIndex) {
    switch (typeIndex) {
    case int(TExportType::Html):
        return std::make_unique<THtmlGridExport>();
    case int(TExportType::Csv): {
        auto csv = std::make_unique<TCsvGridExport>();
        csv->Separator = QLatin1Char(',');
        return csv;
    }
    case int(TExportType::Word):
        return std::make_unique<TRtfGridExport>();
    case int(TExportType::Excel):
        return std::make_unique<TXlsxGridExport>();
    case int(TExportType::Xml):
        return std::make_unique<TDAXJvDBGridXMLExport>();
    default:
        return nullptr;
    }
}

bool ExportRecordSet(int typeIndex, TRecordSet& recordSet, const QList<TExportColumn>& columns,
                     const QString& fileName, const TExportProgressEvent& onProgress) {
    std::unique_ptr<TGridExporter> exporter = CreateExporter(typeIndex);
    if (!exporter) return false;
    exporter->OnProgress = onProgress;
    exporter->ExportGrid(FromRecordSet(recordSet, columns), fileName);
    return true;
}
