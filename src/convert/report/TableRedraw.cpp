#include "convert/report/TableRedraw.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace zuvo {
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

}  // namespace zuvo
