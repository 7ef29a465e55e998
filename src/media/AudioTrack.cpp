#include "media/AudioTrack.h"

#include "media/LanguageRecord.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

constexpr const char* kUnknownLanguage = "Unknown";

const ArchivedFields<AudioTrack>& archiveFields() {
  using A = AudioTrack;
  static const ArchivedFields<A> fields{
      archived<A, &A::name, &A::setName>("name"),
      archived<A, &A::audiosummary, &A::setAudiosummary>("audiosummary"),
      archived<A, &A::streamnumber, &A::setStreamnumber>("streamnumber"),
      archived<A, &A::ffmpegstreamnumber, &A::setFfmpegstreamnumber>("ffmpegstreamnumber"),
      archived<A, &A::encoding, &A::setEncoding>("encoding"),
      archived<A, &A::channels, &A::setChannels>("channels"),
      archived<A, &A::bitrate, &A::setBitrate>("bitrate"),
      archived<A, &A::samplingfrequency, &A::setSamplingfrequency>("samplingfrequency"),
      archived<A, &A::audioid, &A::setAudioid>("audioid"),
      archived<A, &A::language, &A::setLanguage>("language"),
      archived<A, &A::selected, &A::setSelected>("selected"),
      archived<A, &A::makeStereo, &A::setMakeStereo>("makestereo"),
      archived<A, &A::isDefault, &A::setIsDefault>("isdefault"),
      archived<A, &A::volume, &A::setVolume>("volume"),
  };
  return fields;
}

}  // namespace

QString defaultTrackLanguage() {
  return Defaults::standard().get(setting::DefaultUnlabledTracksToUsersLanguage)
             ? userLanguageName()
             : QString::fromLatin1(kUnknownLanguage);
}

AudioTrack::AudioTrack()
    : language_(defaultTrackLanguage()), volume_(Defaults::standard().get(setting::AudioVolume)) {}

void AudioTrack::encodeWithCoder(KeyedArchiver& coder) const { encodeFields(archiveFields(), *this, coder); }

AudioTrack AudioTrack::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder);
}

}  // namespace zuvo
