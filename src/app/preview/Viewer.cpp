#include "app/preview/Viewer.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QSlider>
#include <QStringDecoder>
#include <QStyle>
#include <QTimer>
#include <csignal>

#include "app/panels/PanelPlacement.h"
#include "app/panels/WindowAccessible.h"
#include "app/preview/PreviewState.h"
#include "app/preview/VideoOpenGLView.h"
#include "media/BCCReporter.h"
#include "media/LanguageRecord.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"
#include "media/TimeHelpers.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "ui_Viewer.h"

namespace zuvo {

namespace {

// A left press on the groove puts the handle under the pointer and holds it there.
class AbsoluteSliderStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton | Qt::MiddleButton;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

constexpr int kPanelSeconds = 10;
constexpr int kPanelMargin = 20;
constexpr int kSeekCountdown = 5;
constexpr int kUnknownLength = 1000000;
constexpr int kTerminateGraceMs = 2000;

// Stands for a path in the command templates, so that a quote in a path never splits it.
const QString kPathSlot = QStringLiteral("\"\x01path\x01\"");
const QString kPathToken = QStringLiteral("\x01path\x01");

template <typename Record>
void addTrack(QList<Record>& list, const QString& line, const QString& key) {
  const int n = IntegerValue(line.mid(line.indexOf(key) + key.size()));
  for (const Record& r : list)
    if (r.tracknumber == n) return;
  list.append(Record{QStringLiteral("Unknown"), n});
}

// The player names languages as the file does: Matroska keeps the bibliographic codes
// ("fre", "ger"), which the language table knows by their terminology codes.
QString languageName(const QString& code) {
  static const QHash<QString, QString> terminology{
      {"alb", "sqi"}, {"arm", "hye"}, {"baq", "eus"}, {"bur", "mya"}, {"chi", "zho"},
      {"cze", "ces"}, {"dut", "nld"}, {"fre", "fra"}, {"geo", "kat"}, {"ger", "deu"},
      {"gre", "ell"}, {"ice", "isl"}, {"mac", "mkd"}, {"mao", "mri"}, {"may", "msa"},
      {"per", "fas"}, {"rum", "ron"}, {"slo", "slk"}, {"tib", "bod"}, {"wel", "cym"}};
  auto record = LanguageRecord::LanguageWithString(code);
  if (!record) record = LanguageRecord::LanguageWithString(terminology.value(code.toLower()));
  return record ? record->longname() : code;
}

// Sets the language of the records that a "<key>N_LANG=xx" line names; the language text.
template <typename Record>
QString nameTrack(QList<Record>& list, const QString& line, const QString& key) {
  const int start = line.indexOf(key) + key.size();
  const int langAt = line.indexOf("_LANG=", start);
  if (langAt < 0) return {};
  const int n = line.mid(start, langAt - start).toInt();
  const QString code = line.mid(langAt + 6).trimmed();
  const QString language = languageName(code);
  for (Record& r : list)
    if (r.tracknumber == n) r.language = language;
  return language;
}

}  // namespace

Viewer::Viewer(const QString& path, bool dvd, int track, std::function<void()> playerEnded, QWidget* parent,
               const QWidget* over)
    : QWidget(parent, Qt::Window),
      bcreporter(BCCReporter::dummy()),
      filepath(path),
      DVDTrack(track),
      isDVD(dvd),
      playerEnded_(std::move(playerEnded)) {
  // The view of this window serves the channel under the name drawn here.
  makePreviewBufferName();
  setAccessibleWindowRole(this, QAccessible::Window);
  ui_ = std::make_unique<Ui::Viewer>();
  ui_->setupUi(this);
  myOpenGLView = ui_->myOpenGLView;
  if (!VideoOpenGLView::openGLAvailable()) {
    // The view keeps serving the channel and converting frames outside the window; a
    // plain picture takes its place.
    auto* picture = new QLabel(this);
    picture->setObjectName("pictureWithoutOpenGL");
    picture->setAlignment(Qt::AlignCenter);
    picture->setMinimumSize(64, 48);
    picture->setStyleSheet("background: black");
    delete layout()->replaceWidget(myOpenGLView, picture);
    myOpenGLView->setParent(nullptr);
    ownedView_.reset(myOpenGLView);
    connect(myOpenGLView, &VideoOpenGLView::pictureChanged, picture, [this, picture] {
      const QImage image = myOpenGLView->currentImage();
      if (image.isNull() || myOpenGLView->aspect() <= 0) {
        picture->clear();
        return;
      }
      const QSize shown(int(image.height() * myOpenGLView->aspect()), image.height());
      picture->setPixmap(
          QPixmap::fromImage(image.scaled(shown.scaled(picture->size(), Qt::KeepAspectRatio))));
    });
  }
  // The control panel floats over the window.
  QWidget* panel = ui_->controlpanel;
  panel->setParent(this, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  panel->adjustSize();
  panel->hide();
  ui_->PreviewProgress->hide();

  const QString play = paths::resourcePath("playerplay.png");
  const QString pause = paths::resourcePath("playerpause.png");
  playImage_ = QFileInfo::exists(play) ? QIcon(play) : style()->standardIcon(QStyle::SP_MediaPlay);
  pauseImage_ = QFileInfo::exists(pause) ? QIcon(pause) : style()->standardIcon(QStyle::SP_MediaPause);

  // The skip buttons show arrows and the play button an image: a screen reader and the
  // tooltip say what each does.
  for (auto [button, name] : {std::pair{ui_->BackwardsButton, "Back 10 seconds"},
                              {ui_->ForwardButton, "Forward 10 seconds"},
                              {ui_->DVDFastBackwardsButton, "Previous chapter"},
                              {ui_->DVDFastForwardButton, "Next chapter"}}) {
    button->setAccessibleName(QLatin1String(name));
    button->setToolTip(QLatin1String(name));
  }
  showPlayButton(showsPause_);
  connect(ui_->PreviewPlayButton, &QPushButton::clicked, this, &Viewer::pausePreview);
  connect(ui_->ForwardButton, &QPushButton::clicked, this, &Viewer::forward);
  connect(ui_->BackwardsButton, &QPushButton::clicked, this, &Viewer::backwards);
  connect(ui_->DVDFastForwardButton, &QPushButton::clicked, this, &Viewer::DVDfastforward);
  connect(ui_->DVDFastBackwardsButton, &QPushButton::clicked, this, &Viewer::DVDfastbackwards);
  // A press anywhere on the groove takes the handle there, as a drag would; the seek goes
  // out once, for where the handle is let go. Keys and the wheel seek as they step.
  QSlider* slider = ui_->PreviewProgress;
  auto* absolute = new AbsoluteSliderStyle;
  absolute->setParent(slider);
  slider->setStyle(absolute);
  connect(slider, &QSlider::sliderReleased, this, &Viewer::seekPreview);
  connect(slider, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && !ui_->PreviewProgress->isSliderDown()) seekPreview();
  });
  connect(slider, &QSlider::sliderMoved, this,
          [this](int position) { ui_->currenttimestring->setText(TimeStringFromSeconds(position)); });
  connect(ui_->subtitlescombobox, &QComboBox::activated, this, &Viewer::selectSubtitle);
  connect(ui_->audiocombobox, &QComboBox::activated, this, &Viewer::selectAudio);

