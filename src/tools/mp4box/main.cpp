// Stands in for the MP4 multiplexer the conversion steps call: adds AAC/AC-3 tracks from MP4
// files, raw AC-3 and timed-text tracks, delays or removes a track, extracts a text track
// as SubRip, and turns SubRip into a timed-text description. Every change is committed in
// place: added samples go at the end, media already in the file never moves (the converter
// interleaves its finished file itself). Progress lines end in "| (N/100)"; errors go to
// standard error with exit status 1.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "mp4/Mp4File.h"
#include "mp4/Mp4TimedText.h"
#include "tools/mp4box/TrackArgument.h"

using namespace zuvo;

namespace {

constexpr uint64_t kMaxTextFileBytes = 64u << 20;
constexpr int kProgressIntervalMs = 200;
constexpr const char* kUsage =
    "usage: mp4box -add FILE[:name=NAME][:lang=LLL][:group=N][:delay=MS][:disable] OUTPUT\n"
    "       mp4box -delay TRACK=MS OUTPUT\n"
    "       mp4box -rem TRACK OUTPUT\n"
    "       mp4box -srt TRACK INPUT     (writes INPUTNAME_TRACK_text.srt in the current folder)\n"
    "       mp4box -ttxt SUBRIPFILE     (writes its .ttxt description beside it)\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "Error: %s\n", message.c_str());
  return 1;
}

// The bar the conversion's runner reads: "| (N/100)".
void progress(const char* what, int percent) {
  const int width = 20, filled = percent * width / 100;
  std::printf("%s: |%s%s| (%02d/100)\n", what, std::string(size_t(filled), '=').c_str(),
              std::string(size_t(width - filled), ' ').c_str(), percent);
  std::fflush(stdout);
}

// The runner reads only the first bar of each chunk it gets: bars come at most every
// kProgressIntervalMs, and the last one (100) only after the closing message.
Mp4Progress progressPrinter(const char* what) {
  return [what, last = -1, shown = std::chrono::steady_clock::time_point()](uint64_t done,
                                                                            uint64_t total) mutable {
    const int percent = total ? int(done * 100 / total) : 100;
    const auto now = std::chrono::steady_clock::now();
    if (percent == last || percent == 100 || now - shown < std::chrono::milliseconds(kProgressIntervalMs))
      return;
    last = percent;
    shown = now;
    progress(what, percent);
  };
}

void say(const std::string& message) {
  std::printf("%s\n", message.c_str());
  std::fflush(stdout);
}

Mp4Error readText(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Mp4Error::failure("cannot open " + path);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return Mp4Error::failure("cannot read " + path);
  out = text.str();
  if (out.size() > kMaxTextFileBytes) return Mp4Error::failure(path + " is too large for a subtitle file");
  return {};
}

// Written beside the target and renamed over it, so a failure never leaves half a file.
Mp4Error writeText(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".part" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      return Mp4Error::failure("cannot write " + path);
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return Mp4Error::failure("cannot write " + path);
  }
  return {};
}

enum class Kind { Mp4, Ac3, TimedText, Unknown };

Kind sniff(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[64] = {};
  in.read(head, sizeof head);
  const std::string_view h(head, size_t(in.gcount()));
  if (h.size() >= 2 && uint8_t(h[0]) == 0x0B && uint8_t(h[1]) == 0x77) return Kind::Ac3;
  if (h.size() >= 8) {
    const std::string_view type = h.substr(4, 4);
    for (const char* t : {"ftyp", "moov", "mdat", "free", "skip", "wide"})
      if (type == t) return Kind::Mp4;
  }
  const size_t start = h.find_first_not_of(" \t\r\n", h.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0);
  if (start != std::string_view::npos && h[start] == '<') return Kind::TimedText;
  return Kind::Unknown;
}

Mp4Error newTracks(const std::string& path, std::vector<Mp4NewTrack>& out) {
  out.clear();
  switch (sniff(path)) {
    case Kind::Mp4:
      return Mp4NewTrack::fromMp4(path, out);
    case Kind::Ac3: {
      out.emplace_back();
      return Mp4NewTrack::fromAc3(path, out.back());
    }
    case Kind::TimedText: {
      std::string text;
      if (auto e = readText(path, text)) return e;
      Mp4TimedText timed;
      if (auto e = Mp4TimedText::fromDescription(text, timed))
        return Mp4Error::failure(path + ": " + e.message());
      out.emplace_back();
      return Mp4NewTrack::fromTimedText(timed, out.back());
    }
    case Kind::Unknown:
      break;
  }
  if (!std::filesystem::exists(path)) return Mp4Error::failure("no such file: " + path);
  return Mp4Error::failure(path + ": neither MP4, raw AC-3 nor a timed-text description");
}

