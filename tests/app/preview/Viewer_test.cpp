// The preview window with a scripted player (what it sends and how it reads the player's
// lines) and with the real player child on a real file (it opens and closes cleanly).
#include "app/preview/Viewer.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <csignal>

#include "app/preview/PreviewState.h"
#include "app/preview/VideoOpenGLView.h"
#include "app/support/WidgetApplication.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QTest::qWait(20);
  }
  return true;
}

// A player that records its arguments, environment and commands in its work folder and
// ends on "stop" or "quit" with the exit line.
QString scriptedPlayerFolder() {
  static const QString folder = [] {
    const QString f = freshFolder("scripted-libexec");
    writeFile(f + "/mplayer-playback",
              "#!/usr/bin/python3\n"
              "import json, os, sys\n"
              "json.dump({'args': sys.argv[1:], 'env': dict(os.environ), 'cwd': os.getcwd()},\n"
              "          open('player-start.json', 'w'))\n"
              "log = open('player-commands.txt', 'w')\n"
              "for line in iter(sys.stdin.readline, ''):\n"
              "    log.write(line); log.flush()\n"
              "    if line.strip() in ('stop', 'quit'):\n"
              "        print('\\nExiting... (Quit)', flush=True)\n"
              "        sys.stdin.read()\n");
    QFile::setPermissions(f + "/mplayer-playback", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return f;
  }();
  return folder;
}

QString supportFile(const QString& name) { return paths::applicationSupportFolder() + "/" + name; }

QStringList commandsSent() {
  return QString::fromUtf8(readFile(supportFile("player-commands.txt"))).split('\n', Qt::SkipEmptyParts);
}

struct ScriptedViewer {
  explicit ScriptedViewer(const QString& path = "/videos/a b/show \"one\".mkv", bool dvd = false,
                          int track = 1, const QWidget* over = nullptr) {
    paths::setResourceRoots(QString(), scriptedPlayerFolder());
    QFile::remove(supportFile("player-commands.txt"));
    QFile::remove(supportFile("player-start.json"));
    viewer = std::make_unique<Viewer>(
        path, dvd, track, [this] { ++ended; }, nullptr, over);
    EXPECT_TRUE(waitUntil([&] { return commandsSent().contains("get_time_length") || dvd; }));
  }
  ~ScriptedViewer() {
    viewer.reset();
    paths::setResourceRoots(QString(), QString());
  }
  QJsonObject start() const {
    return QJsonDocument::fromJson(readFile(supportFile("player-start.json"))).object();
  }
  std::unique_ptr<Viewer> viewer;
  int ended = 0;
};

}  // namespace

TEST(Viewer, StartsThePlayerWithHomeTheSoundSessionAndThePathAsOneArgument) {
  qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
  qunsetenv("PULSE_SERVER");
  qunsetenv("PIPEWIRE_RUNTIME_DIR");
  ScriptedViewer s;
  ASSERT_TRUE(waitUntil([&] { return !s.start().isEmpty(); }));
  const QJsonObject start = s.start();
  const QString name = previewBufferName();
  EXPECT_TRUE(QRegularExpression("^zuvoport[0-9a-f]{32}$").match(name).hasMatch()) << name.toStdString();
  const QStringList expected = {"/videos/a b/show \"one\".mkv",
                                "-monitoraspect",
                                "1.777778",
                                "-vo",
                                "corevideo:shared_buffer:buffer_name=" + name,
                                "-slave",
                                "-nosub",
                                "-noautosub",
                                "-identify"};
  EXPECT_EQ(start["args"].toVariant().toStringList(), expected);
  const QVariantMap environment = start["env"].toObject().toVariantMap();
  // Python itself sets LC_CTYPE when it finds the C locale.
  EXPECT_EQ(environment.keys(), (QStringList{"HOME", "LC_CTYPE", "XDG_RUNTIME_DIR"}));
  EXPECT_EQ(environment["HOME"].toString(), paths::applicationSupportFolder());
  EXPECT_EQ(environment["XDG_RUNTIME_DIR"].toString(), "/run/user/4242");
  EXPECT_EQ(start["cwd"].toString(), paths::applicationSupportFolder());
  // A file shows the 10-second skips, not the chapter skips.
  EXPECT_FALSE(s.viewer->findChild<QPushButton*>("ForwardButton")->isHidden());
  EXPECT_TRUE(s.viewer->findChild<QPushButton*>("DVDFastForwardButton")->isHidden());
}