  mouseToken_ = NotificationCenter::defaultCenter().addObserver("MouseOnWindow", [this](const Notification&) {
    QMetaObject::invokeMethod(this, &Viewer::mouseonwindow, Qt::AutoConnection);
  });
  centreWindowOnWindow(this, over ? over : parent);
  show();
  QMetaObject::invokeMethod(this, &Viewer::showPreview, Qt::QueuedConnection);
}

Viewer::~Viewer() {
  NotificationCenter::defaultCenter().removeObserver(mouseToken_);
  if (player_ && player_->state() != QProcess::NotRunning) {
    ::kill(-static_cast<pid_t>(player_->processId()), SIGTERM);
    if (!player_->waitForFinished(kTerminateGraceMs)) {
      ::kill(-static_cast<pid_t>(player_->processId()), SIGKILL);
      player_->waitForFinished(kTerminateGraceMs);
    }
  }
  player_.reset();
  playerGone();
}

QWidget* Viewer::controlPanel() const { return ui_->controlpanel; }
QSlider* Viewer::progress() const { return ui_->PreviewProgress; }
QLabel* Viewer::currentTime() const { return ui_->currenttimestring; }
QLabel* Viewer::maxTime() const { return ui_->maxtimestring; }
QComboBox* Viewer::audioCombo() const { return ui_->audiocombobox; }
QComboBox* Viewer::subtitlesCombo() const { return ui_->subtitlescombobox; }
QPushButton* Viewer::playButton() const { return ui_->PreviewPlayButton; }

