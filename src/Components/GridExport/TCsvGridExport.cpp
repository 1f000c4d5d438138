#include "TCsvGridExport.h"

QString TCsvGridExport::FormulaSafe(const QString& value) {
    // Spreadsheets run a cell that starts with one of these as a formula (=HYPERLINK(…),
    // +cmd|…, @SUM(…)); an apostrophe in front makes them read it as the text it is.
    static const QString starters = QStringLiteral("=+-@\t\r");
    if (value.isEmpty() || !starters.contains(value.front())) return value;
    return QLatin1Char('\'') + value;
}

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
    if (!source.Fields.empty())
        putLine([&](size_t i) { return FormulaSafe(source.Fields[i].Title); });
    for (int r = 0; r < count; ++r) {
        const TExportRow& row = source.Rows[size_t(r)];
        putLine([&](size_t i) {
            const TExportField& field = source.Fields[i];
            if (!field.Exportable()) return QString();
            // A number's minus sign is no formula: numbers stay numbers for the spreadsheet.
            return field.Numeric() ? row[i].Text : FormulaSafe(row[i].Text);
        });
        ReportProgress(r + 1, count);
    }
}
