#pragma once
// An MP4/M4V file opened for reading or for change in place. Opening parses the top-level
// layout and the whole moov box, refusing fragmented or malformed files; edits change the
// moov tree in memory; commit() writes the new moov without ever overwriting the live one,
// so a crash or a full disk at any moment leaves a file with the old or the new metadata. A file
// open for change is locked against other writers until close().
// Media data never moves in a commit: the samples of added tracks go into a new media-data box
// at the end, a new chapter track's titles into one right after the new moov. Only
// rewriteInterleaved(), for files that are the caller's own work, lays it out anew.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4Chapter.h"
#include "mp4/Mp4FileHandle.h"
#include "mp4/Mp4Item.h"
#include "mp4/Mp4NewTrack.h"
#include "mp4/Mp4SampleTable.h"
#include "mp4/Mp4Tags.h"
#include "mp4/Mp4Track.h"

namespace zuvo {

// Bytes of media data written so far, and in all.
using Mp4Progress = std::function<void(uint64_t done, uint64_t total)>;

class Mp4File {
 public:
  enum class Mode { Read, Modify };
  // The least padding left after a moov written at the end of the file.
  static constexpr uint64_t kMinimumPadding = 64 * 1024;
  static constexpr uint64_t kMaxMoovBytes = 512ull << 20;

  Mp4File() = default;
  Mp4File(const Mp4File&) = delete;
  Mp4File& operator=(const Mp4File&) = delete;

  Mp4Error open(const std::string& path, Mode mode);
  void close();
  bool isOpen() const { return valid_; }
  const std::string& path() const { return file_.path(); }

  // The iTunes tag set; storing replaces the known items and keeps all others.
  Mp4Tags tags() const;
  void storeTags(const Mp4Tags& tags);

  // Freeform "----" items of `meaning`, and of `name` unless it is empty.
  std::vector<Mp4Item> freeformItems(const std::string& meaning, const std::string& name = {}) const;
  size_t removeFreeformItems(const std::string& meaning, const std::string& name = {});
  void addFreeformItem(const Mp4Item& item);

  // The chapters of one kind; with Both, the QuickTime track's when there is one, else Nero's.
  Mp4Error chapters(Mp4ChapterKind kind, std::vector<Mp4Chapter>& out);
  // Replaces the chapters of `kinds` (durations are derived from the starts: mp4PrepareChapters
  // against chapterEndMs()). An empty list deletes them.
  Mp4Error setChapters(const std::vector<Mp4Chapter>& chapters, Mp4ChapterKind kinds = Mp4ChapterKind::Both);
  void deleteChapters(Mp4ChapterKind kinds = Mp4ChapterKind::Both);
  // Where chapters end: the video track's duration, else the first audio track's, else the movie's.
  uint64_t chapterEndMs();

  // Track views; they stay valid until tracks are added or removed, chapters set or deleted.
  std::vector<Mp4Track> tracks();
  size_t trackCount() const;
  std::optional<Mp4Track> track(uint32_t id);
  uint32_t nextTrackId() const;
  void setNextTrackId(uint32_t id);
  uint64_t durationMs() const;
  uint32_t movieTimescale() const;

  // Adds the track after the others with the next free id, its edits in this movie's time
  // scale; its samples are copied into a new media-data box at the end of the file on commit.
  Mp4Error addTrack(Mp4NewTrack track, uint32_t* id = nullptr);
  // Removes the track and every reference to it; its media data stays where it is.
  Mp4Error removeTrack(uint32_t id);
  // Holds the track back by `ms` with a leading empty edit (0 removes it); its other edits stay.
  Mp4Error setTrackDelay(uint32_t id, uint64_t ms);

  // Where a committed track's samples lie, and one sample's bytes.
  Mp4Error samples(uint32_t id, std::vector<Mp4Sample>& out);
  Mp4Error readSample(const Mp4Sample& sample, Mp4Buffer& out) const;

  // Writes the added tracks' media first (reporting its progress), then the new moov. A file
  // whose media a commit could overwrite (damaged sample tables, media in free space) is
  // refused at open() for change, and again here, before any write.
  Mp4Error commit(const Mp4Progress& progress = {});
  // For a file that is the caller's own work, not the user's: commits, then writes the file anew
  // beside itself and puts it in its place, laid out for playing while it streams in: the moov
  // first with room for later edits after it, then one media-data box in which the tracks take
  // turns in chunks of about half a second. The samples' bytes stay as they are.
  Mp4Error rewriteInterleaved(const Mp4Progress& progress = {});
  // Whether every sample lies after the moov.
  bool indexFirst() const;
  // Whether the file is laid out for playing while it streams in: its index first, and its
  // tracks' samples in time order through the file (to within a second), as rewriteInterleaved()
  // leaves it. Added tracks not yet committed count as out of place.
  bool interleaved() const;
  // After a commit that succeeded: empty, or what did not complete once the new metadata was
  // what readers see (a failed flush: it may not have reached the disk yet).
  const std::string& warning() const { return warning_; }

  // The moov tree, for callers that need a box this class has no accessor for.
  Mp4Box& moov() { return moov_; }

 private:
  struct TopBox {
    uint64_t offset = 0;
    uint64_t size = 0;
    std::string type;
    uint32_t headerSize = 8;
    bool openEnded = false;  // declared size 0: up to the end of the file
    // Zeros up to the end, never written (growth cut short by a crash), or an open-ended free
    // box holding only zeros: nothing in it, so a commit may drop it. Known in Modify mode only.
    bool zeroTail = false;
  };
  struct Region {
    uint64_t offset = 0;
    uint64_t length = 0;
    size_t boxes = 0;
    bool plainHeader = true;  // one free box with an 8-byte header that states its size
    bool append = false;
  };

  Mp4Error scanLayout();
  Mp4Error isZeroFrom(uint64_t offset, uint64_t end, bool& zero) const;
  Mp4Error parseMoov();
  Mp4Error checkMediaPlacement() const;
  Mp4Error readyToWrite();  // open for change and as we know it; clears the warning
  Mp4Box* ilst();
  Mp4Box& ilstForWriting();
  std::vector<Region> freeRuns() const;
  void placeChapterSamples(uint64_t regionOffset);
  Mp4Buffer regionContent(const Region& region);
  Mp4Error writeRegion(const Region& region, const Mp4Buffer& content, bool& live);
  Mp4Error writeMedia(const Mp4Progress& progress, uint64_t& sizeBefore);
  Mp4Box* trackBox(uint32_t id);
  void updateMovieDuration();

  Mp4FileHandle file_;
  Mode mode_ = Mode::Read;
  bool valid_ = false;
  bool broken_ = false;  // a failed commit left the file on disk unlike our picture of it
  std::string warning_;
  std::vector<TopBox> layout_;
  size_t moovIndex_ = 0;
  Mp4Box moov_;
  uint32_t pendingChapterTrack_ = 0;  // a chapter track whose samples are not yet in the file
  Mp4Buffer pendingSamples_;
  std::vector<Mp4Chunk> retiredChapterChunks_;  // where removed chapter tracks' titles lie
  std::vector<uint64_t> retiredChapterBoxes() const;
  // Added tracks whose samples are not yet in the file.
  struct PendingTrack {
    uint32_t id = 0;
    std::vector<Mp4Sample> samples;
    std::shared_ptr<Mp4FileHandle> source;  // none: the samples are in `bytes`
    Mp4Buffer bytes;
  };
  std::vector<PendingTrack> pendingTracks_;
};

}  // namespace zuvo
