#include "media/ChapterTrack.h"

namespace zuvo {
namespace {

const ArchivedFields<ChapterTrack>& archiveFields() {
  using C = ChapterTrack;
  static const ArchivedFields<C> fields{
      archived<C, &C::title, &C::setTitle>("title"),
      archived<C, &C::chapternumber, &C::setChapternumber>("chapternumber"),
      archived<C, &C::starttime, &C::setStarttime>("starttime"),
  };
  return fields;
}

}  // namespace

void ChapterTrack::encodeWithCoder(KeyedArchiver& coder) const {
  encodeFields(archiveFields(), *this, coder);
}

ChapterTrack ChapterTrack::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder);
}

}  // namespace zuvo
