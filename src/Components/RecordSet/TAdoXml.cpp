#include "TAdoXml.h"

#include "Components/Core/SysNumbers.h"
#include "Components/Core/SysStrings.h"
#include "TRowStore.h"
#include "TXmlScanner.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {
// ---------------------------------------------------------------- dates

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
qint64 DaysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

void CivilFromDays(qint64 z, qint64& y, unsigned& m, unsigned& d) {
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = qint64(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr qint64 EpochOffset = 25569; // 1899-12-30 is 25569 days before 1970-01-01
constexpr qint64 MsPerDay = 86400000;

bool Digits(std::string_view text, size_t pos, size_t count, unsigned& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + unsigned(c - '0');
    }
    return true;
}

bool ParseTime(std::string_view text, size_t& pos, qint64& ms) {
    unsigned h = 0, mi = 0, s = 0, frac = 0;
    if (!Digits(text, pos, 2, h) || pos + 2 >= text.size() || text[pos + 2] != ':' ||
        !Digits(text, pos + 3, 2, mi))
        return false;
    pos += 5;
    if (pos < text.size() && text[pos] == ':') {
        if (!Digits(text, pos + 1, 2, s)) return false;
        pos += 3;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            unsigned scale = 100;
            size_t start = pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                frac += unsigned(text[pos] - '0') * scale;
                scale /= 10;
                ++pos;
            }
            if (pos == start) return false;
        }
    }
    if (h > 23 || mi > 59 || s > 59) return false;
    ms = ((qint64(h) * 60 + mi) * 60 + s) * 1000 + frac;
    return true;
}

unsigned DaysInMonth(qint64 y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return days[m - 1];
}
} // namespace

std::string DayNumberToIso(double dayNumber) {
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 3e6) dayNumber = 0;
    qint64 days = qint64(std::trunc(dayNumber));
    qint64 ms = std::llround(std::fabs(dayNumber - double(days)) * double(MsPerDay));
    if (ms >= MsPerDay) {
        ms -= MsPerDay;
        days += dayNumber < 0 ? -1 : 1;
    }
    qint64 y;
    unsigned m, d;
    CivilFromDays(days - EpochOffset, y, m, d);
    const unsigned h = unsigned(ms / 3600000), mi = unsigned(ms / 60000 % 60),
                   sec = unsigned(ms / 1000 % 60), milli = unsigned(ms % 1000);
    // Written by hand: this runs twice per row when a large history is saved.
    char buffer[40];
    char* p = buffer;
    auto put = [&p](unsigned value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            p[i] = char('0' + value % 10);
        p += digits;
    };
    if (y < 0) *p++ = '-';
    const quint64 year = quint64(y < 0 ? -y : y);
    if (year > 9999)
        p = std::to_chars(p, buffer + 20, year).ptr;
    else
        put(unsigned(year), 4);
    *p++ = '-';
    put(m, 2);
    *p++ = '-';
    put(d, 2);
    *p++ = 'T';
    put(h, 2);
    *p++ = ':';
    put(mi, 2);
    *p++ = ':';
    put(sec, 2);
    if (milli != 0) {
        *p++ = '.';
        put(milli, 3);
    }
    return std::string(buffer, p);
}

