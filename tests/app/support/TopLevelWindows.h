#pragma once
// Finds the program's windows the way a user sees them: a top-level widget by its object
// name, as the window system lists it, without asking the code that made it.
#include <QApplication>
#include <QString>
#include <QWidget>

namespace zuvo::test {

// The first top-level widget of type T named `objectName` (any name when empty), or null.
template <class T = QWidget>
T* topLevel(const QString& objectName = {}) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* found = qobject_cast<T*>(widget);
    if (found && (objectName.isEmpty() || found->objectName() == objectName)) return found;
  }
  return nullptr;
}

// A child of type T named `objectName` inside any top-level widget, or null.
template <class T = QWidget>
T* anywhere(const QString& objectName) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == objectName)
      if (auto* found = qobject_cast<T*>(widget)) return found;
    if (auto* found = widget->findChild<T*>(objectName)) return found;
  }
  return nullptr;
}

}  // namespace zuvo::test
