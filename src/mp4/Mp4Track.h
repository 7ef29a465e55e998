#pragma once
// A view of one track (a trak box of the moov tree). Views stay valid until tracks are
// added or removed (setting or deleting QuickTime chapters does both).
#include <cstdint>
#include <string>
#include <vector>

#include "mp4/Mp4Box.h"

namespace zuvo {

class Mp4Track {
 public:
  // tkhd flags.
  static constexpr uint32_t kEnabled = 0x1;
  static constexpr uint32_t kInMovie = 0x2;
  static constexpr uint32_t kInPreview = 0x4;

  explicit Mp4Track(Mp4Box& trak) : trak_(&trak) {}

  // Checks the headers this class reads (tkhd, mdia.mdhd, mdia.hdlr).
  static Mp4Error validate(const Mp4Box& trak);

  uint32_t id() const;
  std::string type() const;  // the media handler: "vide", "soun", "text", "sbtl", ...
  uint32_t timescale() const;
  uint64_t duration() const;  // in the media's time scale
  uint64_t durationMs() const;

  std::string name() const;  // udta.name; empty when there is none
  void setName(const std::string& name);
  // The name in mdia.hdlr, which most players and ffprobe show as the track's name.
  void setHandlerName(const std::string& name);
  // ISO 639-2/T code of mdhd ("und" when undetermined); false for anything but three
  // lower-case letters.
  std::string language() const;
  bool setLanguage(const std::string& code);
  // tkhd's duration, in the movie's time scale.
  uint64_t presentationDuration() const;
  void setPresentationDuration(uint64_t duration);

  uint32_t flags() const;
  void setFlags(uint32_t flags);
  uint16_t alternateGroup() const;
  void setAlternateGroup(uint16_t group);
  // tkhd's width and height, whole pixels.
  uint32_t width() const;
  uint32_t height() const;

  bool hasAtom(const std::string& path) const { return trak_->find(path) != nullptr; }
  // Track ids this track refers to by `type` ("chap", "hint", ...).
  std::vector<uint32_t> references(const std::string& type) const;
  void addReference(const std::string& type, uint32_t trackId);
  // Removes the ids of `type`; with an empty type every reference (the whole tref box).
  void removeReferences(const std::string& type = {});

  Mp4Box& box() { return *trak_; }
  const Mp4Box& box() const { return *trak_; }

 private:
  Mp4Box* trak_;
};

}  // namespace zuvo
