// A Turbo.264 framework plug-in for the tests: it "exports" by copying the movie's streams
// with Debian's ffmpeg, reporting progress around the copy. What it claims to be comes from
// ZUVO_FAKE_TURBO, comma-separated: version=N, device=0|1, hd=0|1|none, presets=none,
// fail=TEXT (the export fails with TEXT).
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "helper264/Turbo264Plugin.h"

extern char** environ;

namespace {

std::string setting(const char* key, const char* fallback) {
  const char* all = std::getenv("ZUVO_FAKE_TURBO");
  const std::string text = all ? all : "";
  const std::string wanted = std::string(key) + "=";
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, end - start);
    if (item.rfind(wanted, 0) == 0) return item.substr(wanted.size());
    start = end + 1;
  }
  return fallback;
}

const char* const kPresets[] = {"iPod",    "iPhone",   "Apple TV", "Apple TV HD", "iPad",
                                "HD 720p", "Sony PSP", "YouTube",  "YouTube HD",  "HD 1080p"};

int version() { return std::atoi(setting("version", "12").c_str()); }
int isAvailable() { return setting("device", "1") == "1"; }
int isHDDeviceAvailable() { return setting("hd", "0") == "1"; }
int presetCount() { return int(sizeof kPresets / sizeof *kPresets); }
const char* presetDisplayName(int index) { return kPresets[index]; }
int presetInternalID(int index, int64_t* id) {
  *id = 0x0102 + index;
  return 1;
}

int exportMovie(const char* input, const char* output, int, int, int64_t, ZuvoTurbo264Progress progress,
                void* context, char* error, int errorSize) {
  for (double fraction : {0.004, 0.015, 0.019, 0.025, 0.019}) progress(context, fraction);
  const std::string failure = setting("fail", "");
  if (!failure.empty()) {
    std::snprintf(error, size_t(errorSize), "%s", failure.c_str());
    return 0;
  }
  const std::string in = std::string("file:") + input, out = std::string("file:") + output;
  const char* argv[] = {"ffmpeg", "-nostdin", "-v",   "error", "-y",  "-i",        in.c_str(), "-map",
                        "0",      "-c",       "copy", "-f",    "mp4", out.c_str(), nullptr};
  pid_t child = 0;
  int status = -1;
  if (posix_spawnp(&child, "ffmpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
      waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::remove(output);
    std::snprintf(error, size_t(errorSize), "The encoder could not write %s", output);
    return 0;
  }
  progress(context, 0.5);
  progress(context, 1.0);
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZuvoTurbo264* zuvo_turbo264_framework() {
  static ZuvoTurbo264 table{version,           isAvailable,      isHDDeviceAvailable, presetCount,
                            presetDisplayName, presetInternalID, exportMovie};
  table.isHDDeviceAvailable = setting("hd", "0") == "none" ? nullptr : isHDDeviceAvailable;
  table.presetCount = setting("presets", "") == "none" ? nullptr : presetCount;
  return &table;
}
