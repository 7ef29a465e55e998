#pragma once
// The window side of the DVD title scanner. The scanner keeps the titles and decides; the
// application's window shows its progress sheet, its alerts and its busy panel. The
// scanner calls its panel on the main thread only; without a panel it scans unseen.
#include <QString>

class QObject;

namespace zuvo {

class DVDReaderPanel {
 public:
  // The sheet's text fields, by their outlet names.
  enum class Field {
    TrackNumber,
    VideoResolution,
    Duration,
    AudioTracks,
    SubtitleTracks,
    NumberOfTracks,
    NumberOfVOBs,
  };

  virtual ~DVDReaderPanel() = default;

  // The scanner window as a sheet over `mainWindow`; returns at once.
  virtual void beginSheet(QObject* mainWindow) = 0;
  // Ends the sheet and orders the window out.
  virtual void endSheet() = 0;
  // Closes the scanner window without ending anything else.
  virtual void closeWindow() = 0;
  // Centres the scanner window on `mainWindow`.
  virtual void centreOn(QObject* mainWindow) = 0;

  virtual void setFieldText(Field field, const QString& text) = 0;
  // The animated bar that runs until the title count is known.
  virtual void setProgressVisible(bool visible) = 0;
  // The level of titles read so far out of the titles found.
  virtual void setLevelVisible(bool visible) = 0;
  virtual void setLevel(int value, int maximum) = 0;
  // The VOB-key count and its label.
  virtual void setVOBFieldsVisible(bool visible) = 0;

  // The "DVD Alert" panel over `mainWindow`; returns when the user has closed it.
  virtual void showAlert(const QString& message, QObject* mainWindow) = 0;
  virtual void showStyledAlert(const QString& styledMessage, QObject* mainWindow) = 0;
  // The "DVD Import" busy panel.
  virtual void showBusy(const QString& message, QObject* mainWindow) = 0;
  virtual void hideBusy() = 0;
};

}  // namespace zuvo
