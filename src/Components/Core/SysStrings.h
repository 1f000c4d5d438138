#pragma once
// Text cut to a length counted in UTF-16 code units (the length string fields are stored
// with), never inside a character: a surrogate pair or a letter with its combining marks is
// kept whole or left out whole.

#include <QString>

QString CutToLength(const QString& text, qsizetype maxUnits);
