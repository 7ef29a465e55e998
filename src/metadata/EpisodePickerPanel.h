#pragma once
// The window side of the episode picker. The look-up logic keeps the rows and decides;
// the application's window shows them. A look-up object calls its panel on the main
// thread only; look-ups on probe threads have none.
#include <QString>

class QObject;

namespace zuvo {

class EpisodePickerPanel {
 public:
  virtual ~EpisodePickerPanel() = default;

  // The radio matrix: column 0 lists every episode, column 1 only those whose title
  // matches the item's episode name.
  virtual int selectedMatrixColumn() const = 0;
  virtual void selectMatrixCell(int row, int column) = 0;
  // The episode table asks the look-up for its rows again.
  virtual void reloadData() = 0;
  // The table's selected row, -1 when none.
  virtual int selectedRow() const = 0;

  // Shows `prompt`, centres the panel on `mainWindow`, brings it to the front and runs it
  // modally; returns when stopModal ends the run (or the user closes the window).
  virtual void runModal(const QString& prompt, QObject* mainWindow) = 0;
  // Ends the modal run, hides the panel and brings `mainWindow` to the front.
  virtual void stopModal(QObject* mainWindow) = 0;
  // The look-up's alert on `mainWindow`; returns when the user has closed it.
  virtual void showAlert(const QString& message, QObject* mainWindow) = 0;
};

}  // namespace zuvo
