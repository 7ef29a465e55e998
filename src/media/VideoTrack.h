#pragma once
// One probed video stream and the frame sizes of the HD and SD outputs made from it.
#include <QString>

#include "platform/KeyedArchive.h"

namespace zuvo {

class VideoTrack {
 public:
  static constexpr const char* kArchiveClass = "VideoTrack";

  VideoTrack() = default;

  // Store the size, then recompute the SD and the HD output sizes. The size is that of the
  // picture as shown: ffmpeg turns a rotated stream upright, so its stored sides are swapped.
  quint32 width() const { return width_; }
  void setWidth(quint32 width);
  quint32 height() const { return height_; }
  void setHeight(quint32 height);

  // The probed size scaled into 1280 x 720 (with an Apple TV setting) or 1920 x 1080.
  void setHDResolution();
  // The probed size scaled into 640 x 480.
  void setSDResolution();

  int videostreamnumber() const { return videostreamnumber_; }
  void setVideostreamnumber(int value) { videostreamnumber_ = value; }
  QString videoformat() const { return videoformat_; }
  void setVideoformat(const QString& value) { videoformat_ = value; }
  QString bitrate() const { return bitrate_; }
  void setBitrate(const QString& value) { bitrate_ = value; }
  QString framerate() const { return framerate_; }
  void setFramerate(const QString& value) { framerate_ = value; }
  int duration() const { return duration_; }
  void setDuration(int value) { duration_ = value; }
  QString encodingsettings() const { return encodingsettings_; }
  void setEncodingsettings(const QString& value) { encodingsettings_ = value; }
  int referenceframes() const { return referenceframes_; }
  void setReferenceframes(int value) { referenceframes_ = value; }
  bool cabac() const { return cabac_; }
  void setCabac(bool value) { cabac_ = value; }
  int HDWidth() const { return HDWidth_; }
  void setHDWidth(int value) { HDWidth_ = value; }
  int HDHeight() const { return HDHeight_; }
  void setHDHeight(int value) { HDHeight_ = value; }
  int SDWidth() const { return SDWidth_; }
  void setSDWidth(int value) { SDWidth_ = value; }
  int SDHeight() const { return SDHeight_; }
  void setSDHeight(int value) { SDHeight_ = value; }

  // What decides whether Apple's players decode the stream as it is, as mediainfo prints it
  // ("High 10@L4.1", "4:2:0", 8, "Progressive"). Empty (0) when unknown, as in lists saved
  // before they were archived.
  QString formatprofile() const { return formatprofile_; }
  void setFormatprofile(const QString& value) { formatprofile_ = value; }
  int bitdepth() const { return bitdepth_; }
  void setBitdepth(int value) { bitdepth_ = value; }
  QString chromasubsampling() const { return chromasubsampling_; }
  void setChromasubsampling(const QString& value) { chromasubsampling_ = value; }
  QString scantype() const { return scantype_; }
  void setScantype(const QString& value) { scantype_ = value; }

  // The turn, in degrees (0, 90, 180 or 270), that the source's display matrix asks for;
  // 0 in lists saved before it was archived.
  int rotation() const { return rotation_; }
  void setRotation(int value) { rotation_ = value; }
  bool isTurnedSideways() const { return rotation_ % 180 == 90; }

  void encodeWithCoder(KeyedArchiver& coder) const;
  // Restores the stored output sizes as they are.
  static VideoTrack initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const VideoTrack&, const VideoTrack&) = default;

 private:
  int videostreamnumber_ = -1;
  QString videoformat_ = QStringLiteral("Not Initialized");
  QString bitrate_ = QStringLiteral("Not Initialized");
  QString framerate_ = QStringLiteral("Not Initialized");
  int duration_ = -1;
  QString encodingsettings_ = QStringLiteral("Not Initialized");
  int referenceframes_ = -1;
  bool cabac_ = false;
  quint32 width_ = 0;
  quint32 height_ = 0;
  int HDWidth_ = 0;
  int HDHeight_ = 0;
  int SDWidth_ = 0;
  int SDHeight_ = 0;
  QString formatprofile_;
  int bitdepth_ = 0;
  QString chromasubsampling_;
  QString scantype_;
  int rotation_ = 0;
};

}  // namespace zuvo
