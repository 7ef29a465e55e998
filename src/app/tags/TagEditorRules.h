#pragma once
// The rules that keep an item's track flags, chapters and join list consistent while the
// tag editor's tables change them. Plain functions over the media object, so the tables,
// the drops and the tests share them.
#include <QList>
#include <QString>
#include <QStringList>

#include "media/AudioTrack.h"
#include "media/ChapterTrack.h"
#include "media/MediaFile.h"

namespace zuvo {

// Unselected tracks lose default and stereo; two or more defaults leave only the track at
// `selectedRow` (when it is one of them, -1 for none); no default makes the first selected
// track the default; an output without a stereo track gives the first selected 5.1 track
// the stereo flag.
void sanityCheckAudioMatrix(QList<AudioTrack>& tracks, int selectedRow);

// The "Include" click on subtitle row `row` of the list the table shows: an included track
// is excluded; otherwise burnt-in subtitles allow only the clicked one, soft subtitles
// exclude every hard track and add the clicked one.
void toggleSubtitleInclude(MediaFile& media, int row);

// A typed chapter start: seconds as "s", "m:s" or "h:m:s", negative taken as 0, stored
// as "hh:mm:ss".
QString chapterStartFromText(const QString& text);
// By start time ascending; the fixed clock form makes text order time order.
QList<ChapterTrack> sortedChapters(QList<ChapterTrack> chapters);
void sortChapters(MediaFile& media);

// Moves join row `from` to the drop row `to` (counted before the removal); a drop row
// equal to the list's length appends it.
QStringList movedJoinRow(QStringList paths, int from, int to);

// The channel text of an audio row: "2", "5.1", "6.1", or nothing.
QString channelsText(int channels);

}  // namespace zuvo
