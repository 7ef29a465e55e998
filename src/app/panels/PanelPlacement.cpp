#include "app/panels/PanelPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace zuvo {

void centreWindowOnWindow(QWidget* moved, const QWidget* reference) {
  if (!moved) return;
  QRect around;
  if (reference) {
    around = reference->frameGeometry();
  } else {
    const QScreen* screen = moved->screen() ? moved->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    around = screen->availableGeometry();
  }
  const QSize size = moved->frameGeometry().size();
  moved->move(around.x() + (around.width() - size.width()) / 2,
              around.y() + (around.height() - size.height()) / 2);
}

void keepAbove(QWidget* panel, QWidget* window) {
  if (!panel) return;
  panel->winId();
  QWindow* above = window ? window->window()->windowHandle() : nullptr;
  panel->windowHandle()->setTransientParent(above);
}

void bringWindowForward(QWidget* window) {
  if (!window) return;
  window->raise();
  window->activateWindow();
}

}  // namespace zuvo
