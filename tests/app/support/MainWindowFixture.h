#pragma once
// A started controller with its real windows (offscreen), items for files that exist, the
// files table's selection set as a click sets it, and its alert answered as it shows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/controller/Controller.h"
#include "app/files/FilesTableModel.h"
#include "app/files/FilesTablePresenter.h"
#include "app/panels/BCAlertPanel.h"
#include "app/queue/QueueTableModel.h"
#include "app/shared/ControllerHooks.h"
#include "app/support/ControllerStart.h"
#include "app/support/ShownWindows.h"
#include "app/support/TopLevelWindows.h"
#include "app/support/WidgetApplication.h"
#include "app/tables/BCTableView.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

namespace zuvo::test {

inline MediaFilePtr itemFor(const QString& path, bool lookedUp = true,
                            MediaState state = MediaState::InFilesTable) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(path);
  media->setFilename(QFileInfo(path).fileName());
  media->setDidlookup(lookedUp);
  media->setState(state);
  return media;
}

// Closes the program's alert as soon as it is shown, noting its message.
class AlertCloser {
 public:
  AlertCloser() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      QWidget* alert = topLevel(QStringLiteral("BCAlertPanel"));
      if (!alert || !alert->isVisible()) return;
      QString text = alert->findChild<QLabel*>(QStringLiteral("AlertTextField"))->text();
      if (Qt::mightBeRichText(text)) text = QTextDocumentFragment::fromHtml(text).toPlainText();
      seen << text;
      alert->findChild<QPushButton*>(QStringLiteral("CloseAlertPanelButton"))->click();
    });
    poll_.start(10);
  }
  QStringList seen;

 private:
  QTimer poll_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = prepareControllerStart();
    QDir().mkpath(root + "/videos");
    controller = std::make_unique<Controller>();
    ASSERT_TRUE(controller->awakeFromNib());
    shown = ShownWindows::find();
    controller->setLookUpStarter([this](const MediaFilePtr& media) { lookedUpAgain << media; });
  }
  void TearDown() override {
    // As the program ends: no probe still running outlives the controller and the process.
    probeThreadPool().clear();
    probeThreadPool().waitForDone();
    controller.reset();
    qunsetenv("ZUVO_NEWS_URL");
  }

  // An item for a file that exists (the table rebuild drops items whose file is gone).
  MediaFilePtr item(const QString& name, bool lookedUp = true, MediaState state = MediaState::InFilesTable) {
    const QString path = root + "/videos/" + name;
    if (!QFileInfo::exists(path)) test::writeFile(path, "video");
    return itemFor(path, lookedUp, state);
  }
  const ControllerState& state() const { return controller->state(); }
  // A list changed in place, as the program's own list changes leave it (no redraw).
  void changeFiles(const std::function<void(QList<MediaFilePtr>&)>& change) {
    QList<MediaFilePtr> files = state().files;
    change(files);
    controller->setFiles(files);
  }
  void changeQueue(const std::function<void(QList<MediaFilePtr>&)>& change) {
    QList<MediaFilePtr> queue = state().queue;
    change(queue);
    controller->setQueue(queue);
  }
  const ShownWindows& windows() const { return shown; }
  void setFiles(const QList<MediaFilePtr>& files) {
    controller->setFiles(files);
    controller->RefreshWindow();
  }
  void setQueue(const QList<MediaFilePtr>& queue) {
    controller->setQueue(queue);
    controller->RefreshWindow();
  }
  void select(const QList<int>& rows) {
    // All at once, as a click or a shift-click changes it.
    QItemSelection selection;
    for (int row : rows) selection.select(filesModel().index(row, 0), filesModel().index(row, 0));
    windows().FilesTableView->selectionModel()->select(
        selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  QList<int> selected() {
    QList<int> rows;
    for (const QModelIndex& index : windows().FilesTableView->selectionModel()->selectedRows())
      rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  // The model the files table shows.
  FilesTableModel& filesModel() { return dynamic_cast<FilesTableModel&>(*windows().FilesTableView->model()); }
  static QueueTableModel& queueModel(const QTableView* table) {
    return dynamic_cast<QueueTableModel&>(*table->model());
  }
  // The queue table the queue's rows are drawn in: the queue window's or the main window's pane.
  QTableView* queueTableInUse() {
    for (QTableView* table : {static_cast<QTableView*>(windows().Queue1TableView),
                              static_cast<QTableView*>(windows().Queue2TableView)})
      if (queueModel(table).inUse()) return table;
    return nullptr;
  }
  // Through the cell where the table has a column for it; otherwise through a files-table
  // presenter of its own, on a table of its own over the same list.
  void edit(const QString& identifier, int row, const QVariant& value) {
    FilesTableModel& model = filesModel();
    const int column = FilesTableModel::column(identifier);
    if (column >= 0) {
      model.setData(model.index(row, column), value);
      return;
    }
    BCTableView table;
    QMainWindow window;
    QWidget hint;
    QMenu menu;
    QAction action;
    const ControllerHooks hooks;
    // The same items: what the edit changes in them shows in the controller's table.
    ControllerState lists;
    lists.files = state().files;
    lists.queue = state().queue;
    lists.mainLog = state().mainLog;
    lists.userLog = state().userLog;
    FilesTablePresenter presenter(lists, hooks, {&table, &window, &hint, &menu, &action, &menu, &menu}, {});
    presenter.tableEditRequested(identifier, row, value);
  }
  // A notice the windows post, as the files table's keys and the editors send them.
  void post(const char* name) { NotificationCenter::defaultCenter().post(name, windows().FilesTableView); }
  // The remove-or-trash sheet while it is open, and a click on one of its buttons.
  static QMessageBox* deleteSheet() {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* sheet = qobject_cast<QMessageBox*>(window);
          sheet && sheet->objectName() == "DeleteSheet" && sheet->isVisible())
        return sheet;
    return nullptr;
  }
  static void answerDeleteSheet(const QString& choice) {
    QMessageBox* sheet = deleteSheet();
    ASSERT_NE(sheet, nullptr);
    for (QAbstractButton* button : sheet->buttons())
      if (button->text() == choice) button->click();
    QApplication::processEvents();
  }
  // The tag editors' windows, and the series name each shows.
  static QWidget* singleEditor() { return test::topLevel("TagsPanel"); }
  static QWidget* multipleEditor() { return test::topLevel("BCTagsPanelMultiple"); }
  static QString editorSeriesName() {
    QWidget* editor = singleEditor();
    auto* field = editor ? editor->findChild<QLineEdit*>("TagsNameTextField") : nullptr;
    return field ? field->text() : QString();
  }
  static QString multipleEditorSeriesName() {
    QWidget* editor = multipleEditor();
    auto* field = editor ? editor->findChild<QLineEdit*>("TagsSeriesNameTextField") : nullptr;
    return field ? field->text() : QString();
  }
  QStringList mainLog() const { return test::logMessages(root + "/data/Zuvo/log.bclog2"); }
  QStringList userLog() const { return test::logMessages(root + "/data/Zuvo/userlog.txt"); }

  QString root;
  std::unique_ptr<Controller> controller;
  ShownWindows shown;
  QList<MediaFilePtr> lookedUpAgain;
};

}  // namespace zuvo::test
