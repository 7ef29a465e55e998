#include "app/panels/BCBusyPanel.h"

#include <QWidget>

#include "app/panels/PanelPlacement.h"
#include "ui_BCBusyPanel.h"

namespace zuvo {

BCBusyPanel::BCBusyPanel(const QString& title, QObject* parent) : QObject(parent), title_(title) {}

BCBusyPanel::~BCBusyPanel() = default;

QWidget* BCBusyPanel::loadedWindow() {
  if (window_) return window_.get();
  window_ = std::make_unique<QWidget>(nullptr, Qt::Dialog);
  ui_ = std::make_unique<::Ui::BCBusyPanel>();
  ui_->setupUi(window_.get());
  windowDidLoad();
  return window_.get();
}

void BCBusyPanel::windowDidLoad() {
  window_->setWindowTitle(title_);
  ui_->BusyTextField->setText(message_);
  // An empty range makes the bar an endless busy animation.
  ui_->BusyPanelProgressBar->setRange(0, 0);
  firstrun_ = false;
}

void BCBusyPanel::activateBusyPanel(const QString& message, QWidget* parentwindow) {
  message_ = message;
  parentwindow_ = parentwindow;
  const bool loaded = !firstrun_;
  QWidget* panel = loadedWindow();
  if (loaded) windowDidLoad();
  panel->adjustSize();
  keepAbove(panel, parentwindow_);
  centreWindowOnWindow(panel, parentwindow_);
  panel->show();
}

void BCBusyPanel::hideBusyPanel() {
  if (window_) window_->hide();
  bringWindowForward(parentwindow_);
}

}  // namespace zuvo