TEST(Viewer, DvdFormNamesTitleAndDevice) {
  ScriptedViewer s("/media/my disc", true, 3);
  ASSERT_TRUE(waitUntil([&] { return !s.start().isEmpty(); }));
  const QStringList args = s.start()["args"].toVariant().toStringList();
  ASSERT_GE(args.size(), 3);
  EXPECT_EQ(args.mid(0, 3), (QStringList{"dvd://3", "-dvd-device", "/media/my disc"}));
  EXPECT_TRUE(args.contains("8192"));
  EXPECT_TRUE(s.viewer->findChild<QPushButton*>("ForwardButton")->isHidden());
  EXPECT_FALSE(s.viewer->findChild<QPushButton*>("DVDFastForwardButton")->isHidden());
  s.viewer->readOutput("ID_DVD_TITLE_3_LENGTH=5400.000\n");
  EXPECT_EQ(s.viewer->progress()->maximum(), 5400);
}

// A screen reader finds each shown control by what it does and presses it through its
// accessible action; the tooltip says the same.
TEST(Viewer, ControlsAreNamedByWhatTheyDoAndPressThroughAccessibility) {
  struct Case {
    bool dvd;
    const char* button;
    const char* name;
    const char* command;
  };
  const Case cases[] = {
      {false, "BackwardsButton", "Back 10 seconds", "seek -10 0"},
      {false, "ForwardButton", "Forward 10 seconds", "seek 10 0"},
      {true, "DVDFastBackwardsButton", "Previous chapter", "seek_chapter -1  0"},
      {true, "DVDFastForwardButton", "Next chapter", "seek_chapter 1  0"},
  };
  for (const Case& c : cases) {
    ScriptedViewer s(c.dvd ? "/media/disc" : "/videos/clip.mkv", c.dvd, 1);
    auto* button = s.viewer->findChild<QPushButton*>(c.button);
    ASSERT_TRUE(button);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_TRUE(accessible && accessible->actionInterface());
    EXPECT_EQ(accessible->text(QAccessible::Name), c.name);
    EXPECT_EQ(button->toolTip(), c.name);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(waitUntil([&] { return commandsSent().contains(c.command); })) << c.button;
  }

  ScriptedViewer s;
  // The window itself is a frame named by its title, not a nameless filler.
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(s.viewer.get());
  ASSERT_TRUE(window);
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_EQ(window->text(QAccessible::Name), "Preview");
  QAccessibleInterface* play = QAccessible::queryAccessibleInterface(s.viewer->playButton());
  ASSERT_TRUE(play && play->actionInterface());
  ASSERT_TRUE(s.viewer->showsPauseImage());
  EXPECT_EQ(play->text(QAccessible::Name), "Pause");
  play->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(waitUntil([&] { return commandsSent().contains("pause"); }));
  EXPECT_EQ(play->text(QAccessible::Name), "Play");
  EXPECT_EQ(s.viewer->playButton()->toolTip(), "Play");
}

TEST(Viewer, ReadsTrackListsAndTheLength) {
  ScriptedViewer s;
  s.viewer->readOutput(
      "ID_AUDIO_ID=1\nID_AID_1_LANG=eng\nID_AUDIO_ID=2\nID_AID_2_LANG=xx\n"
      "ID_SUBTITLE_ID=4\nID_SUBTITLE_ID=4\nID_SID_4_LANG=deu\n");
  ASSERT_EQ(s.viewer->audios().size(), 2);
  EXPECT_EQ(s.viewer->audios()[0].language, "English");
  EXPECT_EQ(s.viewer->audios()[1].language, "xx");
  EXPECT_EQ(s.viewer->audioCombo()->currentText(), "English");
  ASSERT_EQ(s.viewer->subtitles().size(), 2);
  EXPECT_EQ(s.viewer->subtitles()[0].language, "None");
  EXPECT_EQ(s.viewer->subtitles()[1].language, "German");
  EXPECT_EQ(s.viewer->subtitles()[1].tracknumber, 4);

  EXPECT_TRUE(s.viewer->progress()->isHidden());
  s.viewer->readOutput("ANS_LENGTH=5400.00\n");
  EXPECT_EQ(s.viewer->progress()->maximum(), 5400);
  EXPECT_EQ(s.viewer->maxTime()->text(), "01:30:00");
  EXPECT_FALSE(s.viewer->progress()->isHidden());

  s.viewer->readOutput("A:  62.3 V:  62.3 A-V:  0.000\r");
  EXPECT_EQ(s.viewer->progress()->value(), 62);
  EXPECT_EQ(s.viewer->currentTime()->text(), "00:01:02");

  // Not UTF-8: nothing is read from it.
  s.viewer->readOutput("A:  99.0 V:  99.0 \xff\xfe\n");
  EXPECT_EQ(s.viewer->progress()->value(), 62);
}

