#pragma once
// One audio stream of a source.
#include <QString>

#include "platform/KeyedArchive.h"

namespace zuvo {

class AudioTrack {
 public:
  static constexpr const char* kArchiveClass = "AudioTrack";

  // The language starts as the user's (or "Unknown", by the setting
  // "DefaultUnlabledTracksToUsersLanguage"), the volume as the setting "AudioVolume".
  AudioTrack();

  QString name() const { return name_; }
  void setName(const QString& value) { name_ = value; }
  QString audiosummary() const { return audiosummary_; }
  void setAudiosummary(const QString& value) { audiosummary_ = value; }
  int streamnumber() const { return streamnumber_; }
  void setStreamnumber(int value) { streamnumber_ = value; }
  int ffmpegstreamnumber() const { return ffmpegstreamnumber_; }
  void setFfmpegstreamnumber(int value) { ffmpegstreamnumber_ = value; }
  QString encoding() const { return encoding_; }
  void setEncoding(const QString& value) { encoding_ = value; }
  int channels() const { return channels_; }
  void setChannels(int value) { channels_ = value; }
  QString bitrate() const { return bitrate_; }
  void setBitrate(const QString& value) { bitrate_ = value; }
  QString samplingfrequency() const { return samplingfrequency_; }
  void setSamplingfrequency(const QString& value) { samplingfrequency_ = value; }
  int audioid() const { return audioid_; }
  void setAudioid(int value) { audioid_ = value; }
  QString language() const { return language_; }
  void setLanguage(const QString& value) { language_ = value; }
  bool selected() const { return selected_; }
  void setSelected(bool value) { selected_ = value; }
  bool makeStereo() const { return makeStereo_; }
  void setMakeStereo(bool value) { makeStereo_ = value; }
  bool isDefault() const { return isDefault_; }
  void setIsDefault(bool value) { isDefault_ = value; }
  int volume() const { return volume_; }
  void setVolume(int value) { volume_ = value; }

  void encodeWithCoder(KeyedArchiver& coder) const;
  static AudioTrack initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const AudioTrack&, const AudioTrack&) = default;

 private:
  QString name_ = QStringLiteral("Not Initialized");
  QString audiosummary_ = QStringLiteral("Not Initialized");
  int streamnumber_ = -1;
  int ffmpegstreamnumber_ = -1;
  QString encoding_ = QStringLiteral("Not Initialized");
  int channels_ = -1;
  QString bitrate_ = QStringLiteral("");
  QString samplingfrequency_ = QStringLiteral("Not Initialized");
  int audioid_ = -1;
  QString language_;
  bool selected_ = false;
  bool makeStereo_ = false;
  bool isDefault_ = false;
  int volume_ = 0;
};

// The starting language of an unlabelled track, by the settings.
QString defaultTrackLanguage();

}  // namespace zuvo
