// Writing of the ADO persisted-recordset XML.

#include "Components/Core/SysNumbers.h"
#include "TAdoXml.h"
#include "TRowStore.h"
#include "TXmlScanner.h"

#include <charconv>
#include <cstdio>

// ---------------------------------------------------------------- writing

namespace {
// ADO writes characters that may not appear in XML names as _xHHHH_.
std::string EncodeName(const QString& name) {
    std::string out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool ok = c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ||
                        c == QLatin1Char('.');
        const bool okFirst = c.isLetter() || c == QLatin1Char('_');
        const bool looksEncoded =
            c == QLatin1Char('_') && i + 1 < name.size() && name.at(i + 1) == QLatin1Char('x');
        if ((i == 0 ? okFirst : ok) && !looksEncoded) {
            out += QString(c).toUtf8().toStdString();
        } else {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "_x%04X_", unsigned(c.unicode()));
            out += buffer;
        }
    }
    return out;
}

const char* DataTypeAttributes(TFieldType type) {
    switch (type) {
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        return "dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true'";
    case TFieldType::SmallInt:
        return "dt:type='i2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'";
    case TFieldType::Boolean:
        return "dt:type='boolean' dt:maxLength='2' rs:fixedlength='true'";
    case TFieldType::DateTime:
    case TFieldType::Time:
        return "dt:type='dateTime' rs:dbtype='variantdate' dt:maxLength='16' rs:fixedlength='true'";
    case TFieldType::Float:
        return "dt:type='float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'";
    case TFieldType::Currency:
        return "dt:type='i8' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' "
               "rs:fixedlength='true'";
    case TFieldType::Memo:
        return "dt:type='string' dt:maxLength='2147483647' rs:long='true'";
    case TFieldType::Blob:
        return "dt:type='bin.hex' dt:maxLength='2147483647' rs:long='true'";
    case TFieldType::String:
        break;
    }
    return "";
}

void AppendEscaped(std::string& out, QStringView text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = p[i];
        if (c < 0x80) {
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\r':
                out += "&#x0D;";
                break;
            case '\n':
                out += "&#x0A;";
                break;
            case '\t':
                out += "&#x09;";
                break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "&#x%02X;", unsigned(c));
                    out += buffer;
                } else {
                    out += char(c);
                }
            }
            ++i;
            continue;
        }
        // A run of non-ASCII characters goes through the UTF-8 encoder.
        qsizetype end = i;
        while (end < n && p[end] >= 0x80)
            ++end;
        out += text.mid(i, end - i).toUtf8().toStdString();
        i = end;
    }
}

void AppendHex(std::string& out, const QByteArray& bytes) {
    static const char digits[] = "0123456789abcdef";
    for (const char b : bytes) {
        out += digits[(static_cast<unsigned char>(b) >> 4) & 15];
        out += digits[static_cast<unsigned char>(b) & 15];
    }
}

void AppendInt(std::string& out, qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}
} // namespace

namespace {
// Writes to a device in blocks of about a megabyte.
class TBlockWriter {
public:
    explicit TBlockWriter(QIODevice& out) : FOut(out) { Buffer.reserve(1 << 20); }
    std::string Buffer;
    qint64 Written = 0; // bytes handed to the device so far
    void FlushIfFull() {
        if (Buffer.size() > (1 << 20) - 4096) Flush();
    }
    void Flush() {
        if (Buffer.empty()) return;
        if (FOut.write(Buffer.data(), qint64(Buffer.size())) != qint64(Buffer.size()))
            throw TAdoError{FOut.errorString().isEmpty()
                                ? QStringLiteral("the data could not be written")
                                : FOut.errorString()};
        Written += qint64(Buffer.size());
        Buffer.clear();
    }

private:
    QIODevice& FOut;
};

std::vector<std::string> EncodedNames(const std::vector<TAdoFieldDef>& fields) {
    std::vector<std::string> names;
    for (const TAdoFieldDef& f : fields)
        names.push_back(EncodeName(f.Name));
    return names;
}

void AppendRow(std::string& buffer, const std::vector<TAdoFieldDef>& fields,
               const std::vector<std::string>& names, const TRowStore& store, quint32 slot) {
    buffer += "<z:row";
    for (size_t i = 0; i < fields.size(); ++i) {
        const TColumn& c = store.Columns[i];
        if (c.IsNull(slot)) continue;
        buffer += ' ';
        buffer += names[i];
        buffer += "='";
        const size_t valueStart = buffer.size();
        switch (c.Type) {
        case TFieldType::Integer:
        case TFieldType::SmallInt:
        case TFieldType::AutoInc:
            AppendInt(buffer, c.Ints[slot]);
            break;
        case TFieldType::Boolean:
            buffer += c.Bools[slot] ? "True" : "False";
            break;
        case TFieldType::DateTime:
        case TFieldType::Time:
            buffer += DayNumberToIso(c.Floats[slot]);
            break;
        case TFieldType::Float:
            buffer += FloatToShortest(c.Floats[slot]);
            break;
        case TFieldType::Currency:
            buffer += CurrencyToShortest(c.Units[slot]);
            break;
        case TFieldType::String:
        case TFieldType::Memo:
            AppendEscaped(buffer, c.Str(slot));
            break;
        case TFieldType::Blob:
            AppendHex(buffer, c.Blobs[slot]);
            break;
        }
        // The reader refuses longer values, so they must not be written either.
        if (buffer.size() - valueStart > TXmlScanner::MaxAttributeLength)
            throw TAdoError{QStringLiteral("the value of field '%1' is longer than 16 MiB")
                                .arg(fields[i].Name)};
        buffer += '\'';
    }
    buffer += "/>";
}
} // namespace

