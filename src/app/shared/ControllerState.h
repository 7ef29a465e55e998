#pragma once
// The controller's process-wide values: made at start-up, read and changed by the queue
// runner, the timer tick, the notices and the tables. The two lists and every flag here
// belong to the GUI thread; workers reach a media object through its own pointer and ask
// the GUI thread for anything that touches a list or a window.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QThreadPool>
#include <atomic>

#include "media/BCCReporter.h"
#include "media/HelperInfo.h"
#include "media/MediaFile.h"

namespace zuvo {

struct ControllerState {
  ControllerState() { ConvertQueue.setMaxThreadCount(1); }

  QList<MediaFilePtr> files;  // the files table
  QList<MediaFilePtr> queue;  // the queue table

  // Tags-only jobs, one at a time in the order sent ("com.kelvanesoftware.convertqueue").
  QThreadPool ConvertQueue;

  QString homeFolder;
  QString supportFolder;  // the Application Support folder
  QString cacheFolder;    // the checked value of "ConversionDirectory"

  Reporter mainLog = BCCReporter::dummy();
  Reporter userLog = BCCReporter::dummy();

  int systemMinor = 0;
  int systemBugfix = 0;

  QString userLanguageCode;
  QString userLanguageName = QStringLiteral("Unknown");

  HelperInfo helperAnswer;  // copied into every converter

  bool queueInPane = false;  // the queue is shown in the main window's right pane
  QDateTime nextScan;
  bool statusItemShown = false;
  bool paused = false;
  std::atomic<int> jobCounter{1};  // the first conversion job is numbered 2
  bool tvOffline = false;
  bool movieOffline = false;
  int cacheCountdown = 0;
  bool viewerOpen = false;
  // The quit sequence has begun: scans stop and nothing more is added to the lists.
  bool quitting = false;
  bool multipleEdit = false;
};

}  // namespace zuvo
