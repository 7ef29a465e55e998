#pragma once
// One title of a DVD.
#include <QList>
#include <QString>

#include "media/AudioTrack.h"
#include "media/ChapterTrack.h"
#include "media/SubtitleTrack.h"
#include "platform/KeyedArchive.h"

namespace zuvo {

class DVDTrack {
 public:
  static constexpr const char* kArchiveClass = "DVDTrack";

  // `initWithName:path:tracknumber:`: a title name, the DVD's folder (the one holding
  // VIDEO_TS) and the title number.
  DVDTrack(const QString& name, const QString& path, int tracknumber);

  QString dvdpath() const { return dvdpath_; }
  void setDvdpath(const QString& value) { dvdpath_ = value; }
  int tracknumber() const { return tracknumber_; }
  void setTracknumber(int value) { tracknumber_ = value; }
  bool selected() const { return selected_; }
  void setSelected(bool value) { selected_ = value; }
  QString trackname() const { return trackname_; }
  void setTrackname(const QString& value) { trackname_ = value; }
  int tracklength() const { return tracklength_; }
  void setTracklength(int value) { tracklength_ = value; }
  QString mediatype() const { return mediatype_; }  // a media type label
  void setMediatype(const QString& value) { mediatype_ = value; }
  int season() const { return season_; }
  void setSeason(int value) { season_ = value; }
  int episode() const { return episode_; }
  void setEpisode(int value) { episode_ = value; }
  double progress() const { return progress_; }  // of the scan; not archived
  void setProgress(double value) { progress_ = value; }
  int width() const { return width_; }
  void setWidth(int value) { width_ = value; }
  int height() const { return height_; }
  void setHeight(int value) { height_ = value; }
  QString framerate() const { return framerate_; }
  void setFramerate(const QString& value) { framerate_ = value; }
  QString bitrate() const { return bitrate_; }
  void setBitrate(const QString& value) { bitrate_ = value; }
  bool badtrack() const { return badtrack_; }
  void setBadtrack(bool value) { badtrack_ = value; }
  bool partialread() const { return partialread_; }
  void setPartialread(bool value) { partialread_ = value; }
  QList<AudioTrack> AudioTracks() const { return AudioTracks_; }
  void setAudioTracks(const QList<AudioTrack>& value) { AudioTracks_ = value; }
  QList<SubtitleTrack> SubtitleTracks() const { return SubtitleTracks_; }
  void setSubtitleTracks(const QList<SubtitleTrack>& value) { SubtitleTracks_ = value; }
  int startsubtitlenumber() const { return startsubtitlenumber_; }
  void setStartsubtitlenumber(int value) { startsubtitlenumber_ = value; }
  bool hasSurround() const { return hasSurround_; }
  void setHasSurround(bool value) { hasSurround_ = value; }
  QList<ChapterTrack> Chapters() const { return Chapters_; }
  void setChapters(const QList<ChapterTrack>& value) { Chapters_ = value; }

  void encodeWithCoder(KeyedArchiver& coder) const;
  static DVDTrack initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const DVDTrack&, const DVDTrack&) = default;

 private:
  QString dvdpath_;
  int tracknumber_ = 0;
  bool selected_ = false;
  QString trackname_;
  int tracklength_ = 0;
  QString mediatype_;
  int season_ = 0;
  int episode_ = 0;
  double progress_ = 0;
  int width_ = 0;
  int height_ = 0;
  QString framerate_;
  QString bitrate_;
  bool badtrack_ = false;
  bool partialread_ = false;
  QList<AudioTrack> AudioTracks_;
  QList<SubtitleTrack> SubtitleTracks_;
  int startsubtitlenumber_ = 1000;
  bool hasSurround_ = false;
  QList<ChapterTrack> Chapters_;
};

}  // namespace zuvo