TEST(Viewer, SendsTheCommandsOfItsControls) {
  ScriptedViewer s;
  s.viewer->readOutput("ID_AUDIO_ID=1\nID_AUDIO_ID=2\nID_SUBTITLE_ID=3\n");
  const bool wasPause = s.viewer->showsPauseImage();
  s.viewer->pausePreview();
  EXPECT_NE(s.viewer->showsPauseImage(), wasPause);
  s.viewer->forward();
  s.viewer->backwards();
  s.viewer->DVDfastforward();
  s.viewer->DVDfastbackwards();
  s.viewer->subtitlesCombo()->setCurrentIndex(1);
  s.viewer->selectSubtitle();
  s.viewer->subtitlesCombo()->setCurrentIndex(0);
  s.viewer->selectSubtitle();
  s.viewer->audioCombo()->setCurrentIndex(1);
  s.viewer->selectAudio();
  s.viewer->audioCombo()->setCurrentIndex(-1);
  s.viewer->selectAudio();
  const QStringList expected = {
      "get_time_length",    "pause",        "seek 10 0",     "seek -10 0",     "seek_chapter 1  0",
      "seek_chapter -1  0", "sub_select 3", "sub_select -1", "switch_audio 2", "switch_audio -1"};
  ASSERT_TRUE(waitUntil([&] { return commandsSent().size() >= expected.size(); }));
  // The slider is still hidden, so every output line above asked for the length again.
  QStringList sent = commandsSent();
  sent.removeAll("get_time_length");
  EXPECT_EQ(sent, expected.mid(1));
}

TEST(Viewer, SeekWaitsForFiveOutputLines) {
  ScriptedViewer s;
  s.viewer->readOutput("ANS_LENGTH=100.00\n");
  s.viewer->progress()->setValue(42);
  s.viewer->seekPreview();
  for (int i = 0; i < 4; ++i) s.viewer->readOutput("A:   1.0 V:   1.0\n");
  QTest::qWait(300);
  EXPECT_FALSE(commandsSent().contains("seek 42.000000 2"));
  EXPECT_EQ(s.viewer->progress()->value(), 42);
  s.viewer->readOutput("A:   1.0 V:   1.0\n");
  EXPECT_TRUE(waitUntil([&] { return commandsSent().contains("seek 42.000000 2"); }));
  s.viewer->readOutput("A:  42.5 V:  42.5\n");
  EXPECT_EQ(s.viewer->progress()->value(), 42);
}

TEST(Viewer, ControlPanelShowsOnClickAndHidesAfterItsDeadline) {
  ScriptedViewer s;
  NotificationCenter::defaultCenter().post("MouseOnWindow", nullptr);
  ASSERT_TRUE(waitUntil([&] { return s.viewer->controlPanel()->isVisible(); }));
  s.viewer->readOutput("A:   1.0 V:   1.0\n");
  EXPECT_TRUE(s.viewer->controlPanel()->isVisible());
  s.viewer->setPanelDeadline(QDateTime::currentDateTime().addSecs(-1));
  s.viewer->readOutput("A:   2.0 V:   2.0\n");
  EXPECT_FALSE(s.viewer->controlPanel()->isVisible());
}

TEST(Viewer, ClosingStopsThePlayerAndEndsThePreview) {
  ScriptedViewer s;
  s.viewer->close();
  EXPECT_TRUE(waitUntil([&] { return commandsSent().contains("stop"); }));
  ASSERT_TRUE(waitUntil([&] { return s.ended == 1; }));
  EXPECT_TRUE(waitUntil([&] { return s.viewer->player()->state() == QProcess::NotRunning; }));
}

TEST(Viewer, PlayerThatCannotStartEndsThePreview) {
  paths::setResourceRoots(QString(), freshFolder("no-player"));
  int ended = 0;
  const QByteArray path = qgetenv("PATH");
  {
    qputenv("PATH", "/nonexistent");
    Viewer viewer("/nowhere.mkv", false, 1, [&] { ++ended; });
    EXPECT_TRUE(waitUntil([&] { return ended == 1; }));
    EXPECT_FALSE(viewer.isVisible());
  }
  qputenv("PATH", path);
  EXPECT_EQ(ended, 1);
  paths::setResourceRoots(QString(), QString());
}

