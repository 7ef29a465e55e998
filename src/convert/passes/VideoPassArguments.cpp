#include "convert/passes/VideoPassArguments.h"

#include <QRegularExpression>
#include <cmath>
#include <utility>

#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

// The SD pass of a pair and the "original" format encode for every player: baseline.
constexpr const char* kBaseline =
    "-flags +loop -cmp +chroma -partitions +parti4x4+partp8x8+partb8x8 -me_method umh -subq 5 -trellis 1 "
    "-refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 "
    "-rc_eq 'blurCplx^(1-qComp)' -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 30 ";

struct QualityOptions {
  int quality;
  const char* log;
  const char* options;
};
// The three quality strings end with the -flags2 list, which "+bpyramid" may continue.
constexpr QualityOptions kQualities[] = {
    {3, "Encoding at Highest quality",
     " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 7 "
     "-me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10 "
     "-qmax 51 -qdiff 4 -bf 3 -refs 4 -directpred 3 -bidir_refine 1 -trellis 1 "
     "-flags2 +wpred+mixed_refs+fastpskip+dct8x8"},
    {2, "Encoding at High quality",
     " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method umh -subq 7 "
     "-me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10 "
     "-qmax 51 -qdiff 4 -bf 2 -refs 4 -directpred 3 -bidir_refine 1 -trellis 1 "
     "-flags2 +wpred+mixed_refs+fastpskip+dct8x8"},
    {1, "Encoding at Normal quality",
     " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 6 "
     "-me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10 "
     "-qmax 51 -qdiff 4 -bf 2 -refs 2 -directpred 3 -bidir_refine 1 -trellis 0 -flags2 "
     "+wpred+fastpskip+dct8x8"},
};
constexpr QualityOptions kOriginalQuality = {
    4, "Encoding at Original quality",
    " -g 250 -keyint_min 25 -sc_threshold 40 -bf 16 -coder 1 -refs 6 -flags +loop -deblockalpha 0 "
    "-deblockbeta 0 -qmin 10 -qmax 51 -qdiff 4 -rc_eq 'blurCplx^(1-qComp)' -qcomp 0.60 "};

// The cap as the "-b" value: the setting's text with "M".
PassBitrate maximum(const QString& capText) {
  return {capText.trimmed() + QLatin1Char('M'), static_cast<int>(std::lround(leadingNumber(capText) * 1000))};
}

}  // namespace

double leadingNumber(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
  const QRegularExpressionMatch match = number.match(text);
  return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0;
}

int passQuality(const MediaFile& media) {
  return media.forcequality() != 0 ? media.forcequality()
                                   : Defaults::standard().get(setting::EncodingQuality);
}

PassBitrate cappedBitrate(const MediaFile& media, const QString& capText, const Reporter& reporter,
                          const Reporter& userLog) {
  const double source = leadingNumber(media.myvideotrack().bitrate());
  if (source <= 0) {
    reportBoth(reporter, userLog, QStringLiteral("Unknown file bit rate so going with max"), 3);
    return maximum(capText);
  }
  const double share = Defaults::standard().getAs<double>(setting::PercentageBitrate) / 100 * source;
  if (share >= leadingNumber(capText) * 1000) {
    reportBoth(
        reporter, userLog,
        QStringLiteral("Source file multiplied by % bitrate is higher than maximum allowed bitrate so going "
                       "with max"),
        3);
    return maximum(capText);
  }
  const int kbps = static_cast<int>(share);
  reportBoth(reporter, userLog,
             QStringLiteral("File bit rate mutiplied by % is lower then maximum so going with a value of %1")
                 .arg(kbps),
             3);
  return {QStringLiteral("%1k").arg(kbps), kbps};
}

VideoPassArguments::VideoPassArguments(MediaFilePtr media, VideoPass pass, Reporter reporter,
                                       Reporter userLog)
    : media_(std::move(media)),
      pass_(std::move(pass)),
      reporter_(std::move(reporter)),
      userLog_(std::move(userLog)) {}

bool VideoPassArguments::sdOfPair() const {
  return pass_.format == ConversionFormat::HDAndSD && pass_.passindex == 1;
}

