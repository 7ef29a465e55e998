#include "metadata/CastAndCrew.h"

#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr int kMaxNames = 10;
constexpr const char* kUnknownProducer = "Unknown";

// The list keys in the order they are written, and the field each one fills.
struct NameList {
  const char* key;
  QStringList CastAndCrew::*names;
};
constexpr NameList kNameLists[] = {
    {"cast", &CastAndCrew::cast},
    {"directors", &CastAndCrew::directors},
    {"producers", &CastAndCrew::producers},
};

constexpr const char* kPrologue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n";
constexpr const char* kEpilogue = "</dict>\n</plist>\n";

QString escaped(const QString& name) {
  QString s = name.toHtmlEscaped();  // &, <, > and "
  s.replace(u'\'', QLatin1String("&apos;"));
  return s;
}

QString arrayText(const char* key, const QStringList& names) {
  QString out = QStringLiteral("\t<key>%1</key>\n\t<array>\n").arg(QLatin1String(key));
  for (const QString& name : names.mid(0, kMaxNames))
    out += QStringLiteral("\t\t<dict>\n\t<key>name</key>\n\t<string>%1</string>\n\t</dict>\n")
               .arg(escaped(name));
  return out + QStringLiteral("\t</array>\n");
}

// The value of the element the reader stands on: dict as map, array as list, anything
// else as its text.
std::optional<QVariant> readValue(QXmlStreamReader& xml, int depth) {
  if (depth > 32) return std::nullopt;
  const QString element = xml.name().toString();
  if (element == u"dict") {
    QVariantMap map;
    while (xml.readNextStartElement()) {
      if (xml.name() != u"key") return std::nullopt;
      const QString key = xml.readElementText();
      if (!xml.readNextStartElement()) return std::nullopt;
      auto value = readValue(xml, depth + 1);
      if (!value) return std::nullopt;
      map.insert(key, *value);
    }
    return map;
  }
  if (element == u"array") {
    QVariantList list;
    while (xml.readNextStartElement()) {
      auto value = readValue(xml, depth + 1);
      if (!value) return std::nullopt;
      list << *value;
    }
    return list;
  }
  if (element == u"true" || element == u"false") {
    const bool value = element == u"true";
    xml.skipCurrentElement();
    return value;
  }
  return xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
}

}  // namespace

QByteArray castAndCrewPropertyList(const QString& actors, const QString& directors,
                                   const QString& producers) {
  QString plist = QLatin1String(kPrologue);
  if (!actors.isEmpty()) plist += arrayText(kNameLists[0].key, SplitCommaList(actors));
  if (!directors.isEmpty()) plist += arrayText(kNameLists[1].key, SplitCommaList(directors));
  plist += arrayText(kNameLists[2].key, producers.isEmpty() ? QStringList{QLatin1String(kUnknownProducer)}
                                                            : SplitCommaList(producers));
  plist += QLatin1String(kEpilogue);
  return plist.toUtf8();
}

std::optional<CastAndCrew> readCastAndCrew(const QByteArray& propertyList) {
  QXmlStreamReader xml(propertyList);
  if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement() ||
      xml.name() != u"dict")
    return std::nullopt;
  const std::optional<QVariant> root = readValue(xml, 0);
  while (root && !xml.atEnd()) xml.readNext();  // the rest must be well-formed too
  if (!root || xml.hasError()) return std::nullopt;
  const QVariantMap map = root->toMap();
  CastAndCrew result;
  for (const NameList& list : kNameLists)
    for (const QVariant& entry : map.value(QLatin1String(list.key)).toList()) {
      const QString name = entry.toMap().value(QStringLiteral("name")).toString().trimmed();
      if (!name.isEmpty()) (result.*list.names) << name;
    }
  return result;
}

}  // namespace zuvo
