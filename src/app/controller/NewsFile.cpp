#include "app/controller/NewsFile.h"

#include "media/FileHelpers.h"
#include "media/StringHelpers.h"

namespace zuvo {

std::optional<NewsAlert> readNewsAlert(const QString& path) {
  const std::optional<QStringList> lines = ReadLinesFromFile(path);
  if (!lines || lines->isEmpty()) return std::nullopt;
  const QString& first = lines->first();
  if (!first.contains(QLatin1String("Zuvo ALERT:"))) return std::nullopt;
  const QStringList fields = first.split(':');
  if (fields.size() < 3) return std::nullopt;
  return NewsAlert{IntegerValue(fields[1]), fields[1]};
}

}  // namespace zuvo
