#include "media/VideoAlternate.h"

namespace zuvo {
namespace {

const ArchivedFields<VideoAlternate>& archiveFields() {
  using V = VideoAlternate;
  static const ArchivedFields<V> fields{
      archived<V, &V::Name, &V::setName>("name"),
      archived<V, &V::ID, &V::setID>("ID"),
  };
  return fields;
}

}  // namespace

VideoAlternate VideoAlternate::alternateWithName(const QString& name, qint32 id) {
  VideoAlternate alternate;
  alternate.setName(name);
  alternate.setID(id);
  return alternate;
}

QString VideoAlternate::description() const {
  return QStringLiteral("Video Alternate - Name:%1 ID:%2").arg(Name_, QString::number(ID_));
}

void VideoAlternate::encodeWithCoder(KeyedArchiver& coder) const {
  encodeFields(archiveFields(), *this, coder);
}

VideoAlternate VideoAlternate::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder);
}

}  // namespace zuvo
