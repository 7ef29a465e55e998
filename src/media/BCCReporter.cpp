#include "media/BCCReporter.h"

#include <syslog.h>

#include <QFile>
#include <QSaveFile>
#include <QTime>

#include "media/BCError.h"

namespace zuvo {
namespace {
constexpr char kScrambleByte = 0x5D;
}

std::shared_ptr<BCCReporter> BCCReporter::dummy() {
  auto r = std::make_shared<BCCReporter>();
  r->dummy_ = true;
  return r;
}

std::shared_ptr<BCCReporter> BCCReporter::logger() {
  auto r = std::make_shared<BCCReporter>();
  r->logger_ = true;
  return r;
}

std::shared_ptr<BCCReporter> BCCReporter::path(const QString& path) {
  auto r = std::make_shared<BCCReporter>();
  r->path_ = path;
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write("Creating Log File\n");
    file.commit();
  }
  return r;
}

QStringList BCCReporter::splitMessage(const QString& message) {
  const QStringList byLineFeed = message.split('\n');
  const QStringList byReturn = message.split('\r');
  return byReturn.size() > byLineFeed.size() ? byReturn : byLineFeed;
}

QByteArray BCCReporter::formatLine(const QString& line, quint32 level, const QString& timeWord,
                                   bool encrypt) {
  if (!encrypt) return QStringLiteral("%1 %2 %3\n").arg(level).arg(timeWord, line).toUtf8();
  QByteArray bytes = QStringLiteral("%1E %2 %3").arg(level).arg(timeWord, line).toUtf8();
  for (qsizetype i = 2; i < bytes.size(); ++i)
    if (bytes[i] != '\n') bytes[i] = static_cast<char>(bytes[i] ^ kScrambleByte);
  bytes.append('\n');
  return bytes;
}

void BCCReporter::report(const QString& message, quint32 level) {
  if (dummy_) return;
  if (logger_) {
    syslog(LOG_NOTICE, "%s", message.toUtf8().constData());
    return;
  }
  QMutexLocker guard(&reportlock_);
  for (const QString& line : splitMessage(message)) {
    const QString timeWord = QTime::currentTime().toString("HH:mm:ss");
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) continue;
    file.write(formatLine(line, level, timeWord, encrypt_));
  }
}

void BCCReporter::reportArray(const QStringList& list, quint32) {
  if (!logger_ || dummy_) return;
  syslog(LOG_NOTICE, "(%s)", list.join(", ").toUtf8().constData());
}

void reportIfFailed(const Reporter& log, const BCError& result, const QString& what, quint32 level) {
  if (log && result.Error())
    log->report(QStringLiteral("%1 failed: %2").arg(what, result.Description()), level);
}

}  // namespace zuvo