TEST(Viewer, RealPlayerOpensAndClosesWithoutLeavingAChild) {
  const QString file = freshFolder("real") + "/blue clip.mkv";
  makeMedia(file, {"-f", "lavfi", "-i", "color=c=blue:s=64x48:r=25:d=30", "-c:v", "libx264"});
  int ended = 0;
  Viewer viewer(file, false, 1, [&] { ++ended; });
  ASSERT_TRUE(waitUntil([&] { return viewer.maxTime()->text() == "00:00:30"; },
                        60000));  // the player starts slowly while the suite loads every core
  EXPECT_EQ(viewer.progress()->maximum(), 30);
  EXPECT_FALSE(viewer.progress()->isHidden());
  ASSERT_TRUE(viewer.player());
  const qint64 pid = viewer.player()->processId();
  ASSERT_GT(pid, 0);
  viewer.close();
  ASSERT_TRUE(waitUntil([&] { return ended == 1; }, 10000));
  EXPECT_TRUE(waitUntil([&] { return viewer.player()->state() == QProcess::NotRunning; }));
  EXPECT_EQ(liveGroupMembers(pid), 0);
}

namespace {

// The seeks the player has been sent so far.
QStringList seeksSent() {
  QStringList seeks;
  for (const QString& command : commandsSent())
    if (command.startsWith("seek ")) seeks << command;
  return seeks;
}

// Where on the slider's groove a value lies, as the user sees it.
QPoint grooveAt(QSlider* slider, double fraction) {
  return QPoint(int(slider->width() * fraction), slider->height() / 2);
}

// A scripted viewer whose control panel is shown with a 100-second slider.
struct PanelShown : ScriptedViewer {
  PanelShown() {
    viewer->readOutput("ANS_LENGTH=100.00\n");
    NotificationCenter::defaultCenter().post("MouseOnWindow", nullptr);
    EXPECT_TRUE(waitUntil([&] { return viewer->controlPanel()->isVisible(); }));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer->controlPanel()));
    slider = viewer->progress();
  }
  void playFor(int lines, double at = 10.0) {
    for (int i = 0; i < lines; ++i)
      viewer->readOutput(QString::asprintf("A: %5.1f V: %5.1f\n", at, at).toLatin1());
  }
  QSlider* slider = nullptr;
};

}  // namespace

// The user drags the handle while the player goes on printing its position: the handle
// stays under the pointer, nothing is sought during the drag, and one seek goes out for
// the place where the handle was let go.
TEST(Viewer, DraggingTheSliderSeeksOnceToWhereItWasLetGo) {
  PanelShown s;
  s.playFor(1, 10.0);
  EXPECT_EQ(s.slider->value(), 10);
  QTest::mousePress(s.slider, Qt::LeftButton, Qt::NoModifier, grooveAt(s.slider, 0.2));
  for (const double fraction : {0.3, 0.5, 0.7}) {
    QTest::mouseMove(s.slider, grooveAt(s.slider, fraction));
    s.playFor(3, 11.0);
  }
  const int heldAt = s.slider->value();
  EXPECT_NEAR(heldAt, 70, 4) << "the position lines moved the held handle";
  QTest::mouseRelease(s.slider, Qt::LeftButton, Qt::NoModifier, grooveAt(s.slider, 0.7));
  EXPECT_EQ(s.slider->value(), heldAt);
  QTest::qWait(200);
  EXPECT_TRUE(seeksSent().isEmpty()) << seeksSent().join(", ").toStdString();
  s.playFor(5, 11.0);
  const QString expected = QString::asprintf("seek %f 2", double(heldAt));
  EXPECT_TRUE(waitUntil([&] { return seeksSent() == QStringList{expected}; }))
      << seeksSent().join(", ").toStdString();
  s.playFor(5, 11.0);
  QTest::qWait(200);
  EXPECT_EQ(seeksSent(), QStringList{expected}) << "one seek per drag";
}

// A click on the groove takes the handle there and seeks there; paused, the seek goes out
// at once, since a paused player prints no positions.
TEST(Viewer, AClickOnTheGrooveSeeksThere) {
  PanelShown s;
  QTest::mouseClick(s.slider, Qt::LeftButton, Qt::NoModifier, grooveAt(s.slider, 0.3));
  const int clickedAt = s.slider->value();
  EXPECT_NEAR(clickedAt, 30, 4);
  s.playFor(5);
  EXPECT_TRUE(waitUntil([&] {
    return seeksSent() == QStringList{QString::asprintf("seek %f 2", double(clickedAt))};
  })) << seeksSent().join(", ").toStdString();

  QTest::mouseClick(s.viewer->playButton(), Qt::LeftButton);  // pause
  ASSERT_FALSE(s.viewer->showsPauseImage());
  QTest::mouseClick(s.slider, Qt::LeftButton, Qt::NoModifier, grooveAt(s.slider, 0.8));
  const int pausedAt = s.slider->value();
  EXPECT_TRUE(waitUntil([&] { return seeksSent().size() == 2; }));
  EXPECT_EQ(seeksSent().value(1), QString::asprintf("seek %f 2", double(pausedAt)));
}

