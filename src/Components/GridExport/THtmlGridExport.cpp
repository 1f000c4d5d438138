#include "THtmlGridExport.h"

QString THtmlGridExport::Escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {
QString CellText(const QString& text) {
    QString html = THtmlGridExport::Escaped(text);
    html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    html.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}
} // namespace

void THtmlGridExport::DoExport(const TExportSource& source, QIODevice& device) {
    const int count = int(source.Rows.size());
    ReportProgress(0, count);
    const QString title = source.Title.isEmpty() ? QStringLiteral("Exported data") : source.Title;
    QString head = QStringLiteral("<!DOCTYPE html>\r\n"
                                  "<html>\r\n"
                                  "<head>\r\n"
                                  "<meta charset=\"utf-8\">\r\n"
                                  "<title>%1</title>\r\n"
                                  "<style>\r\n"
                                  "table { border-collapse: collapse; font-family: sans-serif; "
                                  "font-size: 10pt; }\r\n"
                                  "th, td { border: 1px solid #a0a0a0; padding: 2px 4px; "
                                  "vertical-align: top; }\r\n"
                                  "th { background: #e0e0e0; text-align: left; }\r\n"
                                  "td.number { text-align: right; }\r\n"
                                  "</style>\r\n"
                                  "</head>\r\n"
                                  "<body>\r\n"
                                  "<table>\r\n")
                       .arg(Escaped(title));
    if (!source.Fields.empty()) {
        head += QLatin1String("<thead>\r\n<tr>");
        for (const TExportField& field : source.Fields)
            head += QLatin1String("<th>") + CellText(field.Title) + QLatin1String("</th>");
        head += QLatin1String("</tr>\r\n</thead>\r\n");
    }
    head += QLatin1String("<tbody>\r\n");
    Put(device, head.toUtf8());

    for (int r = 0; r < count; ++r) {
        const TExportRow& row = source.Rows[size_t(r)];
        QString line = QStringLiteral("<tr>");
        for (size_t i = 0; i < source.Fields.size(); ++i) {
            const TExportField& field = source.Fields[i];
            line +=
                field.Numeric() ? QLatin1String("<td class=\"number\">") : QLatin1String("<td>");
            if (field.Exportable()) line += CellText(row[i].Text);
            line += QLatin1String("</td>");
        }
        line += QLatin1String("</tr>\r\n");
        Put(device, line.toUtf8());
        ReportProgress(r + 1, count);
    }
    Put(device, QByteArrayLiteral("</tbody>\r\n</table>\r\n</body>\r\n</html>\r\n"));
}
