#include "media/HelperInfo.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringDecoder>
#include <QStringList>

#include "media/StringHelpers.h"
#include "platform/RunLoop.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

constexpr const char* kInfoArguments = " -info 1 ";
constexpr const char* kFrameworkMarker = "Turbo 264 Framework Is Available";
constexpr const char* kDeviceMarker = "Turbo.264 Device is Available";
constexpr const char* kHDDeviceMarker = "Turbo.264 HD Device is Available";
constexpr const char* kVersionStart = "Framework Version :";
constexpr const char* kVersionEnd = "<<<";
constexpr int kOutputWaitMs = 10;

void report(const Reporter& reporter, const QString& message, quint32 level) {
  if (reporter) reporter->report(message, level);
}

}  // namespace

void examineHelperInfoLine(const QString& line, HelperInfo& info, const Reporter& reporter) {
  report(reporter, QStringLiteral("Helper264Info: %1").arg(line), 4);
  if (line.contains(QLatin1String(kFrameworkMarker))) info.FrameworkInstalled = true;
  if (line.contains(QLatin1String(kDeviceMarker))) info.DeviceAvailable = true;
  if (line.contains(QLatin1String(kHDDeviceMarker))) info.HDDeviceAvailable = true;
  if (line.contains(QLatin1String(kVersionStart))) {
    const std::optional<QString> version =
        StringBetween(line, QString::fromLatin1(kVersionStart), QString::fromLatin1(kVersionEnd));
    info.FrameworkVersion = version ? IntegerValue(*version) : 0;
  }
}

// The helper answers within a second; the time-out only keeps a hung one from holding the
// start-up for ever.
HelperInfo run264HelperInfo(const QString& helperPath, const QString& workingFolder, const Reporter& reporter,
                            double timeoutSeconds) {
  report(reporter, QStringLiteral("[BLUE]run264HelperInfo called"), 4);
  HelperInfo info;
  ToolProcess helper;
  if (helperPath.isEmpty() ||
      !helper.start({helperPath, SplitArguments(QString::fromLatin1(kInfoArguments)), workingFolder, {}})) {
    report(reporter,
           QStringLiteral("[RED]Zuvo264Helper is not installed or cannot be started: %1").arg(helperPath), 3);
    return info;
  }
  QStringDecoder utf8(QStringConverter::Utf8);
  QString pending;
  QDeadlineTimer deadline(qint64(timeoutSeconds * 1000));
  // Events keep flowing between short waits on the helper's output, so the wait ends as
  // soon as the helper has.
  while (true) {
    if (deadline.hasExpired()) {
      report(reporter, QStringLiteral("[RED]Zuvo264Helper did not answer in time; stopped"), 3);
      helper.terminate();
      break;
    }
    QCoreApplication::processEvents();
    pending += utf8.decode(helper.read(kOutputWaitMs));
    qsizetype newline;
    while ((newline = pending.indexOf('\n')) >= 0) {
      examineHelperInfoLine(pending.left(newline), info, reporter);
      pending.remove(0, newline + 1);
    }
    if (helper.atEnd() && runloop::waitUntil([&] { return !helper.isRunning(); },
                                             double(deadline.remainingTime()) / 1000, kOutputWaitMs))
      break;
  }
  if (!pending.isEmpty()) examineHelperInfoLine(pending, info, reporter);
  return info;
}

}  // namespace zuvo