std::string AdoXmlHead(const std::vector<TAdoFieldDef>& fields) {
    std::string head = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
                       "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
                       "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
                       "\txmlns:z='#RowsetSchema'>\r\n"
                       "<s:Schema id='RowsetSchema'>\r\n"
                       "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n";
    const std::vector<std::string> names = EncodedNames(fields);
    for (size_t i = 0; i < fields.size(); ++i) {
        const TAdoFieldDef& f = fields[i];
        std::string escapedName;
        AppendEscaped(escapedName, QString::fromStdString(names[i]));
        head += "\t\t<s:AttributeType name='" + escapedName + "' rs:number='" +
                std::to_string(i + 1) + "'";
        if (f.Type == TFieldType::AutoInc) head += " rs:autoincrement='true'";
        head += " rs:nullable='true' rs:maydefer='true' rs:writeunknown='true'>\r\n";
        if (f.Type == TFieldType::String)
            head += "\t\t\t<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='" +
                    std::to_string(f.Size) + "'/>\r\n";
        else
            head += std::string("\t\t\t<s:datatype ") + DataTypeAttributes(f.Type) + "/>\r\n";
        head += "\t\t</s:AttributeType>\r\n";
    }
    head += "\t\t<s:extends type='rs:rowbase'/>\r\n"
            "\t</s:ElementType>\r\n"
            "</s:Schema>\r\n"
            "<rs:data>\r\n";
    return head;
}

void WriteAdoXmlRows(const std::vector<TAdoFieldDef>& fields, const TRowStore& store, size_t first,
                     QIODevice& out, qint64 startOffset, std::vector<TRowSpan>* spans) {
    TBlockWriter writer(out);
    const std::vector<std::string> names = EncodedNames(fields);
    for (size_t i = first; i < store.Order.size(); ++i) {
        writer.Buffer += '\t';
        const qint64 rowStart = startOffset + writer.Written + qint64(writer.Buffer.size());
        AppendRow(writer.Buffer, fields, names, store, store.Order[i]);
        if (spans)
            spans->push_back(
                {rowStart, startOffset + writer.Written + qint64(writer.Buffer.size()) - rowStart});
        writer.Buffer += "\r\n";
        writer.FlushIfFull();
    }
    writer.Buffer += AdoXmlTail;
    writer.Flush();
}

void WriteAdoXml(const std::vector<TAdoFieldDef>& fields, const TRowStore& store, QIODevice& out,
                 std::vector<TRowSpan>* spans) {
    const std::string head = AdoXmlHead(fields);
    if (out.write(head.data(), qint64(head.size())) != qint64(head.size()))
        throw TAdoError{out.errorString().isEmpty()
                            ? QStringLiteral("the data could not be written")
                            : out.errorString()};
    WriteAdoXmlRows(fields, store, 0, out, qint64(head.size()), spans);
}

qint64 AdoXmlTailStart(std::string_view lastBytes) {
    const size_t at = lastBytes.rfind("</rs:data>");
    if (at == std::string_view::npos) return -1;
    std::string_view rest = lastBytes.substr(at + 10);
    auto skipSpace = [&rest] {
        while (!rest.empty() &&
               (rest[0] == ' ' || rest[0] == '\t' || rest[0] == '\r' || rest[0] == '\n'))
            rest.remove_prefix(1);
    };
    skipSpace();
    if (rest.substr(0, 6) != "</xml>") return -1;
    rest.remove_prefix(6);
    skipSpace();
    return rest.empty() ? qint64(at) : -1;
}
