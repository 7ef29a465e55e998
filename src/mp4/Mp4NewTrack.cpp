#include "mp4/Mp4NewTrack.h"

#include "mp4/Mp4Ac3.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4QuickTimeChapters.h"
#include "mp4/Mp4TimedText.h"
#include "mp4/Mp4Track.h"
#include "mp4/Mp4TrackBoxes.h"

namespace zuvo {

namespace {
constexpr uint32_t kTextTimescale = 1000;

// Boxes whose content points into the file by absolute offset; we cannot move them.
constexpr const char* kOffsetBoxes[] = {"saio"};

Mp4Error selfContained(const Mp4Box& trak) {
  const Mp4Box* dref = trak.find("mdia.minf.dinf.dref");
  if (!dref) return Mp4Error::failure("a track lacks its data reference");
  Mp4ByteReader r(dref->payload());
  r.skip(4);
  const uint32_t count = r.u32();
  for (uint32_t i = 0; i < count && r.ok(); ++i) {
    const uint32_t size = r.u32();
    r.skip(4);  // url / urn
    const uint32_t flags = r.u32() & 0xFFFFFF;
    if (!r.ok() || size < 12) break;
    if (!(flags & 1)) return Mp4Error::failure("a track's media lies in another file");
    r.skip(size - 12);
  }
  if (!r.ok()) return Mp4Error::failure("malformed dref box");
  return {};
}

uint32_t sampleDescriptions(const Mp4Box& stbl) {
  const Mp4Box* stsd = stbl.find("stsd");
  return stsd && stsd->payload().size() >= 8
             ? uint32_t(mp4ReadUnsigned(std::span<const uint8_t>(stsd->payload()).subspan(4, 4)))
             : 0;
}

Mp4Box track(Mp4Box tkhd, Mp4Box mdhd, Mp4Box hdlr, Mp4Box mediaHeader, Mp4Box stbl) {
  return Mp4Box::container(
      "trak",
      {std::move(tkhd),
       Mp4Box::container("mdia", {std::move(mdhd), std::move(hdlr),
                                  Mp4Box::container("minf", {std::move(mediaHeader), mp4SelfDataInformation(),
                                                             std::move(stbl)})})});
}

uint64_t totalDuration(const std::vector<Mp4Sample>& samples) {
  uint64_t t = 0;
  for (const Mp4Sample& s : samples) t += s.duration;
  return t;
}
}  // namespace

std::string Mp4NewTrack::type() const { return Mp4Track(const_cast<Mp4Box&>(trak_)).type(); }

uint64_t Mp4NewTrack::mediaBytes() const {
  uint64_t n = 0;
  for (const Mp4Sample& s : samples_) n += s.size;
  return n;
}

Mp4Error Mp4NewTrack::fromMp4(const std::string& path, std::vector<Mp4NewTrack>& out) {
  out.clear();
  Mp4File source;
  if (auto e = source.open(path, Mp4File::Mode::Read)) return e;
  auto handle = std::make_shared<Mp4FileHandle>();
  if (auto e = handle->open(path, false)) return e;
  uint64_t fileSize = 0;
  if (auto e = handle->size(fileSize)) return e;
  const uint32_t chapterTrack = Mp4QuickTimeChapters::trackId(source.moov());
  for (Mp4Track t : source.tracks()) {
    if (t.id() == chapterTrack) continue;
    auto fail = [&](const std::string& what) {
      return Mp4Error::failure(path + ", track " + std::to_string(t.id()) + ": " + what);
    };
    Mp4NewTrack n;
    n.trak_ = t.box();
    Mp4Box* stbl = n.trak_.find("mdia.minf.stbl");
    if (!stbl) return fail("no sample table");
    if (auto e = selfContained(n.trak_)) return fail(e.message());
    if (sampleDescriptions(*stbl) != 1) return fail("only tracks with one sample description can be copied");
    for (const char* type : kOffsetBoxes)
      if (stbl->find(type)) return fail("its sample table points into the file by offset");
    if (auto e = Mp4SampleTable::read(*stbl, fileSize, n.samples_)) return fail(e.message());
    if (n.samples_.empty()) return fail("the track holds no samples");
    // Ids and names belong to the old file; the chunk tables are written anew.
    n.trak_.removeAll("tref");
    n.trak_.removeAll("udta");
    stbl->removeAll("stsc");
    stbl->removeAll("stco");
    stbl->removeAll("co64");
    Mp4Box* minf = n.trak_.find("mdia.minf");
    minf->removeAll("dinf");
    minf->children().insert(minf->children().begin() + (minf->children().empty() ? 0 : 1),
                            mp4SelfDataInformation());
    n.editTimescale_ = source.movieTimescale();
    n.source_ = handle;
    out.push_back(std::move(n));
  }
  if (out.empty()) return Mp4Error::failure(path + ": no track to add");
  return {};
}

Mp4Error Mp4NewTrack::fromAc3(const std::string& path, Mp4NewTrack& out) {
  out = Mp4NewTrack();
  auto handle = std::make_shared<Mp4FileHandle>();
  if (auto e = handle->open(path, false)) return e;
  Mp4Ac3 stream;
  if (auto e = Mp4Ac3::scan(*handle, stream)) return Mp4Error::failure(path + ": " + e.message());
  Mp4TrackHeaderFields header;
  header.flags = Mp4Track::kEnabled | Mp4Track::kInMovie;
  header.volume = 0x0100;
  Mp4ByteWriter smhd;
  smhd.u32(0).u16(0).u16(0);  // version and flags, balance, reserved
  out.trak_ = track(mp4TrackHeader(header), mp4MediaHeader(stream.sampleRate, totalDuration(stream.frames)),
                    mp4Handler("soun", "SoundHandler"), Mp4Box::leaf("smhd", smhd.take()),
                    Mp4SampleTable::table(stream.sampleEntry(), stream.frames));
  out.samples_ = std::move(stream.frames);
  out.source_ = handle;
  return {};
}

Mp4Error Mp4NewTrack::fromTimedText(const Mp4TimedText& text, Mp4NewTrack& out) {
  out = Mp4NewTrack();
  if (text.cues.empty()) return Mp4Error::failure("the timed text holds no subtitles");
  for (const Mp4TimedText::Sample& s : text.samples()) {
    if (s.durationMs > UINT32_MAX) return Mp4Error::failure("a subtitle lasts too long");
    out.samples_.push_back({out.inline_.size(), uint32_t(s.bytes.size()), uint32_t(s.durationMs)});
    out.inline_.insert(out.inline_.end(), s.bytes.begin(), s.bytes.end());
  }
  Mp4TrackHeaderFields header;
  header.flags = Mp4Track::kEnabled | Mp4Track::kInMovie;
  header.layer = text.layer;
  header.translationX = text.translationX;
  header.translationY = text.translationY;
  header.width = text.width;
  header.height = text.height;
  Mp4ByteWriter nmhd;
  nmhd.u32(0);
  out.trak_ = track(mp4TrackHeader(header), mp4MediaHeader(kTextTimescale, totalDuration(out.samples_)),
                    mp4Handler("sbtl", "SubtitleHandler"), Mp4Box::leaf("nmhd", nmhd.take()),
                    Mp4SampleTable::table(text.sampleEntry(), out.samples_));
  return {};
}

}  // namespace zuvo
