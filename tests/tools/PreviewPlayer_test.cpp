// The preview's player child against real files: what it tells the video channel, the
// frames it leaves in shared memory, and how it obeys the slave commands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/Paths.h"
#include "platform/PreviewChannel.h"
#include "support/TestSupport.h"
#include "tools/mplayer-playback/PlayerArguments.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

QByteArray uniqueChannel() {
  static int n = 0;
  return "zuvoporttest" + QByteArray::number(::getpid()) + "x" + QByteArray::number(++n);
}

// A test-side view: accepts the player, answers every call, and samples each frame.
class ChannelServer {
 public:
  explicit ChannelServer(const QByteArray& name) : name_(name) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t length = 0;
    const sockaddr_un address = previewchannel::socketAddress(name, &length);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<const sockaddr*>(&address), length), 0);
    EXPECT_EQ(::listen(listener_, 1), 0);
    thread_ = std::thread([this] { serve(); });
  }
  ~ChannelServer() {
    ::shutdown(listener_, SHUT_RDWR);
    if (client_ >= 0) ::shutdown(client_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  QList<QByteArray> calls() {
    std::lock_guard<std::mutex> hold(lock_);
    return calls_;
  }
  // The first frame's Y, U and V at its centre pixel pair.
  QByteArray centreSample() {
    std::lock_guard<std::mutex> hold(lock_);
    return sample_;
  }
  bool sawFrameWhileMapped() const { return frameMapped_; }

 private:
  void serve() {
    client_ = ::accept(listener_, nullptr, nullptr);
    if (client_ < 0) return;
    QByteArray pending;
    int width = 0, height = 0, bytes = 0;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(client_, buffer, sizeof buffer)) > 0) {
      pending.append(buffer, n);
      int end;
      while ((end = pending.indexOf('\n')) >= 0) {
        const QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        QByteArray answer = previewchannel::kAnswer;
        const QList<QByteArray> words = line.split(' ');
        if (words[0] == previewchannel::kStart && words.size() == 5) {
          width = words[1].toInt();
          height = words[2].toInt();
          bytes = words[3].toInt();
          answer = previewchannel::kStartAnswer;
        } else if (words[0] == previewchannel::kRender) {
          sampleFrame(width, height, bytes);
        }
        {
          std::lock_guard<std::mutex> hold(lock_);
          calls_ << line;
        }
        answer += '\n';
        if (::write(client_, answer.constData(), answer.size()) != answer.size()) return;
      }
    }
  }
  void sampleFrame(int width, int height, int bytes) {
    const int fd = ::shm_open(previewchannel::sharedMemoryName(name_).constData(), O_RDONLY, 0400);
    if (fd < 0) return;
    const size_t length = size_t(width) * height * bytes;
    void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) return;
    frameMapped_ = true;
    const auto* p = static_cast<const uchar*>(mapped);
    const size_t at = size_t(height / 2) * width * bytes + size_t(width / 2 & ~1) * bytes;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (sample_.isEmpty()) sample_ = QByteArray(reinterpret_cast<const char*>(p + at), 4);
    }
    ::munmap(mapped, length);
  }

  QByteArray name_;
  int listener_ = -1;
  std::atomic<int> client_{-1};
  std::thread thread_;
  std::mutex lock_;
  QList<QByteArray> calls_;
  QByteArray sample_;
  std::atomic<bool> frameMapped_{false};
};

// The player run as the preview window runs it: commands in, output and errors out.
class SlavePlayer {
 public:
  void start(const QString& file, const QByteArray& channel, const QStringList& extra = {}) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment;
    environment.insert("HOME", testHome());
    process_.setProcessEnvironment(environment);
    process_.start(paths::toolPath("mplayer-playback"),
                   QStringList{file, "-monitoraspect", "1.777778", "-vo",
                               "corevideo:shared_buffer:buffer_name=" + channel, "-slave", "-nosub",
                               "-noautosub", "-identify"} +
                       extra);
    ASSERT_TRUE(process_.waitForStarted());
  }
  void send(const QByteArray& command) { process_.write(command + "\n"); }
  // Waits for a line matching `pattern` in the output not yet consumed; its first capture.
  QString waitFor(const QString& pattern, int timeoutMs = 10000) {
    const QRegularExpression re(pattern);
    QElapsedTimer timer;
    timer.start();
    while (true) {
      const QRegularExpressionMatch m = re.match(QString::fromUtf8(output_.mid(consumed_)));
      if (m.hasMatch()) {
        consumed_ += m.capturedEnd(0);
        return m.lastCapturedIndex() >= 1 ? m.captured(1) : m.captured(0);
      }
      if (timer.elapsed() > timeoutMs || process_.state() == QProcess::NotRunning) {
        output_ += process_.readAll();
        const QRegularExpressionMatch last = re.match(QString::fromUtf8(output_.mid(consumed_)));
        if (last.hasMatch()) {
          consumed_ += last.capturedEnd(0);
          return last.lastCapturedIndex() >= 1 ? last.captured(1) : last.captured(0);
        }
        ADD_FAILURE() << "no " << pattern.toStdString() << " in " << output_.mid(consumed_).toStdString()
                      << " (exit " << process_.exitCode() << ")";
        return {};
      }
      process_.waitForReadyRead(100);
      output_ += process_.readAll();
    }
  }
  bool waitForExit(int timeoutMs = 10000) { return process_.waitForFinished(timeoutMs); }
  QProcess& process() { return process_; }
  QByteArray output() { return output_ += process_.readAll(); }

 private:
  QProcess process_;
  QByteArray output_;
  qsizetype consumed_ = 0;
};

