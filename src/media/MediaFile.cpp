#include "media/MediaFile.h"

#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

constexpr const char* kUnknownEpisode = "Unknown";

// "DefaultVideoFormat" holds a conversion-format code; 0, the default, lets the device
// choices decide.
ConversionFormat defaultConversionFormat() {
  const Defaults& defaults = Defaults::standard();
  const int chosen = defaults.get(setting::DefaultVideoFormat);
  if (chosen != 0 && IsDefaultVideoFormatCode(chosen)) return ConversionFormat(chosen);
  ConversionFormat format = defaults.get(setting::SupportMobileDevices) ? zuvo::ConversionFormat::HDAndSD
                                                                        : zuvo::ConversionFormat::HDOnly;
  if (defaults.get(setting::ForceSD)) format = zuvo::ConversionFormat::SDOnly;
  return format;
}

// The artwork is archived as the bytes it came as: nothing is encoded again on a save.
ArchivedField<MediaFile> archivedArtwork(const char* key) {
  return {key,
          [](const MediaFile& media, KeyedArchiver& coder, const QString& k) {
            const Artwork artwork = media.artwork();
            if (!artwork.isNull()) coder.encodeData(artwork.data(), k);
          },
          [](MediaFile& media, const KeyedUnarchiver& coder, const QString& k) {
            if (!coder.containsValueForKey(k)) return;
            Artwork artwork = Artwork::fromData(coder.decodeData(k));
            if (artwork.isNull())
              coder.fail(QStringLiteral("key \"%1\" of MediaFile does not hold a picture").arg(k));
            media.setArtwork(artwork);
          }};
}

// A named field archived as the integer it stands for, so lists saved by any version load.
// An absent key reads as 0, as any number does; an integer no version wrote reads as a
// fresh object's value.
template <auto Get, auto Set, auto FromCode>
ArchivedField<MediaFile> archivedCode(const char* key) {
  using Code =
      std::underlying_type_t<std::remove_cvref_t<std::invoke_result_t<decltype(Get), const MediaFile&>>>;
  return {key,
          [](const MediaFile& media, KeyedArchiver& coder, const QString& k) {
            coder.encodeValue<Code>(codeOf(std::invoke(Get, media)), k);
          },
          [](MediaFile& media, const KeyedUnarchiver& coder, const QString& k) {
            std::invoke(Set, media, FromCode(coder.decodeValue<Code>(k).value_or(Code{})));
          }};
}
MediaState archivedState(qint64 code) { return mediaStateFromCode(code, MediaState::InFilesTable); }
// A rule may set a label no type has.
MediaType archivedMediaType(qint64 code) {
  return code == codeOf(kUnknownMediaType) ? kUnknownMediaType : mediaTypeFromCode(code, MediaType::Movie);
}
ConversionFormat archivedFormat(qint64 code) {
  return conversionFormatFromCode(code, defaultConversionFormat());
}
DeselectionReason archivedReason(qint64 code) {
  return deselectionReasonFromCode(code, DeselectionReason::NoLookUpMatch);
}

