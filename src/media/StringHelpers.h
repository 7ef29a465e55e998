#pragma once
// Text helpers every subsystem uses: command lines and lists cut into pieces, and
// values cut out from between markers (the online services' XML answers are read
// this way, line by line, without an XML parser). None of them keeps state.
//
// "Nothing" is std::optional without a value, for texts and lists alike; an empty
// text or list is a real answer. An empty marker never occurs in any text.
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo {

// Child-process arguments: spaces outside double quotes separate, the quotes are
// dropped, line breaks vanish, there is no escape character. A piece ended by a space
// is kept untrimmed when it holds more than white space; the last piece is trimmed.
QStringList SplitArguments(const QString& commandLine);
// As SplitArguments, but "(" opens and ")" closes a group too (the parentheses stay
// in the piece).
QStringList SplitArgumentsGrouped(const QString& commandLine);
// Pieces split at commas outside groups; the double quote opens or closes a group
// (and is dropped), "(" and ")" open and close one (and stay). Pieces that hold only
// white space are dropped; every piece is trimmed.
QStringList SplitCommaList(const QString& text);
// The pieces at carriage return, or at line feed when those are more.
std::optional<QStringList> SplitLines(const std::optional<QString>& text);

// True when `find` occurs in `text`.
bool StringContains(const QString& text, const QString& find);
// True when `text` begins with `prefix`, compared exactly (so the empty prefix begins no
// text, not even the empty one).
bool StringHasPrefix(const QString& text, const QString& prefix);
// The text between the first `start` and the next `end` after it.
std::optional<QString> StringBetween(const std::optional<QString>& text, const QString& start,
                                     const QString& end);
// The value of "<name>value</name>".
std::optional<QString> XMLElementText(const std::optional<QString>& text, const QString& name);
// True when the text holds "<name>".
bool HasXMLElement(const QString& text, const QString& name);
std::optional<QString> SubstringBefore(const QString& text, const QString& marker);
std::optional<QString> SubstringAfter(const QString& text, const QString& marker);
// The name with every "/", "\" and ":" removed.
QString StripPathSeparators(const QString& name);
// Each word's first letter upper case and the rest lower case; words are separated by
// white space.
QString CapitalizedString(const QString& text);

// "%.2fGB", "%.2fMB", "%.2fKB" above 10^9, 10^6, 10^3 bytes, else "%f bytes".
QString HumanReadableSize(qint64 bytes);

// The bytes as UTF-8 text; nothing when they are not valid UTF-8 (a character cut
// off at the end included). A byte-order mark stays as U+FEFF.
std::optional<QString> Utf8Text(const QByteArray& bytes);

// The integer a text starts with, read the way the parsers of tool output and answers
// expect: leading white space, an optional sign, then decimal digits; 0 when there are
// none; clamped to the 32-bit range.
qint32 IntegerValue(QStringView text);

}  // namespace zuvo
