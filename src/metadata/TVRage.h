#pragma once
// TVRage: show ids, show names and episode lists for the episode picker and the
// invisible show picker of the look-up. Each answer is downloaded over HTTP into a cache
// file first; a file that is there already is read without a download.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "media/BCCReporter.h"

namespace zuvo {

// The TVRage id of the show named `showName` (letter case aside; the last such), 0 when
// there is none or TVRage cannot be reached.
qint32 TVRageLookupShowID(const QString& showName, const QString& cachePath, const Reporter& reporter);

// The names TVRage finds for `showName`, in its order; nothing when it cannot be reached.
// The show picker's list (`CreateShowPickerList:` answers 1 for nothing, else 0).
std::optional<QStringList> TVRageShowNames(const QString& showName, const QString& cachePath,
                                           const Reporter& reporter);

// One episode of a show's list.
struct TVRageEpisode {
  qint32 season = -1;  // of the enclosing season element; -1 before the first
  qint32 number = 0;   // within its season
  QString title;
  bool operator==(const TVRageEpisode&) const = default;
};

// The episodes of the show named `seriesName` (its id by TVRageLookupShowID, so the list
// of id 0 when it has none); nothing when the list cannot be fetched. The episode
// picker's rows are made from it (`CreateEpisodePickerList:EpisodeName:` answers 1 for
// nothing, else 0).
std::optional<QList<TVRageEpisode>> TVRageEpisodeList(const QString& seriesName, const QString& cachePath,
                                                      const Reporter& reporter);

}  // namespace zuvo
