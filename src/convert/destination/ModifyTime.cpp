// Giving the converted file the original's modification time.
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <cstring>

#include "convert/converter/BCConverter.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {

void BCConverter::RestoreOriginalModifyTimeForOutputFilePath(const QString& outputPath) {
  if (!Defaults::standard().get(setting::PreserveOriginalFileModifyTime)) return;
  reportBoth(QStringLiteral("[BLUE]Changing Time Modified back to the same value as the Source File"),
             QStringLiteral("Changing Time Modified back to the same value as the Source File"), 4);
  const QByteArray original = QFile::encodeName(convideodata->fullpath());
  struct stat source {};
  if (original.isEmpty() || ::stat(original.constData(), &source) != 0) {
    reportTo(
        myreporter,
        QStringLiteral("[RED]Unable to set time stamp to original as original file doesn't exist or is DVD"),
        3);
    return;
  }
  // Linux keeps no settable creation time: the modification time is what file managers and
  // media servers sort by. The access time is left alone.
  const timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
  if (::utimensat(AT_FDCWD, QFile::encodeName(outputPath).constData(), times, 0) != 0)
    reportTo(myreporter,
             QStringLiteral("[RED]Unable to set the time stamp of %1: %2")
                 .arg(outputPath, QString::fromLocal8Bit(strerror(errno))),
             3);
}

}  // namespace zuvo
