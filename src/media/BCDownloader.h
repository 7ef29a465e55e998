#pragma once
// Fetches one URL into one file while the calling thread waits. The wait runs the
// calling thread's events, so it serves the GUI thread (which stays live) and worker
// threads alike. Callers judge success by the presence of the file: only a complete
// answer with a success status, within its time and size, is ever written, atomically.
// The answer goes to the file as it arrives, so a large one never sits in memory.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <memory>
#include <optional>

#include "media/BCCReporter.h"

class QNetworkReply;
class QSaveFile;

namespace zuvo {

// How a download came out, in the user's words: a look-up says with it which service it
// asked and why that gave no answer.
struct DownloadOutcome {
  QString service;  // who was asked: "TVmaze", "www.example.com"
  QString failure;  // why there is no answer ("could not connect", "timed out"); empty when it answered
};
// Every download of a thread notes its outcome; the look-up takes them when it posts
// whether its service answered.
void noteDownloadOutcome(const DownloadOutcome& outcome);
struct DownloadOutcomes {
  std::optional<DownloadOutcome> first;         // the first download since the last take
  std::optional<DownloadOutcome> firstFailure;  // the first one that gave no answer
};
DownloadOutcomes takeDownloadOutcomes();

class BCDownloader {
 public:
  static constexpr double kDefaultTimeout = 30;
  // The most an answer of each kind may hold; a larger one is no answer of that kind.
  static constexpr qint64 kMostAnswerBytes = 16 * 1024 * 1024;  // the services' text answers
  static constexpr qint64 kMostImageBytes = 32 * 1024 * 1024;   // artwork
  static constexpr qint64 kMostNewsBytes = 1024 * 1024;         // the news page

  // Only http and https addresses are fetched: an answer may name any address, and a
  // local file (or a FIFO that never ends) is nothing a download may read.
  static bool fetchable(const QString& url);

  BCDownloader();
  ~BCDownloader();

  // Returns when the answer is in, `timeout` seconds have passed or the answer has grown
  // past `mostBytes`. A failure, an HTTP error status, a time-out or an answer too large
  // writes no file; nothing is written after the call has returned.
  void downloadFileFromURL(const QString& url, const QString& filename, double timeout = kDefaultTimeout,
                           qint64 mostBytes = kMostAnswerBytes);

  const Reporter& myreporter() const { return myreporter_; }
  void setMyreporter(const Reporter& reporter) { myreporter_ = reporter; }
  bool downloadInProgress() const { return downloadInProgress_; }
  void setDownloadInProgress(bool inProgress) { downloadInProgress_ = inProgress; }

 private:
  void didReceiveData(QNetworkReply* reply);
  void didFinishLoading(QNetworkReply* reply);
  // Takes what has arrived into the file; false (and the download given up) when the
  // time is up, the answer too large or the file cannot take it.
  bool take(QNetworkReply* reply);
  void giveUp(const QString& reason, const QString& failure);
  void report(const QString& message, quint32 level) const;

  Reporter myreporter_;
  bool downloadInProgress_ = false;
  QNetworkReply* connection_ = nullptr;  // the reply being received, owned by its manager
  std::unique_ptr<QSaveFile> receivedData_;
  qint64 received_ = 0;
  qint64 mostBytes_ = kMostAnswerBytes;
  QDeadlineTimer deadline_;
  QString filename_;
  QString failure_;  // in the user's words, for the download's outcome
};

}  // namespace zuvo
