#pragma once
// The preview window: plays one item through the player child "mplayer-playback" in
// slave mode. Commands go to the player's standard input one line each; its merged
// output is read for the stream lists, the length, the position and the exit line. The
// picture arrives through the window's video view, over the channel whose name the
// window draws before its interface is made. A floating control panel shows after a
// click in the picture and hides at the first output read 10 seconds later.
#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QProcess>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

#include "media/PlayerTracks.h"
#include "platform/NotificationCenter.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace Ui {
class Viewer;
}

namespace zuvo {

class BCCReporter;
class VideoOpenGLView;

class Viewer : public QWidget {
  Q_OBJECT
 public:
  // `initWithPath:isDVD:DVDTrack:`. `playerEnded` runs once, when the player has gone
  // (the controller clears its preview-open flag there). The window opens centred on
  // `over` (the main window), or on its screen without one.
  Viewer(const QString& path, bool isDVD, int DVDTrack, std::function<void()> playerEnded = {},
         QWidget* parent = nullptr, const QWidget* over = nullptr);
  ~Viewer() override;

  VideoOpenGLView* videoView() const { return myOpenGLView; }
  void setPlayerEnded(std::function<void()> playerEnded) { playerEnded_ = std::move(playerEnded); }

  void showPreview();
  void stopPreview();
  void pausePreview();
  void forward();
  void backwards();
  void DVDfastforward();
  void DVDfastbackwards();
  void seekPreview();
  void selectSubtitle();
  void selectAudio();
  void mouseonwindow();

  // The reader's work on one piece of the player's output.
  void readOutput(const QByteArray& data);

  // What the window shows and runs, for its owner and its tests.
  const QList<Subtitle>& subtitles() const { return subtitles_; }
  const QList<Audio>& audios() const { return audios_; }
  QWidget* controlPanel() const;
  QSlider* progress() const;
  QLabel* currentTime() const;
  QLabel* maxTime() const;
  QComboBox* audioCombo() const;
  QComboBox* subtitlesCombo() const;
  QPushButton* playButton() const;
  bool showsPauseImage() const { return showsPause_; }
  QProcess* player() const { return player_.get(); }
  QStringList playerArguments() const { return arguments_; }
  void setPanelDeadline(const QDateTime& when) { panelDeadline_ = when; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void send(const QByteArray& command);
  void sendSeek();
  void handleLine(const QString& line);
  void placePanel();
  bool panelInUse() const;
  void closePanel();
  void playerGone();
  void setLength(double seconds);
  void fillCombos();
  // The play button's image, name and tooltip for pausing (true) or playing.
  void showPlayButton(bool pause);

  std::unique_ptr<Ui::Viewer> ui_;
  std::shared_ptr<BCCReporter> bcreporter;
  QString filepath;
  int DVDTrack = 1;
  bool isDVD = false;
  VideoOpenGLView* myOpenGLView = nullptr;
  std::unique_ptr<VideoOpenGLView> ownedView_;  // set when it cannot be in the window
  std::function<void()> playerEnded_;
  std::unique_ptr<QProcess> player_;
  QStringList arguments_;
  QList<Subtitle> subtitles_;
  QList<Audio> audios_;
  QIcon playImage_, pauseImage_;
  bool showsPause_ = false;
  bool audioShown_ = false;
  bool exiting_ = false;
  bool ended_ = false;
  QString dvdLengthKey_;
  std::atomic<int> seekCountdown_{0};
  QDateTime panelDeadline_;
  NotificationCenter::Token mouseToken_ = 0;
};

}  // namespace zuvo