// The control panel outlives its ten seconds while the pointer rests on it, and hides at
// the next output once the pointer has left.
TEST(Viewer, ControlPanelStaysWhileThePointerIsOnIt) {
  PanelShown s;
  QWidget* panel = s.viewer->controlPanel();
  QTest::mouseMove(panel, QPoint(panel->width() / 2, panel->height() / 2));
  s.viewer->setPanelDeadline(QDateTime::currentDateTime().addSecs(-1));
  s.playFor(2);
  EXPECT_TRUE(panel->isVisible());
  QTest::mouseMove(s.viewer.get(), QPoint(10, 10));
  s.viewer->setPanelDeadline(QDateTime::currentDateTime().addSecs(-1));
  s.playFor(1);
  EXPECT_FALSE(panel->isVisible());
}

// Matroska files name their languages with the bibliographic codes.
TEST(Viewer, TrackListsNameLanguagesByTheirCodesOfEitherForm) {
  ScriptedViewer s;
  s.viewer->readOutput(
      "ID_AUDIO_ID=0\nID_AID_0_LANG=fre\nID_AUDIO_ID=1\nID_AID_1_LANG=fra\nID_AUDIO_ID=2\n"
      "ID_AID_2_LANG=qqq\nID_SUBTITLE_ID=0\nID_SID_0_LANG=ger\nID_SUBTITLE_ID=1\nID_SID_1_LANG=cze\n");
  QStringList audio, subtitles;
  for (const Audio& a : s.viewer->audios()) audio << a.language;
  for (const Subtitle& t : s.viewer->subtitles()) subtitles << t.language;
  EXPECT_EQ(audio, QStringList({"French", "French", "qqq"}));
  EXPECT_EQ(subtitles, QStringList({"None", "German", "Czech"}));
  QStringList listed;
  for (int i = 0; i < s.viewer->subtitlesCombo()->count(); ++i)
    listed << s.viewer->subtitlesCombo()->itemText(i);
  EXPECT_EQ(listed, subtitles);
}

TEST(Viewer, OpensCentredOnTheMainWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(300, 200, 1000, 700);
  mainWindow.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
  ScriptedViewer s("/videos/clip.mkv", false, 1, &mainWindow);
  const QPoint centre = s.viewer->frameGeometry().center();
  const QPoint wanted = mainWindow.frameGeometry().center();
  EXPECT_LE((centre - wanted).manhattanLength(), 40) << centre.x() << "," << centre.y();
}

TEST(Viewer, ThePreviewPlaysOnWhileAnotherProcessTriesItsVideoChannel) {
  const QString file = freshFolder("poked") + "/blue clip.mkv";
  makeMedia(file, {"-f", "lavfi", "-i", "color=c=blue:s=64x48:r=25:d=30", "-c:v", "libx264"});
  Viewer viewer(file, false, 1, [] {});
  VideoOpenGLView* view = viewer.videoView();
  ASSERT_TRUE(waitUntil([&] { return !view->currentImage().isNull(); }, 60000))
      << "no frame from the real player";
  const QString name = previewBufferName();

  // What a local process would send to crash the view: a start beyond any shared frame,
  // then a render.
  const char* poke = R"py(
import socket, sys
channel = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
channel.connect('\0' + sys.argv[1])
channel.settimeout(5)
try:
    channel.sendall(b'start 4000 4000 2 178\nrender\n')
    print((channel.recv(64) or b'closed').decode())
except (BrokenPipeError, ConnectionResetError):
    print('closed')
)py";
  const CommandResult poked = runCommand("python3", {"-c", poke, name});
  EXPECT_EQ(poked.output.trimmed(), "closed") << poked.output.toStdString();

  int frames = 0;
  QObject::connect(view, &VideoOpenGLView::pictureChanged, [&] { ++frames; });
  EXPECT_TRUE(waitUntil([&] { return frames >= 5; }));
  EXPECT_EQ(view->imageWidth(), 64u);
  EXPECT_EQ(view->imageHeight(), 48u);
  EXPECT_EQ(viewer.player()->state(), QProcess::Running);
  viewer.close();
}
