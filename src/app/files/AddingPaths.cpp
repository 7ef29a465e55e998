#include "app/files/AddingPaths.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QXmlStreamReader>
#include <QtDebug>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "app/files/FileLists.h"
#include "app/files/IncomingPaths.h"
#include "app/files/SourceScanner.h"
#include "app/shared/Feed.h"
#include "media/FileTypes.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

const QString kStringStart = QStringLiteral("<string>");
const QString kStringEnd = QStringLiteral("</string>");

bool isEyeTVPackage(const QFileInfo& path) {
  return path.isDir() && path.suffix().toLower() == QLatin1String("eyetv");
}

// The text of one <string> element with its XML escapes read once, as an XML reader
// reads them; a piece that is not well-formed XML stays as it is.
QString elementText(const QString& escaped) {
  QXmlStreamReader reader(QStringLiteral("<s>%1</s>").arg(escaped));
  reader.readNextStartElement();
  const QString text = reader.readElementText();
  return reader.hasError() ? escaped : text;
}

}  // namespace

// A folder walk on a thread of its own. Its steps wait here for the GUI thread, which is
// woken when steps come after it found none.
class AddingPaths::FolderWalk {
 public:
  using Step = SourceScanner::FolderStep;
  FolderWalk(const QString& folder, int depth, QObject* context, std::function<void()> wake)
      : context_(context), wake_(std::move(wake)) {
    thread_ = std::thread([this, folder, depth] {
      SourceScanner::FolderIds followed;
      SourceScanner::walkFolder(
          folder, depth, followed, [this](Step&& step) { push(std::move(step)); },
          [this] { return cancel_.load(); });
      {
        const std::lock_guard<std::mutex> guard(lock_);
        done_ = true;
      }
      QMetaObject::invokeMethod(context_, wake_, Qt::QueuedConnection);
    });
  }
  ~FolderWalk() {
    cancel_ = true;
    thread_.join();
  }
  FolderWalk(const FolderWalk&) = delete;
  FolderWalk& operator=(const FolderWalk&) = delete;

  // The next step; none when none is ready, and then `finished` once the walk has ended.
  std::optional<Step> next(bool& finished) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (steps_.empty()) {
      finished = done_;
      wakeSent_ = false;
      return std::nullopt;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
  }

 private:
  void push(Step&& step) {
    bool wake = false;
    {
      const std::lock_guard<std::mutex> guard(lock_);
      steps_.push_back(std::move(step));
      wake = !std::exchange(wakeSent_, true);
    }
    if (wake) QMetaObject::invokeMethod(context_, wake_, Qt::QueuedConnection);
  }

  QObject* context_;
  std::function<void()> wake_;
  std::mutex lock_;
  std::deque<Step> steps_;
  bool done_ = false;
  bool wakeSent_ = false;
  std::atomic<bool> cancel_ = false;
  std::thread thread_;
};

bool AddingPaths::refuseOtherKind(const QString& path) {
  if (incomingKind(path) != IncomingKind::Other) return false;
  // A pipe or a device would hold the probe's tools for good; an unreadable file gives nothing.
  const QString message =
      QStringLiteral("%1 is neither a readable file nor a folder, not added to Zuvo").arg(path);
  state_.mainLog->report(QStringLiteral("[RED]") + message, 3);
  state_.userLog->report(message, 3);
  return true;
}

AddingPaths::AddingPaths(ControllerState& state, const ControllerHooks& hooks, FileLists& lists,
                         SourceScanner& scanner)
    : state_(state), hooks_(hooks), lists_(lists), scanner_(scanner) {}

AddingPaths::~AddingPaths() = default;

void AddingPaths::enqueue(std::function<void()> run) {
  tasks_.push_back(Task{std::move(run), {}, 0});
  drainSoon();
}

void AddingPaths::enqueueFolder(const QString& folder, int depth) {
  tasks_.push_back(Task{{}, folder, depth});
  drainSoon();
}

void AddingPaths::walkNext(const QString& folder, int depth) {
  tasks_.push_front(Task{{}, folder, depth});
  drainSoon();
}

void AddingPaths::drainSoon() {
  if (std::exchange(drainPending_, true)) return;
  QTimer::singleShot(0, &context_, [this] {
    drainPending_ = false;
    drain();
  });
}

bool AddingPaths::takeWalkStep() {
  bool finished = false;
  const std::optional<FolderWalk::Step> step = walk_->next(finished);
  if (step)
    scanner_.take(*step, true, false);
  else if (finished)
    walk_.reset();
  return step || finished;
}

