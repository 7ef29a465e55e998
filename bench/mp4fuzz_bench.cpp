// Damages a small MP4 file in many ways and checks a tag save on each copy: no crash, no hang,
// a refused file left byte for byte, an accepted save changing no media byte. Every systematic
// damage first, then COUNT random ones from SEED (the same seed replays the same run). Prints
// what broke a rule, the counts and the slowest file; exits 1 when a rule broke.
//
//   mp4fuzz_bench FILE [COUNT] [SEED]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Mp4Mutants.h"

using namespace zuvo::test;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [COUNT] [SEED]\n", argv[0]);
    return 2;
  }
  const long count = argc > 2 ? std::atol(argv[2]) : 10000;
  const uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
  std::ifstream in(argv[1], std::ios::binary);
  Bytes original{std::istreambuf_iterator<char>(in), {}};
  if (original.empty()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path folder = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path path = folder / ("zuvo-mp4fuzz-" + std::to_string(getpid()) + ".m4v");

  Mp4Mutator mutator(std::move(original), seed);
  const std::vector<Mp4Mutant> systematic = mutator.systematic();
  long done = 0, refused = 0, saved = 0, failed = 0, problems = 0;
  double slowest = 0;
  std::string slowestLabel;
  auto run = [&](const Mp4Mutant& m) {
    const Mp4FuzzResult r = mp4FuzzOne(path.string(), m, mutator.media());
    ++done;
    refused += r.kind == Mp4FuzzResult::Refused;
    saved += r.kind == Mp4FuzzResult::Saved;
    failed += r.kind == Mp4FuzzResult::SaveFailed;
    if (r.seconds > slowest) {
      slowest = r.seconds;
      slowestLabel = m.label;
    }
    if (!r.problem.empty()) {
      ++problems;
      std::printf("%s: %s\n", m.label.c_str(), r.problem.c_str());
    }
  };
  for (const Mp4Mutant& m : systematic) run(m);
  for (long i = 0; i < count; ++i) run(mutator.random());
  fs::remove(path);
  std::printf(
      "%ld damaged files (%zu systematic, seed %llu): %ld refused, %ld saved, %ld saves failed; "
      "%ld broke a rule; slowest %.3f s (%s)\n",
      done, systematic.size(), static_cast<unsigned long long>(seed), refused, saved, failed, problems,
      slowest, slowestLabel.c_str());
  return problems ? 1 : 0;
}
