#pragma once
// One source (a video file, an EyeTV recording package or a DVD title) and everything
// known or decided about it. Lists, probes and converters share one object, so it lives
// behind a shared pointer. The probe, the look-up, the editors and a conversion write it
// from different threads: numbers and flags are atomics, texts, lists, records and images
// sit behind the object's own lock and their accessors copy. Views keep their widgets
// themselves; the object holds only the state they show.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "media/Artwork.h"
#include "media/AudioTrack.h"
#include "media/BCCReporter.h"
#include "media/ChapterTrack.h"
#include "media/DVDTrack.h"
#include "media/MediaValues.h"
#include "media/SubtitleTrack.h"
#include "media/VideoAlternate.h"
#include "media/VideoTrack.h"
#include "platform/KeyedArchive.h"

namespace zuvo {

class MediaFile;
using MediaFilePtr = std::shared_ptr<MediaFile>;

// Whether "DefaultVideoFormat" may hold `code`: 0 (the device choices decide), 1 SD only,
// 2 HD only or 4 original, the codes of `ConversionFormat`.
bool IsDefaultVideoFormatCode(int code);

// A getter named as the field and a setter "set" + the name with a capital.
#define ZUVO_ATOMIC_FIELD(Type, name, Name, initial)   \
 public:                                               \
  Type name() const { return name##_.load(); }         \
  void set##Name(Type value) { name##_.store(value); } \
                                                       \
 private:                                              \
  std::atomic<Type> name##_{initial};

#define ZUVO_GUARDED_FIELD(Type, name, Name, ...) \
 public:                                          \
  Type name() const {                             \
    std::lock_guard<std::mutex> guard(lock_);     \
    return name##_;                               \
  }                                               \
  void set##Name(const Type& value) {             \
    std::lock_guard<std::mutex> guard(lock_);     \
    name##_ = value;                              \
  }                                               \
                                                  \
 private:                                         \
  Type name##_{__VA_ARGS__};

class MediaFile {
 public:
  static constexpr const char* kArchiveClass = "MediaFile";

  // Every default of a new object (`GeneralInit`); the conversion format comes from the
  // settings "DefaultVideoFormat", "SupportMobileDevices" and "ForceSD".
  MediaFile();
  MediaFile(const MediaFile&) = delete;
  MediaFile& operator=(const MediaFile&) = delete;

  // A new object made by archiving this one and reading the archive back: it carries
  // exactly the archived fields, with the decoding rules applied.
  static MediaFilePtr copyOfMediaFile(const MediaFile& media);

  // Sets `selected` and `reasonfordeselection` from the object's own fields.
  void determineReasonForDeselection();

  // Nothing at all is written until `didlookup` is YES. Decoding never resumes a
  // conversion: state 3 becomes 2, progress survives only in state 4, and an object
  // whose look-up never finished comes back in state 0.
  void encodeWithCoder(KeyedArchiver& coder) const;
  static MediaFilePtr initWithCoder(const KeyedUnarchiver& coder);

 private:
  mutable std::mutex lock_;

  // Source and identity
  ZUVO_GUARDED_FIELD(QString, fullpath, Fullpath)
  ZUVO_GUARDED_FIELD(QString, filename, Filename)
  ZUVO_GUARDED_FIELD(QString, packagepath, Packagepath, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, type, Type)  // "File", "Eye TV" or "DVD"
  ZUVO_ATOMIC_FIELD(bool, drop, Drop, false)
  ZUVO_ATOMIC_FIELD(qint64, filesize, Filesize, 0)
  ZUVO_GUARDED_FIELD(QString, durationstring, Durationstring, QStringLiteral("Unknown"))
  ZUVO_ATOMIC_FIELD(bool, isDVD, IsDVD, false)
  ZUVO_GUARDED_FIELD(QString, DVDTitle, DVDTitle)
  ZUVO_GUARDED_FIELD(std::optional<DVDTrack>, DVDTrackInfo, DVDTrackInfo)
  ZUVO_GUARDED_FIELD(QStringList, VideoJoinPaths, VideoJoinPaths)
  ZUVO_ATOMIC_FIELD(bool, isSample, IsSample, false)

