#include "app/panels/DVDReaderWindow.h"

#include <QDialog>

#include "app/notices/ApplicationIcon.h"
#include "app/panels/PanelPlacement.h"
#include "ui_BCDVDReader.h"

namespace zuvo {
namespace {

QWidget* widgetOf(QObject* window) { return qobject_cast<QWidget*>(window); }

}  // namespace

DVDReaderWindow::DVDReaderWindow() = default;
DVDReaderWindow::~DVDReaderWindow() = default;

QDialog* DVDReaderWindow::loadedWindow() {
  if (window_) return window_.get();
  window_ = std::make_unique<QDialog>();
  ui_ = std::make_unique<::Ui::BCDVDReader>();
  ui_->setupUi(window_.get());
  // A sheet: modal to the window it is shown over, the scan itself keeps the events turning.
  window_->setWindowModality(Qt::WindowModal);
  myAlertPanel = std::make_unique<BCAlertPanel>(QStringLiteral("DVD Alert"));
  myAlertPanel->setImage(applicationIcon());
  return window_.get();
}

void DVDReaderWindow::beginSheet(QObject* mainWindow) {
  QDialog* sheet = loadedWindow();
  QWidget* over = widgetOf(mainWindow);
  keepAbove(sheet, over);
  sheet->show();
  centreWindowOnWindow(sheet, over);
  bringWindowForward(sheet);
}

void DVDReaderWindow::endSheet() {
  if (window_) window_->hide();
}

void DVDReaderWindow::closeWindow() {
  if (window_) window_->close();
}

void DVDReaderWindow::centreOn(QObject* mainWindow) {
  centreWindowOnWindow(loadedWindow(), widgetOf(mainWindow));
}

QLabel* DVDReaderWindow::fieldLabel(Field field) const {
  if (!ui_) return nullptr;
  switch (field) {
    case Field::TrackNumber:
      return ui_->TrackNumberTextField;
    case Field::VideoResolution:
      return ui_->VideoResolutionTextField;
    case Field::Duration:
      return ui_->DurationTextField;
    case Field::AudioTracks:
      return ui_->AudioTracksTextField;
    case Field::SubtitleTracks:
      return ui_->SubtitleTracksTextField;
    case Field::NumberOfTracks:
      return ui_->NumberOfTracksTextField;
    case Field::NumberOfVOBs:
      return ui_->NumberOfVOBsTextField;
  }
  return nullptr;
}

void DVDReaderWindow::setFieldText(Field field, const QString& text) {
  loadedWindow();
  fieldLabel(field)->setText(text);
}

void DVDReaderWindow::setProgressVisible(bool visible) {
  loadedWindow();
  ui_->AllTracksProgessIndicator->setVisible(visible);
}

void DVDReaderWindow::setLevelVisible(bool visible) {
  loadedWindow();
  ui_->AllTracksLevelIndicator->setVisible(visible);
}

void DVDReaderWindow::setLevel(int value, int maximum) {
  loadedWindow();
  ui_->AllTracksLevelIndicator->setRange(0, qMax(0, maximum));
  ui_->AllTracksLevelIndicator->setValue(qBound(0, value, qMax(0, maximum)));
}

void DVDReaderWindow::setVOBFieldsVisible(bool visible) {
  loadedWindow();
  ui_->NumberOfVOBsTextField->setVisible(visible);
  ui_->NumberOfVOBsLabelTextField->setVisible(visible);
}

void DVDReaderWindow::showAlert(const QString& message, QObject* mainWindow) {
  loadedWindow();
  myAlertPanel->ShowAlertPanel(message, widgetOf(mainWindow));
}

void DVDReaderWindow::showStyledAlert(const QString& styledMessage, QObject* mainWindow) {
  loadedWindow();
  myAlertPanel->ShowAlertPanelAS(styledMessage, widgetOf(mainWindow));
}

void DVDReaderWindow::showBusy(const QString& message, QObject* mainWindow) {
  if (!busyPanel_) busyPanel_ = std::make_unique<BCBusyPanel>(QStringLiteral("DVD Import"));
  busyPanel_->activateBusyPanel(message, widgetOf(mainWindow));
}

void DVDReaderWindow::hideBusy() {
  if (busyPanel_) busyPanel_->hideBusyPanel();
}

}  // namespace zuvo
