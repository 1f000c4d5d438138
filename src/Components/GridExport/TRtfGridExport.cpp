#include "TRtfGridExport.h"

#include <algorithm>

namespace {
// Twips per pixel at 96 pixels per inch.
constexpr int TwipsPerPixel = 15;
// About the width of a character of 10-point Arial, and a cell's padding, in twips.
constexpr int TwipsPerCharacter = 110;
constexpr int CellPadding = 160;
// The text widths of an A4 or Letter page with margins of 2 cm, upright and turned.
constexpr int Margin = 1134;
constexpr int PortraitTextWidth = 11906 - 2 * Margin;
constexpr int LandscapeTextWidth = 15840 - 2 * Margin;

// The longest line and the longest word of a text.
void Measure(const QString& text, qsizetype& line, qsizetype& word) {
    for (const QStringView l : QStringView(text).split(QLatin1Char('\n'))) {
        line = std::max(line, l.size());
        for (const QStringView w : l.split(QLatin1Char(' ')))
            word = std::max(word, w.size());
    }
}

// Column widths in twips: the grid's, widened so that no word has to break and a line fits
// when there is room, on an upright page when the table fits it, otherwise on a turned page,
// scaled down when even that is too narrow.
std::vector<int> ColumnWidths(const TExportSource& source, bool& landscape) {
    std::vector<int> widths;
    qint64 total = 0;
    for (size_t c = 0; c < source.Fields.size(); ++c) {
        const TExportField& field = source.Fields[c];
        qsizetype line = 0, word = 0;
        Measure(field.Title, line, word);
        if (field.Exportable()) {
            for (const TExportRow& row : source.Rows)
                Measure(row[c].Text, line, word);
        }
        const int fromGrid = std::max(field.Width, 8) * TwipsPerPixel;
        const int fullLine = int(std::min<qsizetype>(line, 40)) * TwipsPerCharacter + CellPadding;
        const int longestWord =
            int(std::min<qsizetype>(word, 40)) * TwipsPerCharacter + CellPadding;
        const int width = std::max({fromGrid, fullLine, longestWord});
        widths.push_back(width);
        total += width;
    }
    landscape = total > PortraitTextWidth;
    const int page = landscape ? LandscapeTextWidth : PortraitTextWidth;
    if (total > page) {
        for (int& width : widths)
            width = std::max(int(qint64(width) * page / total), 200);
    }
    return widths;
}

QByteArray RowDefinition(const std::vector<int>& rightEdges, bool header) {
    QByteArray out = "\\trowd\\trgaph70\\trleft0";
    if (header) out += "\\trhdr";
    for (const int edge : rightEdges) {
        out += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
               "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
        if (header) out += "\\clcbpat2";
        out += "\\cellx" + QByteArray::number(edge);
    }
    return out + "\r\n";
}
} // namespace

QByteArray TRtfGridExport::Escaped(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '{':
            out += "\\{";
            break;
        case '}':
            out += "\\}";
            break;
        case '\t':
            out += "\\tab ";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            out += "\\line ";
            break;
        case '\n':
            out += "\\line ";
            break;
        default:
            if (c >= 0x20 && c < 0x80) {
                out += char(c);
            } else if (c >= 0x80) {
                // Signed 16-bit, as RTF readers expect; a surrogate pair gives two escapes.
                out += "\\u" + QByteArray::number(int(qint16(c))) + '?';
            }
            // Other control characters have no place in a document and are left out.
        }
    }
    return out;
}

void TRtfGridExport::DoExport(const TExportSource& source, QIODevice& device) {
    const int count = int(source.Rows.size());
    ReportProgress(0, count);

    bool landscape = false;
    const std::vector<int> widths = ColumnWidths(source, landscape);
    std::vector<int> rightEdges;
    int edge = 0;
    for (const int width : widths)
        rightEdges.push_back(edge += width);

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n"
                     "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                     "{\\colortbl;\\red0\\green0\\blue0;\\red224\\green224\\blue224;}\r\n";
    if (landscape) out += "\\paperw16838\\paperh11906\\landscape\r\n";
    out += "\\margl" + QByteArray::number(Margin) + "\\margr" + QByteArray::number(Margin) +
           "\\margt" + QByteArray::number(Margin) + "\\margb" + QByteArray::number(Margin) + "\r\n";
    out += "\\pard\\plain\\f0\\fs20\r\n";

    if (!source.Fields.empty()) {
        out += RowDefinition(rightEdges, true);
        for (const TExportField& field : source.Fields)
            out += "\\pard\\intbl\\ql\\b " + Escaped(field.Title) + "\\b0\\cell\r\n";
        out += "\\row\r\n";
    }
    Put(device, out);

    const QByteArray rowDefinition = RowDefinition(rightEdges, false);
    for (int r = 0; r < count; ++r) {
        const TExportRow& row = source.Rows[size_t(r)];
        if (source.Fields.empty()) {
            ReportProgress(r + 1, count);
            continue;
        }
        out = rowDefinition;
        for (size_t i = 0; i < source.Fields.size(); ++i) {
            const TExportField& field = source.Fields[i];
            out += field.Numeric() ? "\\pard\\intbl\\qr " : "\\pard\\intbl\\ql ";
            if (field.Exportable()) out += Escaped(row[i].Text);
            out += "\\cell\r\n";
        }
        out += "\\row\r\n";
        Put(device, out);
        ReportProgress(r + 1, count);
    }
    Put(device, "\\pard\\par\r\n}\r\n");
}
