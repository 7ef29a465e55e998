#include <QFile>
#include <QFileInfo>

#include "convert/passes/PassSteps.h"
#include "convert/passes/VideoCopyArguments.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"

namespace zuvo {
namespace {

constexpr qint64 kLargestFailedRewrap = 9999;

// The helper's export preset for the pass; empty leaves the option out, which the helper
// reads as preset 0.
QString presetOption(const ConversionState& converter, int passindex, ConversionFormat format,
                     const Reporter& reporter) {
  const HelperInfo& info = converter.Turbo264Info;
  const QString base =
      info.FrameworkVersion == 0 ? QStringLiteral(" -preset 0 ") : QStringLiteral(" -preset 2 ");
  if (passindex == 1 || format == ConversionFormat::SDOnly) return base;
  const Defaults& defaults = Defaults::standard();
  if (info.HDDeviceAvailable) {
    if (defaults.get(setting::SupportAppleTV)) {
      reportTo(reporter, QStringLiteral("TurboHD is available and Apple TV so using Apple TV preset"), 4);
      return QStringLiteral(" -preset 3 ");
    }
    if (defaults.get(setting::SupportAppleTV2)) {
      reportTo(reporter, QStringLiteral("TurboHD is available and Apple TV 2 so using iPad preset"), 4);
      return QStringLiteral(" -preset 4 ");
    }
    reportTo(reporter, QStringLiteral("TurboHD is available and no devices selected so using 1080P"), 4);
    return QStringLiteral(" -preset 9 ");
  }
  reportTo(reporter, QStringLiteral("The best we can do with the old Turbo264 is Apple TV"), 4);
  return info.FrameworkVersion == 0 ? QStringLiteral(" -preset 3 ") : QString();
}

}  // namespace

bool PassSteps::EncodeTurbo264(int passindex) {
  if (!Defaults::standard().get(setting::EnableTurbo264) || !Turbo264Info.DeviceAvailable) return false;
  const MediaFilePtr& media = convideodata;
  const int stage = media->passnumber();
  media->setPassnumber(PassStage::HardwarePreparation);

  reportTo(myreporter,
           soundexported ? QStringLiteral("[BLUE]Changing container for Turbo 264 without Audio")
                         : QStringLiteral("[BLUE]Changing container for Turbo 264 with Audio"),
           3);
  reportTo(report.userLog, QStringLiteral("Changing video container to supoprt Turbo 264"), 3);
  const QStringList rewrapValues{conversiondirectory, outboundname, videotype};
  // The rewrapped file, not the exit status, is judged.
  (void)runFFMpeg(ffmpegpath, videoCopyArguments(*this, QStringLiteral("\"%@/%@Turbo%@\""), rewrapValues),
                  media, conversiondirectory, report, myreporter);

  const ConversionFormat format = media->ConversionFormat();
  const bool sdExport = passindex == 1 || format == ConversionFormat::SDOnly;
  media->setPassnumber(sdExport ? PassStage::HardwareSDExport : PassStage::HardwareHDExport);

  bool exported = false;
  const QString rewrapped = QStringLiteral("%1/%2Turbo%3").arg(conversiondirectory, outboundname, videotype);
  const QFileInfo rewrap(rewrapped);
  if (!rewrap.exists()) {
    // Nothing to export: the regular encode follows without a word.
  } else if (rewrap.size() <= kLargestFailedRewrap) {
    reportBoth(QStringLiteral("[RED]File too small after changing container reverting to FULL mode"),
               QStringLiteral("Turbo 264 conversion failed, reverting to a regular conversion"), 3);
    media->setFastmode(false);
  } else if (conversionStopped(*media)) {
    // Stopped during the rewrap: the stop check after the pass ends the conversion.
    QFile::remove(rewrapped);
    exported = true;
  } else {
    const bool sdOfPair = format == ConversionFormat::HDAndSD && passindex == 1;
    const QString outputTemplate =
        sdOfPair ? QStringLiteral(" -output \"%@/%@.SD%@\"") : QStringLiteral(" -output \"%@/%@%@\"");
    ToolArguments arguments(QStringLiteral(" -input \"%@/%@Turbo%@\""), rewrapValues);
    arguments.append(outputTemplate, rewrapValues);
    arguments.append(presetOption(*this, passindex, format, myreporter));
    arguments.append(soundexported ? QStringLiteral(" -keepaudio NO ") : QStringLiteral(" -keepaudio YES "));
    const QString exportedFile = (sdOfPair ? QStringLiteral("%1/%2.SD%3") : QStringLiteral("%1/%2%3"))
                                     .arg(conversiondirectory, outboundname, videotype);
    // What a failed pass-through left there must not pass for the export.
    QFile::remove(exportedFile);
    exported = run264Helper(paths::toolPath(QString::fromLatin1(tools::kHelper264)), arguments, media,
                            conversiondirectory, report, myreporter);
    QFile::remove(rewrapped);
    // A helper that said no error but wrote nothing (no framework after all) exported nothing.
    if (exported && !conversionStopped(*media) && QFileInfo(exportedFile).size() <= kLargestFailedRewrap) {
      reportTo(myreporter,
               QStringLiteral("[RED]Turbo 264 export left no file, reverting to a regular conversion"), 3);
      exported = false;
    }
    // The helper kept no sound; its file's second track is dropped for the exported audio.
    if (exported && soundexported)
      runMP4Box(mp4boxpath, ToolArguments(QStringLiteral(" -rem 2 \"%@\""), {exportedFile}), media,
                conversiondirectory, report, myreporter);
  }
  media->setPassnumber(stage);
  return exported;
}

}  // namespace zuvo
