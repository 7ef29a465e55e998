#pragma once
// The file and options of one "-add" argument: FILE[:name=N][:lang=L][:group=G][:delay=MS][:disable].
#include <cstdint>
#include <optional>
#include <string>

namespace zuvo {

struct TrackArgument {
  std::string path;
  std::optional<std::string> name;
  std::optional<std::string> language;  // lower case; empty: undetermined
  std::optional<uint16_t> group;
  std::optional<uint64_t> delayMs;
  bool disable = false;

  // The options are the longest run of ":"-separated options at the end; what is before
  // them is the path (which may hold ":" itself). Nothing when an option is malformed.
  static std::optional<TrackArgument> parse(const std::string& text, std::string& error);
};

// A whole decimal number no larger than `max`.
std::optional<uint64_t> parseNumber(const std::string& text, uint64_t max);

}  // namespace zuvo
