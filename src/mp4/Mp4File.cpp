#include "mp4/Mp4File.h"

#include <unistd.h>

#include <algorithm>

#include "mp4/Mp4EditList.h"
#include "mp4/Mp4MovieHeader.h"
#include "mp4/Mp4NeroChapters.h"
#include "mp4/Mp4QuickTimeChapters.h"

namespace zuvo {

namespace {
constexpr size_t kMaxTopLevelBoxes = 100000;
// An added track's chunks: about a second of media, at most a mebibyte.
constexpr uint64_t kChunkBytes = 1 << 20;
constexpr size_t kCopyBlock = 1 << 20;
// A rewritten file's chunks: the tracks take turns every half second.
constexpr uint64_t kInterleaveDivisor = 2;
// How far back in time a sample may lie behind one before it in the file of an interleaved
// file: other multiplexers take turns by chunks of up to a second.
constexpr double kInterleaveSlackSeconds = 1.0;

bool isFree(const std::string& type) { return type == "free" || type == "skip"; }

Mp4Buffer boxHeader(uint32_t size, const char* type) {
  Mp4ByteWriter w;
  w.u32(size).text(type);
  return w.take();
}

Mp4Error offsetError(const std::string& what, uint64_t offset) {
  return Mp4Error::failure(what + " at offset " + std::to_string(offset));
}
}  // namespace

Mp4Error Mp4File::open(const std::string& path, Mode mode) {
  close();
  mode_ = mode;
  if (auto e = file_.open(path, mode == Mode::Modify)) return e;
  Mp4Error e = scanLayout();
  if (!e) e = parseMoov();
  if (!e && mode == Mode::Modify) e = checkMediaPlacement();
  if (e) {
    file_.close();
    return Mp4Error::failure(path + ": " + e.message());
  }
  valid_ = true;
  return {};
}

void Mp4File::close() {
  file_.close();
  valid_ = false;
  broken_ = false;
  warning_.clear();
  layout_.clear();
  moov_ = Mp4Box();
  pendingChapterTrack_ = 0;
  pendingSamples_.clear();
  pendingTracks_.clear();
  retiredChapterChunks_.clear();
}

Mp4Error Mp4File::scanLayout() {
  layout_.clear();
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) return e;
  bool haveMoov = false;
  for (uint64_t pos = 0; pos < fileSize;) {
    if (layout_.size() >= kMaxTopLevelBoxes) return Mp4Error::failure("too many top-level boxes");
    Mp4Buffer head;
    if (auto e = file_.readAt(pos, size_t(std::min<uint64_t>(16, fileSize - pos)), head)) return e;
    // Zeros where a box should start: a commit that reserved room and then stopped.
    bool zeroTail = false;
    if (mode_ == Mode::Modify &&
        std::all_of(head.begin(), head.begin() + long(std::min<size_t>(8, head.size())),
                    [](uint8_t b) { return b == 0; }))
      if (auto e = isZeroFrom(pos, fileSize, zeroTail)) return e;
    if (zeroTail) {
      layout_.push_back({pos, fileSize - pos, std::string(4, '\0'), 8, true, true});
      break;
    }
    if (fileSize - pos < 8) return offsetError("stray bytes after the last box", pos);
    Mp4BoxHeader h;
    if (auto e = mp4ReadBoxHeader(head, h)) return offsetError(e.message(), pos);
    TopBox box{pos, h.size, h.type, h.headerSize, h.size == 0};
    if (box.openEnded) box.size = fileSize - pos;
    if (box.size > fileSize - pos)
      return offsetError("box '" + mp4PrintableType(h.type) + "' runs past the end of the file (truncated?)",
                         pos);
    if (h.type == "moof" || h.type == "mfra")
      return Mp4Error::failure("fragmented MP4 files are not supported");
    if (h.type == "moov" && !haveMoov) {
      haveMoov = true;
      moovIndex_ = layout_.size();
    }
    if (box.openEnded && isFree(h.type) && mode_ == Mode::Modify)
      if (auto e = isZeroFrom(pos + box.headerSize, fileSize, box.zeroTail)) return e;
    layout_.push_back(box);
    pos += box.size;
  }
  if (!haveMoov) return Mp4Error::failure("no moov box: not an MP4 file, or an incomplete one");
  return {};
}

Mp4Error Mp4File::isZeroFrom(uint64_t offset, uint64_t end, bool& zero) const {
  zero = false;
  Mp4Buffer block;
  for (uint64_t at = offset; at < end; at += block.size()) {
    if (auto e = file_.readAt(at, size_t(std::min<uint64_t>(kCopyBlock, end - at)), block)) return e;
    if (!std::all_of(block.begin(), block.end(), [](uint8_t b) { return b == 0; })) return {};
  }
  zero = true;
  return {};
}

