#include "media/SubtitleTrack.h"

#include "media/AudioTrack.h"

namespace zuvo {
namespace {

const ArchivedFields<SubtitleTrack>& archiveFields() {
  using S = SubtitleTrack;
  static const ArchivedFields<S> fields{
      archived<S, &S::subtitlesummary, &S::setSubtitlesummary>("subtitlesummary"),
      archived<S, &S::streamnumber, &S::setStreamnumber>("streamnumber"),
      archived<S, &S::language, &S::setLanguage>("language"),
      archived<S, &S::selected, &S::setSelected>("selected"),
      archived<S, &S::format, &S::setFormat>("format"),
      archived<S, &S::location, &S::setLocation>("location"),
      {"encoding",
       [](const S& track, KeyedArchiver& coder, const QString& key) {
         coder.encodeString(track.encoding().name, key);
       },
       [](S& track, const KeyedUnarchiver& coder, const QString& key) {
         track.setEncoding(coder.containsValueForKey(key) ? EncodingForName(coder.decodeString(key))
                                                          : UTF8Encoding());
       }},
      archived<S, &S::path, &S::setPath>("path"),
  };
  return fields;
}

}  // namespace

SubtitleTrack::SubtitleTrack() : language_(defaultTrackLanguage()), encoding_(UTF8Encoding()) {}

void SubtitleTrack::encodeWithCoder(KeyedArchiver& coder) const {
  encodeFields(archiveFields(), *this, coder);
}

SubtitleTrack SubtitleTrack::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder);
}

}  // namespace zuvo
