#include "app/controller/ModalQuitKey.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace zuvo {

ModalQuitKey::ModalQuitKey(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit_(std::move(quit)) {
  qApp->installEventFilter(this);
}

ModalQuitKey::~ModalQuitKey() {
  if (qApp) qApp->removeEventFilter(this);
}

bool ModalQuitKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !QApplication::activeModalWidget()) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->keyCombination() != QKeyCombination(Qt::ControlModifier, Qt::Key_Q) || !watched->isWidgetType())
    return false;
  // A dialog's reject is its Cancel (and Escape); any other modal window is closed. A
  // window that will not go stops the unwinding: the quit still follows.
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    if (QApplication::activeModalWidget() == modal) break;
  }
  QPointer<ModalQuitKey> self(this);
  QTimer::singleShot(0, this, [self] {
    if (self && self->quit_) self->quit_();
  });
  return true;
}

}  // namespace zuvo