bool IsoToDayNumber(std::string_view text, double& dayNumber) {
    qint64 days = 0, ms = 0;
    size_t pos = 0;
    if (text.size() >= 5 && text[2] == ':') {
        // A time of day alone.
        if (!ParseTime(text, pos, ms)) return false;
    } else {
        bool negative = false;
        if (!text.empty() && text[0] == '-') {
            negative = true;
            pos = 1;
        }
        unsigned y = 0, m = 0, d = 0;
        if (!Digits(text, pos, 4, y) || pos + 4 >= text.size() || text[pos + 4] != '-' ||
            !Digits(text, pos + 5, 2, m) || pos + 7 >= text.size() || text[pos + 7] != '-' ||
            !Digits(text, pos + 8, 2, d))
            return false;
        const qint64 year = negative ? -qint64(y) : qint64(y);
        if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(year, m)) return false;
        days = DaysFromCivil(year, m, d) + EpochOffset;
        pos += 10;
        if (pos < text.size() && (text[pos] == 'T' || text[pos] == ' ')) {
            ++pos;
            if (!ParseTime(text, pos, ms)) return false;
        }
    }
    // A time zone designator of dateTime.tz is accepted and ignored.
    if (pos < text.size()) {
        const std::string_view zone = text.substr(pos);
        unsigned zh = 0, zm = 0;
        const bool valid =
            zone == "Z" || (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') &&
                            Digits(zone, 1, 2, zh) && zone[3] == ':' && Digits(zone, 4, 2, zm));
        if (!valid) return false;
    }
    const double fraction = double(ms) / double(MsPerDay);
    dayNumber = days < 0 ? double(days) - fraction : double(days) + fraction;
    return true;
}

