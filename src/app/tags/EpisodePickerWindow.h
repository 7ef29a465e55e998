#pragma once
// The episode picker's window: a prompt, a radio matrix (all episodes or only those whose
// title matches), the table of episodes and OK and Cancel. It shows what its look-up
// object holds and hands every press to it. GUI thread only; the window is built at the
// first use.
#include <QAbstractTableModel>
#include <QButtonGroup>
#include <memory>

#include "app/panels/BCAlertPanel.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/EpisodePickerPanel.h"

class QDialog;
namespace Ui {
class LookUpShow;
}

namespace zuvo {

// The episode table over the look-up's data source.
class EpisodePickerModel : public QAbstractTableModel {
 public:
  explicit EpisodePickerModel(const BCLookUpShow& lookup) : lookup_(lookup) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void reload();

 private:
  const BCLookUpShow& lookup_;
};

class EpisodePickerWindow : public EpisodePickerPanel {
 public:
  explicit EpisodePickerWindow(BCLookUpShow& lookup);
  ~EpisodePickerWindow() override;

  int selectedMatrixColumn() const override;
  void selectMatrixCell(int row, int column) override;
  void reloadData() override;
  int selectedRow() const override;
  void runModal(const QString& prompt, QObject* mainWindow) override;
  void stopModal(QObject* mainWindow) override;
  void showAlert(const QString& message, QObject* mainWindow) override;

  // The panel once built, else null.
  QDialog* window() const { return window_.get(); }

 private:
  QDialog* loadedWindow() const;

  BCLookUpShow& lookup_;
  mutable std::unique_ptr<QDialog> window_;
  mutable std::unique_ptr<::Ui::LookUpShow> ui_;
  mutable std::unique_ptr<EpisodePickerModel> model_;
  mutable std::unique_ptr<QButtonGroup> matrix_;
  std::unique_ptr<BCAlertPanel> myAlertPanel;
};

}  // namespace zuvo