void VideoPassArguments::appendSize(const VideoTrack& video, int width, int height) {
  arguments_.append(QStringLiteral(" -s %1x%2 ").arg(width).arg(height));
  // ffmpeg turns the picture upright and then scales it; sides rounded to even numbers
  // would leave the pixels a little off square (-aspect cannot say 203:360 exactly).
  if (video.isTurnedSideways() && !media_->force169())
    arguments_.append(QStringLiteral(" -vf scale=%1:%2,setsar=1 ").arg(width).arg(height));
}

void VideoPassArguments::startAndSize() {
  arguments_.append(QStringLiteral(" -y -v 5 "));
  arguments_.append(QStringLiteral(" -i \"%@\" "), {pass_.source});
  arguments_.append(QStringLiteral(" -threads %1 -f mp4 ").arg(pass_.threads));
  arguments_.append(QStringLiteral(" -vcodec libx264 "));
  if (media_->state() != MediaState::Converting) return;

  Defaults& defaults = Defaults::standard();
  const VideoTrack video = media_->myvideotrack();
  QString capText = defaults.get(setting::HDBitrate2);
  if (sdOfPair()) {
    reportBoth(reporter_, userLog_, QStringLiteral("[BLUE]Pass is SD pass of HD/SD"),
               QStringLiteral("Conversion pass is SD pass of HD/SD"), 3);
    media_->setPassnumber(PassStage::SDPass);
    media_->setProgress(0);
    arguments_ =
        ToolArguments(QStringLiteral(" -i \"%@\" -y -v 5 -threads %1").arg(pass_.threads), {pass_.source});
    appendSize(video, video.SDWidth(), video.SDHeight());
    arguments_.append(QStringLiteral(" -vcodec libx264 "));
    capText = defaults.get(setting::SDBitrate2);
    bitrate_ = maximum(capText);
  } else {
    if (pass_.format == ConversionFormat::Original) {
      media_->setPassnumber(PassStage::OriginalPass);
      appendSize(video, int(video.width()), int(video.height()));
    } else {
      const bool sdOnly = pass_.format == ConversionFormat::SDOnly;
      media_->setPassnumber(sdOnly ? PassStage::SDPass : PassStage::HDPass);
      const char* kind = pass_.format == ConversionFormat::HDOnly ? "HD format only"
                         : sdOnly                                 ? "SD format only"
                                                                  : "HD pass of HD/SD";
      reportBoth(reporter_, userLog_, QStringLiteral("[BLUE]Pass is %1").arg(QLatin1StringView(kind)),
                 QStringLiteral("Conversion pass is %1").arg(QLatin1StringView(kind)), 3);
      if (sdOnly)
        appendSize(video, video.SDWidth(), video.SDHeight());
      else
        appendSize(video, video.HDWidth(), video.HDHeight());
    }
    if (media_->force169()) arguments_.append(QStringLiteral(" -aspect 16:9 "));
    bitrate_ = cappedBitrate(*media_, capText, reporter_, userLog_);
  }
  arguments_.append(QStringLiteral(" -b %@ "), {bitrate_.text});
  arguments_.append(QStringLiteral(" -bt %@ "), {bitrate_.text});
  arguments_.append(QStringLiteral(" -maxrate %@M -bufsize 2M "), {capText.trimmed()});
}

