#pragma once
// The C interface of a Turbo.264 framework plug-in: a shared library named kPluginFileName
// in the helper's own folder, exporting kEntryPoint. The entry point answers one table of
// the framework's calls; a null entry is a call this framework version does not offer.
#include <cstdint>

extern "C" {

// Called during an export with the fraction done (0 to 1); answer nonzero to go on.
typedef int (*ZuvoTurbo264Progress)(void* context, double fraction);

struct ZuvoTurbo264 {
  int (*version)(void);
  int (*isAvailable)(void);
  int (*isHDDeviceAvailable)(void);  // null: the framework cannot tell HD devices apart
  int (*presetCount)(void);          // null: the framework has no export presets
  const char* (*presetDisplayName)(int index);
  // Nonzero when the preset carries an internal id, stored in *id.
  int (*presetInternalID)(int index, int64_t* id);
  // Writes `output` from the movie file `input` through the preset (its internal id as
  // fixed by the helper when hasInternalID). Answers nonzero on success; on failure fills
  // `error` (errorSize bytes, NUL-terminated) with a description.
  int (*exportMovie)(const char* input, const char* output, int presetIndex, int hasInternalID,
                     int64_t internalID, ZuvoTurbo264Progress progress, void* context, char* error,
                     int errorSize);
};

typedef const ZuvoTurbo264* (*ZuvoTurbo264EntryPoint)(void);

}  // extern "C"

namespace zuvo::helper264 {
inline constexpr const char* kPluginFileName = "Turbo264.so";
inline constexpr const char* kEntryPoint = "zuvo_turbo264_framework";
}  // namespace zuvo::helper264