Mp4Error Mp4File::parseMoov() {
  const TopBox& box = layout_[moovIndex_];
  if (box.size > kMaxMoovBytes) return Mp4Error::failure("the moov box is too large");
  Mp4Buffer bytes;
  if (auto e = file_.readAt(box.offset, size_t(box.size), bytes)) return e;
  Mp4BoxHeader h;
  if (auto e = mp4ReadBoxHeader(bytes, h)) return e;
  if (auto e = Mp4Box::parse("moov", std::span<const uint8_t>(bytes).subspan(h.headerSize), "", 0, moov_))
    return e;
  if (moov_.find("mvex")) return Mp4Error::failure("fragmented MP4 files are not supported");
  if (auto e = Mp4MovieHeader::validate(moov_.find("mvhd"))) return e;
  for (const Mp4Box* trak : moov_.all("trak"))
    if (auto e = Mp4Track::validate(*trak)) return e;
  if (const Mp4Box* list = ilst())
    for (const Mp4Box& itemBox : list->children()) {
      Mp4Item item;
      if (auto e = Mp4Item::fromBox(itemBox, item)) return e;
    }
  std::vector<Mp4Chapter> nero;
  return Mp4NeroChapters::read(moov_, 0, nero);
}

// A commit writes only into free space, the old moov, a zero tail and past the end: no sample may
// lie there, or the new moov would become media data. Data references naming other files are
// not trusted: common players read this file's bytes whatever the reference says.
Mp4Error Mp4File::checkMediaPlacement() const {
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) return e;
  struct Span {
    uint64_t begin, end;
  };
  std::vector<Span> writable;  // in file order, not overlapping
  for (const TopBox& b : layout_)
    if (b.type == "moov" || isFree(b.type) || b.zeroTail) writable.push_back({b.offset, b.offset + b.size});
  for (const Mp4Box* trak : moov_.all("trak")) {
    const uint32_t id = Mp4Track(const_cast<Mp4Box&>(*trak)).id();
    if (id == pendingChapterTrack_ && id != 0) continue;
    if (std::any_of(pendingTracks_.begin(), pendingTracks_.end(),
                    [&](const PendingTrack& p) { return p.id == id; }))
      continue;
    const std::string track = "track " + std::to_string(id);
    const Mp4Box* stbl = trak->find("mdia.minf.stbl");
    if (!stbl) return Mp4Error::failure(track + " has no sample table");
    std::vector<Mp4Chunk> chunks;
    if (auto e = Mp4SampleTable::chunks(*stbl, chunks)) return Mp4Error::failure(track + ": " + e.message());
    for (const Mp4Chunk& c : chunks) {
      const uint64_t length = std::max<uint64_t>(c.bytes, 1);
      if (c.offset >= fileSize || length > fileSize - c.offset)
        return Mp4Error::failure(track + ": media data past the end of the file (truncated?)");
      auto after = std::upper_bound(writable.begin(), writable.end(), c.offset,
                                    [](uint64_t offset, const Span& s) { return offset < s.end; });
      if (after != writable.end() && after->begin < c.offset + length)
        return Mp4Error::failure(track + ": media data lies in the moov box or in free space (damaged file)");
    }
  }
  return {};
}

Mp4Box* Mp4File::ilst() { return moov_.find("udta.meta.ilst"); }

Mp4Box& Mp4File::ilstForWriting() {
  Mp4Box& meta = moov_.findOrCreate("udta.meta");
  if (!meta.find("hdlr")) {
    // The handler that marks the item list as iTunes metadata.
    Mp4ByteWriter w;
    w.u32(0).u32(0).text("mdir").text("appl").u32(0).u32(0).u8(0);
    meta.children().insert(meta.children().begin(), Mp4Box::leaf("hdlr", w.take()));
  }
  return meta.findOrCreate("ilst");
}

Mp4Tags Mp4File::tags() const {
  const Mp4Box* list = const_cast<Mp4File*>(this)->ilst();
  return list ? Mp4Tags::fetch(*list) : Mp4Tags();
}

void Mp4File::storeTags(const Mp4Tags& tags) { tags.store(ilstForWriting()); }

std::vector<Mp4Item> Mp4File::freeformItems(const std::string& meaning, const std::string& name) const {
  std::vector<Mp4Item> found;
  const Mp4Box* list = const_cast<Mp4File*>(this)->ilst();
  if (!list) return found;
  for (const Mp4Box* box : list->all(Mp4Item::kFreeformCode)) {
    Mp4Item item;
    if (Mp4Item::fromBox(*box, item).failed()) continue;
    if (item.meaning() == meaning && (name.empty() || item.name() == name)) found.push_back(std::move(item));
  }
  return found;
}

size_t Mp4File::removeFreeformItems(const std::string& meaning, const std::string& name) {
  Mp4Box* list = ilst();
  if (!list) return 0;
  const size_t before = list->children().size();
  std::erase_if(list->children(), [&](const Mp4Box& box) {
    Mp4Item item;
    return box.type() == Mp4Item::kFreeformCode && !Mp4Item::fromBox(box, item).failed() &&
           item.meaning() == meaning && (name.empty() || item.name() == name);
  });
  return before - list->children().size();
}

void Mp4File::addFreeformItem(const Mp4Item& item) { ilstForWriting().append(item.toBox()); }

uint64_t Mp4File::chapterEndMs() {
  std::vector<Mp4Track> all = tracks();
  for (const char* type : {"vide", "soun"})
    for (const Mp4Track& t : all)
      if (t.type() == type) return t.durationMs();
  return durationMs();
}

