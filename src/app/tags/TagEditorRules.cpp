#include "app/tags/TagEditorRules.h"

#include <algorithm>

#include "media/TimeHelpers.h"

namespace zuvo {

void sanityCheckAudioMatrix(QList<AudioTrack>& tracks, int selectedRow) {
  for (AudioTrack& track : tracks)
    if (!track.selected()) {
      track.setIsDefault(false);
      track.setMakeStereo(false);
    }
  int defaults = 0;
  bool stereo = false;
  for (const AudioTrack& track : tracks) {
    if (track.isDefault()) ++defaults;
    if (track.selected() && (track.channels() == 2 || (track.channels() == 6 && track.makeStereo())))
      stereo = true;
  }
  if (defaults >= 2 && selectedRow >= 0 && selectedRow < tracks.size() &&
      tracks.at(selectedRow).isDefault()) {
    for (int i = 0; i < tracks.size(); ++i)
      if (i != selectedRow) tracks[i].setIsDefault(false);
  }
  if (defaults == 0) {
    for (AudioTrack& track : tracks)
      if (track.selected()) {
        track.setIsDefault(true);
        break;
      }
  }
  if (!stereo) {
    for (AudioTrack& track : tracks)
      if (track.selected() && track.channels() == 6) {
        track.setMakeStereo(true);
        break;
      }
  }
}

void toggleSubtitleInclude(MediaFile& media, int row) {
  const bool soft = media.SoftSubtitles();
  QList<SubtitleTrack> shown = soft ? media.SoftSubtitleTracks() : media.HardSubtitleTracks();
  if (row < 0 || row >= shown.size()) return;
  if (shown.at(row).selected()) {
    shown[row].setSelected(false);
    soft ? media.setSoftSubtitleTracks(shown) : media.setHardSubtitleTracks(shown);
    return;
  }
  QList<SubtitleTrack> hard = media.HardSubtitleTracks();
  for (SubtitleTrack& track : hard) track.setSelected(false);
  if (soft) {
    shown[row].setSelected(true);
    media.setHardSubtitleTracks(hard);
    media.setSoftSubtitleTracks(shown);
  } else {
    // Only one subtitle can be burnt in.
    QList<SubtitleTrack> softTracks = media.SoftSubtitleTracks();
    for (SubtitleTrack& track : softTracks) track.setSelected(false);
    hard[row].setSelected(true);
    media.setSoftSubtitleTracks(softTracks);
    media.setHardSubtitleTracks(hard);
  }
}

QString chapterStartFromText(const QString& text) {
  return TimeStringFromMilliseconds(std::max<qint64>(0, MillisecondsFromTimeString(text)));
}

QList<ChapterTrack> sortedChapters(QList<ChapterTrack> chapters) {
  std::stable_sort(chapters.begin(), chapters.end(), [](const ChapterTrack& a, const ChapterTrack& b) {
    return a.starttime() < b.starttime();
  });
  return chapters;
}

void sortChapters(MediaFile& media) { media.setChapters(sortedChapters(media.Chapters())); }

QStringList movedJoinRow(QStringList paths, int from, int to) {
  if (from < 0 || from >= paths.size() || to < 0 || to > paths.size()) return paths;
  const int length = int(paths.size());
  const QString moved = paths.takeAt(from);
  if (to == length)
    paths.append(moved);
  else
    paths.insert(std::min(to, int(paths.size())), moved);
  return paths;
}

QString channelsText(int channels) {
  switch (channels) {
    case 2:
      return QStringLiteral("2");
    case 6:
      return QStringLiteral("5.1");
    case 7:
      return QStringLiteral("6.1");
    default:
      return QString();
  }
}

}  // namespace zuvo
