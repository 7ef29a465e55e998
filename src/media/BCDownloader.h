#pragma once
// Fetches one URL into one file while the calling thread waits. The wait runs the
// calling thread's events, so it serves the GUI thread (which stays live) and worker
// threads alike. Callers judge success by the presence of the file: only a complete
// answer with a success status is ever written, atomically.
#include <QByteArray>
#include <QString>

#include "media/BCCReporter.h"

class QNetworkReply;

namespace zuvo {

class BCDownloader {
 public:
  static constexpr double kDefaultTimeout = 30;

  // Returns when the answer is in or `timeout` seconds have passed. A failure, an
  // HTTP error status or a time-out writes no file; an answer arriving after the
  // time-out is dropped.
  void downloadFileFromURL(const QString& url, const QString& filename, double timeout = kDefaultTimeout);

  const Reporter& myreporter() const { return myreporter_; }
  void setMyreporter(const Reporter& reporter) { myreporter_ = reporter; }
  bool downloadInProgress() const { return downloadInProgress_; }
  void setDownloadInProgress(bool inProgress) { downloadInProgress_ = inProgress; }

 private:
  void didReceiveData(QNetworkReply* reply);
  void didFinishLoading(QNetworkReply* reply);
  void report(const QString& message, quint32 level) const;

  Reporter myreporter_;
  bool downloadInProgress_ = false;
  QNetworkReply* connection_ = nullptr;  // the reply being received, owned by its manager
  QByteArray receivedData_;
  QString filename_;
};

}  // namespace zuvo
