#pragma once
// Reads HandBrakeCLI's title listing line by line into DVD title records: the video
// section ("+ title"), the audio and subtitle sections, durations and, for a read of one
// title in depth, its chapters. Markers found before the listing (the tool's own log) are
// the scanner's business, not this one's.
#include "media/DVDReaderPanel.h"
#include "media/DVDTrack.h"

namespace zuvo {

class DVDScanParser {
 public:
  // `inDepth`: also read the chapter list and the frame rate (the read of one title).
  explicit DVDScanParser(bool inDepth, DVDReaderPanel* panel = nullptr) : inDepth_(inDepth), panel_(panel) {}

  // One line, already trimmed, into `title` (which may be null when no title is current).
  void parseLine(const QString& line, DVDTrack* title);

  // A "starting job" line was seen: the listing is over.
  bool discoveryEnded() const { return discoveryEnded_; }
  // A "+ title" line was seen.
  bool videoSectionSeen() const { return videoSeen_; }

 private:
  enum class Section { None, Video, Audio, Subtitle };

  void parseVideo(const QString& line, DVDTrack& title);
  void parseAudio(const QString& line, DVDTrack& title);
  void parseSubtitle(const QString& line, DVDTrack& title);
  void parseChapter(const QString& line, DVDTrack& title);
  void show(DVDReaderPanel::Field field, const QString& text);

  bool inDepth_;
  DVDReaderPanel* panel_;
  Section section_ = Section::None;
  bool discoveryEnded_ = false;
  bool videoSeen_ = false;
  bool inChapters_ = false;
  int chapterStart_ = 0;
};

// The number between "+" and the first "," of a stream line ("+ 2, English ..."); -1 when
// there is none.
int DVDStreamNumber(const QString& line);
// The language of a stream line: the code after "(iso639-2: ", as its long name when the
// language table knows it; nothing without the marker.
std::optional<QString> DVDStreamLanguage(const QString& line);

}  // namespace zuvo