Mp4Error Mp4File::chapters(Mp4ChapterKind kind, std::vector<Mp4Chapter>& out) {
  out.clear();
  if (!valid_) return Mp4Error::failure("no file is open");
  if (kind == Mp4ChapterKind::Both)
    kind = Mp4QuickTimeChapters::trackId(moov_) ? Mp4ChapterKind::QuickTime : Mp4ChapterKind::Nero;
  if (kind == Mp4ChapterKind::Nero) return Mp4NeroChapters::read(moov_, chapterEndMs(), out);
  if (pendingChapterTrack_ && pendingChapterTrack_ == Mp4QuickTimeChapters::trackId(moov_))
    return Mp4Error::failure("the new chapter track can be read after commit()");
  return Mp4QuickTimeChapters::read(moov_, file_, out);
}

Mp4Error Mp4File::setChapters(const std::vector<Mp4Chapter>& chapters, Mp4ChapterKind kinds) {
  std::vector<Mp4Chapter> prepared;
  if (auto e = mp4PrepareChapters(chapters, chapterEndMs(), prepared)) return e;
  if (mp4HasKind(kinds, Mp4ChapterKind::Nero)) {
    Mp4NeroChapters::remove(moov_);
    if (!prepared.empty()) Mp4NeroChapters::write(moov_, prepared);
  }
  if (!mp4HasKind(kinds, Mp4ChapterKind::QuickTime)) return {};
  // The same list again keeps its track, so saving unchanged chapters adds no media data.
  std::vector<Mp4Chapter> present;
  if (!prepared.empty() && !pendingChapterTrack_ &&
      !Mp4QuickTimeChapters::read(moov_, file_, present).failed() && present == prepared)
    return {};
  deleteChapters(Mp4ChapterKind::QuickTime);
  if (prepared.empty()) return {};
  return Mp4QuickTimeChapters::add(moov_, prepared, pendingChapterTrack_, pendingSamples_);
}

void Mp4File::deleteChapters(Mp4ChapterKind kinds) {
  if (mp4HasKind(kinds, Mp4ChapterKind::Nero)) Mp4NeroChapters::remove(moov_);
  if (mp4HasKind(kinds, Mp4ChapterKind::QuickTime)) {
    // Where the titles in the file lie, so that a box holding nothing else can go with them.
    std::vector<std::pair<uint32_t, std::vector<Mp4Chunk>>> before;
    for (Mp4Track t : tracks()) {
      std::vector<Mp4Chunk> chunks;
      const Mp4Box* stbl = t.box().find("mdia.minf.stbl");
      if (t.id() != pendingChapterTrack_ && stbl && !Mp4SampleTable::chunks(*stbl, chunks).failed())
        before.emplace_back(t.id(), std::move(chunks));
    }
    Mp4QuickTimeChapters::remove(moov_);
    for (auto& [id, chunks] : before)
      if (!track(id)) retiredChapterChunks_.insert(retiredChapterChunks_.end(), chunks.begin(), chunks.end());
    pendingChapterTrack_ = 0;
    pendingSamples_.clear();
  }
}

// Media boxes that held only the titles of a chapter track this change removed: once the new
// moov is live nothing refers to them, so they become free space (before the index they would
// read as media ahead of it). A box any track still points into stays.
std::vector<uint64_t> Mp4File::retiredChapterBoxes() const {
  std::vector<uint64_t> boxes;
  if (retiredChapterChunks_.empty()) return boxes;
  std::vector<Mp4Chunk> live;
  for (const Mp4Box* trak : moov_.all("trak")) {
    std::vector<Mp4Chunk> chunks;
    const Mp4Box* stbl = trak->find("mdia.minf.stbl");
    if (!stbl || Mp4SampleTable::chunks(*stbl, chunks).failed()) return {};
    live.insert(live.end(), chunks.begin(), chunks.end());
  }
  for (const TopBox& b : layout_) {
    if (b.type != "mdat" || b.openEnded) continue;
    const uint64_t begin = b.offset + b.headerSize, end = b.offset + b.size;
    auto inside = [&](const Mp4Chunk& c) {
      return c.offset < end && c.offset + std::max<uint64_t>(c.bytes, 1) > b.offset;
    };
    auto within = [&](const Mp4Chunk& c) {
      return c.bytes > 0 && c.offset >= begin && c.offset + c.bytes <= end;
    };
    if (std::any_of(retiredChapterChunks_.begin(), retiredChapterChunks_.end(), within) &&
        std::none_of(live.begin(), live.end(), inside))
      boxes.push_back(b.offset);
  }
  return boxes;
}

std::vector<Mp4Track> Mp4File::tracks() {
  std::vector<Mp4Track> v;
  for (Mp4Box* trak : moov_.all("trak")) v.emplace_back(*trak);
  return v;
}

size_t Mp4File::trackCount() const { return moov_.all("trak").size(); }

std::optional<Mp4Track> Mp4File::track(uint32_t id) {
  for (Mp4Track t : tracks())
    if (t.id() == id) return t;
  return std::nullopt;
}

uint32_t Mp4File::nextTrackId() const {
  return Mp4MovieHeader(*const_cast<Mp4Box&>(moov_).find("mvhd")).nextTrackId();
}

void Mp4File::setNextTrackId(uint32_t id) { Mp4MovieHeader(*moov_.find("mvhd")).setNextTrackId(id); }

uint64_t Mp4File::durationMs() const {
  return Mp4MovieHeader(*const_cast<Mp4Box&>(moov_).find("mvhd")).durationMs();
}

uint32_t Mp4File::movieTimescale() const {
  return Mp4MovieHeader(*const_cast<Mp4Box&>(moov_).find("mvhd")).timescale();
}

