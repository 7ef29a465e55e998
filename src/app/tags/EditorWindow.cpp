#include "app/tags/EditorWindow.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>

#include "app/panels/WindowAccessible.h"

namespace zuvo {
namespace {

// The first control Tab reaches on the page shown; the tabs themselves are not a field.
QWidget* firstControl(QWidget* window) {
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
    if (qobject_cast<QTabBar*>(w) || qobject_cast<QTabWidget*>(w) || w->focusProxy()) continue;
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window)) return w;
  }
  return nullptr;
}

class FirstFocus : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType())
      if (QWidget* first = firstControl(static_cast<QWidget*>(watched)))
        first->setFocus(Qt::ActiveWindowFocusReason);
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void prepareEditorWindow(QWidget* window) {
  setAccessibleWindowRole(window, QAccessible::Dialog);
  for (QPlainTextEdit* edit : window->findChildren<QPlainTextEdit*>()) edit->setTabChangesFocus(true);
  for (QTextEdit* edit : window->findChildren<QTextEdit*>()) edit->setTabChangesFocus(true);
  window->installEventFilter(new FirstFocus(window));
}

}  // namespace zuvo
