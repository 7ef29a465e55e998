#include "mp4/Mp4QuickTimeChapters.h"

#include <algorithm>

#include "mp4/Mp4MovieHeader.h"
#include "mp4/Mp4Track.h"

namespace zuvo {

namespace {
constexpr uint32_t kChapterTimescale = 1000;  // milliseconds, so starts stay exact
constexpr uint16_t kLanguageUndetermined = 0x55C4;
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

Mp4Error tableOf(const Mp4Box& stbl, const char* type, Mp4ByteReader& r, uint32_t& count, size_t entryBytes) {
  const Mp4Box* b = stbl.find(type);
  if (!b) return Mp4Error::failure(std::string("the chapter track lacks its ") + type + " box");
  r = Mp4ByteReader(b->payload());
  r.skip(4);
  count = r.u32();
  if (!r.ok() || uint64_t(count) * entryBytes > r.remaining())
    return Mp4Error::failure(std::string("malformed ") + type + " box in the chapter track");
  return {};
}

std::string utf16ToUtf8(std::span<const uint8_t> b, bool bigEndian) {
  std::string out;
  auto unit = [&](size_t i) { return bigEndian ? uint32_t(b[i] << 8 | b[i + 1]) : uint32_t(b[i + 1] << 8 | b[i]); };
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string sampleTitle(std::span<const uint8_t> sample) {
  const size_t length = std::min<size_t>(mp4ReadUnsigned(sample.first(2)), sample.size() - 2);
  auto text = sample.subspan(2, length);
  if (text.size() >= 2 && text[0] == 0xFE && text[1] == 0xFF) return utf16ToUtf8(text.subspan(2), true);
  if (text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE) return utf16ToUtf8(text.subspan(2), false);
  return std::string(text.begin(), text.end());
}

// Where the track's presentation starts on the movie time line, in ms: leading empty edits
// delay it, a first edit into the media skips its beginning.
int64_t editOffsetMs(const Mp4Box& trak, uint32_t movieTimescale, uint32_t mediaTimescale) {
  const Mp4Box* elst = trak.find("edts.elst");
  if (!elst) return 0;
  Mp4ByteReader r(elst->payload());
  const uint8_t version = r.u8();
  r.skip(3);
  uint32_t count = r.u32();
  int64_t offset = 0;
  for (uint32_t i = 0; i < count && r.ok(); ++i) {
    const uint64_t duration = version == 1 ? r.u64() : r.u32();
    const int64_t mediaTime = version == 1 ? int64_t(r.u64()) : int64_t(int32_t(r.u32()));
    r.skip(4);
    if (!r.ok()) break;
    if (mediaTime == -1) {
      offset += int64_t(mp4ToMs(duration, movieTimescale));
      continue;
    }
    offset -= int64_t(mp4ToMs(uint64_t(mediaTime), mediaTimescale));
    break;
  }
  return offset;
}

Mp4Box textSampleEntry() {
  Mp4ByteWriter w;
  w.zeros(6).u16(1);           // reserved, data reference index
  w.u32(0).u32(0);             // display flags, justification
  w.zeros(6).zeros(8).zeros(8);  // background colour, default text box, reserved
  w.u16(0).u16(0).u8(0).u16(0);  // font number, font face, reserved
  w.zeros(6).u8(0);            // foreground colour, empty text name
  return Mp4Box::leaf("text", w.take());
}

Mp4Box mediaInformation() {
  Mp4ByteWriter gmin;
  gmin.u32(0).u16(0x40).u16(0x8000).u16(0x8000).u16(0x8000).u16(0).u16(0);
  Mp4ByteWriter text;  // the text media's matrix: identity
  text.u32(0x00010000).u32(0).u32(0).u32(0).u32(0x00010000).u32(0).u32(0).u32(0).u32(0x40000000);
  Mp4ByteWriter url;
  url.u32(12).text("url ").u32(1);  // data in this file
  Mp4ByteWriter dref;
  dref.u32(0).u32(1).bytes(url.buffer());
  return Mp4Box::container("minf", {Mp4Box::container("gmhd", {Mp4Box::leaf("gmin", gmin.take()), Mp4Box::leaf("text", text.take())}),
                                    Mp4Box::container("dinf", {Mp4Box::leaf("dref", dref.take())})});
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

  Mp4ByteReader stts({}), stsz({}), stsc({}), stco({});
  uint32_t timeEntries = 0, chunkRuns = 0, chunks = 0;
  if (auto e = tableOf(*stbl, "stts", stts, timeEntries, 8)) return e;
  if (auto e = tableOf(*stbl, "stsc", stsc, chunkRuns, 12)) return e;
  const bool co64 = stbl->find("co64") != nullptr;
  if (auto e = tableOf(*stbl, co64 ? "co64" : "stco", stco, chunks, co64 ? 8 : 4)) return e;
  const Mp4Box* stszBox = stbl->find("stsz");
  if (!stszBox) return Mp4Error::failure("the chapter track lacks its stsz box");
  stsz = Mp4ByteReader(stszBox->payload());
  stsz.skip(4);
  const uint32_t fixedSize = stsz.u32();
  const uint32_t samples = stsz.u32();
  if (!stsz.ok() || samples > kMaxChapters || (fixedSize == 0 && uint64_t(samples) * 4 > stsz.remaining()))
    return Mp4Error::failure("malformed stsz box in the chapter track");

  // Sample sizes and offsets, chunk by chunk.
  std::vector<uint64_t> chunkOffsets(chunks);
  for (uint64_t& o : chunkOffsets) o = co64 ? stco.u64() : stco.u32();
  struct Run { uint32_t firstChunk, perChunk; };
  std::vector<Run> runs(chunkRuns);
  for (Run& run : runs) {
    run.firstChunk = stsc.u32();
    run.perChunk = stsc.u32();
    stsc.skip(4);
    if (run.firstChunk == 0) return Mp4Error::failure("malformed stsc box in the chapter track");
  }
  uint64_t fileSize = 0;
  if (auto e = file.size(fileSize)) return e;
  std::vector<Mp4Chapter> chapters;
  uint32_t sample = 0;
  for (uint32_t chunk = 0; chunk < chunks && sample < samples; ++chunk) {
    uint32_t perChunk = 0;
    for (const Run& run : runs)
      if (run.firstChunk <= chunk + 1) perChunk = run.perChunk;
    uint64_t offset = chunkOffsets[chunk];
    for (uint32_t k = 0; k < perChunk && sample < samples; ++k, ++sample) {
      const uint32_t size = fixedSize ? fixedSize : stsz.u32();
      if (size < 2 || size > kMaxSampleBytes || offset > fileSize || size > fileSize - offset)
        return Mp4Error::failure("a chapter sample lies outside the file");
      Mp4Buffer bytes;
      if (auto e = file.readAt(offset, size, bytes)) return e;
      chapters.push_back({0, 0, sampleTitle(bytes)});
      offset += size;
    }
  }
  if (sample < samples) return Mp4Error::failure("the chapter track's chunks hold fewer samples than it declares");

  // Times: durations from stts, shifted by the edit list.
  const uint32_t timescale = track.timescale();
  const uint32_t movieTimescale = Mp4MovieHeader(*moov.find("mvhd")).timescale();
  const int64_t shiftMs = editOffsetMs(trak, movieTimescale, timescale);
  uint64_t t = 0;
  size_t index = 0;
  for (uint32_t e = 0; e < timeEntries && index < chapters.size(); ++e) {
    const uint32_t count = stts.u32();
    const uint32_t delta = stts.u32();
    for (uint32_t k = 0; k < count && index < chapters.size(); ++k, ++index) {
      const int64_t start = int64_t(mp4ToMs(t, timescale)) + shiftMs;
      t += delta;
      const int64_t end = int64_t(mp4ToMs(t, timescale)) + shiftMs;
      chapters[index].startMs = uint64_t(std::max<int64_t>(start, 0));
      chapters[index].durationMs = uint64_t(std::max<int64_t>(end - std::max<int64_t>(start, 0), 0));
    }
  }
  if (index < chapters.size()) return Mp4Error::failure("the chapter track's stts box covers fewer samples than it holds");
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

Mp4Error Mp4QuickTimeChapters::add(Mp4Box& moov, const std::vector<Mp4Chapter>& chapters, uint32_t& newTrackId,
                                   Mp4Buffer& samples) {
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
  const bool long64 = movieDuration > UINT32_MAX || mediaMs > UINT32_MAX;

  Mp4ByteWriter stts, stsz;
  stts.u32(0).u32(uint32_t(chapters.size()));
  stsz.u32(0).u32(0).u32(uint32_t(chapters.size()));
  Mp4ByteWriter data;
  for (const Mp4Chapter& c : chapters) {
    const std::string title = mp4CutUtf8(c.title, Mp4Chapter::kMaxTitleBytes);
    data.u16(uint16_t(title.size())).text(title).bytes(kUtf8EncodingBox);
    stts.u32(1).u32(uint32_t(std::min<uint64_t>(c.durationMs, UINT32_MAX)));
    stsz.u32(uint32_t(2 + title.size() + sizeof kUtf8EncodingBox));
  }
  samples = data.take();

  Mp4ByteWriter stsd, stsc, stco;
  stsd.u32(0).u32(1).bytes(textSampleEntry().serialize());
  stsc.u32(0).u32(1).u32(1).u32(uint32_t(chapters.size())).u32(1);
  stco.u32(0).u32(1).u32(0);

  Mp4ByteWriter tkhd;
  tkhd.bytes(fullBox(long64 ? 1 : 0, Mp4Track::kInMovie));
  if (long64)
    tkhd.u64(0).u64(0).u32(id).u32(0).u64(movieDuration);
  else
    tkhd.u32(0).u32(0).u32(id).u32(0).u32(uint32_t(movieDuration));
  tkhd.zeros(8).u16(0).u16(0).u16(0).u16(0);
  tkhd.u32(0x00010000).u32(0).u32(0).u32(0).u32(0x00010000).u32(0).u32(0).u32(0).u32(0x40000000);
  tkhd.u32(0).u32(0);

  Mp4ByteWriter mdhd;
  mdhd.bytes(fullBox(long64 ? 1 : 0, 0));
  if (long64)
    mdhd.u64(0).u64(0).u32(kChapterTimescale).u64(mediaMs);
  else
    mdhd.u32(0).u32(0).u32(kChapterTimescale).u32(uint32_t(mediaMs));
  mdhd.u16(kLanguageUndetermined).u16(0);

  Mp4ByteWriter hdlr;
  hdlr.u32(0).u32(0).text("text").zeros(12).text("Chapters").u8(0);

  Mp4Box minf = mediaInformation();
  minf.append(Mp4Box::container("stbl", {Mp4Box::leaf("stsd", stsd.take()), Mp4Box::leaf("stts", stts.take()),
                                         Mp4Box::leaf("stsc", stsc.take()), Mp4Box::leaf("stsz", stsz.take()),
                                         Mp4Box::leaf("stco", stco.take())}));
  std::vector<Mp4Box> trakChildren;
  trakChildren.push_back(Mp4Box::leaf("tkhd", tkhd.take()));
  if (firstMs > 0) {
    // An empty edit holds the first chapter back to its start.
    Mp4ByteWriter elst;
    elst.bytes(fullBox(1, 0)).u32(2);
    elst.u64(mp4FromMs(firstMs, movieTimescale)).u64(UINT64_MAX).u32(0x00010000);
    elst.u64(mp4FromMs(mediaMs, movieTimescale)).u64(0).u32(0x00010000);
    trakChildren.push_back(Mp4Box::container("edts", {Mp4Box::leaf("elst", elst.take())}));
  }
  trakChildren.push_back(Mp4Box::container(
      "mdia", {Mp4Box::leaf("mdhd", mdhd.take()), Mp4Box::leaf("hdlr", hdlr.take()), std::move(minf)}));

  const uint32_t ownerId = owner->id();
  auto lastTrak = std::find_if(moov.children().rbegin(), moov.children().rend(), [](const Mp4Box& b) { return b.type() == "trak"; });
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
  stbl->removeAll("stco");
  stbl->removeAll("co64");
  Mp4ByteWriter w;
  w.u32(0).u32(1);
  if (use64BitOffsets)
    w.u64(offset);
  else
    w.u32(uint32_t(offset));
  stbl->append(Mp4Box::leaf(use64BitOffsets ? "co64" : "stco", w.take()));
}

}  // namespace zuvo