  // Probed streams
  ZUVO_GUARDED_FIELD(VideoTrack, myvideotrack, Myvideotrack)
  ZUVO_GUARDED_FIELD(QList<AudioTrack>, AudioTracks, AudioTracks)
  ZUVO_GUARDED_FIELD(QList<SubtitleTrack>, SoftSubtitleTracks, SoftSubtitleTracks)
  ZUVO_GUARDED_FIELD(QList<SubtitleTrack>, HardSubtitleTracks, HardSubtitleTracks)
  ZUVO_GUARDED_FIELD(QList<ChapterTrack>, Chapters, Chapters)
  ZUVO_ATOMIC_FIELD(bool, hasSurround, HasSurround, false)
  ZUVO_ATOMIC_FIELD(bool, hasdrm, Hasdrm, false)
  ZUVO_ATOMIC_FIELD(bool, isHD, IsHD, false)

  // Metadata and look-up
  ZUVO_ATOMIC_FIELD(MediaType, mediatype, Mediatype, MediaType::Movie)
  ZUVO_GUARDED_FIELD(QString, seriesname, Seriesname, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, episodename, Episodename, QStringLiteral(""))
  ZUVO_ATOMIC_FIELD(quint32, season, Season, 0)
  ZUVO_ATOMIC_FIELD(quint32, show, Show, 0)
  ZUVO_GUARDED_FIELD(QString, showyear, Showyear)
  ZUVO_GUARDED_FIELD(QString, showmonth, Showmonth)
  ZUVO_GUARDED_FIELD(QString, showday, Showday)
  ZUVO_GUARDED_FIELD(QString, releasedate, Releasedate, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, description, Description, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, genre, Genre, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, rating, Rating, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, actors, Actors, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, producers, Producers, QStringLiteral(""))
  ZUVO_GUARDED_FIELD(QString, directors, Directors, QStringLiteral(""))
  // The chosen artwork, kept as its encoded bytes with a small copy for the tables.
  ZUVO_GUARDED_FIELD(Artwork, artwork, Artwork)
 public:
  // The whole picture, decoded on each call: for the tag editor and the tag save only.
  QImage image() const { return artwork().image(); }
  // Encodes a picture that has no bytes of its own; prefer `setArtwork` with the bytes.
  void setImage(const QImage& value) { setArtwork(Artwork::fromImage(value)); }

 private:
  // The addresses of the candidate artwork the look-up found; `selectedImage` indexes them.
  ZUVO_GUARDED_FIELD(QStringList, alternateimages, Alternateimages)
  ZUVO_ATOMIC_FIELD(int, selectedImage, SelectedImage, 0)
  ZUVO_GUARDED_FIELD(QList<VideoAlternate>, AlternativeSuggestions, AlternativeSuggestions)
  ZUVO_ATOMIC_FIELD(int, selectedAlernativeSuggestion, SelectedAlernativeSuggestion, -1)
  ZUVO_GUARDED_FIELD(QList<VideoAlternate>, ChaptersAlternates, ChaptersAlternates)
  ZUVO_ATOMIC_FIELD(quint32, showid, Showid, 0)
  ZUVO_ATOMIC_FIELD(int, forceid, Forceid, 0)
  ZUVO_ATOMIC_FIELD(bool, soliddetection, Soliddetection, false)
  ZUVO_ATOMIC_FIELD(bool, hadexistingtags, Hadexistingtags, false)

  // `didlookup` reads NO while any hold is taken: a probe or look-up still has work to do
  // on the item (chapters, the second rule pass), and the queue commands and the queue
  // runner take only items that read YES.
 public:
  bool didlookup() const { return didlookup_.load() && lookUpHolds_.load() == 0; }
  void setDidlookup(bool value) { didlookup_.store(value); }
  void holdLookUp() { lookUpHolds_.fetch_add(1); }
  void releaseLookUp() { lookUpHolds_.fetch_sub(1); }

 private:
  std::atomic<bool> didlookup_{false};
  std::atomic<int> lookUpHolds_{0};

