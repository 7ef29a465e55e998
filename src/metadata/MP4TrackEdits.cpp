#include "metadata/MP4TrackEdits.h"

#include <algorithm>

#include "mp4/Mp4File.h"

namespace zuvo {

namespace {
constexpr const char* kVideoTrackType = "vide";
constexpr const char* kChapterReference = "chap";
}  // namespace

Mp4Error setMP4TrackName(const QString& path, uint32_t trackId, const QString& name) {
  Mp4File file;
  if (Mp4Error opened = file.open(path.toStdString(), Mp4File::Mode::Modify)) return opened;
  std::optional<Mp4Track> track = file.track(trackId);
  if (!track) return Mp4Error::failure("no track " + std::to_string(trackId));
  track->setName(name.toStdString());
  return file.commit();
}

void fixNextTrackId(Mp4File& file) {
  uint32_t highest = 0;
  for (const Mp4Track& track : file.tracks()) highest = std::max(highest, track.id());
  file.setNextTrackId(highest + 1);
}

uint32_t findVideoTrack(Mp4File& file) {
  for (const Mp4Track& track : file.tracks())
    if (track.type() == kVideoTrackType) return track.id();
  return 0;
}

void removeChapterReferences(Mp4File& file) {
  for (Mp4Track& track : file.tracks())
    if (track.hasAtom(std::string("tref.") + kChapterReference)) track.removeReferences(kChapterReference);
}

}  // namespace zuvo
