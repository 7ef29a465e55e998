#pragma once
// Lets a widget take files and folders dragged from the desktop: a drag is accepted while
// it carries at least one local path, and a drop hands the paths on in the file-list text
// the adding code reads. The drop itself is answered at once; the paths are handed on from
// the event loop, so the file manager is never held while a folder is scanned.
#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;

namespace zuvo {

class FileDropTarget : public QObject {
 public:
  using Receiver = std::function<void(const QString& filenamesText)>;

  using PathsReceiver = std::function<void(const QStringList& paths)>;

  // Watches `widget` (for a scroll area, its viewport) and gives every drop to `receiver`.
  FileDropTarget(QWidget* widget, Receiver receiver);
  // The same, handing on the dropped paths themselves (pass a `PathsReceiver`: a list
  // can also be made from one text).
  FileDropTarget(QWidget* widget, PathsReceiver receiver);

  // The local files and folders a drag carries, in order.
  static QStringList localPaths(const QMimeData* data);
  // The property-list text of a list of file names, as a drag offers it. The names are
  // paths already (a file URL's percent escapes are decoded once, by whoever made the
  // list), so only the XML escapes are written.
  static QString filenamesPropertyList(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PathsReceiver receiver_;
};

}  // namespace zuvo
