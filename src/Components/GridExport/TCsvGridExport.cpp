#include "TCsvGridExport.h"

QString TCsvGridExport::Quoted(const QString& value, QChar separator) {
    const bool needsQuotes =
        value.contains(separator) || value.contains(QLatin1Char('"')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes) return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void TCsvGridExport::DoExport(const TExportSource& source, QIODevice& device) {
    const int count = int(source.Rows.size());
    ReportProgress(0, count);
    Put(device, QByteArrayLiteral("\xEF\xBB\xBF"));

    auto putLine = [&](auto&& textOf) {
        QString line;
        for (size_t i = 0; i < source.Fields.size(); ++i) {
            if (i > 0) line += Separator;
            line += Quoted(textOf(i), Separator);
        }
        line += QLatin1String("\r\n");
        Put(device, line.toUtf8());
    };
    if (!source.Fields.empty()) putLine([&](size_t i) { return source.Fields[i].Title; });
    for (int r = 0; r < count; ++r) {
        const TExportRow& row = source.Rows[size_t(r)];
        putLine([&](size_t i) { return source.Fields[i].Exportable() ? row[i].Text : QString(); });
        ReportProgress(r + 1, count);
    }
}
