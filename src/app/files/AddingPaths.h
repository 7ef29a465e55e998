#pragma once
// The ways a user brings sources in: drops on the files table or the drop image (as a
// property-list text of file names), documents opened by the desktop or a second launch,
// the Services entry, the open panel and the check-sources command; and the reordering
// drop on the queue table. Every path is made whole first (IncomingPaths.h), and only
// readable files and folders are taken. GUI thread.
#include "app/controller/ControllerHooks.h"
#include "app/controller/ControllerState.h"

#include <QStringList>

namespace zuvo {

class FileLists;
class SourceScanner;

class AddingPaths {
 public:
  AddingPaths(ControllerState& state, const ControllerHooks& hooks, FileLists& lists, SourceScanner& scanner);

  // The property-list text of a list of file names, as a drag offers it. The names are
  // paths already (a file URL's percent escapes are decoded once, by whoever made the
  // list), so only the XML escapes are written.
  static QString filenamesPropertyList(const QStringList& paths);

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
  void addPackage(const QString& path);
  // True, after a log line, for a path that names neither a readable file nor a folder.
  bool refuseOtherKind(const QString& path);

  ControllerState& state_;
  const ControllerHooks& hooks_;
  FileLists& lists_;
  SourceScanner& scanner_;
};

}  // namespace zuvo