// The 69 archive keys in the order they are written.
const ArchivedFields<MediaFile>& archiveFields() {
  using M = MediaFile;
  static const ArchivedFields<M> fields{
      archived<M, &M::myvideotrack, &M::setMyvideotrack>("myvideotrack"),
      archived<M, &M::AudioTracks, &M::setAudioTracks>("audiotracks"),
      archived<M, &M::HardSubtitleTracks, &M::setHardSubtitleTracks>("hardsubtitletracks"),
      archived<M, &M::SoftSubtitleTracks, &M::setSoftSubtitleTracks>("softsubtitletracks"),
      archived<M, &M::AlternativeSuggestions, &M::setAlternativeSuggestions>("alternativesuggestions"),
      archived<M, &M::DVDTrackInfo, &M::setDVDTrackInfo>("dvdtrackinfo"),
      archived<M, &M::fullpath, &M::setFullpath>("fullpath"),
      archived<M, &M::didlookup, &M::setDidlookup>("didlookup"),
      archivedCode<&M::mediatype, &M::setMediatype, archivedMediaType>("mediatype"),
      archived<M, &M::seriesname, &M::setSeriesname>("seriesname"),
      archived<M, &M::episodename, &M::setEpisodename>("episodename"),
      archivedCode<&M::reasonfordeselection, &M::setReasonfordeselection, archivedReason>(
          "reasonfordeselection"),
      archived<M, &M::actors, &M::setActors>("actors"),
      archived<M, &M::producers, &M::setProducers>("producers"),
      archived<M, &M::directors, &M::setDirectors>("directors"),
      archived<M, &M::show, &M::setShow>("show"),
      archived<M, &M::season, &M::setSeason>("season"),
      archivedCode<&M::state, &M::setState, archivedState>("state"),
      archived<M, &M::hasdrm, &M::setHasdrm>("hasdrm"),
      archived<M, &M::selected, &M::setSelected>("selected"),
      archived<M, &M::filename, &M::setFilename>("filename"),
      archived<M, &M::isHD, &M::setIsHD>("isHD"),
      archivedCode<&M::ConversionFormat, &M::setConversionFormat, archivedFormat>("conversionformat"),
      archived<M, &M::filesize, &M::setFilesize>("filesize"),
      archived<M, &M::durationstring, &M::setDurationstring>("durationstring"),
      archived<M, &M::soliddetection, &M::setSoliddetection>("soliddetection"),
      archivedArtwork("image"),
      archived<M, &M::description, &M::setDescription>("description"),
      archived<M, &M::genre, &M::setGenre>("genre"),
      archived<M, &M::releasedate, &M::setReleasedate>("releasedate"),
      archived<M, &M::showid, &M::setShowid>("showid"),
      archived<M, &M::conversionfinished, &M::setConversionfinished>("conversionfinished"),
      archived<M, &M::packagepath, &M::setPackagepath>("packagepath"),
      archived<M, &M::type, &M::setType>("type"),
      archived<M, &M::drop, &M::setDrop>("drop"),
      archived<M, &M::hadexistingtags, &M::setHadexistingtags>("hadexistingtags"),
      archived<M, &M::OnlyScanForForcedSubtitle, &M::setOnlyScanForForcedSubtitle>(
          "OnlyScanForForcedSubtitle"),
      archived<M, &M::forceid, &M::setForceid>("forceid"),
      archived<M, &M::forcedestinationfolder, &M::setForcedestinationfolder>("forcedestinationfolder"),
      archived<M, &M::forcequality, &M::setForcequality>("forcequality"),
      archived<M, &M::conversiontime, &M::setConversiontime>("conversiontime"),
      archived<M, &M::rating, &M::setRating>("rating"),
      archived<M, &M::fastmode, &M::setFastmode>("fastmode"),
      archived<M, &M::fastmodeEnabled, &M::setFastmodeEnabled>("fastmodeEnabled"),
      archived<M, &M::reasonfornofastmode, &M::setReasonfornofastmode>("reasonfornofastmode"),
      archived<M, &M::audiosync, &M::setAudiosync>("audiosync"),
      archived<M, &M::hasSurround, &M::setHasSurround>("hasSurround"),
      archived<M, &M::SoftSubtitles, &M::setSoftSubtitles>("SoftSubtitles"),
      archived<M, &M::selectedAlernativeSuggestion, &M::setSelectedAlernativeSuggestion>(
          "selectedAlernativeSuggestion"),
      archived<M, &M::stopbuttonpressed, &M::setStopbuttonpressed>("stopbuttonpressed"),
      archived<M, &M::alternateimages, &M::setAlternateimages>("alternateimages"),
      archived<M, &M::selectedImage, &M::setSelectedImage>("selectedImage"),
      archived<M, &M::VideoJoinPaths, &M::setVideoJoinPaths>("VideoJoinPaths"),
      archived<M, &M::isDVD, &M::setIsDVD>("isDVD"),
      archived<M, &M::DVDTitle, &M::setDVDTitle>("DVDTitle"),
      archived<M, &M::forcedsubtitles, &M::setForcedsubtitles>("forcedsubtitles"),
      archived<M, &M::progress, &M::setProgress>("progress"),
      archived<M, &M::conversionerror, &M::setConversionerror>("conversionerror"),
      archived<M, &M::isSample, &M::setIsSample>("isSample"),
      archived<M, &M::Chapters, &M::setChapters>("Chapters"),
      archived<M, &M::ChaptersAlternates, &M::setChaptersAlternates>("ChaptersAlternates"),
      archived<M, &M::forceHDflag, &M::setForceHDflag>("forceHDflag"),
      archived<M, &M::force169, &M::setForce169>("force169"),
      archived<M, &M::showyear, &M::setShowyear>("showyear"),
      archived<M, &M::showmonth, &M::setShowmonth>("showmonth"),
      archived<M, &M::showday, &M::setShowday>("showday"),
      archived<M, &M::ForceAudioSync, &M::setForceAudioSync>("ForceAudioSync"),
      archived<M, &M::ForceVideoSync, &M::setForceVideoSync>("ForceVideoSync"),
      archived<M, &M::noisereduction, &M::setNoisereduction>("noisereduction"),
  };
  return fields;
}

}  // namespace