Mp4Box* Mp4File::trackBox(uint32_t id) {
  for (Mp4Track t : tracks())
    if (t.id() == id) return &t.box();
  return nullptr;
}

void Mp4File::updateMovieDuration() {
  uint64_t longest = 0;
  for (const Mp4Track& t : tracks()) longest = std::max(longest, t.presentationDuration());
  Mp4MovieHeader(*moov_.find("mvhd")).setDuration(longest);
}

Mp4Error Mp4File::addTrack(Mp4NewTrack track, uint32_t* newId) {
  if (!valid_) return Mp4Error::failure("no file is open");
  Mp4MovieHeader mvhd(*moov_.find("mvhd"));
  uint32_t id = std::max<uint32_t>(mvhd.nextTrackId(), 1);
  for (const Mp4Track& t : tracks()) id = std::max(id, t.id() + 1);
  if (id == UINT32_MAX) return Mp4Error::failure("no track id is left");

  Mp4Box& trak = track.trak_;
  Mp4Buffer& tkhd = trak.find("tkhd")->payload();
  mp4PutUnsigned(tkhd.data() + (tkhd[0] == 1 ? 20 : 12), 4, id);
  Mp4Track view(trak);
  std::vector<Mp4Edit> edits;
  if (auto e = Mp4EditList::read(trak, edits)) return e;
  edits = Mp4EditList::rescaled(edits, track.editTimescale_, movieTimescale());
  Mp4EditList::write(trak, edits);
  view.setPresentationDuration(edits.empty() ? mp4Rescale(view.duration(), view.timescale(), movieTimescale())
                                             : Mp4EditList::duration(edits));

  mvhd.setNextTrackId(id + 1);
  auto lastTrak = std::find_if(moov_.children().rbegin(), moov_.children().rend(),
                               [](const Mp4Box& b) { return b.type() == "trak"; });
  moov_.children().insert(lastTrak.base(), std::move(trak));
  pendingTracks_.push_back(
      {id, std::move(track.samples_), std::move(track.source_), std::move(track.inline_)});
  updateMovieDuration();
  if (newId) *newId = id;
  return {};
}

Mp4Error Mp4File::removeTrack(uint32_t id) {
  Mp4Box* trak = trackBox(id);
  if (!trak) return Mp4Error::failure("there is no track " + std::to_string(id));
  std::erase_if(moov_.children(), [&](const Mp4Box& b) { return &b == trak; });
  for (Mp4Track t : tracks()) {
    Mp4Box* tref = t.box().find("tref");
    if (!tref) continue;
    for (Mp4Box& ref : tref->children()) {
      Mp4Buffer kept;
      for (size_t i = 0; i + 4 <= ref.payload().size(); i += 4)
        if (mp4ReadUnsigned(std::span<const uint8_t>(ref.payload()).subspan(i, 4)) != id)
          kept.insert(kept.end(), ref.payload().begin() + long(i), ref.payload().begin() + long(i + 4));
      ref.payload() = std::move(kept);
    }
    std::erase_if(tref->children(), [](const Mp4Box& ref) { return ref.payload().empty(); });
    if (tref->children().empty()) t.box().removeAll("tref");
  }
  std::erase_if(pendingTracks_, [&](const PendingTrack& p) { return p.id == id; });
  if (pendingChapterTrack_ == id) {
    pendingChapterTrack_ = 0;
    pendingSamples_.clear();
  }
  updateMovieDuration();
  return {};
}

Mp4Error Mp4File::setTrackDelay(uint32_t id, uint64_t ms) {
  Mp4Box* trak = trackBox(id);
  if (!trak) return Mp4Error::failure("there is no track " + std::to_string(id));
  Mp4Track t(*trak);
  std::vector<Mp4Edit> edits;
  if (auto e = Mp4EditList::read(*trak, edits)) return e;
  if (edits.empty()) {
    if (ms == 0) return {};
    edits.push_back({mp4Rescale(t.duration(), t.timescale(), movieTimescale()), 0, 0x00010000});
  }
  while (!edits.empty() && edits.front().mediaTime == Mp4Edit::kEmpty) edits.erase(edits.begin());
  if (ms > 0) edits.insert(edits.begin(), {mp4FromMs(ms, movieTimescale()), Mp4Edit::kEmpty, 0x00010000});
  Mp4EditList::write(*trak, edits);
  t.setPresentationDuration(Mp4EditList::duration(edits));
  updateMovieDuration();
  return {};
}

Mp4Error Mp4File::samples(uint32_t id, std::vector<Mp4Sample>& out) {
  out.clear();
  Mp4Box* trak = trackBox(id);
  if (!trak) return Mp4Error::failure("there is no track " + std::to_string(id));
  for (const PendingTrack& p : pendingTracks_)
    if (p.id == id) return Mp4Error::failure("the samples of a new track can be read after commit()");
  if (id == pendingChapterTrack_)
    return Mp4Error::failure("the new chapter track can be read after commit()");
  const Mp4Box* stbl = trak->find("mdia.minf.stbl");
  if (!stbl) return Mp4Error::failure("track " + std::to_string(id) + " has no sample table");
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) return e;
  return Mp4SampleTable::read(*stbl, fileSize, out);
}

