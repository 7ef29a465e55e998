#include "app/files/AddingPaths.h"

#include "app/files/FileLists.h"
#include "app/files/IncomingPaths.h"
#include "app/files/SourceScanner.h"
#include "app/preferences/Feed.h"
#include "media/FileTypes.h"
#include "media/StringHelpers.h"

#include <QFileInfo>
#include <QXmlStreamReader>
#include <QtDebug>

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

QString xmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace

bool AddingPaths::refuseOtherKind(const QString& path) {
  if (incomingKind(path) != IncomingKind::Other) return false;
  // A pipe or a device would hold the probe's tools for good; an unreadable file gives nothing.
  const QString message = QStringLiteral("%1 is neither a readable file nor a folder, not added to Zuvo").arg(path);
  state_.mainLog->report(QStringLiteral("[RED]") + message, 3);
  state_.userLog->report(message, 3);
  return true;
}

AddingPaths::AddingPaths(ControllerState& state, const ControllerHooks& hooks, FileLists& lists, SourceScanner& scanner)
    : state_(state), hooks_(hooks), lists_(lists), scanner_(scanner) {}

QString AddingPaths::filenamesPropertyList(const QStringList& paths) {
  QString text = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<array>\n");
  for (const QString& path : paths) text += QStringLiteral("\t<string>%1</string>\n").arg(xmlEscaped(path));
  text += QStringLiteral("</array>\n</plist>\n");
  return text;
}

bool AddingPaths::acceptFilesDrop(const QString& filenamesText) {
  state_.mainLog->report(QStringLiteral("[BLUE]Accepting Drop"), 3);
  ControllerHooks::call(hooks_.showBusySheet, QStringLiteral("Adding files to Zuvo"));
  state_.mainLog->report(QStringLiteral("Got:%1").arg(filenamesText), 3);
  doDropXML(filenamesText);
  ControllerHooks::call(hooks_.reloadFilesTable);
  ControllerHooks::call(hooks_.hideBusySheet);
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
    log->report(QStringLiteral("Destination is higher up table so removing from row %1 reinserting item at row %2")
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
  ControllerHooks::call(hooks_.hideBusySheet);
}

void AddingPaths::addPackage(const QString& path) {
  ControllerHooks::call(hooks_.showMainWindow);
  (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
}

void AddingPaths::doDropXML(const QString& filenamesText) {
  const Reporter& log = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  for (const QString& line : SplitLines(filenamesText).value_or(QStringList())) {
    const std::optional<QString> escaped = StringBetween(line, kStringStart, kStringEnd);
    if (!escaped) continue;
    const QString path = normalisedPath(elementText(*escaped));
    log->report(QStringLiteral("File dropped with path %1").arg(path), 3);
    userLog->report(QStringLiteral("File dropped with path %1").arg(path), 3);
    const QFileInfo file(path);
    if (!file.exists()) {
      lists_.refuseUnreadableName(path, false);
      continue;
    }
    if (refuseOtherKind(path)) continue;
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
        scanner_.checksubdirectory(path, 1, true, false);
      }
      lists_.makefilestable();
      continue;
    }
    log->report(QStringLiteral("File is file (not folder)"), 4);
    if (IsVideoFile(path)) {
      log->report(QStringLiteral("File is in a supported video container"), 3);
      userLog->report(QStringLiteral("File is in a supported video container"), 3);
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Adding file %1").arg(path));
      (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
      lists_.makefilestable();
    } else {
      log->report(QStringLiteral("[RED] File has unknown format, not added to main window"), 3);
      userLog->report(QStringLiteral("File has unknown format, not added to main window"), 3);
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Ignoring unsupported file %1").arg(path));
    }
  }
}

bool AddingPaths::openFile(const QString& opened) {
  const QString path = normalisedPath(opened);
  if (lists_.refuseUnreadableName(path, false)) return true;
  if (refuseOtherKind(path)) return false;
  const QFileInfo file(path);
  if (file.isFile() && IsVideoFile(path)) {
    state_.mainLog->report(QStringLiteral("[BLUE]  openFile is a supported video file : %1").arg(path), 4);
    ControllerHooks::call(hooks_.showMainWindow);
    (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
  } else if (isEyeTVPackage(file)) {
    // A recording package is one source, not a folder to look into.
    addPackage(path);
  } else if (file.isDir()) {
    scanner_.checksubdirectory(path, 1, true, false);
  } else {
    return false;
  }
  lists_.makefilestable();
  return true;
}

void AddingPaths::openFiles(const QStringList& paths) {
  for (const QString& opened : paths) {
    const QString path = normalisedPath(opened);
    if (lists_.refuseUnreadableName(path, false) || refuseOtherKind(path)) continue;
    const QFileInfo file(path);
    if (file.isFile() && IsVideoFile(path)) {
      state_.mainLog->report(QStringLiteral("[BLUE]  openFiles is a supported video file : %1").arg(path), 4);
      ControllerHooks::call(hooks_.showMainWindow);
      (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
      lists_.makefilestable();
    }
    if (isEyeTVPackage(file)) {
      addPackage(path);
      lists_.makefilestable();
    } else if (file.isDir()) {
      scanner_.checksubdirectory(path, 1, true, false);
      lists_.makefilestable();
    }
  }
}

void AddingPaths::handleService(const QStringList& paths) {
  qInfo("Service got called!");
  for (const QString& handed : paths) {
    const QString path = normalisedPath(handed);
    if (path.isEmpty() || lists_.refuseUnreadableName(path, false) || refuseOtherKind(path)) continue;
    const QFileInfo file(path);
    if (file.isDir() && !isEyeTVPackage(file)) {
      // A folder is looked into, as an opened one is.
      scanner_.checksubdirectory(path, 1, true, false);
    } else {
      (void)lists_.addfiletotable(path, true, false);  // a refusal is logged by the list
    }
    lists_.makefilestable();
  }
}

void AddingPaths::LoadDirectory() {
  const QStringList folders = hooks_.chooseFolders ? hooks_.chooseFolders() : QStringList();
  if (!folders.isEmpty()) {
    ControllerHooks::call(hooks_.showBusySheet, QStringLiteral("Checking folder for video files"));
    for (const QString& folder : folders) {
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Checking folder %1 for video files").arg(folder));
      scanner_.checksubdirectory(folder, 0, true, false);
    }
  }
  lists_.makefilestable();
  ControllerHooks::call(hooks_.hideBusySheet);
}

void AddingPaths::RefreshFilesTableButtonPress() {
  state_.mainLog->report(QStringLiteral("Loading Feeds Table"), 4);
  if (loadVideoSources(state_.mainLog).isEmpty()) {
    ControllerHooks::call(hooks_.showAlert,
                          QStringLiteral("No Video Sources defined. Enter a new video source in the Preferences dialog "
                                         "or simply just drag some files into the file table."));
    return;
  }
  scanner_.checksources(false);
  lists_.makefilestable();
}

}  // namespace zuvo