void VideoPassArguments::frameRate() {
  Defaults& defaults = Defaults::standard();
  const VideoTrack video = media_->myvideotrack();
  if (defaults.get(setting::SupportAppleTV) && (video.height() > 540 || video.width() > 960)) {
    reportBoth(reporter_, userLog_,
               QStringLiteral("Apple TV 1 and height > 540 so changing to a frame rate of 24"),
               QStringLiteral("Frame rate set to 24 to support Apple TV 1"), 4);
    arguments_.append(QStringLiteral(" -r 24 "));
    return;
  }
  const QString type = defaults.get(setting::FrameRateType);
  if (type == QLatin1String("As Source")) {
    const QString rate = video.framerate().section(QStringLiteral("fps"), 0, 0).trimmed();
    // An unknown rate would leave -r without its value; left out, ffmpeg keeps the source's.
    if (leadingNumber(rate) > 0) arguments_.append(QStringLiteral(" -r %@ "), {rate});
    reportBoth(reporter_, userLog_, QStringLiteral("Frame rate set to same as source file %1 fps").arg(rate),
               4);
  } else if (type == QLatin1String("PAL")) {
    arguments_.append(QStringLiteral(" -r pal "));
    reportBoth(reporter_, userLog_, QStringLiteral("Frame rate set to PAL"), 4);
  } else if (type == QLatin1String("24")) {
    arguments_.append(QStringLiteral(" -r 24 "));
    reportBoth(reporter_, userLog_, QStringLiteral("Frame rate set to 24"), 4);
  } else {
    arguments_.append(QStringLiteral(" -r ntsc "));
    reportBoth(reporter_, userLog_, QStringLiteral("Defaulting Frame Rate to NTSC"), 4);
  }
}

void VideoPassArguments::x264Options() {
  if (sdOfPair() || pass_.format == ConversionFormat::Original) {
    arguments_.append(QLatin1StringView(kBaseline));
    return;
  }
  const QualityOptions* chosen = &kOriginalQuality;
  for (const QualityOptions& quality : kQualities)
    if (quality.quality == pass_.quality) chosen = &quality;
  reportTo(reporter_, QLatin1StringView(chosen->log), 4);
  QString options = QLatin1StringView(chosen->options);
  Defaults& defaults = Defaults::standard();
  if (defaults.get(setting::SupportAppleTV) || pass_.quality == 4) {
    reportBoth(reporter_, userLog_, QStringLiteral("Apple TV 1 support required so disabling CABAC"), 3);
    options += QStringLiteral(" -coder 0 ");
  } else {
    reportTo(reporter_,
             defaults.get(setting::SupportAppleTV2)
                 ? QStringLiteral("No Apple TV 1 support so enabling bpyramid and CABAC")
                 : QStringLiteral("No Apple TV 1 or Apple TV 2 support so enabling bpyramid and CABAC"),
             3);
    options += QStringLiteral("+bpyramid  -coder 1 ");
  }
  arguments_.append(options);
}

void VideoPassArguments::sound() {
  if (pass_.soundexported) {
    // The exported sound is laid against the first picture, so the picture starts at zero:
    // ffmpeg would otherwise pad a video that starts after the file with repeated frames.
    arguments_.append(QStringLiteral(" -an -vf setpts=PTS-STARTPTS "));
  } else if (pass_.passindex == 0) {
    arguments_.append(QStringLiteral("%1 -ab %2k -ar 48000 -ac 2 %3 ")
                          .arg(pass_.audiocodec, QString::number(pass_.audiobitrate), pass_.sampleOptions));
  } else {
    arguments_.append(
        QStringLiteral("%1 -ar 48000 -ac 2 -ab 128k %2 ").arg(pass_.audiocodec, pass_.sampleOptions));
  }
}

void VideoPassArguments::finish() {
  frameRate();
  Defaults& defaults = Defaults::standard();
  if (defaults.get(setting::Deinterlace)) arguments_.append(QStringLiteral(" -deinterlace "));
  if (media_->audiosync() == 0 && media_->ForceVideoSync()) arguments_.append(QStringLiteral(" -vsync 2 "));
  if (media_->noisereduction() != 0)
    arguments_.append(QStringLiteral(" -nr %1 ").arg(media_->noisereduction()));
  x264Options();
  if (media_->isSample()) arguments_.append(pass_.sampleOptions);
  sound();
  pass_.videotype = pass_.passindex == 0 ? QStringLiteral(".m4v") : QStringLiteral(".mp4");
  arguments_.append(QStringLiteral("\"%@\""), {outputPath()});
}

QString VideoPassArguments::outputPath() const {
  return sdOfPair() ? QStringLiteral("%1/%2.SD%3").arg(pass_.workFolder, pass_.baseName, pass_.videotype)
                    : QStringLiteral("%1/%2%3").arg(pass_.workFolder, pass_.baseName, pass_.videotype);
}

}  // namespace zuvo