bool IsDefaultVideoFormatCode(int code) {
  if (code < 0) return false;
  const auto format = ConversionFormat(code);
  return format == ConversionFormat::HDAndSD || format == ConversionFormat::SDOnly ||
         format == ConversionFormat::HDOnly || format == ConversionFormat::Original;
}

MediaFile::MediaFile() {
  VideoTrack video;
  video.setWidth(0);
  video.setHeight(0);
  video.setDuration(1);
  video.setEncodingsettings(QStringLiteral(""));
  video.setReferenceframes(0);
  video.setCabac(true);
  myvideotrack_ = video;
  ConversionFormat_ = defaultConversionFormat();
}

MediaFilePtr MediaFile::copyOfMediaFile(const MediaFile& media) {
  std::optional<MediaFilePtr> copy = unarchiveObjectWithData<MediaFile>(archivedDataWithRootObject(media));
  if (copy) return *copy;
  // Our own archive always reads back; should it not, the copy is one the table rebuild drops.
  auto dropped = std::make_shared<MediaFile>();
  dropped->setState(MediaState::Removed);
  return dropped;
}

void MediaFile::determineReasonForDeselection() {
  auto deselect = [this](DeselectionReason reason) {
    setSelected(false);
    setReasonfordeselection(reason);
  };
  if (reasonfordeselection() == DeselectionReason::Duplicate) return deselect(DeselectionReason::Duplicate);
  // What the probe found missing in the source no look-up can supply.
  if (reasonfordeselection() == DeselectionReason::NoVideo) return deselect(DeselectionReason::NoVideo);
  if (hasdrm()) return deselect(DeselectionReason::ProtectedByDRM);
  if (!IsSelectableReason(myvideotrack().videoformat())) return deselect(DeselectionReason::UnsupportedVideo);
  if (mediatype() != MediaType::HomeMovie && AlternativeSuggestions().isEmpty() && forceid() == 0)
    return deselect(DeselectionReason::NoLookUpMatch);
  if (mediatype() == MediaType::TVShow) {
    const QString episode = episodename();
    const bool complete =
        !episode.isEmpty() && episode != QLatin1String(kUnknownEpisode) && season() != 0 && show() != 0;
    if (!complete) return deselect(DeselectionReason::IncompleteTVShow);
  }
  setSelected(true);
  setReasonfordeselection(DeselectionReason::None);
}

void MediaFile::encodeWithCoder(KeyedArchiver& coder) const {
  if (!didlookup()) return;
  encodeFields(archiveFields(), *this, coder);
}

MediaFilePtr MediaFile::initWithCoder(const KeyedUnarchiver& coder) {
  auto media = std::make_shared<MediaFile>();
  decodeFields(archiveFields(), *media, coder);
  const MediaState decodedState = media->state();
  if (decodedState == MediaState::Converting) media->setState(MediaState::Queued);
  if (decodedState != MediaState::Ended) media->setProgress(0);
  if (!media->didlookup()) media->setState(MediaState::Removed);
  return media;
}

QByteArray archiveMediaFiles(const QList<MediaFilePtr>& files) { return archivedDataWithRootObjects(files); }

std::optional<QList<MediaFilePtr>> unarchiveMediaFiles(const QByteArray& data, const Reporter& reporter) {
  QString failure;
  std::optional<QList<MediaFilePtr>> files = unarchiveObjectsWithData<MediaFile>(data, &failure);
  if (!files && reporter)
    reporter->report(QStringLiteral("[RED]Unable to read archived media files: %1").arg(failure), 3);
  return files;
}

}  // namespace zuvo
