#pragma once
// A small, strict, streaming XML reader over a UTF-8 buffer: start and end tags with their
// attributes, nothing held but the stack of open element names. Comments, processing
// instructions, CDATA and character data are checked and skipped. Faults raise TXmlError
// with the byte offset; LineColumn turns it into a line and column.
//
// Limits that guard against hostile files: attribute values of at most 16 MiB, elements
// nested at most 256 deep, no DOCTYPE (so no entity expansion). Duplicate attributes are
// refused in time linear in the number of attributes.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct TXmlError {
    size_t Offset;
    std::string Message;
};

struct TXmlAttribute {
    std::string_view Name;
    std::string_view Raw; // the value as written, references not yet replaced
    size_t Offset;        // of the value
};

class TXmlScanner {
public:
    enum TToken { StartElement, EndElement, EndOfDocument };
    static constexpr size_t MaxAttributeLength = 16u << 20;
    static constexpr size_t MaxDepth = 256;

    explicit TXmlScanner(std::string_view document);

    TToken Next();
    std::string_view Name() const { return FName; }
    const std::vector<TXmlAttribute>& Attributes() const { return FAttributes; }
    size_t Offset() const { return FTokenOffset; }
    // Just past the token read last (past "/>" of an element that closes itself).
    size_t End() const { return FPos; }
    // Whether the start tag read last closed itself ("<a/>").
    bool SelfClosing() const { return FPendingEnd; }
    size_t Depth() const { return FStack.size(); }

    // The local part of a qualified name ("rs:data" -> "data").
    static std::string_view LocalName(std::string_view name);
    // Replaces the character and entity references of an attribute value. Raises TXmlError
    // (offset within the document) for a malformed reference.
    static void Decode(const TXmlAttribute& attribute, std::string& out);
    static void LineColumn(std::string_view document, size_t offset, size_t& line, size_t& column);

private:
    [[noreturn]] void Fail(size_t offset, std::string message) const;
    void SkipMisc();
    void ReadStartTag();
    void ReadEndTag();
    void SkipSpecial(); // comment, CDATA, processing instruction
    size_t ReadName(size_t pos);
    // Whether the current tag already has an attribute of this name.
    bool IsDuplicate(std::string_view name);
    static constexpr size_t SmallTag = 32;

    std::string_view FDoc;
    size_t FPos = 0;
    size_t FTokenOffset = 0;
    std::string_view FName;
    std::vector<TXmlAttribute> FAttributes;
    std::unordered_set<std::string_view> FNames; // of a tag with more than SmallTag attributes
    std::vector<std::string_view> FStack;
    bool FPendingEnd = false;
    bool FRootSeen = false;
    bool FDone = false;
};