void AddingPaths::drain() {
  // A task that shows an alert runs the event loop: the work goes on once it returns.
  if (draining_) return;
  draining_ = true;
  const qsizetype before = state_.files.size();
  QElapsedTimer slice;
  slice.start();
  bool waitingForWalk = false;
  while (!state_.quitting && slice.elapsed() < kSliceMs) {
    if (walk_) {
      if (!takeWalkStep()) {
        waitingForWalk = true;
        break;
      }
      continue;
    }
    if (tasks_.empty()) break;
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    if (task.folder.isEmpty())
      task.run();
    else
      walk_ = std::make_unique<FolderWalk>(task.folder, task.depth, &context_, [this] { drainSoon(); });
  }
  if (state_.quitting) {
    tasks_.clear();
    walk_.reset();
    rebuildWanted_ = false;
  }
  // What came in so far shows at once; the rebuild runs once, after the last path.
  if (state_.files.size() != before) ControllerHooks::call(hooks_.reloadFilesTable);
  const bool more = busy();
  if (!more && std::exchange(rebuildWanted_, false)) lists_.makefilestable();
  draining_ = false;
  if (more && !waitingForWalk) drainSoon();
}

bool AddingPaths::acceptFilesDrop(const QString& filenamesText) {
  state_.mainLog->report(QStringLiteral("[BLUE]Accepting Drop"), 3);
  ControllerHooks::call(hooks_.showBusySheet, QStringLiteral("Adding files to Zuvo"));
  state_.mainLog->report(QStringLiteral("Got:%1").arg(filenamesText), 3);
  doDropXML(filenamesText);
  enqueue([this] {
    ControllerHooks::call(hooks_.reloadFilesTable);
    ControllerHooks::call(hooks_.hideBusySheet);
  });
  return true;
}

bool AddingPaths::acceptQueueDrop(const MediaFilePtr& dragged, int row) {
  QList<MediaFilePtr>& queue = state_.queue;
  const qsizetype source = queue.indexOf(dragged);
  if (!dragged || source < 0) return false;
  const qsizetype count = queue.size();
  const qsizetype target = std::clamp<qsizetype>(row, 0, count);
  const Reporter& log = state_.mainLog;
  log->report(QStringLiteral("Queue row %1 dragged to row %2").arg(source).arg(target), 4);
  if (target == count) {
    log->report(QStringLiteral("Destination is beyond end of table so removing item and readding it"), 4);
    queue.move(source, count - 1);
  } else if (source > target) {
    log->report(QStringLiteral("Destination is lower in table so removing an reinserting item"), 4);
    queue.move(source, target);
  } else if (source < target) {
    log->report(
        QStringLiteral("Destination is higher up table so removing from row %1 reinserting item at row %2")
            .arg(source)
            .arg(target - 1),
        4);
    queue.move(source, target - 1);
  }
  ControllerHooks::call(hooks_.reloadQueueTable);
  return true;
}

void AddingPaths::processdrop(const QString& filenamesText) {
  ControllerHooks::call(hooks_.showBusySheet, QStringLiteral("Adding files to Zuvo"));
  doDropXML(filenamesText);
  enqueue([this] { ControllerHooks::call(hooks_.hideBusySheet); });
}

