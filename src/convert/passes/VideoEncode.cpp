#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {

// An encode shorter than this may have failed at once: its output is checked.
constexpr int kTooSoonMs = 5000;
constexpr qint64 kSmallestOutput = 10000;

// A run that ended within five seconds must have left a real file.
std::optional<BCError> tooSoonCheck(ConversionState& converter, const VideoPassArguments& pass,
                                    const QDeadlineTimer& deadline, const QString& line) {
  if (deadline.hasExpired()) return std::nullopt;
  reportTo(converter.myreporter, line, 3);
  const QFileInfo output(pass.outputPath());
  const BCError failure =
      BCError::Code(ConversionCode::VideoTrack, QStringLiteral("Unable to convert video track"));
  if (!output.exists())
    return failConversion(converter, failure,
                          {QStringLiteral("[RED]Output file missing, failing conversion."),
                           QStringLiteral("Canceling conversion.")});
  if (output.size() < kSmallestOutput)
    return failConversion(converter, failure,
                          {QStringLiteral("[RED]Output file less than 10k, failing conversion."),
                           QStringLiteral("Canceling conversion.")});
  return std::nullopt;
}

}  // namespace

bool conversionStopped(const MediaFile& media) {
  return media.state() == MediaState::Ended || media.stopbuttonpressed();
}

BCError failConversion(ConversionState& converter, const BCError& error, const QStringList& lines) {
  for (const QString& line : lines) reportTo(converter.myreporter, line, 3);
  converter.convideodata->setConversionfinished(false);
  converter.convideodata->setProgress(100);
  converter.convideodata->setState(MediaState::Ended);
  return error;
}

std::optional<BCError> encodeVideo(ConversionState& converter, const VideoPassArguments& pass) {
  const MediaFilePtr& media = converter.convideodata;
  if (pass.pass().quality == 3) {
    converter.reportBoth(QStringLiteral("Two Pass Encoding."),
                         QStringLiteral("Converting video with two passes"), 3);
    for (int number = 1; number <= 2; ++number) {
      converter.reportBoth(QStringLiteral("Two Pass Encoding - Pass %1").arg(number), 3);
      media->setTwopassnumber(number);
      ToolArguments arguments = pass.arguments();
      arguments.append(QStringLiteral(" -pass %1 ").arg(number));
      const QDeadlineTimer deadline(kTooSoonMs);
      const BCError result = runFFMpeg(converter.ffmpegpath, arguments, media, converter.conversiondirectory,
                                       converter.report, converter.myreporter);
      // A stop goes to the stop check, which also removes the half-made output.
      if (auto stopped = stopCheck(converter, pass, result)) return stopped;
      if (result.Error()) return failConversion(converter, result, {QStringLiteral("Canceling conversion.")});
      if (auto exit =
              tooSoonCheck(converter, pass, deadline,
                           QStringLiteral("Conversion finished too soon. Checking target file size.")))
        return exit;
    }
    return std::nullopt;
  }
  converter.reportBoth(QStringLiteral("Single Pass Encoding"),
                       QStringLiteral("Encoding video with a single pass"), 3);
  const QDeadlineTimer deadline(kTooSoonMs);
  const BCError result = runFFMpeg(converter.ffmpegpath, pass.arguments(), media,
                                   converter.conversiondirectory, converter.report, converter.myreporter);
  if (auto stopped = stopCheck(converter, pass, result)) return stopped;
  if (result.Error() && result.Code() != kToolFailedCode)
    return failConversion(converter, BCError::Code(ConversionCode::VideoTrack, result.Description()),
                          {QStringLiteral("Canceling conversion.")});
  if (auto exit = tooSoonCheck(converter, pass, deadline,
                               QStringLiteral("Conversion finished too soon. Checking target file size")))
    return exit;
  // A file of some size from an encoder that failed is still not the whole video.
  if (result.Error())
    return failConversion(
        converter,
        BCError::Code(ConversionCode::VideoTrack,
                      QStringLiteral("Unable to convert video track: %1").arg(result.Description())),
        {QStringLiteral("Canceling conversion.")});
  return std::nullopt;
}

BCError stoppedExit(ConversionState& converter, const BCError& result, const QString& output) {
  reportTo(converter.myreporter,
           QStringLiteral("[RED]Conversion failed either due to stop button press FFMPEG fail."), 3);
  converter.convideodata->setConversionfinished(false);
  converter.convideodata->setProgress(100);
  reportTo(converter.myreporter, QStringLiteral("Deleting Apple TV Version of File."), 3);
  QFile::remove(output);
  converter.report.itemChanged();
  // A stop never reads as success.
  return result.Error() ? result
                        : BCError::Code(ConversionCode::Stopped, QStringLiteral("Cancel Button Pressed"));
}

std::optional<BCError> stopCheck(ConversionState& converter, const VideoPassArguments& pass,
                                 const BCError& result) {
  if (!conversionStopped(*converter.convideodata)) return std::nullopt;
  reportTo(converter.myreporter,
           QStringLiteral("[RED]Conversion failed either due to stop button press FFMPEG fail."), 3);
  converter.convideodata->setConversionfinished(false);
  converter.convideodata->setProgress(100);
  reportTo(converter.myreporter, QStringLiteral("Deleting Apple TV Version of File."), 3);
  QFile::remove(QStringLiteral("%1/%2%3").arg(converter.conversiondirectory, converter.outboundname,
                                              converter.videotype));
  // The SD pass of a pair writes under another name; that half-made file goes too.
  QFile::remove(pass.outputPath());
  converter.report.itemChanged();
  // A stop never reads as success, even when the tool had ended before it.
  return result.Error() ? result
                        : BCError::Code(ConversionCode::Stopped, QStringLiteral("Cancel Button Pressed"));
}

}  // namespace zuvo
