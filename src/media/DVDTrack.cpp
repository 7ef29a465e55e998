#include "media/DVDTrack.h"

#include "media/MediaLabels.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {

const ArchivedFields<DVDTrack>& archiveFields() {
  using D = DVDTrack;
  static const ArchivedFields<D> fields{
      archived<D, &D::dvdpath, &D::setDvdpath>("dvdpath"),
      archived<D, &D::tracknumber, &D::setTracknumber>("tracknumber"),
      archived<D, &D::selected, &D::setSelected>("selected"),
      archived<D, &D::trackname, &D::setTrackname>("trackname"),
      archived<D, &D::tracklength, &D::setTracklength>("tracklength"),
      archived<D, &D::mediatype, &D::setMediatype>("mediatype"),
      archived<D, &D::season, &D::setSeason>("season"),
      archived<D, &D::episode, &D::setEpisode>("episode"),
      archived<D, &D::width, &D::setWidth>("width"),
      archived<D, &D::height, &D::setHeight>("height"),
      archived<D, &D::framerate, &D::setFramerate>("framerate"),
      archived<D, &D::bitrate, &D::setBitrate>("bitrate"),
      archived<D, &D::badtrack, &D::setBadtrack>("badtrack"),
      archived<D, &D::partialread, &D::setPartialread>("partialread"),
      archived<D, &D::AudioTracks, &D::setAudioTracks>("audiotracks"),
      archived<D, &D::SubtitleTracks, &D::setSubtitleTracks>("subtitletracks"),
      archived<D, &D::startsubtitlenumber, &D::setStartsubtitlenumber>("startsubtitlenumber"),
      archived<D, &D::hasSurround, &D::setHasSurround>("hassurround"),
      archived<D, &D::Chapters, &D::setChapters>("Chapters"),
  };
  return fields;
}

}  // namespace

DVDTrack::DVDTrack(const QString& name, const QString& path, int tracknumber)
    : dvdpath_(path),
      tracknumber_(tracknumber),
      trackname_(name),
      mediatype_(MediaTypeName(MediaType::Movie)) {}

void DVDTrack::encodeWithCoder(KeyedArchiver& coder) const { encodeFields(archiveFields(), *this, coder); }

DVDTrack DVDTrack::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder, DVDTrack(QString(), QString(), 0));
}

}  // namespace zuvo