void AddingPaths::addPackage(const QString& path) {
  ControllerHooks::call(hooks_.showMainWindow);
  (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
}

void AddingPaths::doDropXML(const QString& filenamesText) {
  for (const QString& line : SplitLines(filenamesText).value_or(QStringList()))
    enqueue([this, line] { dropFileName(line); });
}

void AddingPaths::dropFileName(const QString& line) {
  const Reporter& log = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  const std::optional<QString> escaped = StringBetween(line, kStringStart, kStringEnd);
  if (!escaped) return;
  const QString path = normalisedPath(elementText(*escaped));
  log->report(QStringLiteral("File dropped with path %1").arg(path), 3);
  userLog->report(QStringLiteral("File dropped with path %1").arg(path), 3);
  const QFileInfo file(path);
  if (!file.exists()) {
    lists_.refuseUnreadableName(path, false);
    return;
  }
  if (refuseOtherKind(path)) return;
  log->report(QStringLiteral("File exists"), 4);
  if (file.isDir()) {
    log->report(QStringLiteral("File is folder"), 4);
    if (isEyeTVPackage(file)) {
      log->report(QStringLiteral("File is EyeTV package"), 3);
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Adding EyeTV package %1").arg(path));
      addPackage(path);
    } else {
      log->report(QStringLiteral("Folder dropped on main window"), 3);
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Checking folder %1").arg(path));
      walkNext(path, 1);
    }
    rebuildWanted_ = true;
    return;
  }
  log->report(QStringLiteral("File is file (not folder)"), 4);
  if (IsVideoFile(path)) {
    log->report(QStringLiteral("File is in a supported video container"), 3);
    userLog->report(QStringLiteral("File is in a supported video container"), 3);
    ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Adding file %1").arg(path));
    (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
    rebuildWanted_ = true;
  } else {
    log->report(QStringLiteral("[RED] File has unknown format, not added to main window"), 3);
    userLog->report(QStringLiteral("File has unknown format, not added to main window"), 3);
    ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Ignoring unsupported file %1").arg(path));
  }
}

bool AddingPaths::openFile(const QString& opened) {
  const QString path = normalisedPath(opened);
  if (lists_.refuseUnreadableName(path, false)) return true;
  if (refuseOtherKind(path)) return false;
  const QFileInfo file(path);
  if (file.isFile() && IsVideoFile(path)) {
    enqueue([this, path] {
      state_.mainLog->report(QStringLiteral("[BLUE]  openFile is a supported video file : %1").arg(path), 4);
      ControllerHooks::call(hooks_.showMainWindow);
      (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
    });
  } else if (isEyeTVPackage(file)) {
    // A recording package is one source, not a folder to look into.
    enqueue([this, path] { addPackage(path); });
  } else if (file.isDir()) {
    enqueueFolder(path, 1);
  } else {
    return false;
  }
  rebuildWanted_ = true;
  return true;
}

void AddingPaths::openFiles(const QStringList& paths) {
  for (const QString& opened : paths) enqueue([this, opened] { openOne(opened); });
}

void AddingPaths::openOne(const QString& opened) {
  const QString path = normalisedPath(opened);
  if (lists_.refuseUnreadableName(path, false) || refuseOtherKind(path)) return;
  const QFileInfo file(path);
  if (file.isFile() && IsVideoFile(path)) {
    state_.mainLog->report(QStringLiteral("[BLUE]  openFiles is a supported video file : %1").arg(path), 4);
    ControllerHooks::call(hooks_.showMainWindow);
    (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
    rebuildWanted_ = true;
  }
  if (isEyeTVPackage(file)) {
    addPackage(path);
    rebuildWanted_ = true;
  } else if (file.isDir()) {
    walkNext(path, 1);
    rebuildWanted_ = true;
  }
}

void AddingPaths::handleService(const QStringList& paths) {
  qInfo("Service got called!");
  for (const QString& handed : paths)
    enqueue([this, handed] {
      const QString path = normalisedPath(handed);
      if (path.isEmpty() || lists_.refuseUnreadableName(path, false) || refuseOtherKind(path)) return;
      const QFileInfo file(path);
      if (file.isDir() && !isEyeTVPackage(file)) {
        // A folder is looked into, as an opened one is.
        walkNext(path, 1);
      } else {
        (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
      }
      rebuildWanted_ = true;
    });
}

void AddingPaths::LoadDirectory() {
  const QStringList folders = hooks_.chooseFolders ? hooks_.chooseFolders() : QStringList();
  if (!folders.isEmpty()) {
    ControllerHooks::call(hooks_.showBusySheet, QStringLiteral("Checking folder for video files"));
    for (const QString& folder : folders) {
      enqueue([this, folder] {
        ControllerHooks::call(hooks_.setBusyText,
                              QStringLiteral("Checking folder %1 for video files").arg(folder));
      });
      enqueueFolder(folder, 0);
    }
  }
  rebuildWanted_ = true;
  enqueue([this] { ControllerHooks::call(hooks_.hideBusySheet); });
}

void AddingPaths::RefreshFilesTableButtonPress() {
  state_.mainLog->report(QStringLiteral("Loading Feeds Table"), 4);
  if (loadVideoSources(state_.mainLog).isEmpty()) {
    ControllerHooks::call(
        hooks_.showAlert,
        QStringLiteral("No Video Sources defined. Enter a new video source in the Preferences dialog "
                       "or simply just drag some files into the file table."));
    return;
  }
  scanner_.checksources(false);
  lists_.makefilestable();
}

}  // namespace zuvo
