#pragma once
// What one word of a video file's name is: part of the series or movie name, a season
// or episode marker in one of the usual spellings, a part of an air date, or noise.
#include <QString>

#include "media/BCCReporter.h"

namespace zuvo {

// The working values of one name's parse; all texts start empty.
struct FileNameParse {
  bool avchd = false;    // camera files are numbered, so number patterns are off
  QString nameWords;     // each capitalised and followed by one space
  QString episodeWords;  // the words after the episode marker, likewise
  QString season;
  QString episode;  // once set, no further marker is looked for
  QString year;
  QString month;
  QString day;
  bool dateContext = false;  // the previous word had 4 characters or was a month or day
};

// Tries the patterns on one word in their order, then adds it to the name words
// (before any episode marker or year) or the episode words (after the marker).
void ProcessFileNameWord(FileNameParse& parse, const QString& word, const Reporter& reporter);

}  // namespace zuvo
