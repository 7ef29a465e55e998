#include "app/panels/WindowAccessible.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace zuvo {
namespace {

constexpr const char* kWindowRole = "zuvoAccessibleWindowRole";

QAccessibleInterface* windowFactory(const QString&, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  const QVariant role = object->property(kWindowRole);
  if (!role.isValid()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

}  // namespace

void setAccessibleWindowRole(QWidget* window, QAccessible::Role role) {
  static const bool installed = [] {
    QAccessible::installFactory(windowFactory);
    return true;
  }();
  (void)installed;
  window->setProperty(kWindowRole, int(role));
}

}  // namespace zuvo
