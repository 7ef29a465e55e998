#pragma once
// The cast-and-crew property list of the "iTunMOVI" item: arrays of {"name": ...} under
// "cast", "directors" and "producers".
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo {

struct CastAndCrew {
  QStringList cast;
  QStringList directors;
  QStringList producers;
  bool operator==(const CastAndCrew&) const = default;
};

// The property list for the three comma-separated name lists: at most ten names each, no
// "cast" or "directors" key for an empty list, the single producer "Unknown" for none.
// Names are escaped, so any name gives a valid property list.
QByteArray castAndCrewPropertyList(const QString& actors, const QString& directors, const QString& producers);

// The names of a property list, trimmed, in order; nothing for data that is not an XML
// property list holding a dictionary.
std::optional<CastAndCrew> readCastAndCrew(const QByteArray& propertyList);

}  // namespace zuvo
