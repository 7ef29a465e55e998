#pragma once
// The ways a user brings sources in: drops on the files table or the drop image (as a
// property-list text of file names), documents opened by the desktop or a second launch,
// the Services entry, the open panel and the check-sources command; and the reordering
// drop on the queue table. Every path is made whole first (IncomingPaths.h), and only
// readable files and folders are taken. GUI thread.
//
// The paths handed in are taken in turn, in the order they came, a slice of at most a few
// milliseconds at a time with the event loop running between slices: the window is drawn
// and answers while a folder of thousands of files comes in. A folder is listed, and its
// entries looked at, on a thread of its own; what it finds is added on the GUI thread.
#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "app/files/SourceScanner.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"

namespace zuvo {

class FileLists;
class SourceScanner;

class AddingPaths {
 public:
  AddingPaths(ControllerState& state, const ControllerHooks& hooks, FileLists& lists, SourceScanner& scanner);
  ~AddingPaths();

  // The longest the GUI thread is held at a time while paths come in (milliseconds).
  static constexpr int kSliceMs = 20;
  // True while paths handed in are still being looked at or added.
  bool busy() const { return !tasks_.empty() || walk_ != nullptr; }

  // Files table: the drop of a file-name list (`tableView:acceptDrop:...`). Always true.
  bool acceptFilesDrop(const QString& filenamesText);
  // Queue table in use: moves the dragged item to the drop row. The item is the one the
  // drag carried, so a queue that changed since the drag began moves the right one, and
  // one that left the queue moves nothing.
  bool acceptQueueDrop(const MediaFilePtr& dragged, int row);
  // `processdrop:title:` of the main window's drop image.
  void processdrop(const QString& filenamesText);
  // `doDropXML:`
  void doDropXML(const QString& filenamesText);

  // `application:openFile:`: false for a path that is neither a video file, an EyeTV
  // package nor a folder.
  bool openFile(const QString& path);
  // `application:openFiles:`
  void openFiles(const QStringList& paths);
  // `handleService:userData:error:` with the selected tracks' paths.
  void handleService(const QStringList& paths);
  // `LoadDirectory:`: the open panel for folders.
  void LoadDirectory();
  // `RefreshFilesTableButtonPress:`
  void RefreshFilesTableButtonPress();

 private:
  class FolderWalk;
  // One path's turn: `run` on the GUI thread, or, with a folder, its walk.
  struct Task {
    std::function<void()> run;
    QString folder;
    int depth = 0;
  };
  void enqueue(std::function<void()> run);
  void enqueueFolder(const QString& folder, int depth);
  // The folder met by the task under way is walked before the paths after it.
  void walkNext(const QString& folder, int depth);
  // Runs the waiting work for one slice; what is left waits for the next turn of the loop.
  void drain();
  void drainSoon();
  // One step of the folder walk under way; false when none is ready yet.
  bool takeWalkStep();
  void dropFileName(const QString& line);
  void openOne(const QString& opened);
  void addPackage(const QString& path);
  // True, after a log line, for a path that names neither a readable file nor a folder.
  bool refuseOtherKind(const QString& path);

  ControllerState& state_;
  const ControllerHooks& hooks_;
  FileLists& lists_;
  SourceScanner& scanner_;
  std::deque<Task> tasks_;
  bool rebuildWanted_ = false;  // the table rebuild runs once the waiting work is done
  bool drainPending_ = false;
  bool draining_ = false;
  QObject context_;  // what the walk hands to the GUI thread dies with it
  std::unique_ptr<FolderWalk> walk_;
};

}  // namespace zuvo
