#include "media/VideoTrack.h"

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

struct Size {
  int width;
  int height;
};

// Scales into the cap keeping the aspect ratio (single precision, rounded half up), then
// makes both sides even. An unknown size gives `unknown`.
Size fitInto(quint32 width, quint32 height, Size cap, Size unknown) {
  if (width == 0 || height == 0) return unknown;
  Size out{int(width), int(height)};
  if (width > quint32(cap.width)) {
    out.width = cap.width;
    out.height = int(float(height) / float(width) * float(cap.width) + 0.5f);
  }
  if (out.height > cap.height) {
    out.height = cap.height;
    out.width = int(float(width) / float(height) * float(cap.height) + 0.5f);
  }
  if (out.width % 2) ++out.width;
  if (out.height % 2) ++out.height;
  return out;
}

const ArchivedFields<VideoTrack>& archiveFields() {
  using V = VideoTrack;
  static const ArchivedFields<V> fields{
      archived<V, &V::videostreamnumber, &V::setVideostreamnumber>("videostreamnumber"),
      archived<V, &V::videoformat, &V::setVideoformat>("videoformat"),
      archived<V, &V::bitrate, &V::setBitrate>("bitrate"),
      archived<V, &V::framerate, &V::setFramerate>("framerate"),
      archived<V, &V::duration, &V::setDuration>("duration"),
      archived<V, &V::encodingsettings, &V::setEncodingsettings>("encodingsettings"),
      archived<V, &V::referenceframes, &V::setReferenceframes>("referenceframes"),
      archived<V, &V::cabac, &V::setCabac>("cabac"),
      // Restoring the size recomputes the outputs; the stored ones come after it.
      archived<V, &V::width, &V::setWidth>("width"),
      archived<V, &V::height, &V::setHeight>("height"),
      archived<V, &V::HDWidth, &V::setHDWidth>("HDWidth"),
      archived<V, &V::HDHeight, &V::setHDHeight>("HDHeight"),
      archived<V, &V::SDWidth, &V::setSDWidth>("SDWidth"),
      archived<V, &V::SDHeight, &V::setSDHeight>("SDHeight"),
      // The pass-through verdict is made again when the format is changed after a restart.
      archived<V, &V::formatprofile, &V::setFormatprofile>("formatprofile"),
      archived<V, &V::bitdepth, &V::setBitdepth>("bitdepth"),
      archived<V, &V::chromasubsampling, &V::setChromasubsampling>("chromasubsampling"),
      archived<V, &V::scantype, &V::setScantype>("scantype"),
      archived<V, &V::rotation, &V::setRotation>("rotation"),
  };
  return fields;
}

}  // namespace

void VideoTrack::setWidth(quint32 width) {
  width_ = width;
  setSDResolution();
  setHDResolution();
}

void VideoTrack::setHeight(quint32 height) {
  height_ = height;
  setSDResolution();
  setHDResolution();
}

void VideoTrack::setHDResolution() {
  const Defaults& defaults = Defaults::standard();
  const bool appleTV = defaults.get(setting::SupportAppleTV) || defaults.get(setting::SupportAppleTV2);
  const Size hd = fitInto(width_, height_, appleTV ? Size{1280, 720} : Size{1920, 1080}, Size{1280, 720});
  HDWidth_ = hd.width;
  HDHeight_ = hd.height;
}

void VideoTrack::setSDResolution() {
  const Size sd = fitInto(width_, height_, Size{640, 480}, Size{640, 480});
  SDWidth_ = sd.width;
  SDHeight_ = sd.height;
}

void VideoTrack::encodeWithCoder(KeyedArchiver& coder) const { encodeFields(archiveFields(), *this, coder); }

VideoTrack VideoTrack::initWithCoder(const KeyedUnarchiver& coder) {
  return decodedRecord(archiveFields(), coder);
}

}  // namespace zuvo