QString redVideo() {
  static const QString path = [] {
    const QString p = freshFolder("red") + "/red.mkv";
    makeMedia(
        p, {"-f", "lavfi", "-i", "color=c=red:s=64x48:r=25:d=2", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    return p;
  }();
  return path;
}

QString twoLanguagesVideo() {
  static const QString path = [] {
    const QString folder = freshFolder("languages");
    const QString subtitles = writeFile(folder + "/s.srt", "1\n00:00:00,000 --> 00:00:05,000\nHello\n");
    const QString p = folder + "/with tracks.mkv";
    makeMedia(p, {"-f",
                  "lavfi",
                  "-i",
                  "testsrc=s=64x48:r=25:d=5",
                  "-f",
                  "lavfi",
                  "-i",
                  "sine=f=440:d=5",
                  "-f",
                  "lavfi",
                  "-i",
                  "sine=f=880:d=5",
                  "-i",
                  subtitles,
                  "-map",
                  "0",
                  "-map",
                  "1",
                  "-map",
                  "2",
                  "-map",
                  "3",
                  "-c:v",
                  "libx264",
                  "-g",
                  "10",
                  "-c:a",
                  "aac",
                  "-c:s",
                  "srt",
                  "-metadata:s:a:0",
                  "language=eng",
                  "-metadata:s:a:1",
                  "language=fre",
                  "-metadata:s:s:0",
                  "language=ger"});
    return p;
  }();
  return path;
}

}  // namespace

TEST(PreviewPlayer, PlaysIntoSharedMemoryAsFourTwoTwo) {
  const QByteArray name = uniqueChannel();
  ChannelServer server(name);
  SlavePlayer player;
  player.start(redVideo(), name);
  player.waitFor("Exiting\\.\\.\\. \\(End of file\\)", 20000);
  ASSERT_TRUE(player.waitForExit());
  EXPECT_EQ(player.process().exitCode(), 0);

  const QList<QByteArray> calls = server.calls();
  ASSERT_FALSE(calls.isEmpty()) << player.output().toStdString();
  // 64 x 48 pixels, 2 bytes each, shown at 4:3.
  EXPECT_EQ(calls.first(), "start 64 48 2 133");
  EXPECT_GT(calls.count("render"), 10);
  EXPECT_EQ(calls.last(), "stop");
  EXPECT_TRUE(server.sawFrameWhileMapped());

  // Red in 4:2:2 video range (BT.601): Y 81, U 90, V 240; Y0 U Y1 V order.
  const QByteArray sample = server.centreSample();
  ASSERT_EQ(sample.size(), 4);
  const auto near = [](char byte, int expected) { return std::abs(uchar(byte) - expected) <= 6; };
  EXPECT_TRUE(near(sample[0], 81) && near(sample[2], 81)) << int(uchar(sample[0]));
  EXPECT_TRUE(near(sample[1], 90)) << int(uchar(sample[1]));
  EXPECT_TRUE(near(sample[3], 240)) << int(uchar(sample[3]));

  // The player removes its shared frame when it ends.
  EXPECT_LT(::shm_open(previewchannel::sharedMemoryName(name).constData(), O_RDONLY, 0400), 0);
}

TEST(PreviewPlayer, PlaysOnWithoutAView) {
  SlavePlayer player;
  player.start(redVideo(), uniqueChannel());
  EXPECT_FALSE(player.waitFor("A:\\s*([\\d.]+) V:").isEmpty());
  player.waitFor("Exiting\\.\\.\\. \\(End of file\\)", 20000);
  EXPECT_TRUE(player.waitForExit());
}

TEST(PreviewPlayer, IdentifiesTracksAndObeysSlaveCommands) {
  SlavePlayer player;
  player.start(twoLanguagesVideo(), uniqueChannel());
  player.waitFor("ID_AUDIO_ID=1\n");
  EXPECT_EQ(player.waitFor("ID_AID_1_LANG=(\\w+)"), "eng");
  player.waitFor("ID_AUDIO_ID=2\n");
  EXPECT_EQ(player.waitFor("ID_AID_2_LANG=(\\w+)"), "fre");
  player.waitFor("ID_SUBTITLE_ID=1\n");
  EXPECT_EQ(player.waitFor("ID_SID_1_LANG=(\\w+)"), "ger");

  player.send("get_time_length");
  EXPECT_NEAR(player.waitFor("ANS_LENGTH=([\\d.]+)").toDouble(), 5.0, 0.1);

  // -nosub: no subtitle until one is chosen; -1 turns it off again.
  player.send("get_property sub");
  EXPECT_EQ(player.waitFor("ANS_sub=(-?\\d+)"), "-1");
  player.send("sub_select 1");
  player.send("get_property sub");
  EXPECT_EQ(player.waitFor("ANS_sub=(-?\\d+)"), "1");
  player.send("sub_select -1");
  player.send("get_property sub");
  EXPECT_EQ(player.waitFor("ANS_sub=(-?\\d+)"), "-1");

  player.send("switch_audio 2");
  player.send("get_property switch_audio");
  EXPECT_EQ(player.waitFor("ANS_switch_audio=(-?\\d+)"), "2");

  player.send("pause");
  player.waitFor("=====  PAUSE  =====");
  player.send("get_time_pos");
  const double pausedAt = player.waitFor("ANS_TIME_POSITION=([\\d.]+)").toDouble();
  QThread::msleep(600);
  player.send("get_time_pos");
  EXPECT_DOUBLE_EQ(player.waitFor("ANS_TIME_POSITION=([\\d.]+)").toDouble(), pausedAt);

  // Seeks take effect in the play loop; the position is asked for until it settles.
  // Relative seeks land on key frames, which the fixture has every 0.4 s.
  const auto settlesNear = [&](double target) {
    double position = -1;
    for (int i = 0; i < 20 && std::abs(position - target) > 0.45; ++i) {
      QThread::msleep(50);
      player.send("get_time_pos");
      position = player.waitFor("ANS_TIME_POSITION=([\\d.]+)").toDouble();
    }
    return position;
  };
  player.send("seek 3.5 2");
  EXPECT_NEAR(settlesNear(3.5), 3.5, 0.3);
  player.send("seek -2 0");
  EXPECT_NEAR(settlesNear(1.5), 1.5, 0.45);

  player.send("pause");
  EXPECT_GE(player.waitFor("A:\\s*([\\d.]+) V:").toDouble(), 1.0);

  player.send("quit");
  player.waitFor("Exiting\\.\\.\\. \\(Quit\\)");
  EXPECT_TRUE(player.waitForExit(5000));
}

TEST(PreviewPlayer, StopEndsLikeTheEndOfTheFile) {
  SlavePlayer player;
  player.start(twoLanguagesVideo(), uniqueChannel());
  player.waitFor("A:\\s*([\\d.]+) V:");
  player.send("stop");
  player.waitFor("Exiting\\.\\.\\. \\(End of file\\)");
  EXPECT_TRUE(player.waitForExit(5000));
}

TEST(PreviewPlayer, UnreadableFileEndsWithAnExitLine) {
  SlavePlayer player;
  player.start(writeFile(freshFolder("bad") + "/not a video.mkv", "garbage"), uniqueChannel());
  player.waitFor("Exiting\\.\\.\\.");
  EXPECT_TRUE(player.waitForExit());
  EXPECT_NE(player.process().exitCode(), 0);
}

TEST(PreviewPlayerArguments, CommandLineForms) {
  QString error;
  const auto file = player::parsePlayerArguments(
      {"/a b/c.mkv", "-monitoraspect", "1.777778", "-vo", "corevideo:shared_buffer:buffer_name=zuvoport417",
       "-slave", "-nosub", "-noautosub", "-identify"},
      &error);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->source, "/a b/c.mkv");
  EXPECT_EQ(file->bufferName, "zuvoport417");
  EXPECT_TRUE(file->noSubtitles && file->noAutoSubtitles && file->identify);
  EXPECT_EQ(file->dvdTitle, 0);

  const auto dvd = player::parsePlayerArguments(
      {"dvd://3", "-dvd-device", "/media/disc", "-monitoraspect", "1.777778", "-cache", "8192", "-vo",
       "corevideo:shared_buffer:buffer_name=zuvoport9", "-slave"},
      &error);
  ASSERT_TRUE(dvd);
  EXPECT_EQ(dvd->dvdTitle, 3);
  EXPECT_EQ(dvd->dvdDevice, "/media/disc");

  for (const QStringList& bad : {QStringList{"-slave"}, QStringList{"a.mkv", "-vo"},
                                 QStringList{"a.mkv", "-bogus"}, QStringList{"a.mkv", "b.mkv"}}) {
    error.clear();
    EXPECT_FALSE(player::parsePlayerArguments(bad, &error)) << bad.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}
