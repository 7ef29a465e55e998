#pragma once
// What the queue runner, the tick, the scans and the adding paths ask of the windows. The
// controller fills in the ones it has; an empty one does nothing (and answers nothing), so
// these classes run without a display. Every hook is called on the GUI thread.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

namespace zuvo {

class MediaFile;

struct ControllerHooks {
  std::function<void()> reloadFilesTable;
  std::function<void()> reloadQueueTable;           // the queue table in use
  std::function<void()> closeTagPanel;              // `TagsPanel`
  std::function<void()> showQueue;                  // `showQueue:`
  std::function<QList<int>()> highlightedRows;      // of the files table
  std::function<void()> invalidateRestorableState;  // the main window's
  // Titles of `QueuePauseButton`, `QueuePauseButton2` and `QueuePanel`.
  std::function<void(bool paused)> showPaused;
  std::function<void()> showLastTab;              // `MainWindowTabView`
  std::function<void()> showMainWindow;           // `ShowMainWindow:`
  std::function<void(const QString&)> showAlert;  // modal, over the main window
  // An alert of timed work, which waits for nobody: shown without a modal run, and joined
  // by the next ones while it is up.
  std::function<void(const QString&)> showNotice;
  // A conversion ended with its file made (the scans remember the sources they converted).
  std::function<void(const MediaFile&)> conversionFinished;
  std::function<void(const QString&)> showBusySheet;
  std::function<void(const QString&)> setBusyText;
  std::function<void()> hideBusySheet;
  std::function<void(bool shown)> showLookUpProgress;  // `LookUpProgressIndicator`
  std::function<void(const QString&)> setWindowTitle;
  std::function<void()> activateStatusMenu;
  std::function<void()> deactivateStatusMenu;
  // Paints `TVInfoOnline` (tv) or `MovieInfoOnline` with the window background.
  std::function<void(bool tv)> clearOnlineBox;
  std::function<void(const QImage&)> showDockIcon;
  std::function<QStringList()> chooseFolders;  // the open panel; empty when cancelled
  // Lets the tables redraw; the controller keeps the GUI thread's events flowing.
  std::function<void(double seconds)> runFor;

  template <class F, class... A>
  static void call(const F& hook, A&&... arguments) {
    if (hook) hook(std::forward<A>(arguments)...);
  }
};

}  // namespace zuvo
