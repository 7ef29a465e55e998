#pragma once
// The DVD title scanner: reads the titles of a DVD folder with HandBrakeCLI (all titles,
// or one in depth) or quickly with mplayer, keeps one DVDTrack per title and preselects
// titles and audio streams. Its window is a DVDReaderPanel. Main thread only: the scans
// keep the run loop turning while the tools run.
#include <QList>
#include <QString>
#include <optional>

#include "media/BCCReporter.h"
#include "media/DVDReaderPanel.h"
#include "media/DVDTrack.h"

class QObject;

namespace zuvo {

class BCDVDReader {
 public:
  // `initializeWithPath:MainWindow:inDirectory:HandbrakePath:Reporter:`.
  BCDVDReader(const QString& path, QObject* mainWindow, const QString& directory,
              const QString& handbrakePath, Reporter reporter);

  // The window; the scanner does not own it. Null: scan unseen.
  void setPanel(DVDReaderPanel* panel) { panel_ = panel; }
  // The quick scan's tool; mplayer on the tool path unless set.
  void setMplayerPath(const QString& path) { mplayerPath_ = path; }

  void activatePanel();
  // Full scan with HandBrakeCLI.
  void readTracks();
  // Quick scan with mplayer: title numbers and lengths only.
  void readTracksB();
  // In-depth read of one title; returns its record (nothing when there is no such title).
  std::optional<DVDTrack> getTrackInfo(int number);

  int NumberOfTracks() const { return static_cast<int>(DVDTracks_.size()); }
  // The first title with that number.
  DVDTrack* getTrack(int number);
  const QList<DVDTrack>& DVDTracks() const { return DVDTracks_; }
  void setDVDTracks(const QList<DVDTrack>& tracks) { DVDTracks_ = tracks; }
  QString DVDPath() const { return DVDPath_; }
  void setDVDPath(const QString& path) { DVDPath_ = path; }
  QString DVDName() const { return DVDName_; }
  void setDVDName(const QString& name) { DVDName_ = name; }
  bool unabletoreaddisk() const { return unabletoreaddisk_; }
  void setUnabletoreaddisk(bool value) { unabletoreaddisk_ = value; }
  bool firstrun() const { return firstrun_; }
  void setFirstrun(bool value) { firstrun_ = value; }

  void setTrackSelected(int number, bool value);
  void setTrackSeason(int number, int value);
  void setTrackEpisode(int number, int value);
  void setTrackName(int number, const QString& value);
  void setTrackMediaType(int number, const QString& value);

  // Default and selected audio streams of one title, by the user's language.
  void setTrackAudioSubtitleSelection(int number);

 private:
  DVDTrack& currentTitle(int number);
  void markBadAndSelectLongest();
  void report(const QString& message, quint32 level = 3);
  void show(DVDReaderPanel::Field field, const QString& text);
  void failScan();

  bool firstrun_ = true;
  bool unabletoreaddisk_ = false;
  QList<DVDTrack> DVDTracks_;
  QString DVDPath_;
  Reporter myreporter;
  QString conversiondirectorystring;
  QString DVDName_;
  QString HandbrakePath_;
  QString mplayerPath_;
  QObject* MainWindow = nullptr;
  DVDReaderPanel* panel_ = nullptr;
};

}  // namespace zuvo
