#pragma once
// The files table's presenter: edited cells written back into the items, the selection and
// the menus it enables, the commands on the highlighted rows, the remove-or-trash sheet and
// the window's minimum width. It owns the table's model; what the tag editors, the toolbar
// and the saved lists do in answer it asks for through its signals.
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

#include "app/shared/ControllerState.h"
#include "media/MediaFile.h"

class QAction;
class QMainWindow;
class QMenu;
class QMessageBox;
class QModelIndex;
class QVariant;
class QWidget;

namespace zuvo {

class BCTableView;
class FilesTableModel;
struct ControllerHooks;

class FilesTablePresenter : public QObject {
  Q_OBJECT

 public:
  // The main window's parts the files table works on.
  struct Widgets {
    BCTableView* table = nullptr;
    QMainWindow* mainWindow = nullptr;
    QWidget* dropHint = nullptr;  // shown over an empty list
    QMenu* videoMainMenu = nullptr;
    QAction* selectTVShowItem = nullptr;
    QMenu* singleContextMenu = nullptr;
    QMenu* multipleContextMenu = nullptr;
  };
  // `startLookUp` starts an item's look-up again (the multiple search).
  FilesTablePresenter(ControllerState& state, const ControllerHooks& hooks, const Widgets& widgets,
                      std::function<void(const MediaFilePtr&)> startLookUp, QObject* parent = nullptr);

  // A changed cell value of the files table, by column identifier.
  void tableEditRequested(const QString& identifier, int row, const QVariant& value);
  // Brings the rows in line with the list, keeping the same items selected.
  void reloadFiles();
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
  void tableViewColumnDidResize(int column);
  void sizeWindow();
  void ChangeShowDetails();
  void NextShow();
  void PreviousShow();
  void MultipleToSDHDClick();
  void MultipleToSDClick();
  void MultipleToHDClick();
  void MultipleToOriginalClick();
  void MultipleToInfoClick();
  void MultipleSearchClick();
  void MultipleEditClick();
  void DeleteDuplicatesButtonPress();
  // The rows an editor wrote back into, redrawn at once.
  void showWrittenBack(const QList<MediaFilePtr>& items);
  // The highlighted items, in row order.
  QList<MediaFilePtr> highlightedItems() const;

 signals:
  // The tag editor follows the selection: one item, several, or none.
  void singleSelected(const MediaFilePtr& item);
  void multipleSelected(const QList<MediaFilePtr>& items);
  void closeTagsPanelWanted();
  // The Return key or a double click on one row, or on several.
  void tagsPanelRequested(const MediaFilePtr& item);
  void multipleEditRequested(const QList<MediaFilePtr>& items);
  // What the toolbar enables may have changed.
  void toolbarChanged();
  // The list changed: the saved lists are written again.
  void listsChanged();
  // The files list wants rebuilding from the items' states.
  void rebuildWanted();

 private:
  void connectTable();
  QList<int> selectedFileRows() const;
  void selectFileRows(const QList<int>& rows);
  void setHighlightedFormat(const char* allLog, const char* rowLog, ConversionFormat format);
  void showAlert(const QString& text) const;

  ControllerState& state_;
  const ControllerHooks& hooks_;
  Widgets w_;
  std::function<void(const MediaFilePtr&)> startLookUp_;
  FilesTableModel* model_ = nullptr;
  bool restoringSelection_ = false;  // a reload puts the selection back
  bool sizingWindow_ = false;
  QList<MediaFilePtr> selectedFiles_;  // the selected items, as last selected
  QPointer<QMessageBox> deleteSheet_;
  QMenu* filesContextMenu_ = nullptr;  // none while no row is selected
};

}  // namespace zuvo
