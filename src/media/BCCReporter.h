#pragma once
// The log writer. Every component reports to the main log; the controller and the
// conversion steps also write user-facing events to the user log.
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>

namespace zuvo {

class BCCReporter {
 public:
  // Discards everything (logging switched off).
  static std::shared_ptr<BCCReporter> dummy();
  // Writes each message whole to the system log.
  static std::shared_ptr<BCCReporter> logger();
  // A file writer; the file starts afresh with "Creating Log File".
  static std::shared_ptr<BCCReporter> path(const QString& path);

  void report(const QString& message, quint32 level);
  void reportArray(const QStringList& list, quint32 level);

  bool encrypt() const { return encrypt_; }
  void setEncrypt(bool encrypt) { encrypt_ = encrypt; }
  const QString& path() const { return path_; }
  void setPath(const QString& path) { path_ = path; }
  bool isDummy() const { return dummy_; }
  void setDummy(bool dummy) { dummy_ = dummy; }
  bool isLogger() const { return logger_; }
  void setLogger(bool logger) { logger_ = logger; }

  // The stored bytes of one line, as the file writer appends them.
  static QByteArray formatLine(const QString& line, quint32 level, const QString& timeWord, bool encrypt);
  // The pieces a message is written as: split at line feed, or at carriage return
  // when that gives more pieces.
  static QStringList splitMessage(const QString& message);

  BCCReporter() = default;

 private:
  QString path_;
  bool encrypt_ = false;
  bool dummy_ = false;
  bool logger_ = false;
  QMutex reportlock_;
};

using Reporter = std::shared_ptr<BCCReporter>;

class BCError;
// Logs a failure that the caller goes on past ("<what> failed: <description>"), so that no
// result is dropped unseen; nothing for a success or without a log writer.
void reportIfFailed(const Reporter& log, const BCError& result, const QString& what, quint32 level = 4);

}  // namespace zuvo