void Viewer::showPreview() {
  subtitles_ = {Subtitle{QStringLiteral("None"), -1}};
  audios_.clear();
  fillCombos();
  ui_->PreviewProgress->setValue(0);
  ui_->PreviewProgress->hide();
  dvdLengthKey_ = QString::asprintf("ID_DVD_TITLE_%i_LENGTH=", DVDTrack);
  showPlayButton(true);

  const QString buffer = previewBufferName();
  QString line;
  if (!isDVD) {
    line = kPathSlot + " -monitoraspect 1.777778 -vo corevideo:shared_buffer:buffer_name=" + buffer +
           " -slave -nosub -noautosub -identify";
  } else if (Defaults::standard().get(setting::AlternateDVDDetection)) {
    line = QString::asprintf(
               "dvd://%i -monitoraspect 1.777778 -cache 8192 -vo corevideo:shared_buffer:buffer_name=",
               DVDTrack) +
           buffer + " -slave -nosub -noautosub -identify";
  } else {
    line = QString::asprintf("dvd://%i  -dvd-device ", DVDTrack) + kPathSlot +
           " -monitoraspect 1.777778 -cache 8192 -vo corevideo:shared_buffer:buffer_name=" + buffer +
           " -slave -nosub -noautosub -identify";
  }
  ui_->DVDFastForwardButton->setVisible(isDVD);
  ui_->DVDFastBackwardsButton->setVisible(isDVD);
  ui_->ForwardButton->setVisible(!isDVD);
  ui_->BackwardsButton->setVisible(!isDVD);

  arguments_ = SplitArguments(line);
  for (QString& a : arguments_)
    if (a == kPathToken) a = filepath;

  const QString home = paths::applicationSupportFolder();
  QDir().mkpath(home);
  player_ = std::make_unique<QProcess>();
  player_->setProgram(paths::toolPath("mplayer-playback"));
  player_->setArguments(arguments_);
  player_->setWorkingDirectory(home);
  QProcessEnvironment environment;
  environment.insert("HOME", home);
  // The sound server of the desktop session is found through these; without them the
  // preview plays silently.
  const QProcessEnvironment session = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_SERVER", "PIPEWIRE_RUNTIME_DIR"})
    if (session.contains(name)) environment.insert(name, session.value(name));
  player_->setProcessEnvironment(environment);
  player_->setProcessChannelMode(QProcess::MergedChannels);
  player_->setChildProcessModifier([] {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  });
  connect(player_.get(), &QProcess::readyRead, this, [this] { readOutput(player_->readAll()); });
  connect(player_.get(), &QProcess::finished, this, [this] {
    // A player that ends without an exit line still ends the preview.
    if (exiting_) return;
    closePanel();
    playerGone();
    close();
  });
  player_->start();
  if (!player_->waitForStarted()) {
    bcreporter->report("Could not start the preview player", 0);
    playerGone();
    close();
    return;
  }
  // The video channel serves this child and no other process.
  myOpenGLView->acceptPlayer(player_->processId());
  raise();
  activateWindow();
  ui_->PreviewProgress->setMaximum(kUnknownLength);
  ui_->PreviewProgress->hide();
  if (!isDVD) send("get_time_length\n");
  panelDeadline_ = QDateTime::currentDateTime().addSecs(kPanelSeconds);
}

