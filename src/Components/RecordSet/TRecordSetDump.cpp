#include "TRecordSetDump.h"

#include "Components/Core/SysExceptions.h"
#include "Components/Core/SysNumbers.h"
#include "TAdoXml.h"
#include "TRecordSet.h"

namespace {
// A text as a terminal may show it: control characters (which could move the cursor, clear
// the screen or retitle the window) become visible pictures; line ends stay, inside quotes.
QString Printable(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const bool lineEnd =
            u == '\n' || (u == '\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'));
        if (lineEnd || u == '\t' || (u >= 0x20 && u < 0x7F) || u > 0x9F)
            shown += text.at(i);
        else if (u < 0x20)
            shown += QChar(char16_t(0x2400 + u)); // ␀ … ␟; ␍ for a carriage return alone
        else if (u == 0x7F)
            shown += QChar(char16_t(0x2421)); // ␡
        else
            shown += QChar(char16_t(0xFFFD));
    }
    return shown;
}

QString CsvField(const QString& raw) {
    const QString text = Printable(raw);
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvValue(const TField& field) {
    const TValue v = field.RawValue();
    if (v.IsNull) return {};
    switch (field.DataType()) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        return QString::number(v.Int);
    case TFieldType::Boolean:
        return v.Int ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldType::DateTime:
    case TFieldType::Time: {
        // Whole seconds, as the format promises.
        QString iso = QString::fromStdString(DayNumberToIso(v.Float));
        return iso.left(19);
    }
    case TFieldType::Float:
        return QString::fromStdString(FloatToShortest(v.Float));
    case TFieldType::Currency:
        return QString::fromStdString(CurrencyToShortest(v.Int));
    case TFieldType::String:
    case TFieldType::Memo:
        return CsvField(v.Text);
    case TFieldType::Blob:
        return QString::fromLatin1(v.Bytes.toHex());
    }
    return {};
}
} // namespace

void WriteRecordSetCsv(const TRecordSet& recordSet, QTextStream& out) {
    TRecordSet& rs = const_cast<TRecordSet&>(recordSet);
    std::vector<const TField*> fields;
    for (int i = 0; i < rs.FieldCount(); ++i)
        if (rs.Fields(i).FieldKind() == TFieldKind::Data) fields.push_back(&rs.Fields(i));
    QStringList header;
    for (const TField* f : fields)
        header << CsvField(f->FieldName());
    out << header.join(QLatin1Char(',')) << '\n';
    const int n = rs.RecordCount();
    for (int recNo = 1; recNo <= n; ++recNo) {
        rs.WithRecord(recNo, [&] {
            QString line;
            for (size_t i = 0; i < fields.size(); ++i) {
                if (i > 0) line += QLatin1Char(',');
                line += CsvValue(*fields[i]);
            }
            out << line << '\n';
        });
    }
}

int DumpRecordSetFile(const QString& fileName, QTextStream& out, QTextStream& err) {
    TRecordSet rs;
    try {
        rs.LoadFromFile(fileName);
        WriteRecordSetCsv(rs, out);
        out.flush();
    } catch (const Exception& e) {
        QString message = e.Message();
        message.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        message = Printable(message);
        err << message << '\n';
        err.flush();
        return 1;
    }
    return 0;
}