Mp4Error Mp4File::readSample(const Mp4Sample& sample, Mp4Buffer& out) const {
  return file_.readAt(sample.offset, sample.size, out);
}

// Runs of adjacent free boxes: those touching the live moov first, then the others in file order.
// A free box without a size is no free space: what follows it may be boxes its writer forgot.
std::vector<Mp4File::Region> Mp4File::freeRuns() const {
  auto usable = [&](size_t i) { return isFree(layout_[i].type) && !layout_[i].openEnded; };
  std::vector<Region> runs;
  for (size_t i = 0; i < layout_.size();) {
    if (!usable(i)) {
      ++i;
      continue;
    }
    Region r;
    r.offset = layout_[i].offset;
    r.plainHeader = layout_[i].headerSize == 8;
    const size_t first = i;
    for (; i < layout_.size() && usable(i); ++i) {
      r.length += layout_[i].size;
      ++r.boxes;
    }
    const bool touchesMoov = first == moovIndex_ + 1 || i == moovIndex_;
    runs.insert(touchesMoov ? runs.begin() : runs.end(), r);
  }
  return runs;
}

// Points the pending chapter track at its samples in a region at `offset`, right after the
// moov: [moov][mdat with the chapter samples]. The table's width is settled before the moov is
// measured, so the samples' place does not change its size.
void Mp4File::placeChapterSamples(uint64_t offset) {
  if (!pendingChapterTrack_) return;
  Mp4QuickTimeChapters::placeSamples(moov_, pendingChapterTrack_, 0, false);
  const bool wide = offset + moov_.size() + 8 > UINT32_MAX;
  Mp4QuickTimeChapters::placeSamples(moov_, pendingChapterTrack_, 0, wide);
  Mp4QuickTimeChapters::placeSamples(moov_, pendingChapterTrack_, offset + moov_.size() + 8, wide);
}

Mp4Buffer Mp4File::regionContent(const Region& region) {
  // The chapter titles follow the moov, so that the index comes before every sample.
  placeChapterSamples(region.offset);
  Mp4Buffer content;
  moov_.serialize(content);
  if (!pendingSamples_.empty()) {
    const Mp4Buffer header = boxHeader(uint32_t(8 + pendingSamples_.size()), "mdat");
    content.insert(content.end(), header.begin(), header.end());
    content.insert(content.end(), pendingSamples_.begin(), pendingSamples_.end());
  }
  if (region.length > content.size()) {
    const Mp4Buffer padding = boxHeader(uint32_t(region.length - content.size()), "free");
    content.insert(content.end(), padding.begin(), padding.end());
  }
  return content;
}

Mp4Error Mp4File::readyToWrite() {
  warning_.clear();
  if (!valid_) return Mp4Error::failure("no file is open");
  if (mode_ != Mode::Modify) return Mp4Error::failure(path() + " is open for reading only");
  if (broken_) return Mp4Error::failure(path() + " changed in an unexpected way: open it again");
  return {};
}

Mp4Error Mp4File::commit(const Mp4Progress& progress) {
  if (auto e = readyToWrite()) return e;
  if (auto e = checkMediaPlacement()) return Mp4Error::failure(path() + ": " + e.message());
  // Room reserved by a commit that stopped before writing into it: nothing refers to it.
  if (layout_.back().zeroTail) {
    if (auto e = file_.truncate(layout_.back().offset)) return e;
    if (auto e = scanLayout()) {
      broken_ = true;
      return e;
    }
  }
  uint64_t beforeMedia = 0;
  const bool media = !pendingTracks_.empty();
  if (media)
    if (auto e = writeMedia(progress, beforeMedia)) return e;
  // Until the new moov is live nothing refers to the new media: a failure takes it away again.
  auto dropMedia = [&] {
    if (!media || broken_) return;
    if (file_.truncate(beforeMedia).failed() || scanLayout().failed()) broken_ = true;
  };

  // What the region must hold; a 64-bit chunk offset adds 4 bytes only when the titles lie past 4 GiB.
  auto need = [&](uint64_t offset) {
    if (!pendingChapterTrack_) return moov_.size();
    placeChapterSamples(offset);
    return moov_.size() + 8 + pendingSamples_.size();
  };
  auto fits = [](const Region& r, uint64_t bytes) {
    return r.length <= UINT32_MAX && (r.length == bytes || r.length >= bytes + 8);
  };

  // First choice: free space right before or after the live moov; then other free space (a
  // chapter media box of an earlier commit may stand between the moov and its old place).
  std::optional<Region> region;
  for (const Region& run : freeRuns())
    if (!region && fits(run, need(run.offset))) region = run;
  // Else after everything, with as much room again for the next edits.
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) {
    dropMedia();
    return e;
  }
  if (!region) {
    if (layout_.back().openEnded)
      return Mp4Error::failure(path() + ": cannot grow a file whose last box has no size");
    Region r;
    r.append = true;
    r.offset = fileSize;
    const uint64_t bytes = need(fileSize);
    r.length = bytes + std::max(bytes, kMinimumPadding);
    region = r;
  }
  if (need(region->offset) > kMaxMoovBytes || region->length > UINT32_MAX) {
    dropMedia();
    return Mp4Error::failure(path() + ": the new moov box is too large");
  }

  bool live = false;
  if (auto e = writeRegion(*region, regionContent(*region), live)) {
    if (!live) {
      if (region->append && !broken_ && file_.truncate(fileSize).failed()) broken_ = true;
      dropMedia();
      return e;
    }
    // Readers already see the new metadata: the commit took place, but say what is missing.
    warning_ = path() + ": the new metadata is in place, but " + e.message();
  }
  pendingChapterTrack_ = 0;
  pendingSamples_.clear();
  pendingTracks_.clear();
  retiredChapterChunks_.clear();
  broken_ = false;
  if (auto rescan = scanLayout()) {
    broken_ = true;
    return rescan;
  }
  return {};
}

