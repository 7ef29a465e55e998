#include "mp4/Mp4File.h"

#include <algorithm>

#include "mp4/Mp4MovieHeader.h"
#include "mp4/Mp4NeroChapters.h"
#include "mp4/Mp4QuickTimeChapters.h"

namespace zuvo {

namespace {
constexpr size_t kMaxTopLevelBoxes = 100000;

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
  layout_.clear();
  moov_ = Mp4Box();
  pendingChapterTrack_ = 0;
  pendingSamples_.clear();
}

Mp4Error Mp4File::scanLayout() {
  layout_.clear();
  uint64_t fileSize = 0;
  if (auto e = file_.size(fileSize)) return e;
  bool haveMoov = false;
  for (uint64_t pos = 0; pos < fileSize;) {
    if (layout_.size() >= kMaxTopLevelBoxes) return Mp4Error::failure("too many top-level boxes");
    if (fileSize - pos < 8) return offsetError("stray bytes after the last box", pos);
    Mp4Buffer head;
    if (auto e = file_.readAt(pos, size_t(std::min<uint64_t>(16, fileSize - pos)), head)) return e;
    Mp4BoxHeader h;
    if (auto e = mp4ReadBoxHeader(head, h)) return offsetError(e.message(), pos);
    TopBox box{pos, h.size, h.type, h.headerSize, h.size == 0};
    if (box.openEnded) box.size = fileSize - pos;
    if (box.size > fileSize - pos)
      return offsetError("box '" + mp4PrintableType(h.type) + "' runs past the end of the file (truncated?)", pos);
    if (h.type == "moof" || h.type == "mfra") return Mp4Error::failure("fragmented MP4 files are not supported");
    if (h.type == "moov" && !haveMoov) {
      haveMoov = true;
      moovIndex_ = layout_.size();
    }
    layout_.push_back(box);
    pos += box.size;
  }
  if (!haveMoov) return Mp4Error::failure("no moov box: not an MP4 file, or an incomplete one");
  return {};
}

Mp4Error Mp4File::parseMoov() {
  const TopBox& box = layout_[moovIndex_];
  if (box.size > kMaxMoovBytes) return Mp4Error::failure("the moov box is too large");
  Mp4Buffer bytes;
  if (auto e = file_.readAt(box.offset, size_t(box.size), bytes)) return e;
  Mp4BoxHeader h;
  if (auto e = mp4ReadBoxHeader(bytes, h)) return e;
  if (auto e = Mp4Box::parse("moov", std::span<const uint8_t>(bytes).subspan(h.headerSize), "", 0, moov_)) return e;
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
    return box.type() == Mp4Item::kFreeformCode && !Mp4Item::fromBox(box, item).failed() && item.meaning() == meaning &&
           (name.empty() || item.name() == name);
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
  if (!prepared.empty() && !pendingChapterTrack_ && !Mp4QuickTimeChapters::read(moov_, file_, present).failed() &&
      present == prepared)
    return {};
  deleteChapters(Mp4ChapterKind::QuickTime);
  if (prepared.empty()) return {};
  return Mp4QuickTimeChapters::add(moov_, prepared, pendingChapterTrack_, pendingSamples_);
}

void Mp4File::deleteChapters(Mp4ChapterKind kinds) {
  if (mp4HasKind(kinds, Mp4ChapterKind::Nero)) Mp4NeroChapters::remove(moov_);
  if (mp4HasKind(kinds, Mp4ChapterKind::QuickTime)) {
    Mp4QuickTimeChapters::remove(moov_);
    pendingChapterTrack_ = 0;
    pendingSamples_.clear();
  }
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

uint32_t Mp4File::nextTrackId() const { return Mp4MovieHeader(*const_cast<Mp4Box&>(moov_).find("mvhd")).nextTrackId(); }

void Mp4File::setNextTrackId(uint32_t id) { Mp4MovieHeader(*moov_.find("mvhd")).setNextTrackId(id); }

uint64_t Mp4File::durationMs() const { return Mp4MovieHeader(*const_cast<Mp4Box&>(moov_).find("mvhd")).durationMs(); }

// Runs of adjacent free boxes: those touching the live moov first, then the others in file order.
std::vector<Mp4File::Region> Mp4File::freeRuns() const {
  std::vector<Region> runs;
  for (size_t i = 0; i < layout_.size();) {
    if (!isFree(layout_[i].type)) {
      ++i;
      continue;
    }
    Region r;
    r.offset = layout_[i].offset;
    r.plainHeader = layout_[i].headerSize == 8 && !layout_[i].openEnded;
    const size_t first = i;
    for (; i < layout_.size() && isFree(layout_[i].type); ++i) {
      r.length += layout_[i].size;
      ++r.boxes;
    }
    const bool touchesMoov = first == moovIndex_ + 1 || i == moovIndex_;
    runs.insert(touchesMoov ? runs.begin() : runs.end(), r);
  }
  return runs;
}

Mp4Buffer Mp4File::regionContent(const Region& region) {
  // [mdat with the chapter samples][moov][free padding]: the samples' offset does not depend
  // on the moov's size.
  Mp4Buffer content;
  if (!pendingSamples_.empty()) {
    content = boxHeader(uint32_t(8 + pendingSamples_.size()), "mdat");
    content.insert(content.end(), pendingSamples_.begin(), pendingSamples_.end());
    Mp4QuickTimeChapters::placeSamples(moov_, pendingChapterTrack_, region.offset + 8, region.offset + 8 > UINT32_MAX);
  }
  moov_.serialize(content);
  if (region.length > content.size()) {
    const Mp4Buffer padding = boxHeader(uint32_t(region.length - content.size()), "free");
    content.insert(content.end(), padding.begin(), padding.end());
  }
  return content;
}

Mp4Error Mp4File::commit() {
  if (!valid_) return Mp4Error::failure("no file is open");
  if (mode_ != Mode::Modify) return Mp4Error::failure(path() + " is open for reading only");
  if (broken_) return Mp4Error::failure(path() + " changed in an unexpected way: open it again");

  // What the region must hold; 64-bit chunk offsets add 4 bytes only when the region lies past 4 GiB.
  auto need = [&](uint64_t offset) {
    if (!pendingChapterTrack_) return moov_.size();
    Mp4QuickTimeChapters::placeSamples(moov_, pendingChapterTrack_, 0, offset + 8 > UINT32_MAX);
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
  if (auto e = file_.size(fileSize)) return e;
  if (!region) {
    if (layout_.back().openEnded) return Mp4Error::failure(path() + ": cannot grow a file whose last box has no size");
    Region r;
    r.append = true;
    r.offset = fileSize;
    const uint64_t bytes = need(fileSize);
    r.length = bytes + std::max(bytes, kMinimumPadding);
    region = r;
  }
  if (need(region->offset) > kMaxMoovBytes || region->length > UINT32_MAX)
    return Mp4Error::failure(path() + ": the new moov box is too large");

  if (auto e = writeRegion(*region, regionContent(*region))) {
    if (region->append && !broken_ && file_.truncate(fileSize).failed()) broken_ = true;
    return e;
  }
  pendingChapterTrack_ = 0;
  pendingSamples_.clear();
  if (auto rescan = scanLayout()) {
    broken_ = true;
    return rescan;
  }
  return {};
}

// Writes the new moov (and the chapter samples) into `region` so that every intermediate state
// on disk is a valid file: the region stays one free box until its content is on disk; one
// header write then makes the new moov live, and after a flush another header write turns the
// old moov (and any stale copy from an interrupted commit) into free space.
Mp4Error Mp4File::writeRegion(const Region& region, const Mp4Buffer& content) {
  const uint64_t R = region.offset;
  if (region.append) {
    if (auto e = file_.reserve(R, region.length)) return e;
  }
  // The region must be one free box with a plain header before its inside is overwritten.
  if (region.append || region.boxes > 1 || !region.plainHeader) {
    if (auto e = file_.writeAt(R, boxHeader(uint32_t(region.length), "free"))) return e;
  }
  if (auto e = file_.writeAt(R + 8, std::span<const uint8_t>(content).subspan(8))) return e;
  if (auto e = file_.sync()) return e;

  // From here on the file on disk may hold two moov boxes; players take the first.
  broken_ = true;
  if (auto e = file_.writeAt(R, std::span<const uint8_t>(content).first(8))) return e;
  if (auto e = file_.sync()) return e;
  for (const TopBox& box : layout_) {
    if (box.type != "moov") continue;
    const Mp4Buffer freeType = {'f', 'r', 'e', 'e'};
    if (auto e = file_.writeAt(box.offset + 4, freeType)) return e;
  }
  if (auto e = file_.sync()) return e;
  broken_ = false;
  return {};
}

}  // namespace zuvo