namespace {
// ---------------------------------------------------------------- names

QString DecodeName(std::string_view raw) {
    QString name = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    for (qsizetype i = name.indexOf(QLatin1String("_x")); i >= 0;
         i = name.indexOf(QLatin1String("_x"), i + 1)) {
        if (i + 7 > name.size() || name.at(i + 6) != QLatin1Char('_')) continue;
        bool ok = false;
        const uint code = name.mid(i + 2, 4).toUInt(&ok, 16);
        if (!ok) continue;
        name.replace(i, 7, QChar(char16_t(code)));
    }
    return name;
}

// ---------------------------------------------------------------- reading

enum class TFileClass { Int, Bool, Date, Float, Currency, Text, Hex, Base64 };

struct TFileField {
    std::string RawName; // as written in the rows
    QString Name;
    TFieldType Type = TFieldType::String;
    int Size = 0;
    TFileClass Class = TFileClass::Text;
    int Column = -1; // target column, -1 when not read
};

[[noreturn]] void Fail(std::string_view doc, size_t offset, const QString& reason) {
    size_t line = 0, column = 0;
    TXmlScanner::LineColumn(doc, offset, line, column);
    throw TAdoError{QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(reason)};
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

class TReader {
public:
    TReader(std::string_view doc, const std::vector<TAdoFieldDef>* target, TAdoReadOptions* options,
            qint64 offsetShift)
        : FDoc(doc), FScanner(doc), FTarget(target), FOptions(options), FShift(offsetShift) {}

    TAdoDocument Read() {
        if (FScanner.Next() != TXmlScanner::StartElement)
            Fail(FDoc, 0, QStringLiteral("no root element"));
        if (TXmlScanner::LocalName(FScanner.Name()) != "xml")
            Fail(FDoc, FScanner.Offset(),
                 QStringLiteral("the root element is '%1', not 'xml'").arg(Q(FScanner.Name())));
        for (;;) {
            const auto token = FScanner.Next();
            if (token == TXmlScanner::EndOfDocument) break;
            if (token == TXmlScanner::EndElement) continue; // the root's end
            const std::string_view local = TXmlScanner::LocalName(FScanner.Name());
            if (local == "Schema" && FScanner.Depth() == 2) {
                if (FSchemaRead) Fail(FDoc, FScanner.Offset(), QStringLiteral("a second schema"));
                ReadSchema();
            } else if (local == "data" && FScanner.Depth() == 2) {
                if (!FSchemaRead)
                    Fail(FDoc, FScanner.Offset(),
                         QStringLiteral("the rows come before the schema"));
                if (FOptions) {
                    // One block of rows, in an element with an end tag, can be indexed.
                    if (FDataBlocks++ > 0 || FScanner.SelfClosing())
                        FOptions->Indexable = false;
                    else
                        FOptions->DataStart = FShift + qint64(FScanner.End());
                }
                ReadData();
            } else {
                SkipElement();
            }
        }
        if (!FSchemaRead) throw TAdoError{QStringLiteral("the file has no schema (s:Schema)")};
        if (!FStore) MakeStore(0);
        FStore->FinishBulk(FRows);
        TAdoDocument document;
        document.Store = std::move(FStore);
        for (const TFileField& f : FFields)
            document.DeclaredFields << f.Name;
        if (!FTarget)
            for (const TFileField& f : FFields)
                document.Fields.push_back({f.Name, f.Type, f.Size});
        return document;
    }

private:
    void SkipElement() {
        const size_t depth = FScanner.Depth();
        while (FScanner.Depth() >= depth) {
            if (FScanner.Next() == TXmlScanner::EndOfDocument) return;
        }
    }

    const TXmlAttribute* Find(std::string_view local) const {
        for (const TXmlAttribute& a : FScanner.Attributes())
            if (TXmlScanner::LocalName(a.Name) == local) return &a;
        return nullptr;
    }

    std::string Value(const TXmlAttribute* a) {
        std::string out;
        if (a) TXmlScanner::Decode(*a, out);
        return out;
    }

    struct TTypeInfo {
        std::string Type, DbType, MaxLength;
        bool Long = false, AutoIncrement = false;
        size_t Offset = 0;
    };

    void TakeTypeAttributes(TTypeInfo& info) {
        if (const auto* a = Find("type")) info.Type = Lower(Value(a));
        if (const auto* a = Find("dbtype")) info.DbType = Lower(Value(a));
        if (const auto* a = Find("maxLength")) info.MaxLength = Value(a);
        if (const auto* a = Find("long")) info.Long = Lower(Value(a)) == "true";
        if (const auto* a = Find("autoincrement")) info.AutoIncrement = Lower(Value(a)) == "true";
    }

    void FinishField(TFileField& field, const TTypeInfo& info) {
        const std::string& t = info.Type;
        qint64 maxLength = 0;
        const bool hasLength = TryParseInt64(info.MaxLength, maxLength);
        auto unknown = [&] {
            Fail(FDoc, info.Offset,
                 info.Type.empty()
                     ? QStringLiteral("the field '%1' has no data type").arg(field.Name)
                     : QStringLiteral("the field '%1' has the unknown data type '%2'")
                           .arg(field.Name, Q(info.Type)));
        };
        if (info.DbType == "currency" || t == "fixed.14.4") {
            field.Type = TFieldType::Currency;
            field.Class = TFileClass::Currency;
        } else if (t == "string" || t == "char" || t == "uuid") {
            if (info.Long || !hasLength || maxLength <= 0 || maxLength > 65535) {
                field.Type = TFieldType::Memo;
            } else {
                field.Type = TFieldType::String;
                field.Size = int(maxLength);
            }
            field.Class = TFileClass::Text;
        } else if (t == "int" || t == "i4") {
            field.Type = info.AutoIncrement ? TFieldType::AutoInc : TFieldType::Integer;
            field.Class = TFileClass::Int;
        } else if (t == "i2" || t == "i1" || t == "ui1") {
            field.Type = TFieldType::SmallInt;
            field.Class = TFileClass::Int;
        } else if (t == "ui2") {
            field.Type = TFieldType::Integer;
            field.Class = TFileClass::Int;
        } else if (t == "ui4" || t == "i8" || t == "ui8") {
            field.Type = TFieldType::Float;
            field.Class = TFileClass::Float;
        } else if (t == "boolean") {
            field.Type = TFieldType::Boolean;
            field.Class = TFileClass::Bool;
        } else if (t == "datetime" || t == "datetime.tz" || t == "date") {
            field.Type = TFieldType::DateTime;
            field.Class = TFileClass::Date;
        } else if (t == "time" || t == "time.tz") {
            field.Type = TFieldType::Time;
            field.Class = TFileClass::Date;
        } else if (t == "float" || t == "r8" || t == "r4" || t == "number" || t == "fixed") {
            field.Type = TFieldType::Float;
            field.Class = TFileClass::Float;
        } else if (t == "bin.hex") {
            field.Type = TFieldType::Blob;
            field.Class = TFileClass::Hex;
        } else if (t == "bin.base64") {
            field.Type = TFieldType::Blob;
            field.Class = TFileClass::Base64;
        } else {
            unknown();
        }
        if (field.Class != TFileClass::Currency && info.DbType == "variantdate") {
            field.Class = TFileClass::Date;
            if (field.Type != TFieldType::Time) field.Type = TFieldType::DateTime;
        }
    }

    void ReadSchema() {
        const size_t depth = FScanner.Depth();
        TFileField* current = nullptr;
        TTypeInfo info;
        size_t currentDepth = 0;
        for (;;) {
            const auto token = FScanner.Next();
            if (token == TXmlScanner::EndOfDocument) break;
            if (token == TXmlScanner::EndElement) {
                if (current && FScanner.Depth() < currentDepth) {
                    FinishField(*current, info);
                    current = nullptr;
                }
                if (FScanner.Depth() < depth) break;
                continue;
            }
            const std::string_view local = TXmlScanner::LocalName(FScanner.Name());
            if (local == "AttributeType" && !current) {
                // "name" is the attribute name in the rows; ADO may carry the column's own
                // name, when that is no XML name, in "rs:name".
                const TXmlAttribute* name = nullptr;
                const TXmlAttribute* columnName = nullptr;
                for (const TXmlAttribute& a : FScanner.Attributes()) {
                    if (a.Name == "name")
                        name = &a;
                    else if (TXmlScanner::LocalName(a.Name) == "name")
                        columnName = &a;
                }
                if (!name) Fail(FDoc, FScanner.Offset(), QStringLiteral("a field without a name"));
                TFileField field;
                TXmlScanner::Decode(*name, field.RawName);
                if (columnName) {
                    std::string text;
                    TXmlScanner::Decode(*columnName, text);
                    field.Name = Q(text);
                } else {
                    field.Name = DecodeName(field.RawName);
                }
                if (field.Name.isEmpty())
                    Fail(FDoc, FScanner.Offset(), QStringLiteral("a field without a name"));
                const QString folded = field.Name.toCaseFolded();
                if (FFieldNames.contains(folded))
                    Fail(FDoc, FScanner.Offset(),
                         QStringLiteral("the field '%1' is defined twice").arg(field.Name));
                FFieldNames.insert(folded);
                FFields.push_back(std::move(field));
                current = &FFields.back();
                currentDepth = FScanner.Depth();
                info = TTypeInfo();
                info.Offset = FScanner.Offset();
                TakeTypeAttributes(info);
            } else if (local == "datatype" && current) {
                TakeTypeAttributes(info);
            }
        }
        FSchemaRead = true;
        if (FFields.empty()) throw TAdoError{QStringLiteral("the schema defines no fields")};
        MapFields();
    }

    void MapFields() {
        if (FTarget) {
            QHash<QString, int> columns;
            for (size_t c = 0; c < FTarget->size(); ++c)
                columns.insert((*FTarget)[c].Name.toCaseFolded(), int(c));
            for (TFileField& f : FFields)
                f.Column = columns.value(f.Name.toCaseFolded(), -1);
            for (const TAdoFieldDef& def : *FTarget)
                FColumnDefs.push_back(def);
        } else {
            for (size_t c = 0; c < FFields.size(); ++c) {
                FFields[c].Column = int(c);
                FColumnDefs.push_back({FFields[c].Name, FFields[c].Type, FFields[c].Size});
            }
        }
        for (size_t i = 0; i < FFields.size(); ++i)
            FIndex.emplace(FFields[i].RawName, int(i));
    }

    void MakeStore(size_t expectedRows) {
        FStore = std::make_shared<TRowStore>();
        for (const TAdoFieldDef& def : FColumnDefs)
            FStore->Columns.emplace_back(def.Type, def.Size);
        FStore->Reserve(expectedRows);
    }

    // How many rows to make room for: the rows ("<z:row", the usual prefix) of the first
    // mebibyte from here, scaled to the rest of the document, with some to spare. Only a
    // sample is read: counting through a large file would bring every page of it into memory
    // at once before the reading proper, which gives them back as it goes. Room reserved and
    // not used costs address space, not memory.
    size_t EstimateRows() const {
        constexpr size_t Sample = 1u << 20;
        const size_t from = std::min(FScanner.Offset(), FDoc.size());
        const size_t rest = FDoc.size() - from;
        const size_t sampled = std::min(rest, Sample);
        const char* p = FDoc.data() + from;
        const char* end = p + sampled;
        size_t count = 0;
        while (p < end) {
#ifdef __GLIBC__
            const void* hit = memmem(p, size_t(end - p), "<z:row", 6);
#else
            const size_t at = std::string_view(p, size_t(end - p)).find("<z:row");
            const void* hit = at == std::string_view::npos ? nullptr : p + at;
#endif
            if (!hit) break;
            ++count;
            p = static_cast<const char*>(hit) + 6;
        }
        if (sampled == rest) return count;
        return size_t(double(count) * double(rest) / double(sampled) * 1.1) + 64;
    }

    enum TContext { InData, InInsert, InUpdate, InOriginal, InRow, Skipped };

    // A changed row not yet committed is written as
    //     <rs:update>
    //         <rs:original><z:row …every column…/></rs:original>
    //         <z:row …the changed columns…/>
    //     </rs:update>
    // The row's value is the original with the changed columns laid over it. Each original row
    // pairs with the next changed row of its update (in either order); one without a partner
    // is a row of its own, so nothing in the file is lost.
    struct TUpdatePairing {
        qint64 Original = -1; // an original row waiting for its changed columns
        qint64 Changed = -1;  // a changed row waiting for its original
    };

    void ReadData() {
        if (!FStore) MakeStore(EstimateRows()); // a second data block adds to the first
        const size_t depth = FScanner.Depth();
        std::vector<TContext> contexts;
        TUpdatePairing update;
        for (;;) {
            const auto token = FScanner.Next();
            if (token == TXmlScanner::EndOfDocument) break;
            if (token == TXmlScanner::EndElement) {
                if (FScanner.Depth() < depth) break;
                contexts.pop_back();
                continue;
            }
            const TContext parent = contexts.empty() ? InData : contexts.back();
            const std::string_view local = TXmlScanner::LocalName(FScanner.Name());
            if (FOptions) NoteRow(parent, local);
            if (local == "row") {
                if (parent == InData || parent == InInsert) {
                    ReadRow();
                    contexts.push_back(InRow);
                } else if (parent == InUpdate) {
                    if (update.Original >= 0) {
                        ReadColumns(quint32(update.Original), false);
                        update.Original = -1;
                    } else {
                        update.Changed = ReadRow();
                    }
                    contexts.push_back(InRow);
                } else if (parent == InOriginal) {
                    if (update.Changed >= 0) {
                        ReadColumns(quint32(update.Changed), true);
                        update.Changed = -1;
                    } else {
                        update.Original = ReadRow();
                    }
                    contexts.push_back(InRow);
                } else {
                    contexts.push_back(Skipped);
                }
            } else if (local == "insert" && parent == InData) {
                contexts.push_back(InInsert);
            } else if (local == "update" && parent == InData) {
                update = TUpdatePairing();
                contexts.push_back(InUpdate);
            } else if (local == "original" && parent == InUpdate) {
                contexts.push_back(InOriginal);
            } else {
                contexts.push_back(Skipped); // rs:delete and anything unknown
            }
        }
    }

    // Where the rows lie, for an index of the file; and how far the reading has come.
    void NoteRow(TContext parent, std::string_view local) {
        const size_t offset = FScanner.Offset();
        if (FOptions->Progress && offset >= FNextProgress) {
            FOptions->Progress(offset);
            FNextProgress = offset + (8u << 20);
        }
        if (!FOptions->Indexable) return;
        if (parent != InData || local != "row") {
            FOptions->Indexable = false;
            if (FOptions->RowSpans) FOptions->RowSpans->clear();
            return;
        }
        if (FOptions->RowSpans)
            FOptions->RowSpans->push_back(
                {FShift + qint64(offset), qint64(FScanner.End()) - qint64(offset)});
    }

    void AddEmptyRow() {
        const quint32 slot = FRows++;
        for (TColumn& c : FStore->Columns) {
            switch (c.Type) {
            case TFieldType::Integer:
            case TFieldType::SmallInt:
            case TFieldType::AutoInc:
                c.Ints.push_back(0);
                break;
            case TFieldType::Boolean:
                c.Bools.push_back(0);
                break;
            case TFieldType::DateTime:
            case TFieldType::Time:
            case TFieldType::Float:
                c.Floats.push_back(0);
                break;
            case TFieldType::Currency:
                c.Units.push_back(0);
                break;
            case TFieldType::String:
            case TFieldType::Memo:
                c.Strings.push_back(TStrRef());
                break;
            case TFieldType::Blob:
                c.Blobs.emplace_back();
                break;
            }
            if ((slot & 63) == 0) c.Nulls.push_back(~quint64(0));
        }
    }

    int FieldOf(std::string_view name) {
        // Rows usually list their attributes in schema order.
        const size_t guess = size_t(FLastField + 1);
        if (guess < FFields.size() && FFields[guess].RawName == name)
            return FLastField = int(guess);
        const auto it = FIndex.find(std::string(name));
        if (it == FIndex.end()) return -1;
        return FLastField = it->second;
    }

    // Adds a row holding the current element's columns; returns its slot.
    quint32 ReadRow() {
        AddEmptyRow();
        const quint32 slot = FRows - 1;
        ReadColumns(slot, false);
        return slot;
    }

    // Stores the current element's columns into a row already read: all of them, or with
    // onlyMissing only those the row does not hold yet.
    void ReadColumns(quint32 slot, bool onlyMissing) {
        FLastField = -1;
        for (const TXmlAttribute& a : FScanner.Attributes()) {
            const int index = FieldOf(a.Name);
            if (index < 0) continue;
            const TFileField& field = FFields[size_t(index)];
            if (field.Column < 0) continue;
            TColumn& column = FStore->Columns[size_t(field.Column)];
            if (onlyMissing && !column.IsNull(slot)) continue;
            std::string_view value = a.Raw;
            bool plain = true;
            for (const char c : value)
                if (c == '&' || c == '\t' || c == '\n' || c == '\r') {
                    plain = false;
                    break;
                }
            if (!plain) {
                TXmlScanner::Decode(a, FScratch);
                value = FScratch;
            }
            Store(column, slot, field, value, a.Offset);
        }
    }

    [[noreturn]] void BadValue(const TFileField& field, std::string_view value, size_t offset,
                               const char* what) {
        QString shown = Q(value.substr(0, 60));
        if (value.size() > 60) shown += QStringLiteral("…");
        Fail(FDoc, offset,
             QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                 .arg(shown, QLatin1String(what), field.Name));
    }

    double ParseReal(const TFileField& field, std::string_view value, size_t offset) {
        double d = 0;
        if (field.Class == TFileClass::Date || field.Class == TFileClass::Text) {
            if (IsoToDayNumber(value, d)) return d;
            if (TryParseDouble(value, d)) return d;
            BadValue(field, value, offset, "date-time");
        }
        qint64 units = 0;
        if (field.Class == TFileClass::Currency && TryParseCurrency(value, units))
            return CurrencyToDouble(units);
        if (TryParseDouble(value, d)) return d;
        BadValue(field, value, offset, "floating point");
    }

    void Store(TColumn& c, quint32 slot, const TFileField& field, std::string_view value,
               size_t offset) {
        switch (c.Type) {
        case TFieldType::Integer:
        case TFieldType::SmallInt:
        case TFieldType::AutoInc: {
            qint64 n = 0;
            if (!TryParseInt64(value, n)) {
                double d = 0;
                if (field.Class == TFileClass::Int || !TryParseDouble(value, d) ||
                    d != std::floor(d) || std::fabs(d) > 9e18)
                    BadValue(field, value, offset, "integer");
                n = qint64(d);
            }
            const qint64 low = c.Type == TFieldType::SmallInt ? -32768 : -2147483648LL;
            const qint64 high = c.Type == TFieldType::SmallInt ? 32767 : 2147483647LL;
            if (n < low || n > high)
                Fail(FDoc, offset,
                     QStringLiteral("%1 is out of the range %2 to %3 of field '%4'")
                         .arg(n)
                         .arg(low)
                         .arg(high)
                         .arg(field.Name));
            c.Ints[slot] = qint32(n);
            break;
        }
        case TFieldType::Boolean: {
            const std::string lower = Lower(value);
            if (lower == "true" || lower == "1" || lower == "-1")
                c.Bools[slot] = 1;
            else if (lower == "false" || lower == "0")
                c.Bools[slot] = 0;
            else
                BadValue(field, value, offset, "boolean");
            break;
        }
        case TFieldType::DateTime:
        case TFieldType::Time:
        case TFieldType::Float:
            c.Floats[slot] = ParseReal(field, value, offset);
            break;
        case TFieldType::Currency: {
            qint64 units = 0;
            if (!TryParseCurrency(value, units)) {
                if (IsCurrencyRangeError(value))
                    Fail(FDoc, offset,
                         QStringLiteral("%1 is out of the range %2 of field '%3'")
                             .arg(Q(value.substr(0, 60)), CurrencyRangeText(), field.Name));
                BadValue(field, value, offset, "currency");
            }
            c.Units[slot] = units;
            break;
        }
        case TFieldType::String:
        case TFieldType::Memo: {
            // ASCII widens directly; anything else goes through the UTF-8 decoder.
            const size_t before = c.Arena.size();
            bool ascii = true;
            c.Arena.resize(before + value.size());
            char16_t* out = c.Arena.data() + before;
            for (size_t i = 0; i < value.size(); ++i) {
                const unsigned char ch = static_cast<unsigned char>(value[i]);
                if (ch >= 0x80) {
                    ascii = false;
                    break;
                }
                out[i] = ch;
            }
            size_t length = value.size();
            if (!ascii) {
                const QString text = Q(value);
                length = size_t(text.size());
                c.Arena.resize(before + length);
                std::memcpy(c.Arena.data() + before, text.utf16(), length * sizeof(char16_t));
            }
            // The size counts characters as the user sees them ("🚀" is one of them, two
            // UTF-16 units): only a text longer in units can hold too many.
            if (c.Type == TFieldType::String && c.Size > 0 && length > size_t(c.Size)) {
                const qsizetype characters =
                    CharacterCount(QString::fromUtf16(c.Arena.data() + before, qsizetype(length)));
                if (characters > c.Size)
                    Fail(FDoc, offset,
                         QStringLiteral(
                             "the value of field '%1' is %2 characters long; the field holds %3")
                             .arg(field.Name)
                             .arg(characters)
                             .arg(c.Size));
            }
            if (length > 0xFFFFFFFFu || before + length > 0xFFFFFFFFu)
                Fail(FDoc, offset, QStringLiteral("too much text in field '%1'").arg(field.Name));
            if (!c.IsNull(slot)) c.ArenaGarbage += c.Strings[slot].Length; // a changed column
            c.Strings[slot] = TStrRef{quint32(before), quint32(length)};
            break;
        }
        case TFieldType::Blob: {
            if (field.Class == TFileClass::Base64) {
                auto decoded = QByteArray::fromBase64Encoding(
                    QByteArray(value.data(), qsizetype(value.size())),
                    QByteArray::AbortOnBase64DecodingErrors);
                if (!decoded) BadValue(field, value, offset, "base64");
                c.Blobs[slot] = *decoded;
            } else if (field.Class == TFileClass::Hex) {
                if (value.size() % 2 != 0) BadValue(field, value, offset, "hex");
                QByteArray bytes(qsizetype(value.size() / 2), Qt::Uninitialized);
                for (size_t i = 0; i < value.size(); i += 2) {
                    int v[2];
                    for (int k = 0; k < 2; ++k) {
                        const char h = value[i + size_t(k)];
                        if (h >= '0' && h <= '9')
                            v[k] = h - '0';
                        else if (h >= 'a' && h <= 'f')
                            v[k] = h - 'a' + 10;
                        else if (h >= 'A' && h <= 'F')
                            v[k] = h - 'A' + 10;
                        else
                            BadValue(field, value, offset, "hex");
                    }
                    bytes[qsizetype(i / 2)] = char(v[0] * 16 + v[1]);
                }
                c.Blobs[slot] = bytes;
            } else {
                c.Blobs[slot] = QByteArray(value.data(), qsizetype(value.size()));
            }
            break;
        }
        }
        c.SetNullBit(slot, false);
    }

    std::string_view FDoc;
    TXmlScanner FScanner;
    const std::vector<TAdoFieldDef>* FTarget;
    TAdoReadOptions* FOptions;
    qint64 FShift; // what the offsets in the document lack of the file's (a byte order mark)
    int FDataBlocks = 0;
    size_t FNextProgress = 8u << 20;
    std::vector<TFileField> FFields;
    std::vector<TAdoFieldDef> FColumnDefs;
    std::unordered_map<std::string, int> FIndex;
    QSet<QString> FFieldNames; // case-folded, to refuse a field defined twice
    std::shared_ptr<TRowStore> FStore;
    quint32 FRows = 0;
    int FLastField = -1;
    bool FSchemaRead = false;
    std::string FScratch;
};
} // namespace

TAdoDocument ReadAdoXml(std::string_view document, const std::vector<TAdoFieldDef>* target,
                        TAdoReadOptions* options) {
    std::string converted;
    qint64 shift = 0;
    if (document.size() >= 3 && std::memcmp(document.data(), "\xEF\xBB\xBF", 3) == 0) {
        document.remove_prefix(3);
        shift = 3;
    } else if (document.size() >= 2 && (std::memcmp(document.data(), "\xFF\xFE", 2) == 0 ||
                                        std::memcmp(document.data(), "\xFE\xFF", 2) == 0)) {
        auto decoder = QStringDecoder(document[0] == '\xFF' ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        const QString text =
            decoder(QByteArrayView(document.data() + 2, qsizetype(document.size() - 2)));
        converted = text.toUtf8().toStdString();
        document = converted;
        if (options) options->Indexable = false; // the offsets are not the file's
    }
    bool blank = true;
    for (const char c : document)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            blank = false;
            break;
        }
    if (blank) throw TAdoError{QStringLiteral("the file is empty")};
    try {
        TReader reader(document, target, options, shift);
        TAdoDocument read = reader.Read();
        if (options && options->DataStart == 0) options->Indexable = false; // no rs:data
        if (options && !options->Indexable && options->RowSpans) options->RowSpans->clear();
        return read;
    } catch (const TXmlError& e) {
        size_t line = 0, column = 0;
        TXmlScanner::LineColumn(document, e.Offset, line, column);
        throw TAdoError{QStringLiteral("line %1, column %2: %3")
                            .arg(line)
                            .arg(column)
                            .arg(QString::fromStdString(e.Message))};
    } catch (const std::bad_alloc&) {
        throw TAdoError{QStringLiteral("not enough memory to load the file")};
    }
}
