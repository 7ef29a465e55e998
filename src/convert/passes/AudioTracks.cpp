// The audio offset and the exported audio tracks added to a pass's output: stereo tracks
// re-encoded (and normalised when asked), surround tracks as AC-3, each named, tagged with
// its language and enabled only when it is the one default track.
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "metadata/MP4TrackEdits.h"
#include "mp4/Mp4File.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

constexpr qint32 kAudioFailedCode = 7;

bool isSurround(int channels) { return channels == 6 || channels == 7; }

uint32_t lastTrackId(const QString& path) {
  Mp4File file;
  if (file.open(QFile::encodeName(path).toStdString(), Mp4File::Mode::Read)) return 0;
  uint32_t last = 0;
  for (const Mp4Track& track : file.tracks()) last = std::max(last, track.id());
  return last;
}

QString languageCode(const AudioTrack& track) {
  const auto record = LanguageRecord::LanguageWithString(track.language());
  return record ? record->threechar() : QString();
}

class AudioAdder {
 public:
  AudioAdder(ConversionState& converter, int passindex, const QString& output)
      : c_(converter), media_(*converter.convideodata), passindex_(passindex), output_(output) {
    const float offset = media_.audiosync();
    if (offset > 0) delayPart_ = QStringLiteral(":delay=%1").arg(double(offset) * 1000, 0, 'f', 0);
    if (offset == 0 && media_.ForceAudioSync()) syncPart_ = QStringLiteral(" -async 1 ");
  }

  // The video track waits when the sound must come earlier.
  std::optional<BCError> delayVideo() {
    const float offset = media_.audiosync();
    if (offset >= 0 || !c_.soundexported) return std::nullopt;
    const ToolArguments arguments(
        QStringLiteral(" -delay 1=%1 %@").arg(std::fabs(double(offset)) * 1000, 0, 'f', 0), {output_});
    reportTo(c_.myreporter, arguments.text(), 4);
    const std::optional<QString> failed = runMP4Box(c_.mp4boxpath, arguments, c_.convideodata,
                                                    c_.conversiondirectory, c_.report, c_.myreporter);
    if (conversionStopped(media_)) return stoppedExit(c_, BCError::NoError(), output_);
    if (failed) return fail(QStringLiteral("Unable to delay the video track: %1").arg(*failed));
    return std::nullopt;
  }

