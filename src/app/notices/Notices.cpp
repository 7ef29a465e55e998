#include "app/notices/Notices.h"

#include <QCoreApplication>
#include <QThread>

#include "app/notices/DesktopNotification.h"
#include "app/notices/GNTPClient.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"

namespace zuvo {
namespace {
constexpr const char* kConversionName = "Conversion";
constexpr const char* kInformationName = "Information";
constexpr quint32 kUserLogLevel = 3;
constexpr double kRedrawSlice = 0.1;
}  // namespace

Notices::Notices(Reporter mainLog, Reporter userLog, SystemVersion version, QObject* parent)
    : QObject(parent), mainLog_(std::move(mainLog)), userLog_(std::move(userLog)), gntp_(usesGNTP(version)) {
  sender_.setMaxThreadCount(1);
  if (!gntp_) desktop_ = std::make_unique<DesktopNotifier>();
}

Notices::~Notices() {
  *cancelled_ = true;
  sender_.clear();
  sender_.waitForDone();
}

void Notices::setStatusSink(StatusSink sink) { sink_ = std::move(sink); }

void Notices::setActivated(std::function<void()> activated) {
  if (desktop_) desktop_->setActivated(std::move(activated));
}

QString Notices::notificationName(int type) {
  return QString::fromLatin1(type == kConversionNotice ? kConversionName : kInformationName);
}

bool Notices::usesGNTP(const SystemVersion& version) { return version.minor >= 7 && version.bugfix >= 3; }

bool Notices::onGUIThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void Notices::showStatus(const QString& text) {
  if (onGUIThread()) {
    if (sink_) sink_(text);
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this, text] {
        if (sink_) sink_(text);
      },
      Qt::QueuedConnection);
}

void Notices::TextMessage(const QString& text) {
  showStatus(text);
  if (onGUIThread()) runloop::runFor(kRedrawSlice);
}

void Notices::GeneralMessage(const QString& title, const QString& message, int type, bool sticky) {
  TextMessage(message);
  GrowlMessage(title, message, type, sticky);
  if (onGUIThread()) runloop::runFor(kRedrawSlice);
}

void Notices::GeneralMessage(const QString& title, const QString& message, int type) {
  GrowlMessage(title, message, type);
  showStatus(message);
  if (onGUIThread()) runloop::runFor(kRedrawSlice);
}

void Notices::GrowlMessage(const QString& title, const QString& message, int type) {
  GrowlMessage(title, message, type, false);
}

void Notices::GrowlMessage(const QString& title, const QString& message, int type, bool sticky) {
  const bool effective = sticky && Defaults::standard().get(setting::GrowlSticky);
  userLog_->report(message, kUserLogLevel);
  deliver(title, message, notificationName(type), effective);
}

void Notices::deliver(const QString& title, const QString& message, const QString& name, bool sticky) {
  ++*pending_;
  auto done = [pending = pending_] { --*pending; };
  if (gntp_) {
    const QByteArray bytes = gntp::notifyMessage(name, title, message, sticky);
    sender_.start([bytes, port = gntp::port(), log = mainLog_, cancelled = cancelled_, done] {
      if (!*cancelled) gntp::send(bytes, port, log, *cancelled);
      done();
    });
  } else {
    sender_.start([title, message, sticky, desktop = desktop_.get(), cancelled = cancelled_, done] {
      if (!*cancelled) desktop->send(title, message, sticky);
      done();
    });
  }
}

bool Notices::waitForDelivered(double seconds) {
  return runloop::waitUntil([pending = pending_] { return *pending == 0; }, seconds, 10);
}

}  // namespace zuvo
