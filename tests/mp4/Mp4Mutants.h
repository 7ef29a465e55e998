#pragma once
// Damaged copies of one good MP4 file, and the rules a tag save must keep on each: no crash,
// no hang, a refused file left byte for byte, an accepted save changing no media byte. Shared
// by the test suite (a fixed, quick set) and bench/mp4fuzz_bench (long random runs).
// The file's boxes are found by a walk of our own here, independent of the library's parser.
#include <cstdint>
#include <string>
#include <vector>

namespace zuvo::test {

using Bytes = std::vector<uint8_t>;

struct Mp4Mutant {
  std::string label;  // what was damaged, to replay a failure
  Bytes bytes;
};

class Mp4Mutator {
 public:
  Mp4Mutator(Bytes original, uint64_t seed);

  // Every box size set to 0, 1, 7, 8, one more or less, huge, or 64-bit; every chunk offset table
  // pointed at the end, past it, into the moov, into free space; count fields made huge;
  // durations made huge; zero and garbage tails; truncations at box edges.
  std::vector<Mp4Mutant> systematic();
  // One random damage of the kinds above, or bit flips, or a random truncation.
  Mp4Mutant random();

  struct Range {
    uint64_t begin, end;
  };
  // The media boxes' contents in the original file.
  const std::vector<Range>& media() const { return media_; }

 private:
  struct Box {
    size_t at;
    uint64_t size;
    std::string type;
    bool topLevel;
  };
  uint32_t next();
  uint32_t below(uint32_t n) { return n ? next() % n : 0; }
  const Box& pick(const char* type);
  Mp4Mutant sized(const Box& box, uint64_t size, bool wide) const;
  Mp4Mutant pointed(const Box& table, size_t entry, uint64_t offset) const;

  Bytes original_;
  uint64_t state_;
  std::vector<Box> boxes_;
  std::vector<Range> media_;
  size_t moovAt_ = 0;
};

struct Mp4FuzzResult {
  enum Kind { Refused, Saved, SaveFailed } kind = Refused;
  std::string problem;  // empty when every rule held
  double seconds = 0;
};

// Writes the mutant to `path`, opens it for change, reads everything it can, saves a tag and
// checks the rules against `media`, the original's media ranges.
Mp4FuzzResult mp4FuzzOne(const std::string& path, const Mp4Mutant& mutant,
                         const std::vector<Mp4Mutator::Range>& media);

}  // namespace zuvo::test