// Appends one media-data box holding every added track's samples, chunk by chunk, and
// points the tracks' chunk tables at them. The box is complete on disk (reserved, then
// filled) before any moov refers to it.
Mp4Error Mp4File::writeMedia(const Mp4Progress& progress, uint64_t& sizeBefore) {
  if (layout_.back().openEnded)
    return Mp4Error::failure(path() + ": cannot grow a file whose last box has no size");
  if (auto e = file_.size(sizeBefore)) return e;
  uint64_t total = 0;
  for (const PendingTrack& p : pendingTracks_)
    for (const Mp4Sample& s : p.samples) total += s.size;
  const uint64_t headerBytes = total + 8 > UINT32_MAX ? 16 : 8;

  uint64_t at = sizeBefore + headerBytes;
  for (const PendingTrack& p : pendingTracks_) {
    Mp4Box* trak = trackBox(p.id);
    const uint32_t timescale = Mp4Track(*trak).timescale();
    std::vector<uint64_t> offsets;
    std::vector<uint32_t> perChunk;
    uint64_t chunkBytes = 0, chunkTime = 0;
    for (const Mp4Sample& s : p.samples) {
      if (perChunk.empty() || chunkBytes + s.size > kChunkBytes || chunkTime >= timescale) {
        offsets.push_back(at);
        perChunk.push_back(0);
        chunkBytes = chunkTime = 0;
      }
      ++perChunk.back();
      chunkBytes += s.size;
      chunkTime += s.duration;
      at += s.size;
    }
    Mp4SampleTable::writeChunks(*trak->find("mdia.minf.stbl"), offsets, perChunk);
  }

  auto fail = [&](Mp4Error e) {
    if (file_.truncate(sizeBefore).failed()) broken_ = true;
    return e;
  };
  if (auto e = file_.reserve(sizeBefore, headerBytes + total)) return fail(e);
  Mp4ByteWriter header;
  if (headerBytes == 16)
    header.u32(1).text("mdat").u64(headerBytes + total);
  else
    header.u32(uint32_t(headerBytes + total)).text("mdat");
  if (auto e = file_.writeAt(sizeBefore, header.buffer())) return fail(e);

  uint64_t done = 0;
  Mp4Buffer block;
  for (const PendingTrack& p : pendingTracks_) {
    // Runs of samples that lie one after another in the source are copied together.
    for (size_t i = 0; i < p.samples.size();) {
      const uint64_t from = p.samples[i].offset;
      uint64_t length = 0;
      for (; i < p.samples.size() && p.samples[i].offset == from + length; ++i) length += p.samples[i].size;
      for (uint64_t copied = 0; copied < length;) {
        const size_t n = size_t(std::min<uint64_t>(kCopyBlock, length - copied));
        std::span<const uint8_t> bytes;
        if (p.source) {
          if (auto e = p.source->readAt(from + copied, n, block)) return fail(e);
          bytes = block;
        } else {
          if (from + copied + n > p.bytes.size())
            return fail(Mp4Error::failure("an added sample lies outside its data"));
          bytes = std::span<const uint8_t>(p.bytes).subspan(size_t(from + copied), n);
        }
        if (auto e = file_.writeAt(sizeBefore + headerBytes + done, bytes)) return fail(e);
        copied += n;
        done += n;
        if (progress) progress(done, total);
      }
    }
  }
  if (auto e = file_.sync()) return fail(e);
  if (auto e = scanLayout()) {
    broken_ = true;
    return e;
  }
  return {};
}

// Writes the new moov (and the chapter samples) into `region` so that every intermediate state
// on disk is a valid file: the region stays one free box until its content is on disk; one
// header write then makes the new moov live, and after a flush another header write turns the
// old moov (and any stale copy from an interrupted commit, then the titles of a replaced chapter
// track) into free space. `live` tells whether readers see the new moov: it comes first in the
// file.
Mp4Error Mp4File::writeRegion(const Region& region, const Mp4Buffer& content, bool& live) {
  live = false;
  const uint64_t R = region.offset;
  // Disk blocks for what is written now, so that a full disk stops us before the first byte
  // changes; an appended region's padding stays a hole until a later commit fills it.
  if (auto e = file_.reserve(R, content.size())) return e;
  if (region.append && content.size() < region.length)
    if (auto e = file_.truncate(R + region.length)) return e;
  // The region must be one free box with a plain header before its inside is overwritten.
  if (region.append || region.boxes > 1 || !region.plainHeader) {
    if (auto e = file_.writeAt(R, boxHeader(uint32_t(region.length), "free"))) return e;
  }
  if (auto e = file_.writeAt(R + 8, std::span<const uint8_t>(content).subspan(8))) return e;
  if (auto e = file_.sync()) return e;

  // From here on the file on disk may hold two moov boxes; players take the first.
  broken_ = true;
  if (auto e = file_.writeAt(R, std::span<const uint8_t>(content).first(8))) return e;
  std::vector<uint64_t> stale;
  for (const TopBox& box : layout_)
    if (box.type == "moov") stale.push_back(box.offset);
  const std::vector<uint64_t> retired = retiredChapterBoxes();
  live = std::none_of(stale.begin(), stale.end(), [&](uint64_t at) { return at < R; });
  // The new header must be on disk before the old moov goes, or a crash could leave neither.
  if (auto e = file_.sync()) return e;
  for (const uint64_t at : stale) {
    const Mp4Buffer freeType = {'f', 'r', 'e', 'e'};
    if (auto e = file_.writeAt(at + 4, freeType)) return e;
    live = live ||
           std::none_of(stale.begin(), stale.end(), [&](uint64_t other) { return other > at && other < R; });
  }
  // Only once no moov that refers to them is left on disk.
  if (!retired.empty())
    if (auto e = file_.sync()) return e;
  for (const uint64_t at : retired) {
    const Mp4Buffer freeType = {'f', 'r', 'e', 'e'};
    if (auto e = file_.writeAt(at + 4, freeType)) return e;
  }
  if (auto e = file_.sync()) return e;
  broken_ = false;
  return {};
}