void Viewer::send(const QByteArray& command) {
  const QByteArray text = command.endsWith('\n') ? command : command + '\n';
  if (!player_ || player_->state() != QProcess::Running || player_->write(text) != text.size())
    bcreporter->report("Could not send " + QString::fromLatin1(text.trimmed()) + " to the player", 0);
}

void Viewer::stopPreview() { send("stop\n"); }

void Viewer::pausePreview() {
  send("pause\n");
  showPlayButton(!showsPause_);
}

void Viewer::showPlayButton(bool pause) {
  showsPause_ = pause;
  QPushButton* button = ui_->PreviewPlayButton;
  button->setIcon(pause ? pauseImage_ : playImage_);
  const QString name = pause ? QStringLiteral("Pause") : QStringLiteral("Play");
  button->setAccessibleName(name);
  button->setToolTip(name);
}

void Viewer::forward() { send("seek 10 0\n"); }
void Viewer::backwards() { send("seek -10 0\n"); }
void Viewer::DVDfastforward() { send("seek_chapter 1  0\n"); }
void Viewer::DVDfastbackwards() { send("seek_chapter -1  0\n"); }
void Viewer::seekPreview() {
  // A paused player prints no positions to count: its seek goes out at once.
  if (!showsPause_) {
    seekCountdown_ = 0;
    sendSeek();
    return;
  }
  seekCountdown_ = kSeekCountdown;
}

void Viewer::sendSeek() {
  send(QString::asprintf("seek %f 2\n", double(ui_->PreviewProgress->value())).toLatin1());
}

void Viewer::selectSubtitle() {
  const int index = ui_->subtitlescombobox->currentIndex();
  const int track = index > 0 && index < subtitles_.size() ? subtitles_[index].tracknumber : -1;
  send(QString::asprintf("sub_select %i\n", track).toLatin1());
}

void Viewer::selectAudio() {
  const int index = ui_->audiocombobox->currentIndex();
  const int track = index >= 0 && index < audios_.size() ? audios_[index].tracknumber : -1;
  send(QString::asprintf("switch_audio %i\n", track).toLatin1());
}

void Viewer::mouseonwindow() {
  placePanel();
  ui_->controlpanel->show();
  ui_->controlpanel->raise();
  panelDeadline_ = QDateTime::currentDateTime().addSecs(kPanelSeconds);
}

void Viewer::placePanel() {
  QWidget* panel = ui_->controlpanel;
  const QRect frame = frameGeometry();
  panel->move(frame.x() + (frame.width() - panel->width()) / 2,
              frame.bottom() - kPanelMargin - panel->height());
}

void Viewer::closePanel() { ui_->controlpanel->hide(); }

void Viewer::fillCombos() {
  const QSignalBlocker holdAudio(ui_->audiocombobox);
  const QSignalBlocker holdSubtitles(ui_->subtitlescombobox);
  const int audio = ui_->audiocombobox->currentIndex();
  const int subtitle = ui_->subtitlescombobox->currentIndex();
  ui_->audiocombobox->clear();
  for (const Audio& a : audios_) ui_->audiocombobox->addItem(a.language);
  ui_->subtitlescombobox->clear();
  for (const Subtitle& s : subtitles_) ui_->subtitlescombobox->addItem(s.language);
  ui_->audiocombobox->setCurrentIndex(std::min(audio, int(audios_.size()) - 1));
  ui_->subtitlescombobox->setCurrentIndex(std::max(0, std::min(subtitle, int(subtitles_.size()) - 1)));
}

void Viewer::setLength(double seconds) {
  ui_->PreviewProgress->setMaximum(static_cast<int>(seconds));
  ui_->maxtimestring->setText(TimeStringFromSeconds(static_cast<qint32>(seconds)));
  ui_->PreviewProgress->show();
}

