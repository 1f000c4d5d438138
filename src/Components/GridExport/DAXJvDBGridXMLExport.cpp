#include "DAXJvDBGridXMLExport.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysNumbers.h"
#include "Components/RecordSet/TField.h"

#include <QSet>
#include <cmath>

namespace {
const QByteArray Eol = QByteArrayLiteral("\r\n");

bool IsNameStartChar(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// An attribute value in ISO 8859-1 with references for what must not or cannot stand as is.
// Returns false when the text holds a character XML cannot carry.
bool AppendAttributeValue(QByteArray& out, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '\'':
            out += "&apos;";
            continue;
        case '"':
            out += "&quot;";
            continue;
        case '\t':
        case '\n':
        case '\r':
            out += "&#" + QByteArray::number(uint(c)) + ';';
            continue;
        default:
            break;
        }
        if (!IsXmlChar(c)) return false;
        if (c < 0x100)
            out += char(c);
        else
            out += "&#" + QByteArray::number(uint(c)) + ';';
    }
    return true;
}

// Names hold only Latin-1 letters here: the document's encoding cannot spell others and a
// name cannot hold a character reference.
QByteArray Latin1Name(const QString& name) {
    QByteArray out;
    for (const char32_t c : name.toUcs4())
        out += c < 0x100 ? char(c) : '_';
    return out;
}

class TPacketWriter {
public:
    explicit TPacketWriter(QByteArray& out) : FOut(out) {}
    void Open(const QByteArray& name, int level) {
        Indent(level);
        FOut += '<' + name + '>' + Eol;
    }
    void Close(const QByteArray& name, int level) {
        Indent(level);
        FOut += "</" + name + '>' + Eol;
    }
    void Empty(const QByteArray& name, int level) {
        Indent(level);
        FOut += '<' + name + "/>" + Eol;
    }
    void Indent(int level) { FOut += QByteArray(2 * level, ' '); }

private:
    QByteArray& FOut;
};
} // namespace

QString TDAXJvDBGridXMLExport::AttributeName(const QString& title) {
    QString name;
    const QList<uint> chars = title.toUcs4();
    for (const uint c : chars) {
        const bool usable = c < 0x100 && c != ':' && IsNameChar(c);
        name += usable ? QChar(char16_t(c)) : QLatin1Char('_');
    }
    if (name.isEmpty() || !IsNameStartChar(name.front().unicode())) name.prepend(QLatin1Char('_'));
    return name;
}

std::vector<QString>
TDAXJvDBGridXMLExport::AttributeNames(const std::vector<TExportField>& fields) {
    std::vector<QString> names;
    QSet<QString> taken;
    for (const TExportField& field : fields) {
        const QString base = AttributeName(field.Title);
        QString name = base;
        for (int n = 2; taken.contains(name); ++n)
            name = base + QLatin1Char('_') + QString::number(n);
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

QString TDAXJvDBGridXMLExport::ClassNameNoT(const TField& field) {
    return FieldTypeShortName(field.DataType());
}

QString TDAXJvDBGridXMLExport::ValueText(const TExportField& field, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (field.Kind) {
    case TExportKind::Text:
    case TExportKind::Memo:
        return value.toString();
    case TExportKind::Integer:
        return QString::number(value.toLongLong());
    case TExportKind::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case TExportKind::Float:
    case TExportKind::Currency:
        return FloatToStr(value.toDouble());
    case TExportKind::DateTime:
    case TExportKind::Time: {
        const double day = value.toDouble();
        if (DayNumberToTime(day).msecsSinceStartOfDay() == 0) return DateToStr(day);
        if (DayNumberToDate(day) == DayNumberEpoch()) return TimeToStr(day);
        return DateToStr(day) + QLatin1Char(' ') + TimeToStr(day);
    }
    case TExportKind::Blob:
        break;
    }
    return {};
}

void TDAXJvDBGridXMLExport::DoExport(const TExportSource& source, QIODevice& device) {
    const int count = int(source.Rows.size());
    const std::vector<QString> names = AttributeNames(source.Fields);
    QByteArray out = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>") + Eol;
    TPacketWriter xml(out);
    out += "<DATAPACKET Version=\"1.0\">" + Eol;
    xml.Open("METADATA", 1);
    if (source.Fields.empty()) {
        xml.Empty("FIELDS", 2);
    } else {
        xml.Open("FIELDS", 2);
        for (size_t i = 0; i < source.Fields.size(); ++i) {
            const TExportField& field = source.Fields[i];
            xml.Indent(3);
            out += "<FIELD ATTRNAME=\"" + Latin1Name(names[i]) + "\" FIELDTYPE=\"";
            AppendAttributeValue(out, field.TypeName);
            out += "\" WIDTH=\"" + QByteArray::number(field.Width) + "\"/>" + Eol;
        }
        xml.Close("FIELDS", 2);
    }
    xml.Close("METADATA", 1);

    ReportProgress(0, count);
    if (count == 0) {
        xml.Empty("ROWDATA", 1);
    } else {
        xml.Open("ROWDATA", 1);
        for (int r = 0; r < count; ++r) {
            const TExportRow& row = source.Rows[size_t(r)];
            xml.Indent(2);
            out += "<ROW";
            for (size_t i = 0; i < source.Fields.size(); ++i) {
                const TExportField& field = source.Fields[i];
                if (!field.Exportable()) continue;
                out += ' ' + Latin1Name(names[i]) + "=\"";
                if (!AppendAttributeValue(out, ValueText(field, row[i].Value)))
                    throw EExportError(
                        QStringLiteral("The value of column \"%1\" in row %2 holds a control "
                                       "character that XML cannot carry")
                            .arg(field.Title)
                            .arg(r + 1));
                out += '"';
            }
            out += "/>" + Eol;
            if (out.size() > (1 << 20)) {
                Put(device, out);
                out.clear();
            }
            ReportProgress(r + 1, count);
        }
        xml.Close("ROWDATA", 1);
    }
    out += "</DATAPACKET>" + Eol;
    Put(device, out);
}
