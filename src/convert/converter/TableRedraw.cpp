#include "convert/converter/TableRedraw.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <mutex>

namespace zuvo {
namespace {
std::mutex queueTableLock;
TableRedraw& queueTable() {
  static TableRedraw redraw;
  return redraw;
}
}  // namespace

TableRedraw::TableRedraw(std::function<void()> reload)
    : reload_(reload ? std::make_shared<const std::function<void()>>(std::move(reload)) : nullptr),
      pending_(std::make_shared<std::atomic<bool>>(false)) {}

void TableRedraw::send() const {
  QCoreApplication* application = QCoreApplication::instance();
  if (!reload_ || !application || pending_->exchange(true)) return;
  QMetaObject::invokeMethod(
      application,
      [reload = reload_, pending = pending_] {
        pending->store(false);
        (*reload)();
      },
      Qt::QueuedConnection);
}

void setQueueTableRedraw(const TableRedraw& redraw) {
  std::lock_guard<std::mutex> guard(queueTableLock);
  queueTable() = redraw;
}

TableRedraw queueTableRedraw() {
  std::lock_guard<std::mutex> guard(queueTableLock);
  return queueTable();
}

}  // namespace zuvo