  std::optional<BCError> addAll() {
    c_.addedaudiotracks = 0;
    if (!c_.soundexported) return std::nullopt;
    QList<AudioTrack> tracks = media_.AudioTracks();
    bool defaultFound = false;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
      AudioTrack& track = tracks[i];
      if (track.isDefault()) {
        if (!defaultFound) {
          defaultFound = true;
          reportTo(c_.myreporter, QStringLiteral("Found default audio track at track number %1").arg(i), 3);
        } else {
          track.setIsDefault(false);
          reportTo(c_.myreporter,
                   QStringLiteral("[RED]More than one Default audio track at track number %1").arg(i), 3);
        }
        media_.setAudioTracks(tracks);
      }
      const bool surround = isSurround(track.channels());
      std::optional<QString> failed;
      if (track.selected() || (track.makeStereo() && surround)) {
        const QString language = languageCode(track);
        if (track.channels() == 2) {
          failed = addStereo(int(i), track, language);
        } else if (surround) {
          failed = addSurround(int(i), track, language);
          media_.setAudioTracks(tracks);
        }
      }
      if (conversionStopped(media_)) return stoppedExit(c_, BCError::NoError(), output_);
      // A track the item asked for and the file lacks: the conversion is not done.
      if (failed) return fail(QStringLiteral("Unable to add audio track %1: %2").arg(i).arg(*failed));
    }
    return std::nullopt;
  }

 private:
  BCError fail(const QString& reason) {
    return failConversion(c_, BCError::Code(kAudioFailedCode, reason),
                          {QStringLiteral("[RED]") + reason, QStringLiteral("Canceling conversion.")});
  }

  // The stereo version of track `i` ("audio<i>.m4a") re-encoded at the pass's rate and added;
  // why not, when it could not be (nothing after a stop, which the caller handles).
  std::optional<QString> addStereo(int i, const AudioTrack& track, const QString& language) {
    reportTo(c_.myreporter, QStringLiteral("Reconverting stereo audio file"), 4);
    const QString input = c_.workPath(QStringLiteral("audio%1.m4a").arg(i));
    const QString reencoded = c_.workPath(QStringLiteral("audio%1ff.mp4").arg(i));
    const QString volume = QString::number(track.volume());
    const QString options =
        passindex_ == 0
            ? QStringLiteral(" -y -i %@ %1 -vol %2 -ab %3k -ar 48000 -ac 2 %@")
                  .arg(c_.audiocodec, volume, QString::number(c_.audiobitrate))
            : QStringLiteral(" -y -i %@ %1  -vol %2 -ab 128k -ar 48000 -ac 2 %@").arg(c_.audiocodec, volume);
    ToolArguments encode(options, {input, reencoded});
    encode.append(syncPart_);
    reportTo(c_.myreporter, encode.text(), 4);
    // A stop shows on the media object; any other failure of the tool, or no file, is this track's.
    const BCError encoded =
        runFFMpeg(c_.ffmpegpath, encode, c_.convideodata, c_.conversiondirectory, c_.report, c_.myreporter);
    if (conversionStopped(media_)) return std::nullopt;
    if (encoded.Error()) return encoded.Description();
    if (!QFileInfo::exists(reencoded)) return QStringLiteral("%1 was not made").arg(reencoded);
    if (Defaults::standard().get(setting::NormalizeStereoAudio)) {
      media_.setPassnumber(PassStage::NormalisingAudio);
      const std::optional<QString> normalised =
          runAacgain(c_.aacgainpath, ToolArguments(QStringLiteral(" -r -k -s s %@"), {reencoded}),
                     c_.convideodata, c_.conversiondirectory, c_.report, c_.myreporter);
      media_.setPassnumber(PassStage::Audio);
      if (conversionStopped(media_)) return std::nullopt;
      // The tool replaces the file only with a finished one: what failed is the loudness alone.
      if (normalised)
        c_.reportBoth(QStringLiteral("[RED]Unable to normalise %1 (%2), it is added as it was")
                          .arg(reencoded, *normalised),
                      QStringLiteral("Unable to normalise audio track %1, it is added as it was").arg(i), 3);
    }
    return add(reencoded, QStringLiteral("Stereo"), language, track.isDefault(), QStringLiteral("Stereo"));
  }

  std::optional<QString> addSurround(int i, AudioTrack& track, const QString& language) {
    if (passindex_ == 1) {
      c_.reportBoth(QStringLiteral("Second pass of HD/SD so disabling AC3"),
                    QStringLiteral("Second pass of HD/SD so ignoring surround sound"), 3);
      if (track.selected() && track.isDefault()) {
        track.setSelected(false);
        track.setMakeStereo(true);
        reportTo(c_.myreporter, QStringLiteral("AC3 was default so enabling stereo version of AC3"), 3);
      } else {
        track.setSelected(false);
      }
    }
    if (track.makeStereo()) {
      c_.reportBoth(QStringLiteral("Importing stereo file created from surround file."), 3);
      if (const std::optional<QString> failed = addStereo(i, track, language)) return failed;
      if (conversionStopped(media_)) return std::nullopt;
    }
    if (!track.selected()) return std::nullopt;
    const QString input = c_.workPath(QStringLiteral("audio%1.ac3").arg(i));
    const QString raw = c_.workPath(QStringLiteral("audio%1ss.ac3").arg(i));
    ToolArguments copy(QStringLiteral(" -y -i %@  -acodec copy -ab 384k -ar 48000 -ac 6 %@"), {input, raw});
    copy.append(syncPart_);
    reportTo(c_.myreporter, copy.text(), 4);
    const BCError copied =
        runFFMpeg(c_.ffmpegpath, copy, c_.convideodata, c_.conversiondirectory, c_.report, c_.myreporter);
    if (conversionStopped(media_)) return std::nullopt;
    if (copied.Error()) return copied.Description();
    if (!QFileInfo::exists(raw)) return QStringLiteral("%1 was not made").arg(raw);
    return add(raw, QStringLiteral("Surround"), language, track.isDefault(), track.name());
  }

  // Adds `file` as the next track; only the first default track plays by default. Why not,
  // when MP4Box failed or the track is not in the output.
  std::optional<QString> add(const QString& file, const QString& addName, const QString& language,
                             bool isDefault, const QString& trackName) {
    const bool enabled = isDefault && enableNext_;
    if (enabled) enableNext_ = false;
    const ToolArguments arguments(QStringLiteral(" -add %@:name=%@:lang=%@:group=1%1%2 %@")
                                      .arg(delayPart_, enabled ? QString() : QStringLiteral(":disable")),
                                  {file, addName, language, output_});
    reportTo(c_.myreporter, arguments.text(), 4);
    const std::optional<QString> failed = runMP4Box(c_.mp4boxpath, arguments, c_.convideodata,
                                                    c_.conversiondirectory, c_.report, c_.myreporter);
    if (conversionStopped(media_)) return std::nullopt;
    if (failed) return failed;
    // A track that could not be added is absent; its name must not land on another track.
    const uint32_t added = lastTrackId(output_);
    if (added < trackNumber_) return QStringLiteral("%1 is not in %2").arg(file, output_);
    if (const Mp4Error named = setMP4TrackName(output_, added, trackName))
      reportTo(c_.myreporter,
               QStringLiteral("Naming track %1 failed: %2")
                   .arg(added)
                   .arg(QString::fromStdString(named.message())),
               3);
    trackNumber_ = added + 1;
    ++c_.addedaudiotracks;
    return std::nullopt;
  }

  ConversionState& c_;
  MediaFile& media_;
  int passindex_;
  QString output_;
  QString delayPart_;
  QString syncPart_;
  uint32_t trackNumber_ = 2;  // the video is track 1
  bool enableNext_ = true;
};

}  // namespace

std::optional<BCError> addAudioTracks(ConversionState& converter, int passindex, const QString& output) {
  converter.convideodata->setPassnumber(PassStage::Audio);
  AudioAdder adder(converter, passindex, output);
  if (auto exit = adder.delayVideo()) return exit;
  return adder.addAll();
}

}  // namespace zuvo
