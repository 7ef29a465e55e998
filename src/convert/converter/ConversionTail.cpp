// What follows each pass's video encode (audio, subtitles, tags, destination) and what
// follows the last pass (the original file, the time taken, the success count, clean-up).
#include "convert/converter/ConversionTail.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <ctime>

#include "convert/converter/BCConverter.h"
#include "convert/converter/PictureLength.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "metadata/SaveMP4Tags.h"
#include "mp4/Mp4Box.h"
#include "mp4/Mp4File.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

constexpr qint64 kSmallestOutput = 10000;

uint64_t bigEndian(const Mp4Buffer& bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) value = value << 8 | bytes[at + i];
  return value;
}

// Where the track's last chunk starts; nothing when its chunk table cannot be read.
std::optional<uint64_t> lastChunkOffset(const Mp4Track& track) {
  for (const auto& [box, width] :
       {std::pair{"mdia.minf.stbl.stco", size_t(4)}, std::pair{"mdia.minf.stbl.co64", size_t(8)}}) {
    const Mp4Box* table = track.box().find(box);
    if (!table) continue;
    const Mp4Buffer& bytes = table->payload();
    if (bytes.size() < 8) return std::nullopt;
    const uint64_t count = bigEndian(bytes, 4, 4);
    if (count == 0) return 0;
    if (bytes.size() < 8 + count * width) return std::nullopt;
    return bigEndian(bytes, 8 + (count - 1) * width, width);
  }
  return std::nullopt;
}

QString seconds(double value) { return QString::number(value, 'f', 1); }

// Why `path` is not the pass's whole result; nothing when it is. A tool that died late
// leaves a file without its index, or none; one ended early a file that is complete but
// short, or lacks a sound track the item asked for: such a file is never tagged, moved or
// imported as if it were the conversion's result. `expected` is the source's picture, when
// its length is known.
std::optional<QString> outputFault(const BCConverter& converter, const QString& path,
                                   const std::optional<PictureLength>& expected) {
  const QString damaged = QStringLiteral("%1 is missing or damaged").arg(path);
  const qint64 size = QFileInfo(path).size();
  if (size < kSmallestOutput) return damaged;
  Mp4File file;
  if (file.open(QFile::encodeName(path).toStdString(), Mp4File::Mode::Read)) return damaged;
  std::optional<double> video;
  QList<double> audio;
  for (const Mp4Track& track : file.tracks()) {
    const std::optional<uint64_t> last = lastChunkOffset(track);
    if (!last || *last >= uint64_t(size)) return damaged;
    if (track.type() == "vide" && track.durationMs() > 0 && !video) video = track.durationMs() / 1000.0;
    if (track.type() == "soun") audio << track.durationMs() / 1000.0;
  }
  if (!video) return QStringLiteral("%1 holds no video").arg(path);
  const int wanted = converter.addedaudiotracks;
  if (audio.size() < wanted)
    return QStringLiteral("%1 holds %2 of its %3 audio tracks").arg(path).arg(audio.size()).arg(wanted);
  if (!expected) return std::nullopt;
  // An audio offset delays one side by that much.
  const double offset = std::fabs(double(converter.convideodata->audiosync()));
  if (!lastsAsLong(*video, *expected, offset))
    return QStringLiteral("the video of %1 lasts %2 s of the source's %3 s")
        .arg(path, seconds(*video), seconds(expected->seconds));
  if (wanted == 0) return std::nullopt;
  for (qsizetype i = 0; i < audio.size(); ++i)
    if (!lastsAsLong(audio[i], *expected, offset))
      return QStringLiteral("audio track %1 of %2 lasts %3 s of the source's %4 s")
          .arg(i + 1)
          .arg(path, seconds(audio[i]), seconds(expected->seconds));
  return std::nullopt;
}

// The length a pass's output must have; nothing to hold it to for a sample (a minute of the
// source) or a DVD title (HandBrakeCLI's own rip).
std::optional<PictureLength> expectedLength(const MediaFile& media) {
  if (media.isSample() || media.isDVD()) return std::nullopt;
  return sourcePictureLength(media);
}

