#pragma once
// The window manager's close of a window that a modal window blocks (the first-run
// preferences, an alert): Qt drops it before any widget hears of it. On X it is caught on
// its way in and handed to the caller, so that closing the main window quits whatever
// runs modally. Elsewhere nothing is installed. GUI thread only.
#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace zuvo {

class WindowManagerClose : public QAbstractNativeEventFilter {
 public:
  // `closed` runs (later, on the event loop) when the window manager asks to close
  // `window` while a modal window blocks it.
  WindowManagerClose(QWidget* window, std::function<void()> closed);
  ~WindowManagerClose() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QPointer<QWidget> window_;
  std::function<void()> closed_;
  quint32 protocols_ = 0;     // WM_PROTOCOLS
  quint32 deleteWindow_ = 0;  // WM_DELETE_WINDOW
  bool installed_ = false;
};

}  // namespace zuvo
