#pragma once
// Decoding the escapes found in the online services' answers: percent escapes, the
// five XML entities and numeric character references ("&#39;", "&#x27;").
// "Nothing" is std::optional without a value, as in StringHelpers.h.
#include <QString>
#include <optional>

namespace zuvo {

// Percent escapes decoded as UTF-8 (the text stays as given when they do not decode),
// then "&quot;", "&apos;", "&amp;", "&lt;", "&gt;" replaced, in that order.
QString UnescapeXMLEntities(const QString& text);
// Every "&#...;" replaced by its character. A reference without a closing ";" is
// copied as it stands.
std::optional<QString> DecodeCharacterReferences(const std::optional<QString>& text);
// The same, copying character by character; a reference without ";" runs to the end
// of the text and is decoded.
QString DecodeNumericEntitiesByChar(const QString& text);
// DecodeCharacterReferences of UnescapeXMLEntities: "&amp;#39;" gives "'".
QString UnescapeHTML(const QString& text);

}  // namespace zuvo
