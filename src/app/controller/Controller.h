#pragma once
// The application's one controller: start-up, the notices, the 10-second timer, the saved
// lists and quitting, and the wiring of the windows' presenters (the main window's own
// commands are MainWindowPresenter's). It owns the two lists, the queue runner, the scans,
// the ways sources come in and the tick, all working on its `ControllerState` and reaching
// the windows through the hooks it fills. GUI thread only, except where a member says
// otherwise.
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"
#include "app/controller/MainWindowShell.h"
#include "app/queue/ConversionJobs.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMessageBox;
class QMimeData;
class QModelIndex;
class QSystemTrayIcon;
class QTableView;
class QTimer;

namespace zuvo {

class AddingPaths;
class BCAlertPanel;
class BCBusyPanel;
class BCLookUpShow;
class BCTagsPanel;
class BCTagsPanelMultiple;
class BCPreferencePanel;
class FileLists;
class ListsSaver;
class MainWindowPresenter;
struct RestoredLists;
class FilesTableModel;
class QueueTableModel;
class Notices;
class QueueRunner;
class SourceScanner;
class TimedActivities;
class WindowManagerClose;
class ModalQuitKey;

class Controller : public QObject {
 public:
  // Registers the defaults of every setting; call once before the first controller.
  static void initialize();

  explicit Controller(QObject* parent = nullptr);
  // With converters and tag writers of the caller's choosing (tests); the default runs the
  // real ones.
  explicit Controller(ConversionJobs jobs, QObject* parent = nullptr);
  ~Controller() override;

  // The start-up sequence. False when the program must end at once (no cache folder
  // could be made): the quit sequence has run and there is no event loop to stop.
  bool awakeFromNib();
  // After start-up: brings back the saved lists, then adds the paths the program was
  // opened with and those handed over meanwhile.
  void applicationDidFinishLaunching(const QStringList& openedPaths = {});
  // Paths handed over by a second launch (`service` false: opened documents) or by the
  // Services entry. Kept until the launch has finished, so that the restored lists
  // cannot drop them and nothing is added before the tables exist.
  void handOver(const QStringList& paths, bool service);
  // The quit sequence; ends the event loop, or marks the program finished when the
  // loop has not started.
  void QuitButtonPress();
  bool terminated() const { return terminated_; }
  // Start-up could not make a cache folder: the program ends without running.
  bool startupFailed() const { return startupFailed_; }
  bool startupFinished() const { return startupFinished_; }

  // Saved lists: the main window's state is written afresh, in the background, soon after
  // a list changes (callable from any thread; changes close together make one write).
  void invalidateRestorableState();
  void windowWillEncodeRestorableState();
  // Reads the saved lists on another thread; they replace the lists when they arrive.
  void windowDidDecodeRestorableState();
  // The saved lists have been read back (or there were none); the launch has finished.
  bool launched() const { return launched_; }
  // No write of the saved lists is waiting or under way (also when there is no saver).
  bool listsWritten() const;

  // A notice, as the queue sends them (any thread).
  void GeneralMessage(const QString& title, const QString& message, int type, bool sticky);
  void GrowlMessage(const QString& title, const QString& message, int type, bool sticky);

  // The timer tick. It does nothing before start-up has finished or once quitting has
  // begun.
  void timedactivities();
  // The table rebuild and the redraw of both tables.
  void makefilestable();
  void RefreshWindow();

  // Windows and commands that other windows carry out.
  void closeTagsPanel();
  void ChangeShowDetails();
  void NextShow();
  void PreviousShow();

