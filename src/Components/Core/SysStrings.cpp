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