bool Viewer::panelInUse() const {
  const QWidget* panel = ui_->controlpanel;
  const bool pointerOn = panel->underMouse() || panel->frameGeometry().contains(QCursor::pos());
  return panel->isVisible() &&
         (pointerOn || ui_->PreviewProgress->isSliderDown() || ui_->audiocombobox->view()->isVisible() ||
          ui_->subtitlescombobox->view()->isVisible());
}

void Viewer::readOutput(const QByteArray& data) {
  if (exiting_ || data.isEmpty()) return;
  // A panel the pointer is on, or one being used, stays for another while.
  if (QDateTime::currentDateTime() > panelDeadline_ && panelInUse())
    panelDeadline_ = QDateTime::currentDateTime().addSecs(kPanelSeconds);
  if (QDateTime::currentDateTime() > panelDeadline_)
    closePanel();
  else if (ui_->controlpanel->isVisible())
    placePanel();
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(data);
  if (decoder.hasError()) return;
  const auto lines = SplitLines(text);
  if (!lines) return;
  for (const QString& line : *lines) {
    // The empty piece after a final line break is no output line.
    if (line.isEmpty()) continue;
    handleLine(line);
    if (exiting_) return;
  }
}

void Viewer::handleLine(const QString& line) {
  if (line.contains("Exiting...") || line.contains("(End of file)")) {
    closePanel();
    exiting_ = true;
    QTimer::singleShot(500, this, [this] {
      if (player_ && player_->state() != QProcess::NotRunning) {
        ::kill(-static_cast<pid_t>(player_->processId()), SIGTERM);
        if (!player_->waitForFinished(kTerminateGraceMs)) player_->kill();
      }
      playerGone();
      close();
    });
    return;
  }
  bool listsChanged = false;
  if (line.contains("ID_SUBTITLE_ID=")) {
    addTrack(subtitles_, line, "ID_SUBTITLE_ID=");
    listsChanged = true;
  } else if (line.contains("ID_SID_")) {
    nameTrack(subtitles_, line, "ID_SID_");
    listsChanged = true;
  } else if (line.contains("ID_AUDIO_ID=")) {
    addTrack(audios_, line, "ID_AUDIO_ID=");
    listsChanged = true;
  } else if (line.contains("ID_AID_")) {
    const QString language = nameTrack(audios_, line, "ID_AID_");
    fillCombos();
    if (!audioShown_ && !language.isEmpty()) {
      audioShown_ = true;
      const int index = ui_->audiocombobox->findText(language);
      const QSignalBlocker hold(ui_->audiocombobox);
      ui_->audiocombobox->setCurrentIndex(index);
    }
  } else if (isDVD && line.contains(dvdLengthKey_)) {
    setLength(line.mid(line.indexOf(dvdLengthKey_) + dvdLengthKey_.size()).trimmed().toDouble());
  } else if (line.contains("ANS_LENGTH=")) {
    setLength(line.mid(line.indexOf("ANS_LENGTH=") + 11).trimmed().toDouble());
  }
  if (listsChanged) fillCombos();

  if (ui_->PreviewProgress->isHidden()) send("get_time_length\n");
  if (line.contains("A:") && line.contains(" V:") && seekCountdown_ == 0) {
    const int a = line.indexOf("A:") + 2;
    const double position = line.mid(a, line.indexOf("V:", a) - a).trimmed().toDouble();
    // The handle the user holds is theirs: the position waits until it is let go.
    if (isVisible() && !ui_->PreviewProgress->isSliderDown()) {
      ui_->PreviewProgress->setValue(static_cast<int>(position));
      ui_->currenttimestring->setText(TimeStringFromSeconds(static_cast<qint32>(position)));
    }
    return;
  }
  if (seekCountdown_ > 0 && !ui_->PreviewProgress->isSliderDown() && --seekCountdown_ == 0) sendSeek();
}

void Viewer::playerGone() {
  if (ended_) return;
  ended_ = true;
  if (playerEnded_) playerEnded_();
}

void Viewer::closeEvent(QCloseEvent* event) {
  closePanel();
  if (!exiting_ && !ended_) {
    runloop::runFor(0.5);
    stopPreview();
  }
  event->accept();
}

}  // namespace zuvo