bool Mp4File::indexFirst() const {
  if (!valid_) return false;
  const uint64_t moovAt = layout_[moovIndex_].offset;
  for (const Mp4Box* trak : moov_.all("trak")) {
    const Mp4Box* stbl = trak->find("mdia.minf.stbl");
    std::vector<Mp4Chunk> chunks;
    if (!stbl || Mp4SampleTable::chunks(*stbl, chunks).failed()) return false;
    for (const Mp4Chunk& c : chunks)
      if (c.bytes > 0 && c.offset < moovAt) return false;
  }
  return true;
}

bool Mp4File::interleaved() const {
  if (!indexFirst() || !pendingTracks_.empty() || pendingChapterTrack_) return false;
  uint64_t fileSize = 0;
  if (file_.size(fileSize).failed()) return false;
  struct Placed {
    uint64_t offset;
    double start;  // seconds
  };
  std::vector<Placed> samples;
  for (const Mp4Box* trak : moov_.all("trak")) {
    std::vector<Mp4Sample> table;
    if (Mp4SampleTable::read(*trak->find("mdia.minf.stbl"), fileSize, table).failed()) return false;
    const double timescale = std::max<uint32_t>(Mp4Track(const_cast<Mp4Box&>(*trak)).timescale(), 1);
    uint64_t time = 0;
    for (const Mp4Sample& s : table) {
      if (s.size > 0) samples.push_back({s.offset, double(time) / timescale});
      time += s.duration;
    }
  }
  std::sort(samples.begin(), samples.end(),
            [](const Placed& a, const Placed& b) { return a.offset < b.offset; });
  double latest = 0;
  for (const Placed& p : samples) {
    if (p.start + kInterleaveSlackSeconds < latest) return false;
    latest = std::max(latest, p.start);
  }
  return true;
}

