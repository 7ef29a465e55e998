#include "mp4/Mp4QuickTimeChapters.h"

#include <algorithm>

#include "mp4/Mp4EditList.h"
#include "mp4/Mp4MovieHeader.h"
#include "mp4/Mp4SampleTable.h"
#include "mp4/Mp4TimedText.h"
#include "mp4/Mp4Track.h"
#include "mp4/Mp4TrackBoxes.h"

namespace zuvo {

namespace {
constexpr uint32_t kChapterTimescale = 1000;  // milliseconds, so starts stay exact
constexpr uint32_t kMaxSampleBytes = 1 << 20;
// Sample suffix declaring the text's encoding as UTF-8.
constexpr uint8_t kUtf8EncodingBox[] = {0, 0, 0, 12, 'e', 'n', 'c', 'd', 0, 0, 1, 0};

std::vector<Mp4Track> tracksOf(Mp4Box& moov) {
  std::vector<Mp4Track> v;
  for (Mp4Box* t : moov.all("trak")) v.emplace_back(*t);
  return v;
}

Mp4Box* trackById(Mp4Box& moov, uint32_t id) {
  for (Mp4Track t : tracksOf(moov))
    if (t.id() == id) return &t.box();
  return nullptr;
}

Mp4Buffer fullBox(uint8_t version, uint32_t flags) {
  Mp4ByteWriter w;
  w.u8(version).u24(flags);
  return w.take();
}

Mp4Box textSampleEntry() {
  Mp4ByteWriter w;
  w.zeros(6).u16(1);             // reserved, data reference index
  w.u32(0).u32(0);               // display flags, justification
  w.zeros(6).zeros(8).zeros(8);  // background colour, default text box, reserved
  w.u16(0).u16(0).u8(0).u16(0);  // font number, font face, reserved
  w.zeros(6).u8(0);              // foreground colour, empty text name
  return Mp4Box::leaf("text", w.take());
}

Mp4Box mediaInformation() {
  Mp4ByteWriter gmin;
  gmin.u32(0).u16(0x40).u16(0x8000).u16(0x8000).u16(0x8000).u16(0).u16(0);
  Mp4ByteWriter text;  // the text media's matrix: identity
  text.u32(0x00010000).u32(0).u32(0).u32(0).u32(0x00010000).u32(0).u32(0).u32(0).u32(0x40000000);
  return Mp4Box::container(
      "minf",
      {Mp4Box::container("gmhd", {Mp4Box::leaf("gmin", gmin.take()), Mp4Box::leaf("text", text.take())}),
       mp4SelfDataInformation()});
}
}  // namespace

uint32_t Mp4QuickTimeChapters::trackId(Mp4Box& moov) {
  for (Mp4Track t : tracksOf(moov))
    for (uint32_t id : t.references("chap"))
      if (Mp4Box* target = trackById(moov, id); target && Mp4Track(*target).type() == "text") return id;
  return 0;
}

Mp4Error Mp4QuickTimeChapters::read(Mp4Box& moov, const Mp4FileHandle& file, std::vector<Mp4Chapter>& out) {
  out.clear();
  const uint32_t id = trackId(moov);
  if (id == 0) return {};
  Mp4Box& trak = *trackById(moov, id);
  const Mp4Track track(trak);
  const Mp4Box* stbl = trak.find("mdia.minf.stbl");
  if (!stbl) return Mp4Error::failure("the chapter track has no sample table");
  uint64_t fileSize = 0;
  if (auto e = file.size(fileSize)) return e;
  std::vector<Mp4Sample> samples;
  if (auto e = Mp4SampleTable::read(*stbl, fileSize, samples))
    return Mp4Error::failure("the chapter track: " + e.message());
  if (samples.size() > kMaxChapters) return Mp4Error::failure("the chapter track holds too many samples");
  std::vector<Mp4Edit> edits;
  if (auto e = Mp4EditList::read(trak, edits)) return e;

  // Titles from the samples, times from their durations shifted by the edit list.
  const uint32_t timescale = track.timescale();
  const int64_t shiftMs =
      Mp4EditList::offsetMs(edits, Mp4MovieHeader(*moov.find("mvhd")).timescale(), timescale);
  std::vector<Mp4Chapter> chapters;
  uint64_t t = 0;
  for (const Mp4Sample& s : samples) {
    if (s.size < 2 || s.size > kMaxSampleBytes)
      return Mp4Error::failure("a chapter sample lies outside the file");
    Mp4Buffer bytes;
    if (auto e = file.readAt(s.offset, s.size, bytes)) return e;
    const int64_t start = std::max<int64_t>(mp4AddSigned(mp4SignedMs(mp4ToMs(t, timescale)), shiftMs), 0);
    t = mp4AddUnsigned(t, s.duration);
    const int64_t end = mp4AddSigned(mp4SignedMs(mp4ToMs(t, timescale)), shiftMs);
    Mp4Chapter c{uint64_t(start), uint64_t(std::max<int64_t>(end, start) - start), mp4SampleText(bytes)};
    chapters.push_back(std::move(c));
  }
  out = std::move(chapters);
  return {};
}

void Mp4QuickTimeChapters::remove(Mp4Box& moov) {
  std::vector<uint32_t> removed;
  for (uint32_t id = trackId(moov); id != 0; id = trackId(moov)) {
    Mp4Box* trak = trackById(moov, id);
    std::erase_if(moov.children(), [&](const Mp4Box& b) { return &b == trak; });
    removed.push_back(id);
  }
  for (Mp4Track t : tracksOf(moov)) {
    std::vector<uint32_t> keep;
    for (uint32_t id : t.references("chap"))
      if (std::find(removed.begin(), removed.end(), id) == removed.end()) keep.push_back(id);
    if (keep.size() == t.references("chap").size()) continue;
    t.removeReferences("chap");
    for (uint32_t id : keep) t.addReference("chap", id);
  }
}

Mp4Error Mp4QuickTimeChapters::add(Mp4Box& moov, const std::vector<Mp4Chapter>& chapters,
                                   uint32_t& newTrackId, Mp4Buffer& samples) {
  samples.clear();
  newTrackId = 0;
  if (chapters.empty()) return {};
  if (chapters.size() > kMaxChapters) return Mp4Error::failure("too many chapters");
  std::vector<Mp4Track> tracks = tracksOf(moov);
  Mp4Track* owner = nullptr;
  for (const char* type : {"vide", "soun"})
    for (Mp4Track& t : tracks)
      if (!owner && t.type() == type) owner = &t;
  if (!owner && !tracks.empty()) owner = &tracks.front();
  if (!owner) return Mp4Error::failure("a file without tracks cannot hold a chapter track");

  Mp4MovieHeader mvhd(*moov.find("mvhd"));
  uint32_t id = std::max<uint32_t>(mvhd.nextTrackId(), 1);
  for (const Mp4Track& t : tracks) id = std::max(id, t.id() + 1);
  mvhd.setNextTrackId(id + 1);

  const uint64_t firstMs = chapters.front().startMs;
  const uint64_t endMs = chapters.back().startMs + chapters.back().durationMs;
  const uint64_t mediaMs = endMs - firstMs;
  const uint32_t movieTimescale = mvhd.timescale();
  const uint64_t movieDuration = mp4FromMs(endMs, movieTimescale);

  std::vector<Mp4Sample> table;
  Mp4ByteWriter data;
  for (const Mp4Chapter& c : chapters) {
    const std::string title = mp4CutUtf8(c.title, Mp4Chapter::kMaxTitleBytes);
    data.u16(uint16_t(title.size())).text(title).bytes(kUtf8EncodingBox);
    table.push_back({0, uint32_t(2 + title.size() + sizeof kUtf8EncodingBox),
                     uint32_t(std::min<uint64_t>(c.durationMs, UINT32_MAX))});
  }
  samples = data.take();

  Mp4TrackHeaderFields header;
  header.id = id;
  header.flags = Mp4Track::kInMovie;
  header.duration = movieDuration;
  Mp4Box stbl = Mp4SampleTable::table(textSampleEntry().serialize(), table);
  Mp4SampleTable::writeChunks(stbl, {0}, {uint32_t(chapters.size())});
  Mp4Box minf = mediaInformation();
  minf.append(std::move(stbl));
  std::vector<Mp4Box> trakChildren;
  trakChildren.push_back(mp4TrackHeader(header));
  if (firstMs > 0) {
    // An empty edit holds the first chapter back to its start.
    Mp4ByteWriter elst;
    elst.bytes(fullBox(1, 0)).u32(2);
    elst.u64(mp4FromMs(firstMs, movieTimescale)).u64(UINT64_MAX).u32(0x00010000);
    elst.u64(mp4FromMs(mediaMs, movieTimescale)).u64(0).u32(0x00010000);
    trakChildren.push_back(Mp4Box::container("edts", {Mp4Box::leaf("elst", elst.take())}));
  }
  trakChildren.push_back(Mp4Box::container(
      "mdia", {mp4MediaHeader(kChapterTimescale, mediaMs), mp4Handler("text", "Chapters"), std::move(minf)}));

  const uint32_t ownerId = owner->id();
  auto lastTrak = std::find_if(moov.children().rbegin(), moov.children().rend(),
                               [](const Mp4Box& b) { return b.type() == "trak"; });
  moov.children().insert(lastTrak.base(), Mp4Box::container("trak", std::move(trakChildren)));
  // The insertion moved the tracks: find the owner again.
  Mp4Track(*trackById(moov, ownerId)).addReference("chap", id);
  newTrackId = id;
  return {};
}

void Mp4QuickTimeChapters::placeSamples(Mp4Box& moov, uint32_t id, uint64_t offset, bool use64BitOffsets) {
  Mp4Box* trak = trackById(moov, id);
  if (!trak) return;
  Mp4Box* stbl = trak->find("mdia.minf.stbl");
  const Mp4Box* stsz = stbl->find("stsz");
  const uint32_t count =
      stsz ? uint32_t(mp4ReadUnsigned(std::span<const uint8_t>(stsz->payload()).subspan(8, 4))) : 0;
  Mp4SampleTable::writeChunks(*stbl, {offset}, {count}, use64BitOffsets);
}

}  // namespace zuvo