  // Table edits, selection and the delete sheet (TableEdits.cpp).
  // A changed cell value of the files table, by column identifier.
  void tableEditRequested(const QString& identifier, int row, const QVariant& value);
  // The stop or reset button of a row of the queue table in use.
  void stopButtonClick(int row);
  // The stop key on rows of the queue table in use: each row's stop button, in turn.
  void stopQueueRows(const QList<int>& rows);
  // The move keys: the row goes one place up (-1) or down (+1) and stays current.
  void moveQueueRow(int row, int by);
  // `tableViewSelectionDidChange:` of the files table.
  void filesSelectionChanged();
  // The Return key: the tag editor for the selected row or rows.
  void editClick();
  // The files table's double click.
  void showTagsPanelFromClick(const QModelIndex& clicked);
  void showTagsPanel(int row);
  // The Delete key: the remove-or-trash sheet over the main window.
  void deleteClick();
  static constexpr int kRemoveFromList = 1000;
  static constexpr int kMoveToTrash = 1001;
  static constexpr int kCancelDelete = 1002;
  void deleteAlertDidEnd(int returnCode);
  QMessageBox* deleteSheet() const;
  void tableViewColumnDidResize(int column);
  void sizeWindow();
  // The pasteboard data of dragged queue rows, and a drop of them on the queue table in use.
  QMimeData* writeQueueRows(const QList<int>& rows);
  bool acceptQueueRowDrop(const QMimeData* data, int row);

  // Commands on the files table's rows (MainWindowCommands.cpp).
  void MenuRunEpisodePicker();
  void MultipleToSDHDClick();
  void MultipleToSDClick();
  void MultipleToHDClick();
  void MultipleToOriginalClick();
  void MultipleToInfoClick();
  void MultipleSearchClick();
  void MultipleEditClick();
  void DeleteDuplicatesButtonPress();
  // Starts an item's look-up again (the multiple search and the episode picker); the
  // default runs it on the probe threads.
  void setLookUpStarter(std::function<void(const MediaFilePtr&)> start) { startLookUp_ = std::move(start); }

  // The tag editors: the single editor filled from an item, the multiple-item editor
  // loaded, the view the tag window shows chosen, that window shown or closed.
  void fillTagsPanelFromShow(const MediaFilePtr& item);
  void loadShows(const QList<MediaFilePtr>& items);
  void setTagsView(bool multiple, bool animate);
  void showTagsWindow();
  void closeTagsWindow();

  // The lists and the windows' state, to read.
  const ControllerState& state() const { return state_; }
  ControllerState& state() { return state_; }
  // Starts an item's probe (the default runs it on the probe threads).
  void setProbeStarter(std::function<void(const MediaFilePtr&, bool autoprocess)> start);
  // Conversions and tag rewrites under way, and whether dropped or opened paths are still
  // being added.
  int runningJobs() const;
  bool addingPaths() const;
  QTableView* queueTableInUse() const { return queueTable_; }
  FilesTableModel& filesModel() { return *filesModel_; }
  QueueTableModel& queueModel(QTableView* table);
  BCTagsPanel* tagsPanel() const { return myTagsPanel_.get(); }
  BCTagsPanelMultiple* tagsPanelMultiple() const { return myTagsPanelMultiple_.get(); }

 private:
  Controller(std::optional<ConversionJobs> jobs, QObject* parent);
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The start-up steps, in the order awakeFromNib runs them. The two that answer false
  // end the start-up: the program is quitting.
  void startLogs();
  void startNotices();
  bool checkFolders();
  void workOutLanguage();
  void applyTableSettings();
  void makePanels();
  void dressWindows();
  void startTimer();
  void checkForHelper();
  bool runFirstPreferences();
  void finishStartUp();
  void registerObservers();
  // Shows the refused-key alerts one after the other, never one inside another.
  void showKeyAlerts();
  void makeQueueAndTimedWork();
  void addHandedOver();
  void fillHooks();
  // Runs `work` on the GUI thread: at once there, queued from any other thread.
  void onGUIThread(std::function<void()> work);
  void showFolderAlert(const QString& message, const QString& informative);
  void showTimedNotice(const QString& text);
  void checkNews();
  void layOutWindows();
  void useQueueTable(QTableView* table);
  void reloadFiles();
  void reloadQueue();
  // Repaints the rows of the queue table in use, keeping its selection.
  void redrawQueue();
  void writeRestorableState();
  void restoreLists(const RestoredLists& restored);
  // A warning over the main window that does not wait for an answer; logged in both logs.
  void tellUser(const QString& message, const QString& informative);
  void finishLaunching(const QStringList& openedPaths);
  void connectTables();
  void connectCommands();
  // The main window's, for the tables' commands.
  void ShowMainWindow();
  void validateVisibleToolbarItems();
  void placeOverMainWindowOnce(QWidget* window);
  QWidget* tagsWindow(bool multiple) const;
  QList<int> selectedFileRows() const;
  void selectFileRows(const QList<int>& rows);
  void setHighlightedFormat(const char* allLog, const char* rowLog, ConversionFormat format);
  void writeQuitArchives();
  bool restorationOn() const { return state_.systemMinor >= 7; }