int addTrack(const std::string& text, const std::string& output) {
  std::string error;
  const auto argument = TrackArgument::parse(text, error);
  if (!argument) return fail(error);
  std::vector<Mp4NewTrack> tracks;
  if (auto e = newTracks(argument->path, tracks)) return fail(e.message());
  Mp4File file;
  if (auto e = file.open(output, Mp4File::Mode::Modify)) return fail(e.message());
  std::vector<uint32_t> ids;
  for (Mp4NewTrack& t : tracks) {
    uint32_t id = 0;
    if (auto e = file.addTrack(std::move(t), &id)) return fail(e.message());
    ids.push_back(id);
  }
  for (uint32_t id : ids) {
    Mp4Track t = *file.track(id);
    // As the real tool: the handler name, which players show as the track's name.
    if (argument->name && !argument->name->empty()) t.setHandlerName(*argument->name);
    if (argument->language) t.setLanguage(argument->language->empty() ? "und" : *argument->language);
    if (argument->group) t.setAlternateGroup(*argument->group);
    const uint32_t flags = t.flags() | Mp4Track::kEnabled | Mp4Track::kInMovie;
    t.setFlags(argument->disable ? flags & ~Mp4Track::kEnabled : flags);
    if (argument->delayMs)
      if (auto e = file.setTrackDelay(id, *argument->delayMs)) return fail(e.message());
  }
  // The samples are appended and the file is not laid out anew: the conversion adds several
  // tracks and lays its file out once, after the last (saveMP4Tags), so that it is written once.
  if (auto e = file.commit(progressPrinter("Importing"))) return fail(e.message());
  for (uint32_t id : ids)
    say("Added track " + std::to_string(id) + " (" + file.track(id)->type() + ") from " + argument->path);
  progress("Importing", 100);
  return 0;
}

// One change to the tracks of `output`, committed in place.
int editTrack(const std::string& output, const char* what, const std::function<Mp4Error(Mp4File&)>& change) {
  Mp4File file;
  if (auto e = file.open(output, Mp4File::Mode::Modify)) return fail(e.message());
  if (auto e = change(file)) return fail(e.message());
  if (auto e = file.commit()) return fail(e.message());
  progress(what, 100);
  return 0;
}

int delayTrack(const std::string& assignment, const std::string& output) {
  const size_t eq = assignment.find('=');
  const auto id = parseNumber(assignment.substr(0, eq), UINT32_MAX);
  const auto ms = eq == std::string::npos ? std::nullopt : parseNumber(assignment.substr(eq + 1), 1ull << 40);
  if (!id || !ms) return fail("\"" + assignment + "\" is not TRACK=MILLISECONDS");
  return editTrack(output, "Delaying", [&](Mp4File& file) { return file.setTrackDelay(uint32_t(*id), *ms); });
}

int removeTrack(const std::string& idText, const std::string& output) {
  const auto id = parseNumber(idText, UINT32_MAX);
  if (!id) return fail("\"" + idText + "\" is no track number");
  return editTrack(output, "Removing", [&](Mp4File& file) { return file.removeTrack(uint32_t(*id)); });
}

// Into the current folder (the caller's work folder), never beside a source it does not own.
int extractSrt(const std::string& idText, const std::string& input) {
  const auto id = parseNumber(idText, UINT32_MAX);
  if (!id) return fail("\"" + idText + "\" is no track number");
  Mp4File file;
  if (auto e = file.open(input, Mp4File::Mode::Read)) return fail(e.message());
  Mp4TimedText text;
  if (auto e = Mp4TimedText::fromTrack(file, uint32_t(*id), text)) return fail(e.message());
  const std::string output =
      std::filesystem::path(input).stem().string() + "_" + std::to_string(*id) + "_text.srt";
  if (auto e = writeText(output, text.srt())) return fail(e.message());
  say("Wrote " + std::to_string(text.cues.size()) + " subtitles to " + output);
  progress("Extracting", 100);
  return 0;
}

int describeSrt(const std::string& input) {
  std::string srt;
  if (auto e = readText(input, srt)) return fail(e.message());
  Mp4TimedText text;
  if (auto e = Mp4TimedText::fromSrt(srt, text)) return fail(input + ": " + e.message());
  if (text.cues.empty()) return fail(input + " holds no subtitles");
  const std::string output = std::filesystem::path(input).replace_extension(".ttxt").string();
  if (auto e = writeText(output, text.description())) return fail(e.message());
  say("Wrote " + std::to_string(text.cues.size()) + " subtitles to " + output);
  progress("Converting", 100);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "-add") return addTrack(args[1], args[2]);
  if (args.size() == 3 && args[0] == "-delay") return delayTrack(args[1], args[2]);
  if (args.size() == 3 && args[0] == "-rem") return removeTrack(args[1], args[2]);
  if (args.size() == 3 && args[0] == "-srt") return extractSrt(args[1], args[2]);
  if (args.size() == 2 && args[0] == "-ttxt") return describeSrt(args[1]);
  std::fputs(kUsage, stderr);
  return 1;
}
