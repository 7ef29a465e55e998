#pragma once
// The boxes every track we make needs, built one way for all of them.
#include <cstdint>
#include <string>

#include "mp4/Mp4Box.h"

namespace zuvo {

struct Mp4TrackHeaderFields {
  uint32_t id = 0;
  uint32_t flags = 0;
  uint64_t duration = 0;  // in the movie's time scale
  int16_t layer = 0;
  uint16_t alternateGroup = 0;
  uint16_t volume = 0;                         // 8.8; 0x0100 for sound
  int32_t translationX = 0, translationY = 0;  // whole pixels
  uint32_t width = 0, height = 0;              // whole pixels
};

// ISO 639-2/T packed into mdhd's 15 bits; "und" when there is no language.
inline constexpr uint16_t kMp4LanguageUndetermined = 0x55C4;

Mp4Box mp4TrackHeader(const Mp4TrackHeaderFields& fields);
Mp4Box mp4MediaHeader(uint32_t timescale, uint64_t duration, uint16_t language = kMp4LanguageUndetermined);
Mp4Box mp4Handler(const char* type, const std::string& name);
// dinf with one data reference: the media lies in this file.
Mp4Box mp4SelfDataInformation();

// mdhd's packed language code of three lower-case letters; nothing for any other text.
bool mp4PackLanguage(const std::string& code, uint16_t& packed);
std::string mp4UnpackLanguage(uint16_t packed);

}  // namespace zuvo
