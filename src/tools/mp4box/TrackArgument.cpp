#include "tools/mp4box/TrackArgument.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <vector>

namespace zuvo {

namespace {
constexpr std::array<std::string_view, 4> kValued = {"name", "lang", "group", "delay"};
constexpr std::string_view kDisable = "disable";

bool isOption(const std::string& token) {
  if (token == kDisable) return true;
  const size_t eq = token.find('=');
  return eq != std::string::npos &&
         std::find(kValued.begin(), kValued.end(), token.substr(0, eq)) != kValued.end();
}
}  // namespace

std::optional<uint64_t> parseNumber(const std::string& text, uint64_t max) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + uint64_t(c - '0');
  }
  if (v > max) return std::nullopt;
  return v;
}

std::optional<TrackArgument> TrackArgument::parse(const std::string& text, std::string& error) {
  std::vector<std::string> tokens;
  for (size_t i = 0;;) {
    const size_t colon = text.find(':', i);
    tokens.push_back(text.substr(i, colon == std::string::npos ? std::string::npos : colon - i));
    if (colon == std::string::npos) break;
    i = colon + 1;
  }
  size_t first = tokens.size();
  while (first > 1 && isOption(tokens[first - 1])) --first;
  TrackArgument argument;
  for (size_t i = 0; i < first; ++i) argument.path += (i ? ":" : "") + tokens[i];
  if (argument.path.empty()) {
    error = "no file named in \"" + text + "\"";
    return std::nullopt;
  }
  for (size_t i = first; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == kDisable) {
      argument.disable = true;
      continue;
    }
    const std::string key = t.substr(0, t.find('='));
    const std::string value = t.substr(key.size() + 1);
    if (key == "name") {
      argument.name = value;
    } else if (key == "lang") {
      std::string code = value;
      std::transform(code.begin(), code.end(), code.begin(),
                     [](unsigned char c) { return char(std::tolower(c)); });
      const bool letters = std::all_of(code.begin(), code.end(), [](char c) { return c >= 'a' && c <= 'z'; });
      if (!(code.empty() || (code.size() == 3 && letters))) {
        error = "\"" + value + "\" is no three-letter language code";
        return std::nullopt;
      }
      argument.language = code;
    } else if (key == "group") {
      const auto g = parseNumber(value, UINT16_MAX);
      if (!g) {
        error = "\"" + value + "\" is no alternate group number";
        return std::nullopt;
      }
      argument.group = uint16_t(*g);
    } else if (key == "delay") {
      const auto d = parseNumber(value, 1ull << 40);
      if (!d) {
        error = "\"" + value + "\" is no delay in milliseconds";
        return std::nullopt;
      }
      argument.delayMs = *d;
    }
  }
  return argument;
}

}  // namespace zuvo