Mp4Error Mp4File::rewriteInterleaved(const Mp4Progress& progress) {
  if (auto e = readyToWrite()) return e;
  // Added samples go into the file first: from then on every sample is read from it alone.
  if (!pendingTracks_.empty() || pendingChapterTrack_)
    if (auto e = commit()) return e;
  const std::string committedWarning = warning_;
  if (auto e = checkMediaPlacement()) return Mp4Error::failure(path() + ": " + e.message());
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) return e;

  struct Laid {
    Mp4Box* stbl = nullptr;
    std::vector<Mp4Sample> samples;
    std::vector<uint64_t> offsets;
    std::vector<uint32_t> perChunk, descriptions;
  };
  struct Chunk {
    size_t track = 0, index = 0, first = 0, count = 0;
    uint64_t bytes = 0;
    double start = 0;  // seconds
  };
  std::vector<Laid> tracks;
  std::vector<Chunk> chunks;
  uint64_t media = 0;
  for (Mp4Box* trak : moov_.all("trak")) {
    Laid laid;
    laid.stbl = trak->find("mdia.minf.stbl");
    if (auto e = Mp4SampleTable::read(*laid.stbl, fileSize, laid.samples))
      return Mp4Error::failure(path() + ": " + e.message());
    const uint64_t timescale = std::max<uint32_t>(Mp4Track(*trak).timescale(), 1);
    uint64_t time = 0, chunkTime = 0;
    for (size_t i = 0; i < laid.samples.size(); ++i) {
      const Mp4Sample& sample = laid.samples[i];
      Chunk* open = chunks.empty() || chunks.back().track != tracks.size() || laid.perChunk.empty()
                        ? nullptr
                        : &chunks.back();
      if (!open || open->bytes + sample.size > kChunkBytes || chunkTime * kInterleaveDivisor >= timescale ||
          laid.descriptions.back() != sample.description) {
        chunks.push_back({tracks.size(), laid.perChunk.size(), i, 0, 0, double(time) / double(timescale)});
        laid.perChunk.push_back(0);
        laid.descriptions.push_back(sample.description);
        chunkTime = 0;
        open = &chunks.back();
      }
      ++open->count;
      ++laid.perChunk.back();
      open->bytes += sample.size;
      chunkTime += sample.duration;
      time += sample.duration;
      media += sample.size;
    }
    laid.offsets.assign(laid.perChunk.size(), 0);
    tracks.push_back(std::move(laid));
  }
  // In time order; at equal times, in track order.
  std::stable_sort(chunks.begin(), chunks.end(),
                   [](const Chunk& a, const Chunk& b) { return a.start < b.start; });

  // Top-level boxes other than media, moov and free space keep their order at the front.
  std::vector<const TopBox*> kept;
  uint64_t front = 0;
  for (const TopBox& b : layout_)
    if (b.type != "moov" && b.type != "mdat" && b.type != "wide" && !isFree(b.type) && !b.zeroTail) {
      // At the front, a box without a size would take in everything after it.
      if (b.openEnded) return Mp4Error::failure(path() + ": cannot move a box that has no size");
      kept.push_back(&b);
      front += b.size;
    }
  const Mp4Box before = moov_;
  auto restore = [&](Mp4Error e) {
    moov_ = before;
    return e;
  };
  auto place = [&](bool wide) {
    for (Laid& t : tracks) Mp4SampleTable::writeChunks(*t.stbl, t.offsets, t.perChunk, wide, t.descriptions);
  };
  const uint64_t mdatHeader = media + 8 > UINT32_MAX ? 16 : 8;
  uint64_t moovBytes = 0, padding = 0, total = 0;
  for (bool wide : {false, true}) {
    place(wide);
    moovBytes = moov_.size();
    padding = std::max(moovBytes, kMinimumPadding);
    total = front + moovBytes + padding + mdatHeader + media;
    if (total <= UINT32_MAX) break;
  }
  if (moovBytes > kMaxMoovBytes)
    return restore(Mp4Error::failure(path() + ": the new moov box is too large"));
  uint64_t at = front + moovBytes + padding + mdatHeader;
  for (const Chunk& c : chunks) {
    tracks[c.track].offsets[c.index] = at;
    at += c.bytes;
  }
  place(total > UINT32_MAX);

  uint32_t permissions = 0644;
  if (auto e = file_.permissions(permissions)) return restore(e);
  Mp4FileHandle out;
  const std::string temporary = path() + ".rewrite" + std::to_string(::getpid());
  if (auto e = out.create(temporary, permissions)) return restore(e);
  auto fail = [&](Mp4Error e) {
    out.close();
    ::unlink(temporary.c_str());
    return restore(e);
  };
  if (auto e = out.reserve(0, total)) return fail(e);
  uint64_t written = 0;
  Mp4Buffer block;
  for (const TopBox* b : kept)
    for (uint64_t copied = 0; copied < b->size;) {
      const size_t n = size_t(std::min<uint64_t>(kCopyBlock, b->size - copied));
      if (auto e = file_.readAt(b->offset + copied, n, block)) return fail(e);
      if (auto e = out.writeAt(written, block)) return fail(e);
      copied += n;
      written += n;
    }
  Mp4Buffer head;
  moov_.serialize(head);
  const Mp4Buffer freeHeader = boxHeader(uint32_t(padding), "free");
  head.insert(head.end(), freeHeader.begin(), freeHeader.end());
  head.resize(head.size() + size_t(padding) - freeHeader.size());
  Mp4ByteWriter mdat;
  if (mdatHeader == 16)
    mdat.u32(1).text("mdat").u64(mdatHeader + media);
  else
    mdat.u32(uint32_t(mdatHeader + media)).text("mdat");
  head.insert(head.end(), mdat.buffer().begin(), mdat.buffer().end());
  if (auto e = out.writeAt(written, head)) return fail(e);
  written += head.size();

  // Sample runs that lie one after another are read together; writes go out a block at a time.
  Mp4Buffer pending;
  uint64_t done = 0;
  auto flush = [&]() -> Mp4Error {
    if (auto e = out.writeAt(written, pending)) return e;
    written += pending.size();
    done += pending.size();
    pending.clear();
    if (progress) progress(done, media);
    return {};
  };
  for (const Chunk& c : chunks) {
    const std::vector<Mp4Sample>& samples = tracks[c.track].samples;
    for (size_t i = c.first; i < c.first + c.count;) {
      const uint64_t from = samples[i].offset;
      uint64_t length = 0;
      for (; i < c.first + c.count && samples[i].offset == from + length; ++i) length += samples[i].size;
      if (auto e = file_.readAt(from, size_t(length), block)) return fail(e);
      pending.insert(pending.end(), block.begin(), block.end());
      if (pending.size() >= kCopyBlock)
        if (auto e = flush()) return fail(e);
    }
  }
  if (auto e = flush()) return fail(e);
  if (written != total)
    return fail(Mp4Error::failure(path() + ": the rewritten file came out at an unexpected size"));
  if (auto e = out.sync()) return fail(e);
  const std::string target = path();
  const Mp4Error replaced = out.replace(target);
  if (replaced && out.path() != target) return fail(replaced);
  // The new file is in place; the old one's lock goes with its handle.
  file_.swap(out);
  out.close();
  retiredChapterChunks_.clear();
  warning_ = committedWarning;
  if (replaced) warning_ = target + ": the file is rewritten, but " + replaced.message();
  if (auto e = scanLayout()) {
    broken_ = true;
    return e;
  }
  return {};
}

}  // namespace zuvo
