#pragma once
// Writing the cache files in the element form the clients' line readers read: one element
// per line, values on one line, "& < > \"" as entities (the readers unescape them once).
#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo::live {

// "&", "<", ">" and "\"" as entities, and every line break as one space.
QString xmlEscaped(const QString& text);
// "<name>value</name>" with the value escaped.
QString xmlElement(const char* name, const QString& value);
// The old "|A|B|" list form; empty for no names.
QString pipeList(const QStringList& names);

// The plain text of an HTML fragment: tags dropped (a paragraph or line break becomes one
// space between its neighbours), entities decoded once, spaces at the ends trimmed.
QString plainTextFromHTML(const QString& html);

// The cache file's bytes: the lines joined by line feeds, UTF-8.
QByteArray documentBytes(const QStringList& lines);

// A JSON value as text: strings as they are, numbers without a fraction as integers.
QString jsonText(const QJsonValue& value);
// A JSON value as a series id that fits the clients' 32-bit field (positive), else nothing.
std::optional<qint32> jsonSeriesID(const QJsonValue& value);

}  // namespace zuvo::live
