#include "TXmlScanner.h"

#include <cstring>

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
} // namespace

TXmlScanner::TXmlScanner(std::string_view document) : FDoc(document) {
    FAttributes.reserve(32);
}

void TXmlScanner::Fail(size_t offset, std::string message) const {
    throw TXmlError{offset, std::move(message)};
}

std::string_view TXmlScanner::LocalName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void TXmlScanner::LineColumn(std::string_view document, size_t offset, size_t& line,
                             size_t& column) {
    line = 1;
    size_t lineStart = 0;
    if (offset > document.size()) offset = document.size();
    for (size_t i = 0; i < offset; ++i)
        if (document[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    column = offset - lineStart + 1;
}

size_t TXmlScanner::ReadName(size_t pos) {
    if (pos >= FDoc.size() || !IsNameStart(static_cast<unsigned char>(FDoc[pos])))
        Fail(pos, pos >= FDoc.size() ? "unexpected end of file" : "a name was expected");
    size_t end = pos + 1;
    while (end < FDoc.size() && IsNameChar(static_cast<unsigned char>(FDoc[end])))
        ++end;
    return end;
}

void TXmlScanner::SkipSpecial() {
    // FPos is at "<!" or "<?".
    const std::string_view rest = FDoc.substr(FPos);
    auto skipTo = [&](const char* terminator, const char* what) {
        const size_t end = FDoc.find(terminator, FPos + 2);
        if (end == std::string_view::npos) Fail(FPos, std::string("unterminated ") + what);
        FPos = end + std::strlen(terminator);
    };
    if (rest.substr(0, 4) == "<!--") {
        const size_t end = FDoc.find("--", FPos + 4);
        if (end == std::string_view::npos) Fail(FPos, "unterminated comment");
        if (end + 2 >= FDoc.size() || FDoc[end + 2] != '>') Fail(end, "'--' inside a comment");
        FPos = end + 3;
    } else if (rest.substr(0, 9) == "<![CDATA[") {
        if (FStack.empty()) Fail(FPos, "CDATA outside the root element");
        skipTo("]]>", "CDATA section");
    } else if (rest.substr(0, 2) == "<?") {
        skipTo("?>", "processing instruction");
    } else if (rest.substr(0, 9) == "<!DOCTYPE") {
        Fail(FPos, "document type declarations are not allowed");
    } else {
        Fail(FPos, "malformed markup");
    }
}

TXmlScanner::TToken TXmlScanner::Next() {
    if (FPendingEnd) {
        FPendingEnd = false;
        FStack.pop_back();
        if (FStack.empty()) FRootSeen = true;
        return EndElement;
    }
    for (;;) {
        if (FDone) return EndOfDocument;
        const size_t lt = FDoc.find('<', FPos);
        // Character data between tags: only blanks outside the root element.
        const size_t textEnd = lt == std::string_view::npos ? FDoc.size() : lt;
        if (FStack.empty()) {
            for (size_t i = FPos; i < textEnd; ++i)
                if (!IsSpace(FDoc[i]))
                    Fail(i, FRootSeen ? "text after the root element"
                                      : "text before the root element");
        }
        if (lt == std::string_view::npos) {
            if (!FStack.empty())
                Fail(FDoc.size(), "unexpected end of file: element '" + std::string(FStack.back()) +
                                      "' is not closed");
            if (!FRootSeen) Fail(0, FDoc.empty() ? "the file is empty" : "no root element");
            FDone = true;
            return EndOfDocument;
        }
        FPos = lt;
        if (lt + 1 >= FDoc.size()) Fail(lt, "unexpected end of file");
        const char c = FDoc[lt + 1];
        if (c == '!' || c == '?') {
            SkipSpecial();
            continue;
        }
        FTokenOffset = lt;
        if (c == '/') {
            ReadEndTag();
            return EndElement;
        }
        ReadStartTag();
        return StartElement;
    }
}

void TXmlScanner::ReadEndTag() {
    const size_t nameStart = FPos + 2;
    const size_t nameEnd = ReadName(nameStart);
    const std::string_view name = FDoc.substr(nameStart, nameEnd - nameStart);
    size_t pos = nameEnd;
    while (pos < FDoc.size() && IsSpace(FDoc[pos]))
        ++pos;
    if (pos >= FDoc.size() || FDoc[pos] != '>') Fail(pos, "'>' expected");
    if (FStack.empty()) Fail(FPos, "end tag '" + std::string(name) + "' without a start tag");
    if (FStack.back() != name)
        Fail(FPos, "end tag '" + std::string(name) + "' does not match '" +
                       std::string(FStack.back()) + "'");
    FStack.pop_back();
    if (FStack.empty()) FRootSeen = true;
    FName = name;
    FPos = pos + 1;
}

void TXmlScanner::ReadStartTag() {
    if (FStack.empty() && FRootSeen) Fail(FPos, "a second root element");
    const size_t nameStart = FPos + 1;
    size_t pos = ReadName(nameStart);
    FName = FDoc.substr(nameStart, pos - nameStart);
    FAttributes.clear();
    const size_t size = FDoc.size();
    for (;;) {
        const size_t before = pos;
        while (pos < size && IsSpace(FDoc[pos]))
            ++pos;
        if (pos >= size) Fail(pos, "unexpected end of file inside a tag");
        const char c = FDoc[pos];
        if (c == '>') {
            ++pos;
            break;
        }
        if (c == '/') {
            if (pos + 1 >= size || FDoc[pos + 1] != '>') Fail(pos, "'>' expected after '/'");
            pos += 2;
            FPendingEnd = true;
            break;
        }
        if (pos == before) Fail(pos, "a blank is needed between attributes");
        const size_t attrStart = pos;
        pos = ReadName(pos);
        const std::string_view attrName = FDoc.substr(attrStart, pos - attrStart);
        while (pos < size && IsSpace(FDoc[pos]))
            ++pos;
        if (pos >= size || FDoc[pos] != '=')
            Fail(pos, "'=' expected after attribute '" + std::string(attrName) + "'");
        ++pos;
        while (pos < size && IsSpace(FDoc[pos]))
            ++pos;
        if (pos >= size || (FDoc[pos] != '\'' && FDoc[pos] != '"'))
            Fail(pos, "a quoted value expected for attribute '" + std::string(attrName) + "'");
        const char quote = FDoc[pos];
        const size_t valueStart = pos + 1;
        const void* end = std::memchr(FDoc.data() + valueStart, quote, size - valueStart);
        if (!end) Fail(pos, "unterminated value of attribute '" + std::string(attrName) + "'");
        const size_t valueEnd = size_t(static_cast<const char*>(end) - FDoc.data());
        if (valueEnd - valueStart > MaxAttributeLength)
            Fail(valueStart,
                 "the value of attribute '" + std::string(attrName) + "' is longer than 16 MiB");
        if (std::memchr(FDoc.data() + valueStart, '<', valueEnd - valueStart))
            Fail(valueStart, "'<' inside the value of attribute '" + std::string(attrName) + "'");
        if (IsDuplicate(attrName))
            Fail(attrStart, "duplicate attribute '" + std::string(attrName) + "'");
        FAttributes.push_back(
            {attrName, FDoc.substr(valueStart, valueEnd - valueStart), valueStart});
        pos = valueEnd + 1;
    }
    if (FStack.size() >= MaxDepth) Fail(FPos, "elements nested too deeply");
    FStack.push_back(FName);
    FPos = pos;
}

bool TXmlScanner::IsDuplicate(std::string_view name) {
    // The attributes read so far are all different. A few are compared one by one, which is
    // the fastest for the usual row; past that a set of the names keeps a tag with very many
    // attributes linear instead of quadratic.
    const size_t count = FAttributes.size();
    if (count < SmallTag) {
        for (const TXmlAttribute& other : FAttributes)
            if (other.Name.size() == name.size() && other.Name == name) return true;
        return false;
    }
    if (count == SmallTag) {
        FNames.clear();
        for (const TXmlAttribute& other : FAttributes)
            FNames.insert(other.Name);
    }
    return !FNames.insert(name).second;
}

void TXmlScanner::Decode(const TXmlAttribute& attribute, std::string& out) {
    out.clear();
    const std::string_view raw = attribute.Raw;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c != '&') {
            // Blanks in attribute values read as spaces, as XML requires.
            out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
            ++i;
            continue;
        }
        const size_t semi = raw.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12)
            throw TXmlError{attribute.Offset + i, "malformed reference"};
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        if (ref == "amp")
            out += '&';
        else if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "apos")
            out += '\'';
        else if (ref == "quot")
            out += '"';
        else if (ref.size() >= 2 && ref[0] == '#') {
            unsigned long cp = 0;
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                throw TXmlError{attribute.Offset + i, "malformed character reference"};
            for (const char d : digits) {
                int v;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                else
                    throw TXmlError{attribute.Offset + i, "malformed character reference"};
                cp = cp * (hex ? 16 : 10) + unsigned(v);
                if (cp > 0x10FFFF)
                    throw TXmlError{attribute.Offset + i, "character reference out of range"};
            }
            // A NUL is accepted so that every text the writer can write reads back.
            if (cp >= 0xD800 && cp <= 0xDFFF)
                throw TXmlError{attribute.Offset + i,
                                "character reference to an invalid character"};
            AppendUtf8(out, cp);
        } else {
            throw TXmlError{attribute.Offset + i, "unknown entity '&" + std::string(ref) + ";'"};
        }
        i = semi + 1;
    }
}
