#pragma once
// One row of the episode picker: an episode of a show's list and how well its title
// matches the episode name the item already has.
#include <QString>

namespace zuvo {

struct EpisodeItem {
  QString SeriesName;
  QString EpisodeName;
  qint32 SeasonNumber = 0;
  qint32 EpisodeNumber = 0;
  qint32 Match = 0;  // 0 to 10
};

// The length of the common beginning of `episodeName` and `title` (letter case aside,
// up to the first difference) times 10, divided by the length of `episodeName`; 0 for
// an empty episode name.
qint32 EpisodeMatch(const QString& episodeName, const QString& title);

}  // namespace zuvo
