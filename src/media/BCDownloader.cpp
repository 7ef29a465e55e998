#include "media/BCDownloader.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace zuvo {
namespace {

const QString kDownloadingMessage = QStringLiteral("Downloading file %1 from URL %2");
const QString kStartMessage = QStringLiteral("Start!!");
const QString kEndMessage = QStringLiteral("End!!");
const QString kTimedOutMessage = QStringLiteral("Download timed out...");
const QString kFailedMessage = QStringLiteral("File download failed with error");
const QString kFailedDetailMessage = QStringLiteral("[RED] Download failed %1 %2");
const QString kHttpStatusDescription = QStringLiteral("HTTP status %1");

int milliseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<int>(std::min(seconds * 1000.0, double(INT_MAX)));
}

}  // namespace

void BCDownloader::report(const QString& message, quint32 level) const {
  if (myreporter_) myreporter_->report(message, level);
}

void BCDownloader::downloadFileFromURL(const QString& url, const QString& filename, double timeout) {
  filename_ = filename;
  if (url.trimmed().isEmpty()) return;
  report(kDownloadingMessage.arg(filename, url), 4);

  // The loop comes first: it gives a plain worker thread the event dispatcher that the
  // manager and the timer need. The manager belongs to this call and this thread, so
  // no reply outlives the wait and nothing can write the file after it. It has no proxy
  // of its own: the application's proxy settings apply, and those never route loopback
  // addresses through a proxy.
  QEventLoop loop;
  QNetworkAccessManager manager;
  receivedData_.clear();
  connection_ = manager.get(QNetworkRequest(QUrl(url)));
  QNetworkReply* reply = connection_;
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply] { didReceiveData(reply); });
  QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] { didFinishLoading(reply); });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  downloadInProgress_ = true;

  report(kStartMessage, 3);
  const QDeadlineTimer deadline(milliseconds(timeout), Qt::PreciseTimer);
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
  while (downloadInProgress_ && !deadline.hasExpired()) {
    wake.start(int(std::max<qint64>(1, deadline.remainingTime())));
    loop.exec();
  }

  report(kEndMessage, 3);
  if (!downloadInProgress_) return;
  report(kTimedOutMessage, 4);
  // Drop the late answer: the reply is no longer the current one, and aborting it
  // finishes it now, before the manager goes.
  connection_ = nullptr;
  reply->abort();
  receivedData_.clear();
  downloadInProgress_ = false;
}

void BCDownloader::didReceiveData(QNetworkReply* reply) {
  if (reply == connection_) receivedData_.append(reply->readAll());
}

void BCDownloader::didFinishLoading(QNetworkReply* reply) {
  if (reply != connection_) return;
  connection_ = nullptr;
  receivedData_.append(reply->readAll());
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() != QNetworkReply::NoError || status >= 400) {
    // An error page is no answer: a file would read as a good cache entry.
    const QString description = status >= 400 ? kHttpStatusDescription.arg(status) : reply->errorString();
    report(kFailedMessage, 4);
    report(kFailedDetailMessage.arg(description, reply->url().toString()), 3);
  } else {
    // Written whole or not at all. The file is new, so its modification date, which
    // the cache expiry reads, is now.
    QSaveFile file(filename_);
    if (file.open(QIODevice::WriteOnly) && file.write(receivedData_) == receivedData_.size()) file.commit();
  }
  receivedData_.clear();
  downloadInProgress_ = false;
}

}  // namespace zuvo
