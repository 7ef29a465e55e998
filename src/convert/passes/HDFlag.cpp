// The iTunes HD video flag a pass's output is tagged with.
#include "convert/passes/VideoPasses.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {
constexpr int kSDWidth = 640;
constexpr int kSDHeight = 480;
constexpr int k720pHeight = 720;
bool withinSD(int width, int height) { return width <= kSDWidth && height <= kSDHeight; }
}  // namespace

uint8_t hdFlagFor(const MediaFile& media, int passindex) {
  const VideoTrack video = media.myvideotrack();
  const ConversionFormat format = media.ConversionFormat();
  uint8_t flag = 1;
  if (format == ConversionFormat::HDOnly && withinSD(video.HDWidth(), video.HDHeight())) flag = 0;
  if (format == ConversionFormat::SDOnly && withinSD(video.SDWidth(), video.SDHeight())) flag = 0;
  if (format == ConversionFormat::Original && video.width() >= 1 && video.width() <= kSDWidth &&
      video.height() >= 1 && video.height() <= kSDHeight)
    flag = 0;
  if (passindex == 1) flag = 0;
  if (format != ConversionFormat::HDAndSD && media.forceHDflag() != ForcedHDFlag::NotForced)
    flag = media.forceHDflag() == ForcedHDFlag::Set ? 1 : 0;
  if (flag == 1 && video.HDHeight() > k720pHeight) flag = 2;
  return flag;
}

}  // namespace zuvo
