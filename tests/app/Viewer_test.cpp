// The preview window with a scripted player (what it sends and how it reads the player's
// lines) and with the real player child on a real file (it opens and closes cleanly).
#include <QApplication>
#include <QComboBox>
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
#include <gtest/gtest.h>

#include "WidgetApplication.h"
#include "app/PreviewState.h"
#include "app/VideoOpenGLView.h"
#include "app/Viewer.h"
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
  explicit ScriptedViewer(const QString& path = "/videos/a b/show \"one\".mkv", bool dvd = false, int track = 1) {
    paths::setResourceRoots(QString(), scriptedPlayerFolder());
    QFile::remove(supportFile("player-commands.txt"));
    QFile::remove(supportFile("player-start.json"));
    viewer = std::make_unique<Viewer>(path, dvd, track, [this] { ++ended; });
    EXPECT_TRUE(waitUntil([&] { return commandsSent().contains("get_time_length") || dvd; }));
  }
  ~ScriptedViewer() {
    viewer.reset();
    paths::setResourceRoots(QString(), QString());
  }
  QJsonObject start() const { return QJsonDocument::fromJson(readFile(supportFile("player-start.json"))).object(); }
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
  const QStringList expected = {"/videos/a b/show \"one\".mkv", "-monitoraspect", "1.777778", "-vo",
                                "corevideo:shared_buffer:buffer_name=" + name, "-slave", "-nosub",
                                "-noautosub", "-identify"};
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

TEST(Viewer, ReadsTrackListsAndTheLength) {
  ScriptedViewer s;
  s.viewer->readOutput("ID_AUDIO_ID=1\nID_AID_1_LANG=eng\nID_AUDIO_ID=2\nID_AID_2_LANG=xx\n"
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
  const QStringList expected = {"get_time_length", "pause", "seek 10 0", "seek -10 0", "seek_chapter 1  0",
                                "seek_chapter -1  0", "sub_select 3", "sub_select -1", "switch_audio 2",
                                "switch_audio -1"};
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
  ASSERT_TRUE(waitUntil([&] { return viewer.maxTime()->text() == "00:00:30"; }, 20000));
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

TEST(Viewer, ThePreviewPlaysOnWhileAnotherProcessTriesItsVideoChannel) {
  const QString file = freshFolder("poked") + "/blue clip.mkv";
  makeMedia(file, {"-f", "lavfi", "-i", "color=c=blue:s=64x48:r=25:d=30", "-c:v", "libx264"});
  Viewer viewer(file, false, 1, [] {});
  VideoOpenGLView* view = viewer.videoView();
  ASSERT_TRUE(waitUntil([&] { return !view->currentImage().isNull(); }, 20000)) << "no frame from the real player";
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
