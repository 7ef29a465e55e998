#include "app/controller/EmailLog.h"

#include <QFileInfo>
#include <QProcess>

#include "platform/Paths.h"

namespace zuvo {
namespace {
constexpr const char* kMainLogName = "log.bclog2";
constexpr const char* kMailProgram = "xdg-email";
constexpr const char* kSubject = "Support Log For User : ";
constexpr const char* kEmailed = "Zuvo log emailed to Kelvane Support";
constexpr quint32 kUserLogLevel = 3;
}  // namespace

QString mainLogPath() { return paths::applicationSupportFolder() + "/" + kMainLogName; }

void emailLog(const Reporter& userLog) {
  const QString log = mainLogPath();
  if (!QFileInfo(log).isFile()) return;
  // A mailto address carries no display name, so the recipient is the bare address.
  const QString program = paths::toolPath(kMailProgram);
  if (!program.isEmpty())
    QProcess::startDetached(program, {"--utf8", "--subject", kSubject, "--attach", log, kSupportAddress});
  userLog->report(QString::fromLatin1(kEmailed), kUserLogLevel);
}

}  // namespace zuvo
