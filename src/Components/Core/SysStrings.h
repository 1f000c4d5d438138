#pragma once
// Text measured and cut without ever splitting a character as the user sees it: a surrogate
// pair, a letter with its combining marks or an emoji sequence is kept whole or left out whole.

#include <QString>

// Cut to a length counted in UTF-16 code units (for formats whose limits count those).
QString CutToLength(const QString& text, qsizetype maxUnits);

// The number of characters as the user counts them (grapheme clusters): "🚀" is one, as is
// "e" followed by a combining accent.
qsizetype CharacterCount(const QString& text);
// Cut to at most maxCharacters such characters.
QString CutToCharacters(const QString& text, qsizetype maxCharacters);
