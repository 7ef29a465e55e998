#include "tools/common/FfmpegChild.h"

#include <algorithm>
#include <csignal>

#include "platform/ToolProcess.h"
#include "tools/ffmpeg/RealFfmpeg.h"

namespace zuvo::tools {

namespace {
volatile std::sig_atomic_t stopFlag = 0;
void onStop(int) { stopFlag = 1; }
constexpr int kPollMs = 100;
}  // namespace

QString systemFfmpeg() { return QString::fromLocal8Bit(ffmpeg::locateRealFfmpeg()); }

void catchStopRequests() {
  struct sigaction action {};
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool stopRequested() { return stopFlag != 0; }

FfmpegResult runFfmpeg(const QStringList& arguments, const std::function<void(const QString&)>& onLine) {
  FfmpegResult result;
  ToolProcess process;
  result.started =
      process.start({systemFfmpeg(), QStringList{"-nostdin", "-hide_banner"} + arguments, {}, {}});
  if (!result.started) return result;
  QByteArray pending;
  while (!process.atEnd()) {
    if (stopRequested()) {
      process.terminate();
      result.stopped = true;
      return result;
    }
    pending += process.read(kPollMs);
    for (;;) {
      // Progress lines end in CR, messages in LF: whichever comes first ends the line.
      const qsizetype lf = pending.indexOf('\n'), cr = pending.indexOf('\r');
      if (lf < 0 && cr < 0) break;
      const qsizetype end = lf < 0 ? cr : cr < 0 ? lf : std::min(lf, cr);
      const QString line = QString::fromUtf8(pending.left(end));
      pending.remove(0, end + 1);
      result.output += line + '\n';
      if (onLine && !line.isEmpty()) onLine(line);
    }
  }
  if (!pending.isEmpty()) {
    result.output += QString::fromUtf8(pending);
    if (onLine) onLine(QString::fromUtf8(pending));
  }
  result.exitStatus = process.waitForExit();
  return result;
}

double ffmpegSeconds(const QString& time) {
  const QStringList parts = time.trimmed().split(':');
  if (parts.size() != 3) return -1;
  bool okH = false, okM = false, okS = false;
  const double h = parts[0].toDouble(&okH), m = parts[1].toDouble(&okM), s = parts[2].toDouble(&okS);
  if (!okH || !okM || !okS || h < 0 || m < 0 || s < 0) return -1;
  return h * 3600 + m * 60 + s;
}

}  // namespace zuvo::tools