BCError notWhole(BCConverter& converter, const QString& reason) {
  return failConversion(
      converter,
      BCError::Code(ConversionCode::VideoTrack,
                    QStringLiteral("Unable to convert video track: %1").arg(reason)),
      {QStringLiteral("[RED]Converted file is not whole: %1, failing conversion.").arg(reason),
       QStringLiteral("Canceling conversion.")});
}

}  // namespace

BCError BCConverter::FinishPass(int passindex) {
  MediaFile& media = *convideodata;
  videotype = QStringLiteral(".m4v");
  const QString output = QStringLiteral("%1/%2%3").arg(conversiondirectory, outboundname, videotype);
  if (passindex == 1) {
    const QString encoded = QStringLiteral("%1/%2.SD.mp4").arg(conversiondirectory, outboundname);
    QFile::remove(output);
    QFile::rename(encoded, output);
    if (!QFileInfo::exists(output))
      return failConversion(
          *this,
          BCError::Code(ConversionCode::PlacingFile,
                        QStringLiteral("Unable to rename file from %1 to %2").arg(encoded, output)),
          {QStringLiteral("[RED] Canceling conversion.")});
  }

  reportTo(report.userLog, QStringLiteral("Importing Audio"), 3);
  if (!(media.isDVD() && passindex == 0)) {
    if (auto exit = addAudioTracks(*this, passindex, output)) return *exit;
  }
  addSubtitleTracks(*this, passindex, output);

  const std::optional<PictureLength> expected = expectedLength(media);
  if (const std::optional<QString> fault = outputFault(*this, output, expected))
    return notWhole(*this, *fault);

  const uint8_t hd = hdFlagFor(media, passindex);
  media.setPassnumber(PassStage::BeforeTags);
  report.itemChanged();
  // An untagged file is not the result the user asked for, nor one the tag save left damaged.
  if (const BCError tags = saveMP4Tags(output, thiscnid, media, hd, myreporter); tags.Error())
    return failConversion(
        *this,
        BCError::Code(ConversionCode::WritingTags,
                      QStringLiteral("Unable to write the tags: %1").arg(tags.Description())),
        {QStringLiteral("[RED]Unable to write the tags: %1").arg(tags.Description()),
         QStringLiteral("Canceling conversion.")});
  if (const std::optional<QString> fault = outputFault(*this, output, expected))
    return notWhole(*this, *fault);
  media.setPassnumber(PassStage::AfterTags);
  report.itemChanged();

  // What was converted from a source that changed meanwhile is only part of it.
  if (auto exit = failIfSourceChanged(*this)) return *exit;
  if (auto exit = placeOutput(*this, passindex, output)) return *exit;
  return BCError::NoError();
}

BCError BCConverter::FinishConversion(const BCError& result) {
  MediaFile& media = *convideodata;
  if (!media.isSample() && !media.isDVD()) {
    if (auto exit = handleOriginalFile(*this)) return *exit;
  }
  media.setProgress(100);
  report.itemChanged();
  reportTo(myreporter, QStringLiteral("End Time is %1").arg(asctimeNow()), 4);
  const qint64 seconds = starttime.secsTo(QDateTime::currentDateTime());
  media.setConversiontime(double(seconds));
  reportTo(myreporter, QStringLiteral("Time taken for conversion was %1 minutes").arg(seconds / 60), 3);
  report.itemChanged();

  const ConversionFormat format = media.ConversionFormat();
  media.setPassnumber(format == ConversionFormat::HDOnly     ? PassStage::HDPass
                      : format == ConversionFormat::Original ? PassStage::OriginalPass
                                                             : PassStage::SDPass);
  media.setProgress(100);
  if (media.state() == MediaState::Converting) {
    media.setConversionfinished(true);
    Defaults& defaults = Defaults::standard();
    defaults.set(setting::SucessfulConversions, defaults.get(setting::SucessfulConversions) + 1);
  } else {
    media.setConversionfinished(false);
  }
  media.setState(MediaState::Ended);
  report.itemChanged();
  CleanUpConversionFiles();
  return result;
}

}  // namespace zuvo
