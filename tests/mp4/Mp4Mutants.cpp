#include "Mp4Mutants.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string_view>

#include "mp4/Mp4File.h"
#include "mp4/Mp4NewTrack.h"
#include "mp4/Mp4TimedText.h"

namespace zuvo::test {

namespace {

constexpr std::array<std::string_view, 10> kContainers = {"moov", "trak", "mdia", "minf", "stbl",
                                                          "udta", "dinf", "edts", "tref", "ilst"};
// Tables whose entry count follows the version and flags.
constexpr std::array<std::string_view, 8> kCountedTables = {"stco", "co64", "stsc", "stts",
                                                            "stss", "ctts", "elst", "stsd"};

uint64_t get(const Bytes& b, size_t at, int width) {
  uint64_t v = 0;
  for (int k = 0; k < width; ++k) v = v << 8 | (at + size_t(k) < b.size() ? b[at + size_t(k)] : 0);
  return v;
}

void put(Bytes& b, size_t at, int width, uint64_t v) {
  for (int k = width - 1; k >= 0; --k, v >>= 8)
    if (at + size_t(k) < b.size()) b[at + size_t(k)] = uint8_t(v);
}

std::string hex(uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%llx", static_cast<unsigned long long>(v));
  return s;
}

// What may follow the last box: zeros of a growth cut short, boxes without a size, stray bytes.
const std::vector<std::pair<std::string, Bytes>>& tails() {
  static const std::vector<std::pair<std::string, Bytes>> all = {
      {"8 zeros", Bytes(8, 0)},
      {"5 zeros", Bytes(5, 0)},
      {"70000 zeros", Bytes(70000, 0)},
      {"an empty open-ended free box",
       [] {
         Bytes b = {0, 0, 0, 0, 'f', 'r', 'e', 'e'};
         b.resize(4096);
         return b;
       }()},
      {"an open-ended free box with content", {0, 0, 0, 0, 'f', 'r', 'e', 'e', 'x', 'y', 'z'}},
      {"an open-ended media box", {0, 0, 0, 0, 'm', 'd', 'a', 't', 1, 2, 3}},
      {"3 stray bytes", {'a', 'b', 'c'}},
      {"a box running past the end", {0, 0, 1, 0, 'f', 'r', 'e', 'e', 0}},
  };
  return all;
}

Bytes readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Reads every part of the file the library offers, as the probe and the converter would.
void exercise(Mp4File& f) {
  (void)f.tags();
  (void)f.freeformItems("com.apple.iTunes");
  std::vector<Mp4Chapter> chapters;
  for (auto kind : {Mp4ChapterKind::QuickTime, Mp4ChapterKind::Nero, Mp4ChapterKind::Both})
    (void)f.chapters(kind, chapters);
  (void)f.nextTrackId();
  (void)f.chapterEndMs();
  (void)f.durationMs();
  for (const Mp4Track& t : f.tracks()) {
    (void)(t.durationMs() + t.name().size() + t.type().size() + t.flags() + t.language().size() + t.width());
    std::vector<Mp4Sample> samples;
    if (!f.samples(t.id(), samples).failed() && !samples.empty()) {
      Mp4Buffer sample;
      (void)f.readSample(samples.front(), sample);
    }
    Mp4TimedText text;
    (void)Mp4TimedText::fromTrack(f, t.id(), text);
  }
  std::vector<Mp4NewTrack> copies;
  (void)Mp4NewTrack::fromMp4(f.path(), copies);
}

}  // namespace

Mp4Mutator::Mp4Mutator(Bytes original, uint64_t seed) : original_(std::move(original)), state_(seed) {
  auto walk = [&](auto&& self, size_t from, size_t to, std::string_view parent, bool top) -> void {
    while (from + 8 <= to) {
      uint64_t size = get(original_, from, 4);
      const std::string type(original_.begin() + long(from + 4), original_.begin() + long(from + 8));
      size_t header = 8;
      if (size == 1 && from + 16 <= to) {
        size = get(original_, from + 8, 8);
        header = 16;
      }
      if (size == 0) size = to - from;
      if (size < header || size > to - from) return;
      boxes_.push_back({from, size, type, top});
      if (top && type == "moov") moovAt_ = from;
      if (top && type == "mdat") media_.push_back({from + header, from + size});
      if (std::find(kContainers.begin(), kContainers.end(), type) != kContainers.end() || parent == "ilst")
        self(self, from + header, from + size, type, false);
      if (type == "meta") self(self, from + header + 4, from + size, type, false);
      from += size;
    }
  };
  walk(walk, 0, original_.size(), "", true);
}

uint32_t Mp4Mutator::next() {  // a fixed linear congruential sequence: a seed replays a run
  state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
  return uint32_t(state_ >> 33);
}

const Mp4Mutator::Box& Mp4Mutator::pick(const char* type) {
  std::vector<const Box*> found;
  for (const Box& b : boxes_)
    if (!type || b.type == type) found.push_back(&b);
  if (found.empty()) return boxes_.front();
  return *found[below(uint32_t(found.size()))];
}

Mp4Mutant Mp4Mutator::sized(const Box& box, uint64_t size, bool wide) const {
  Mp4Mutant m{
      "size " + hex(size) + (wide ? " (64-bit)" : "") + " of '" + box.type + "' at " + std::to_string(box.at),
      original_};
  if (wide) {
    put(m.bytes, box.at, 4, 1);
    put(m.bytes, box.at + 8, 8, size);
  } else {
    put(m.bytes, box.at, 4, size);
  }
  return m;
}

Mp4Mutant Mp4Mutator::pointed(const Box& table, size_t entry, uint64_t offset) const {
  const bool wide = table.type == "co64";
  Mp4Mutant m{"chunk " + std::to_string(entry) + " of '" + table.type + "' at " + std::to_string(table.at) +
                  " at " + hex(offset),
              original_};
  put(m.bytes, table.at + 16 + entry * (wide ? 8 : 4), wide ? 8 : 4, offset);
  return m;
}

std::vector<Mp4Mutant> Mp4Mutator::systematic() {
  std::vector<Mp4Mutant> out;
  const uint64_t fileSize = original_.size();
  for (const Box& b : boxes_) {
    const std::vector<uint64_t> sizes =
        b.topLevel
            ? std::vector<uint64_t>{0, 1, 7, 8, b.size - 1, b.size + 1, b.size + 8, 0x7FFFFFFF, 0xFFFFFFFF}
            : std::vector<uint64_t>{0, 1, 7, b.size + 1, 0xFFFFFFFF};
    for (const uint64_t size : sizes) out.push_back(sized(b, size, false));
    if (b.topLevel)
      for (const uint64_t size : {uint64_t(15), b.size, fileSize * 2, UINT64_MAX})
        out.push_back(sized(b, size, true));
    if (b.topLevel && b.type == "free") {  // free space declared to the end of the file
      Mp4Mutant m = sized(b, 0, false);
      m.label = "open-ended " + m.label;
      out.push_back(std::move(m));
    }
    if (b.topLevel) {  // cut at its edges
      out.push_back(
          {"cut at " + std::to_string(b.at), Bytes(original_.begin(), original_.begin() + long(b.at))});
      out.push_back({"cut at " + std::to_string(b.at + 9),
                     Bytes(original_.begin(), original_.begin() + long(b.at + 9))});
    }
    if (std::find(kCountedTables.begin(), kCountedTables.end(), b.type) != kCountedTables.end() ||
        b.type == "stsz") {
      const size_t countAt = b.at + (b.type == "stsz" ? 16 : 12);
      for (const uint64_t count :
           {uint64_t(0), get(original_, countAt, 4) + 1, uint64_t(0x10000000), uint64_t(0xFFFFFFFF)}) {
        Mp4Mutant m{"count " + hex(count) + " of '" + b.type + "' at " + std::to_string(b.at), original_};
        put(m.bytes, countAt, 4, count);
        out.push_back(std::move(m));
      }
    }
    if (b.type == "stsz") {  // one size for every sample
      for (const uint64_t size : {uint64_t(1), uint64_t(0x7FFFFFFF)}) {
        Mp4Mutant m{"fixed sample size " + hex(size) + " at " + std::to_string(b.at), original_};
        put(m.bytes, b.at + 12, 4, size);
        out.push_back(std::move(m));
      }
    }
    if (b.type == "stco" || b.type == "co64") {
      const size_t entries = size_t(
          std::min<uint64_t>(get(original_, b.at + 12, 4), (b.size - 16) / (b.type == "co64" ? 8 : 4)));
      std::vector<uint64_t> targets = {0,          fileSize - 1, fileSize,   fileSize + 1000,
                                       0xFFFFFFFF, moovAt_,      moovAt_ + 8};
      for (const Box& top : boxes_)
        if (top.topLevel && (top.type == "free" || top.type == "skip")) targets.push_back(top.at + 8);
      for (const size_t entry : {size_t(0), entries - 1})
        if (entry < entries)
          for (const uint64_t target : targets) out.push_back(pointed(b, entry, target));
    }
    if (b.type == "elst" || b.type == "stts") {  // the longest durations and earliest media times
      Mp4Mutant m{"huge times in '" + b.type + "' at " + std::to_string(b.at), original_};
      const bool wide = b.type == "elst" && original_[b.at + 8] == 1;
      const size_t entryBytes = b.type == "stts" ? 8 : (wide ? 20 : 12);
      for (size_t at = b.at + 16; at + entryBytes <= b.at + b.size; at += entryBytes) {
        if (b.type == "stts") {
          put(m.bytes, at + 4, 4, 0xFFFFFFFF);
        } else {
          put(m.bytes, at, wide ? 8 : 4, UINT64_MAX);
          put(m.bytes, at + (wide ? 8 : 4), wide ? 8 : 4, 0x7FFFFFFFFFFFFFFFull);
        }
      }
      out.push_back(std::move(m));
    }
    if (b.type == "mvhd" || b.type == "mdhd" || b.type == "tkhd") {
      const bool v1 = original_[b.at + 8] == 1;
      const size_t duration = b.at + 8 + (v1 ? (b.type == "tkhd" ? 28 : 24) : (b.type == "tkhd" ? 20 : 16));
      Mp4Mutant m{"huge duration in '" + b.type + "' at " + std::to_string(b.at), original_};
      put(m.bytes, duration, v1 ? 8 : 4, UINT64_MAX);
      out.push_back(std::move(m));
      if (b.type != "tkhd")
        for (const uint64_t scale : {uint64_t(0), uint64_t(1)}) {
          Mp4Mutant s{
              "time scale " + std::to_string(scale) + " in '" + b.type + "' at " + std::to_string(b.at),
              original_};
          put(s.bytes, b.at + 8 + (v1 ? 20 : 12), 4, scale);
          out.push_back(std::move(s));
        }
    }
  }
  for (const auto& [name, tail] : tails()) {
    Mp4Mutant m{"tail of " + name, original_};
    m.bytes.insert(m.bytes.end(), tail.begin(), tail.end());
    out.push_back(std::move(m));
  }
  return out;
}

Mp4Mutant Mp4Mutator::random() {
  switch (below(7)) {
    case 0: {  // a few bit flips, most of them in the moov
      Mp4Mutant m{"bit flips at", original_};
      for (uint32_t n = 1 + below(4); n > 0; --n) {
        const size_t at = below(4) ? moovAt_ + below(uint32_t(original_.size() - moovAt_))
                                   : below(uint32_t(original_.size()));
        const uint32_t bit = below(8);
        m.bytes[at] ^= uint8_t(1 << bit);
        m.label += " " + std::to_string(at) + ":" + std::to_string(bit);
      }
      return m;
    }
    case 1: {
      const size_t cut = below(4) ? moovAt_ + below(uint32_t(original_.size() - moovAt_))
                                  : below(uint32_t(original_.size()));
      return {"cut at " + std::to_string(cut), Bytes(original_.begin(), original_.begin() + long(cut))};
    }
    case 2: {
      const Box& b = pick(nullptr);
      const uint64_t sizes[] = {0, 1, 7, 8, b.size - 1, b.size + 1, 0x7FFFFFFF, 0xFFFFFFFF, next()};
      return sized(b, sizes[below(9)], b.topLevel && below(4) == 0);
    }
    case 3: {
      const Box& table = pick(below(8) ? "stco" : "co64");
      if (table.type != "stco" && table.type != "co64") return random();
      const size_t entries = size_t((table.size - 16) / (table.type == "co64" ? 8 : 4));
      const uint64_t targets[] = {original_.size() - below(16), original_.size() + below(1 << 20),
                                  moovAt_ + below(64), next(),
                                  get(original_, table.at + 16, 4) + below(4096) - 2048};
      return pointed(table, below(uint32_t(entries + 1)), targets[below(5)]);
    }
    case 4: {  // a striking value in a field of some box of the moov
      const Box& b = pick(nullptr);
      const uint64_t values[] = {0, 1, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 0xFFFF};
      const uint64_t v = values[below(6)];
      const size_t at = b.at + 8 + 4 * below(uint32_t(std::min<uint64_t>(b.size - 8, 64) / 4 + 1));
      Mp4Mutant m{"value " + hex(v) + " in '" + b.type + "' at " + std::to_string(at), original_};
      put(m.bytes, at, 4, v);
      return m;
    }
    case 5: {
      const auto& all = tails();
      const auto& [name, tail] = all[below(uint32_t(all.size()))];
      Mp4Mutant m{"tail of " + name, original_};
      m.bytes.insert(m.bytes.end(), tail.begin(), tail.end());
      return m;
    }
    default: {  // random bytes over a stretch of the moov
      Mp4Mutant m{"garbage at", original_};
      const size_t at = moovAt_ + below(uint32_t(original_.size() - moovAt_));
      for (size_t k = 0, n = 1 + below(32); k < n && at + k < m.bytes.size(); ++k)
        m.bytes[at + k] = uint8_t(next());
      m.label += " " + std::to_string(at);
      return m;
    }
  }
}

Mp4FuzzResult mp4FuzzOne(const std::string& path, const Mp4Mutant& mutant,
                         const std::vector<Mp4Mutator::Range>& media) {
  const auto started = std::chrono::steady_clock::now();
  Mp4FuzzResult result;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(mutant.bytes.data()), std::streamsize(mutant.bytes.size()));
  }
  auto finish = [&](std::string problem = {}) {
    result.problem = std::move(problem);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
  };
  {
    Mp4File reader;
    if (!reader.open(path, Mp4File::Mode::Read).failed()) exercise(reader);
  }
  Mp4File f;
  if (const Mp4Error e = f.open(path, Mp4File::Mode::Modify)) {
    result.kind = Mp4FuzzResult::Refused;
    if (e.message().empty()) return finish("refused without a message");
    if (!f.commit().failed()) return finish("a file that failed to open was committed");
    if (readAll(path) != mutant.bytes) return finish("a refused file changed");
    return finish();
  }
  exercise(f);
  Mp4Tags tags = f.tags();
  tags.name = "Changed";
  f.storeTags(tags);
  if (f.commit().failed()) {
    result.kind = Mp4FuzzResult::SaveFailed;
    f.close();
    if (readAll(path) != mutant.bytes) return finish("a failed save changed the file");
    return finish();
  }
  f.close();
  result.kind = Mp4FuzzResult::Saved;
  const Bytes after = readAll(path);
  for (const Mp4Mutator::Range& r : media) {
    const uint64_t end = std::min<uint64_t>(r.end, mutant.bytes.size());
    if (r.begin >= end) continue;
    if (after.size() < end || !std::equal(mutant.bytes.begin() + long(r.begin),
                                          mutant.bytes.begin() + long(end), after.begin() + long(r.begin)))
      return finish("the save changed media bytes in [" + std::to_string(r.begin) + ", " +
                    std::to_string(end) + ")");
  }
  if (const Mp4Error e = f.open(path, Mp4File::Mode::Read))
    return finish("what the save wrote does not open: " + e.message());
  if (f.tags().name != "Changed") return finish("the saved tag does not read back");
  // What a player reads as samples was there before the save and is still the same.
  for (const Mp4Track& t : f.tracks()) {
    std::vector<Mp4Sample> samples;
    if (f.samples(t.id(), samples).failed()) continue;
    for (const Mp4Sample& s : samples)
      if (s.offset + s.size > mutant.bytes.size() ||
          !std::equal(mutant.bytes.begin() + long(s.offset), mutant.bytes.begin() + long(s.offset + s.size),
                      after.begin() + long(s.offset)))
        return finish("track " + std::to_string(t.id()) + " reads a sample at " + std::to_string(s.offset) +
                      " that the save wrote");
  }
  return finish();
}

}  // namespace zuvo::test
