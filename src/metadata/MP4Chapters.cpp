#include "metadata/MP4Chapters.h"

#include <algorithm>

#include "media/MediaFile.h"
#include "media/TimeHelpers.h"
#include "metadata/MP4TrackEdits.h"
#include "mp4/Mp4File.h"

namespace zuvo {

namespace {
// The track whose length the chapters fill when the file has no video track.
constexpr uint32_t kFallbackTrackId = 1;
}  // namespace

std::vector<Mp4Chapter> MP4ChaptersFromTracks(const QList<ChapterTrack>& chapters, uint64_t totalMs) {
  std::vector<Mp4Chapter> list;
  for (const ChapterTrack& chapter : chapters) {
    const qint64 ms = MillisecondsFromTimeString(chapter.starttime());
    if (ms < 0) continue;
    list.push_back({uint64_t(ms), 0, chapter.title().toStdString()});
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const Mp4Chapter& a, const Mp4Chapter& b) { return a.startMs < b.startMs; });
  list.erase(std::unique(list.begin(), list.end(),
                         [](const Mp4Chapter& a, const Mp4Chapter& b) { return a.startMs == b.startMs; }),
             list.end());
  std::erase_if(list, [&](const Mp4Chapter& c) { return c.startMs >= totalMs; });
  return list;
}

Mp4Error saveMP4Chapters(Mp4File& file, const MediaFile& media) {
  const QList<ChapterTrack> tracks = media.Chapters();
  if (tracks.isEmpty()) return {};

  uint32_t videoId = findVideoTrack(file);
  if (videoId == 0) videoId = kFallbackTrackId;
  const std::optional<Mp4Track> video = file.track(videoId);
  const uint64_t totalMs = video ? video->durationMs() : 0;
  const std::vector<Mp4Chapter> chapters = MP4ChaptersFromTracks(tracks, totalMs);

  std::vector<Mp4Chapter> prepared, present;
  const bool unchanged = !mp4PrepareChapters(chapters, totalMs, prepared).failed() && !prepared.empty() &&
                         !file.chapters(Mp4ChapterKind::QuickTime, present).failed() && present == prepared;
  if (!unchanged) {
    file.deleteChapters(Mp4ChapterKind::QuickTime);
    fixNextTrackId(file);
    removeChapterReferences(file);
  }
  return file.setChapters(chapters, Mp4ChapterKind::Both);
}

}  // namespace zuvo
