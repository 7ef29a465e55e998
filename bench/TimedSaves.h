#pragma once
// The frame of the tag-saving benchmarks: a flushed copy of the file beside it, one timed
// save per round, the median printed, the copy removed.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zuvo::bench {

// `save` takes the copy's path and the round and answers an error message, empty on success.
// Returns the program's exit status.
inline int timeSaves(const std::filesystem::path& source, int repeats,
                     const std::function<std::string(const std::string& copy, int round)>& save) {
  const std::filesystem::path copy =
      source.parent_path() / (source.stem().string() + ".bench-copy" + source.extension().string());
  std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
  // The copy's own data reaches the disk before timing starts, so no save pays for it.
  const int fd = ::open(copy.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }

  std::vector<double> ms;
  for (int round = 0; round < repeats; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const std::string error = save(copy.string(), round);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (!error.empty()) {
      std::fprintf(stderr, "save %d failed: %s\n", round, error.c_str());
      std::filesystem::remove(copy);
      return 1;
    }
  }
  const double first = ms.front();
  std::sort(ms.begin(), ms.end());
  std::printf("%s: %d saves, median %.2f ms, first %.2f ms, max %.2f ms, file %.1f MB -> %.1f MB\n",
              source.filename().c_str(), repeats, ms[ms.size() / 2], first, ms.back(),
              double(std::filesystem::file_size(source)) / 1e6,
              double(std::filesystem::file_size(copy)) / 1e6);
  std::filesystem::remove(copy);
  return 0;
}

// REPEATS from the command line, 21 by default.
inline int repeatsArgument(int argc, char** argv) { return argc > 3 ? std::max(1, std::atoi(argv[3])) : 21; }

}  // namespace zuvo::bench
