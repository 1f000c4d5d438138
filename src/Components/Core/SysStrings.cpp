#include "SysStrings.h"

#include <QTextBoundaryFinder>

QString CutToLength(const QString& text, qsizetype maxUnits) {
    if (text.size() <= maxUnits) return text;
    if (maxUnits <= 0) return QString();
    // The last boundary between user-perceived characters at or before the limit.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(maxUnits);
    const qsizetype end = graphemes.isAtBoundary() ? maxUnits : graphemes.toPreviousBoundary();
    return text.left(std::max<qsizetype>(end, 0));
}

namespace {
// Where the character after the first count characters starts, or -1 when the text holds no
// more than count of them.
qsizetype EndOfCharacters(const QString& text, qsizetype count) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype seen = 0; seen < count; ++seen)
        if (graphemes.toNextBoundary() < 0) return -1;
    return graphemes.position() < text.size() ? graphemes.position() : -1;
}
} // namespace

qsizetype CharacterCount(const QString& text) {
    // Text of single-unit characters without combining marks (or CR LF, one character) counts
    // fast; anything else is counted by the boundaries between characters.
    bool simple = true;
    for (const QChar c : text) {
        if (c.isSurrogate() || c.unicode() >= 0x0300 || c == QLatin1Char('\r')) {
            simple = false;
            break;
        }
    }
    if (simple) return text.size();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (graphemes.toNextBoundary() > 0)
        ++count;
    return count;
}

QString CutToCharacters(const QString& text, qsizetype maxCharacters) {
    if (text.size() <= maxCharacters) return text; // never more characters than code units
    if (maxCharacters <= 0) return QString();
    const qsizetype end = EndOfCharacters(text, maxCharacters);
    return end < 0 ? text : text.left(end);
}
