#pragma once
// The DVD title scanner's window: a sheet over the main window with the title being read,
// its resolution, length and stream counts, the VOB-key count, an animated bar until the
// number of titles is known and then the level of titles read. It also owns the scanner's
// "DVD Alert" and "DVD Import" panels. GUI thread only; the window is built at first use.
#include <memory>

#include "app/panels/BCAlertPanel.h"
#include "app/panels/BCBusyPanel.h"
#include "media/DVDReaderPanel.h"

class QDialog;
class QLabel;
namespace Ui {
class BCDVDReader;
}

namespace zuvo {

class DVDReaderWindow : public DVDReaderPanel {
 public:
  DVDReaderWindow();
  ~DVDReaderWindow() override;

  void beginSheet(QObject* mainWindow) override;
  void endSheet() override;
  void closeWindow() override;
  void centreOn(QObject* mainWindow) override;
  void setFieldText(Field field, const QString& text) override;
  void setProgressVisible(bool visible) override;
  void setLevelVisible(bool visible) override;
  void setLevel(int value, int maximum) override;
  void setVOBFieldsVisible(bool visible) override;
  void showAlert(const QString& message, QObject* mainWindow) override;
  void showStyledAlert(const QString& styledMessage, QObject* mainWindow) override;
  void showBusy(const QString& message, QObject* mainWindow) override;
  void hideBusy() override;

  // The window once built, else null; the label showing `field`.
  QDialog* window() const { return window_.get(); }
  QLabel* fieldLabel(Field field) const;
  BCAlertPanel* alertPanel() const { return myAlertPanel.get(); }
  BCBusyPanel* busyPanel() const { return busyPanel_.get(); }

 private:
  QDialog* loadedWindow();

  std::unique_ptr<QDialog> window_;
  std::unique_ptr<::Ui::BCDVDReader> ui_;
  std::unique_ptr<BCAlertPanel> myAlertPanel;
  std::unique_ptr<BCBusyPanel> busyPanel_;
};

}  // namespace zuvo