  ControllerState state_;
  MainWindowShell windows_;
  ControllerHooks hooks_;
  std::unique_ptr<MainWindowPresenter> mainWindow_;
  std::optional<ConversionJobs> jobs_;  // until the runner takes them
  std::unique_ptr<FileLists> lists_;
  std::unique_ptr<QueueRunner> runner_;
  std::unique_ptr<SourceScanner> scanner_;
  std::unique_ptr<AddingPaths> adding_;
  std::unique_ptr<TimedActivities> ticks_;
  std::unique_ptr<BCBusyPanel> busyPanel_;
  QTableView* queueTable_ = nullptr;
  // The running item last brought into view.
  std::weak_ptr<MediaFile> followedRow_;
  FilesTableModel* filesModel_ = nullptr;
  QueueTableModel* queue1Model_ = nullptr;
  QueueTableModel* queue2Model_ = nullptr;
  QTimer* timer_ = nullptr;
  std::unique_ptr<Notices> notices_;
  std::unique_ptr<BCAlertPanel> myAlertPanel_;
  QStringList pendingKeyAlerts_;
  bool showingKeyAlerts_ = false;
  std::unique_ptr<BCTagsPanel> myTagsPanel_;
  std::unique_ptr<BCTagsPanelMultiple> myTagsPanelMultiple_;
  std::vector<NotificationCenter::Token> observers_;
  bool startupFinished_ = false;
  bool quitting_ = false;
  bool terminated_ = false;
  bool startupFailed_ = false;
  bool restoreRead_ = false;  // the saved lists have been read back
  bool launched_ = false;     // applicationDidFinishLaunching has run
  QList<std::pair<QStringList, bool>> handedOver_;  // waiting for the launch or their turn
  bool handingOver_ = false;
  bool sizingWindow_ = false;
  // A redraw or a table rebuild that a notification asked for waits to run on the GUI thread.
  std::atomic<bool> refreshWaiting_ = false;
  std::atomic<bool> rebuildWaiting_ = false;
  bool shownTagsView_ = false;  // the multiple-item editor's view is the one shown
  bool restoringSelection_ = false;  // a reload puts the selection back
  QList<MediaFilePtr> selectedFiles_;  // the files table's selected items, as last selected
  QPointer<QMessageBox> deleteSheet_;
  QPointer<QMessageBox> timedNotice_;  // the alerts of timed work
  QMenu* filesContextMenu_ = nullptr;  // none while no row is selected
  QList<MediaFilePtr> draggedQueueItems_;  // what the last queue drag carried
  std::function<void(const MediaFilePtr&)> startLookUp_;
  std::function<void(const MediaFilePtr&, bool)> startProbe_;
  std::unique_ptr<BCLookUpShow> episodePickerLookUp_;
  std::unique_ptr<WindowManagerClose> windowManagerClose_;
  std::unique_ptr<ModalQuitKey> modalQuitKey_;
  // Last, so that it is gone before what its write hands to the GUI thread.
  std::unique_ptr<ListsSaver> saver_;
};

}  // namespace zuvo