  // Per-file conversion options
  ZUVO_ATOMIC_FIELD(::zuvo::ConversionFormat, ConversionFormat, ConversionFormat,
                    ::zuvo::ConversionFormat::HDAndSD)
  ZUVO_ATOMIC_FIELD(bool, fastmode, Fastmode, false)
  ZUVO_ATOMIC_FIELD(bool, fastmodeEnabled, FastmodeEnabled, false)
  ZUVO_GUARDED_FIELD(QString, reasonfornofastmode, Reasonfornofastmode, QStringLiteral("none"))
  ZUVO_ATOMIC_FIELD(bool, SoftSubtitles, SoftSubtitles, true)
  ZUVO_ATOMIC_FIELD(bool, forcedsubtitles, Forcedsubtitles, false)
  ZUVO_ATOMIC_FIELD(bool, OnlyScanForForcedSubtitle, OnlyScanForForcedSubtitle, false)
  ZUVO_GUARDED_FIELD(QString, forcedestinationfolder, Forcedestinationfolder, QStringLiteral(""))
  ZUVO_ATOMIC_FIELD(int, forcequality, Forcequality, 0)  // a ForcedQuality value
  ZUVO_ATOMIC_FIELD(int, forceHDflag, ForceHDflag, 0)    // a ForcedHDFlag value
  ZUVO_ATOMIC_FIELD(bool, force169, Force169, false)
  ZUVO_ATOMIC_FIELD(float, audiosync, Audiosync, 0)  // seconds
  ZUVO_ATOMIC_FIELD(bool, ForceAudioSync, ForceAudioSync, false)
  ZUVO_ATOMIC_FIELD(bool, ForceVideoSync, ForceVideoSync, false)
  ZUVO_ATOMIC_FIELD(quint32, noisereduction, Noisereduction, 0)

  // Queue and conversion state
  ZUVO_ATOMIC_FIELD(MediaState, state, State, MediaState::InFilesTable)
 public:
  // Sets `state` only when it still holds `expected`, so two threads deciding about one
  // item (the queue runner starting it, a look-up removing it) cannot both win.
  bool exchangeState(MediaState expected, MediaState desired) {
    return state_.compare_exchange_strong(expected, desired);
  }

 private:
  // Given when the item was created: whether its probe may queue or remove it on its own.
  // Not archived.
  ZUVO_ATOMIC_FIELD(bool, autoprocess, Autoprocess, false)
  ZUVO_ATOMIC_FIELD(bool, selected, Selected, false)
  ZUVO_ATOMIC_FIELD(DeselectionReason, reasonfordeselection, Reasonfordeselection,
                    DeselectionReason::NoLookUpMatch)
  ZUVO_ATOMIC_FIELD(int, progress, Progress, 0)      // percent of the queue row
  ZUVO_ATOMIC_FIELD(int, passnumber, Passnumber, 0)  // a PassStage value
  ZUVO_ATOMIC_FIELD(int, twopassnumber, Twopassnumber, 0)
  ZUVO_ATOMIC_FIELD(bool, pause, Pause, false)
  ZUVO_ATOMIC_FIELD(bool, stopbuttonpressed, Stopbuttonpressed, false)
  ZUVO_ATOMIC_FIELD(bool, conversionfinished, Conversionfinished, false)
  ZUVO_ATOMIC_FIELD(double, conversiontime, Conversiontime, 0)              // seconds
  ZUVO_ATOMIC_FIELD(double, timeleftinconversion, Timeleftinconversion, 0)  // seconds
  ZUVO_GUARDED_FIELD(QString, conversionerror, Conversionerror, QStringLiteral(""))
};

#undef ZUVO_ATOMIC_FIELD
#undef ZUVO_GUARDED_FIELD

// The persisted lists: archives of whole lists of media objects. Reading gives nothing,
// with a line in the log, for data that is not an undamaged archive of them.
QByteArray archiveMediaFiles(const QList<MediaFilePtr>& files);
std::optional<QList<MediaFilePtr>> unarchiveMediaFiles(const QByteArray& data, const Reporter& reporter);

}  // namespace zuvo
