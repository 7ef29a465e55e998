#pragma once
// The few text operations whose Foundation behaviour the media model relies on and Qt
// answers differently. Their relatives live in media/StringHelpers.h: `IntegerValue`
// reads a text the way `intValue` does, and `StringContains` never finds the empty text.
#include <QString>

namespace zuvo {

// Every word's first character in title case and the rest in lower case; a word is
// anything between spaces, tabs and line breaks ("hELLO wORLD" -> "Hello World",
// "o'neil-smith" -> "O'neil-smith").
QString capitalizedString(const QString& text);

// True when `text` begins with `prefix`, compared exactly. The empty prefix begins no
// text, not even the empty one.
bool hasPrefix(const QString& text, const QString& prefix);

}  // namespace zuvo
