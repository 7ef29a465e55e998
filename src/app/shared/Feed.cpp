#include "app/shared/Feed.h"

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

const ArchivedFields<Feed>& archiveFields() {
  static const ArchivedFields<Feed> fields{
      archived<Feed, &Feed::name, &Feed::setName>("name"),
      archived<Feed, &Feed::path, &Feed::setPath>("path"),
      archived<Feed, &Feed::recurse, &Feed::setRecurse>("recurse"),
  };
  return fields;
}

}  // namespace

QString Feed::description() const {
  return QStringLiteral("Feed name:%1 path:%2 recurse:%3")
      .arg(name_, path_, recurse_ ? QStringLiteral("YES") : QStringLiteral("NO"));
}

void Feed::encodeWithCoder(KeyedArchiver& coder) const { encodeFields(archiveFields(), *this, coder); }

Feed Feed::initWithCoder(const KeyedUnarchiver& coder) { return decodedRecord(archiveFields(), coder); }

QList<Feed> loadVideoSources(const Reporter& reporter) {
  const QByteArray data = Defaults::standard().get(setting::Sources);
  if (data.isEmpty()) return {};
  QString failure;
  auto sources = unarchiveObjectsWithData<Feed>(data, &failure);
  if (!sources) {
    if (reporter) reporter->report(QStringLiteral("[RED]Video sources unreadable: %1").arg(failure), 2);
    return {};
  }
  return *sources;
}

void storeVideoSources(const QList<Feed>& sources) {
  Defaults::standard().set(setting::Sources, archivedDataWithRootObjects(sources));
}

}  // namespace zuvo
