#include "media/BCDownloader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <utility>

#include "platform/RunLoop.h"

namespace zuvo {
namespace {

const QString kDownloadingMessage = QStringLiteral("Downloading file %1 from URL %2");
const QString kStartMessage = QStringLiteral("Start!!");
const QString kEndMessage = QStringLiteral("End!!");
const QString kTimedOutMessage = QStringLiteral("Download timed out...");
const QString kQuittingMessage = QStringLiteral("Download stopped: Zuvo is quitting");
const QString kFailedMessage = QStringLiteral("File download failed with error");
const QString kFailedDetailMessage = QStringLiteral("[RED] Download failed %1 %2");
const QString kHttpStatusDescription = QStringLiteral("HTTP status %1");
const QString kTooLargeMessage =
    QStringLiteral("[RED] Download of %1 stopped: the answer is larger than %2 bytes");
const QString kNotFetchedMessage =
    QStringLiteral("[RED] Not fetched (only http and https addresses are): %1");
const QString kCannotWriteMessage = QStringLiteral("[RED] Download failed cannot write %1 : %2");
const QString kTimedOut = QStringLiteral("timed out");
const QString kCouldNotConnect = QStringLiteral("could not connect");
const QString kAnsweredError = QStringLiteral("answered with error %1");
const QString kAnswerTooLarge = QStringLiteral("sent too large an answer");
const QString kNotSaved = QStringLiteral("its answer could not be saved");
// What the network layer may hold before it is taken into the file.
constexpr qint64 kReadBufferBytes = 256 * 1024;

int milliseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<int>(std::min(seconds * 1000.0, double(INT_MAX)));
}

thread_local DownloadOutcomes outcomes;

}  // namespace

void noteDownloadOutcome(const DownloadOutcome& outcome) {
  if (!outcomes.first) outcomes.first = outcome;
  if (!outcomes.firstFailure && !outcome.failure.isEmpty()) outcomes.firstFailure = outcome;
}

DownloadOutcomes takeDownloadOutcomes() { return std::exchange(outcomes, DownloadOutcomes()); }

bool BCDownloader::fetchable(const QString& url) {
  const QUrl address(url.trimmed());
  const QString scheme = address.scheme().toLower();
  return address.isValid() && !address.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

BCDownloader::BCDownloader() = default;
BCDownloader::~BCDownloader() = default;

void BCDownloader::report(const QString& message, quint32 level) const {
  if (myreporter_) myreporter_->report(message, level);
}

void BCDownloader::downloadFileFromURL(const QString& url, const QString& filename, double timeout,
                                       qint64 mostBytes) {
  filename_ = filename;
  if (url.trimmed().isEmpty()) return;
  if (!fetchable(url)) {
    report(kNotFetchedMessage.arg(url), 3);
    return;
  }
  report(kDownloadingMessage.arg(filename, url), 4);
  failure_.clear();
  // However the wait ends, the look-up can say why there is no answer.
  const auto publish = qScopeGuard([this, &url] { noteDownloadOutcome({QUrl(url).host(), failure_}); });

  // The loop comes first: it gives a plain worker thread the event dispatcher that the
  // manager and the timer need. The manager belongs to this call and this thread, so
  // no reply outlives the wait and nothing can write the file after it. It has no proxy
  // of its own: the application's proxy settings apply, and those never route loopback
  // addresses through a proxy.
  QEventLoop loop;
  QNetworkAccessManager manager;
  receivedData_.reset();
  received_ = 0;
  mostBytes_ = mostBytes;
  deadline_ = QDeadlineTimer(milliseconds(timeout), Qt::PreciseTimer);
  connection_ = manager.get(QNetworkRequest(QUrl(url)));
  QNetworkReply* reply = connection_;
  reply->setReadBufferSize(kReadBufferBytes);
  // A length announced beyond the limit ends the download before anything arrives.
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (reply == connection_ && length.isValid() && length.toLongLong() > mostBytes_)
      giveUp(kTooLargeMessage.arg(reply->url().toString()).arg(mostBytes_), kAnswerTooLarge);
  });
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply] { didReceiveData(reply); });
  QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] { didFinishLoading(reply); });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  downloadInProgress_ = true;

  report(kStartMessage, 3);
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
  bool leaving = false;
  while (downloadInProgress_ && !deadline_.hasExpired()) {
    wake.start(int(std::max<qint64>(1, deadline_.remainingTime())));
    // Without a loop the answer cannot arrive: the program is quitting.
    if (!runloop::serve(loop)) {
      leaving = true;
      break;
    }
  }

  report(kEndMessage, 3);
  if (!downloadInProgress_) return;
  // Drop the late answer: the reply is no longer the current one, and aborting it
  // finishes it now, before the manager goes.
  giveUp(leaving ? kQuittingMessage : kTimedOutMessage, kTimedOut);
}

bool BCDownloader::take(QNetworkReply* reply) {
  // Checked with every piece, as a steady stream may keep the wait from waking.
  if (deadline_.hasExpired()) {
    giveUp(kTimedOutMessage, kTimedOut);
    return false;
  }
  if (received_ + reply->bytesAvailable() > mostBytes_) {
    giveUp(kTooLargeMessage.arg(reply->url().toString()).arg(mostBytes_), kAnswerTooLarge);
    return false;
  }
  const QByteArray piece = reply->readAll();
  if (piece.isEmpty()) return true;
  if (!receivedData_) {
    receivedData_ = std::make_unique<QSaveFile>(filename_);
    if (!receivedData_->open(QIODevice::WriteOnly)) {
      giveUp(kCannotWriteMessage.arg(filename_, receivedData_->errorString()), kNotSaved);
      return false;
    }
  }
  if (receivedData_->write(piece) != piece.size()) {
    giveUp(kCannotWriteMessage.arg(filename_, receivedData_->errorString()), kNotSaved);
    return false;
  }
  received_ += piece.size();
  return true;
}

void BCDownloader::giveUp(const QString& reason, const QString& failure) {
  report(reason, reason == kTimedOutMessage ? 4 : 3);
  failure_ = failure;
  QNetworkReply* reply = connection_;
  connection_ = nullptr;
  downloadInProgress_ = false;
  // Nothing of the answer reaches the file: the partial copy is dropped, never committed.
  receivedData_.reset();
  if (reply) reply->abort();
}

void BCDownloader::didReceiveData(QNetworkReply* reply) {
  if (reply == connection_) take(reply);
}

void BCDownloader::didFinishLoading(QNetworkReply* reply) {
  if (reply != connection_ || !take(reply)) return;
  connection_ = nullptr;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() != QNetworkReply::NoError || status >= 400) {
    // An error page is no answer: a file would read as a good cache entry.
    const QString description = status >= 400 ? kHttpStatusDescription.arg(status) : reply->errorString();
    report(kFailedMessage, 4);
    report(kFailedDetailMessage.arg(description, reply->url().toString()), 3);
    failure_ = status >= 400 ? kAnsweredError.arg(status) : kCouldNotConnect;
  } else {
    // Written whole or not at all. The file is new, so its modification date, which
    // the cache expiry reads, is now.
    if (!receivedData_) {
      receivedData_ = std::make_unique<QSaveFile>(filename_);
      receivedData_->open(QIODevice::WriteOnly);
    }
    if (!receivedData_->commit()) {
      report(kCannotWriteMessage.arg(filename_, receivedData_->errorString()), 3);
      failure_ = kNotSaved;
    }
  }
  receivedData_.reset();
  downloadInProgress_ = false;
}

}  // namespace zuvo
