// The preview's video view: 4:2:2 conversion, layout, and the channel served to a
// test-side player that writes frames into shared memory.
#include "app/preview/VideoOpenGLView.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QProcess>
#include <QTest>

#include "app/preview/PreviewState.h"
#include "app/preview/YuvsImage.h"
#include "app/support/WidgetApplication.h"
#include "platform/NotificationCenter.h"
#include "platform/PreviewChannel.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

bool near(QRgb pixel, QRgb expected, int tolerance = 3) {
  return std::abs(qRed(pixel) - qRed(expected)) <= tolerance &&
         std::abs(qGreen(pixel) - qGreen(expected)) <= tolerance &&
         std::abs(qBlue(pixel) - qBlue(expected)) <= tolerance;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

// The player's side, as the player child does it: a shared frame and blocking calls.
class TestPlayer {
 public:
  TestPlayer(const QByteArray& name, int width, int height)
      : name_(name), length_(size_t(width) * height * 2) {
    const QByteArray shm = previewchannel::sharedMemoryName(name);
    ::shm_unlink(shm.constData());
    const int fd = ::shm_open(shm.constData(), O_CREAT | O_RDWR, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, off_t(length_)), 0);
    frame_ = static_cast<uchar*>(::mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    ::close(fd);
    socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    socklen_t length = 0;
    const sockaddr_un address = previewchannel::socketAddress(name, &length);
    connected_ = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  }
  ~TestPlayer() {
    ::munmap(frame_, length_);
    ::shm_unlink(previewchannel::sharedMemoryName(name_).constData());
    ::close(socket_);
  }
  bool connected() const { return connected_; }
  void fill(uchar y, uchar u, uchar v) {
    for (size_t i = 0; i < length_; i += 4) {
      frame_[i] = y;
      frame_[i + 1] = u;
      frame_[i + 2] = y;
      frame_[i + 3] = v;
    }
  }
  // Sends one call and waits for its answer while the GUI thread keeps turning.
  QByteArray call(const QByteArray& line) {
    const QByteArray message = line + '\n';
    if (::write(socket_, message.constData(), message.size()) != message.size()) return {};
    QByteArray answer;
    waitUntil([&] {
      char buffer[64];
      const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) answer.append(buffer, n);
      return answer.endsWith('\n');
    });
    return answer.trimmed();
  }

 private:
  QByteArray name_;
  size_t length_;
  uchar* frame_ = nullptr;
  int socket_ = -1;
  bool connected_ = false;
};

QByteArray uniqueName() {
  static int n = 0;
  return "zuvoportview" + QByteArray::number(::getpid()) + "x" + QByteArray::number(++n);
}

}  // namespace

TEST(YuvsImage, ConvertsVideoRangeColours) {
  struct Case {
    uchar y, u, v;
    QRgb rgb;
  };
  const Case cases[] = {{16, 128, 128, qRgb(0, 0, 0)},   {235, 128, 128, qRgb(255, 255, 255)},
                        {81, 90, 240, qRgb(255, 0, 0)},  {145, 54, 34, qRgb(0, 255, 0)},
                        {41, 240, 110, qRgb(0, 0, 255)}, {126, 128, 128, qRgb(128, 128, 128)}};
  for (const Case& c : cases) {
    const uchar frame[] = {c.y, c.u, c.y, c.v};
    const QImage image = imageFromYuvs(frame, 2, 1);
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_TRUE(near(image.pixel(0, 0), c.rgb) && near(image.pixel(1, 0), c.rgb))
        << int(c.y) << " " << std::hex << image.pixel(0, 0);
  }
  // Each pixel of a pair keeps its own luma; the pair shares its chroma. Rows are
  // width * 2 bytes apart.
  const uchar pairs[] = {16, 128, 235, 128, 235, 128, 16, 128};
  const QImage image = imageFromYuvs(pairs, 2, 2);
  EXPECT_TRUE(near(image.pixel(0, 0), qRgb(0, 0, 0)));
  EXPECT_TRUE(near(image.pixel(1, 0), qRgb(255, 255, 255)));
  EXPECT_TRUE(near(image.pixel(0, 1), qRgb(255, 255, 255)));
  EXPECT_TRUE(near(image.pixel(1, 1), qRgb(0, 0, 0)));
  EXPECT_TRUE(imageFromYuvs(pairs, 3, 1).isNull());
  EXPECT_TRUE(imageFromYuvs(nullptr, 2, 1).isNull());
}

TEST(VideoOpenGLViewLayout, KeepsThePicturesAspect) {
  // 720 x 480 at 1.78 is shown 854 wide for every 480 high.
  EXPECT_EQ(textureFrameForView(854, 600, 480, 1.78f), (TextureFrame{0, 60, 854, 540}));
  EXPECT_EQ(textureFrameForView(1000, 480, 480, 1.78f), (TextureFrame{73, 0, 927, 480}));
  EXPECT_EQ(textureFrameForView(854, 480, 480, 1.78f), (TextureFrame{0, 0, 854, 480}));
  EXPECT_EQ(textureFrameForView(640, 480, 0, 1.78f), TextureFrame{});
}

TEST(VideoOpenGLView, ServesThePlayerUnderTheBufferName) {
  const QByteArray name = uniqueName();
  setPreviewBufferName(name);
  VideoOpenGLView view;
  view.resize(854, 600);
  ASSERT_TRUE(view.isServing());
  view.acceptPlayer(::getpid());

  TestPlayer player(name, 720, 480);
  ASSERT_TRUE(player.connected());
  player.fill(81, 90, 240);
  EXPECT_EQ(player.call("start 720 480 2 178"), "1");
  EXPECT_EQ(player.call("render"), "ok");
  ASSERT_TRUE(waitUntil([&] { return !view.currentImage().isNull(); }));
  EXPECT_TRUE(view.playing());
  EXPECT_EQ(view.imageWidth(), 720u);
  EXPECT_EQ(view.imageHeight(), 480u);
  EXPECT_EQ(view.imageBytes(), 2u);
  EXPECT_FLOAT_EQ(view.aspect(), 1.78f);
  EXPECT_EQ(view.frameRect(), (TextureFrame{0, 60, 854, 540}));
  EXPECT_TRUE(near(view.currentImage().pixel(360, 240), qRgb(255, 0, 0)));

  // A new frame replaces the copy only at the next render.
  player.fill(235, 128, 128);
  EXPECT_TRUE(near(view.currentImage().pixel(0, 0), qRgb(255, 0, 0)));
  EXPECT_EQ(player.call("render"), "ok");
  ASSERT_TRUE(waitUntil([&] { return near(view.currentImage().pixel(0, 0), qRgb(255, 255, 255)); }));

  EXPECT_EQ(player.call("stop"), "ok");
  ASSERT_TRUE(waitUntil([&] { return !view.playing(); }));
  EXPECT_TRUE(view.currentImage().isNull());
  // A render after the stop has nothing to copy.
  EXPECT_EQ(player.call("render"), "ok");
  QTest::qWait(50);
  EXPECT_TRUE(view.currentImage().isNull());
}

TEST(VideoOpenGLView, StartWithoutSharedMemoryDrawsNothing) {
  const QByteArray name = uniqueName();
  setPreviewBufferName(name);
  VideoOpenGLView view;
  view.acceptPlayer(::getpid());
  TestPlayer player(name, 64, 48);
  ::shm_unlink(previewchannel::sharedMemoryName(name).constData());
  EXPECT_EQ(player.call("start 64 48 2 133"), "1");
  EXPECT_EQ(player.call("render"), "ok");
  QTest::qWait(50);
  EXPECT_TRUE(view.currentImage().isNull());
}

TEST(VideoOpenGLView, OneViewPerName) {
  const QByteArray name = uniqueName();
  setPreviewBufferName(name);
  VideoOpenGLView first;
  VideoOpenGLView second;
  EXPECT_TRUE(first.isServing());
  EXPECT_FALSE(second.isServing());
}

TEST(VideoOpenGLView, OntopTwiceReturnsToTheNormalLevel) {
  setPreviewBufferName(uniqueName());
  VideoOpenGLView view;
  view.ontop();
  EXPECT_TRUE(view.ontopActive());
  EXPECT_TRUE(view.window()->windowFlags() & Qt::WindowStaysOnTopHint);
  view.ontop();
  EXPECT_FALSE(view.ontopActive());
  EXPECT_FALSE(view.window()->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(VideoOpenGLView, ClickPostsMouseOnWindowOnce) {
  setPreviewBufferName(uniqueName());
  VideoOpenGLView view;
  view.resize(100, 100);
  int posted = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      "MouseOnWindow", [&](const Notification& n) { posted += n.object == &view; });
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 50));
  NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_EQ(posted, 1);
}

TEST(VideoOpenGLView, DrawsTheFrameThroughOpenGL) {
  const QByteArray name = uniqueName();
  setPreviewBufferName(name);
  if (!VideoOpenGLView::openGLAvailable())
    GTEST_SKIP()
        << "no OpenGL context on this platform; the conversion and the channel are tested without it";
  VideoOpenGLView view;
  view.resize(200, 100);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.acceptPlayer(::getpid());
  TestPlayer player(name, 64, 48);
  player.fill(81, 90, 240);
  ASSERT_EQ(player.call("start 64 48 2 133"), "1");
  ASSERT_EQ(player.call("render"), "ok");
  ASSERT_TRUE(waitUntil([&] { return !view.currentImage().isNull(); }));
  const QImage drawn = view.grabFramebuffer();
  // 4:3 in 200 x 100: bands at the sides, red in the middle.
  EXPECT_TRUE(near(drawn.pixel(100, 50), qRgb(255, 0, 0), 6));
  EXPECT_TRUE(near(drawn.pixel(5, 50), qRgb(0, 0, 0), 6));
}

namespace {

// Another local process on the channel: it makes a tiny shared object under the channel's
// name, connects, sends its lines and prints each answer ("closed" once the view has hung up).
constexpr const char* kLocalClient = R"py(
import os, socket, sys
name = sys.argv[1]
with open('/dev/shm/' + name, 'wb') as tiny:
    tiny.write(b'\x80' * 64)
channel = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
channel.connect('\0' + name)
channel.settimeout(5)
def call(line):
    try:
        channel.sendall(line.encode() + b'\n')
        answer = b''
        while not answer.endswith(b'\n'):
            piece = channel.recv(64)
            if not piece:
                return 'closed'
            answer += piece
        return answer.decode().strip()
    except (BrokenPipeError, ConnectionResetError):
        return 'closed'
    except socket.timeout:
        return 'no answer'
print(' | '.join(call(line) for line in sys.argv[2:]), flush=True)
os.unlink('/dev/shm/' + name)
)py";

// Runs the client on `name` with `lines` while the GUI thread keeps turning. The view is
// told of its player after the client has started, as the preview tells it: the client
// when `accepted`, else this process.
QString runLocalClient(VideoOpenGLView& view, const QByteArray& name, const QStringList& lines,
                       bool accepted) {
  QProcess client;
  client.start("python3", QStringList{"-c", kLocalClient, QString::fromLatin1(name)} + lines);
  if (!client.waitForStarted()) return "not started";
  view.acceptPlayer(accepted ? client.processId() : ::getpid());
  waitUntil([&] { return client.state() == QProcess::NotRunning; }, 20000);
  return QString::fromUtf8(client.readAllStandardOutput()).trimmed() +
         QString::fromUtf8(client.readAllStandardError());
}

}  // namespace

TEST(VideoOpenGLView, OtherLocalProcessesAndBadCallsCannotCrashOrSteerTheView) {
  struct Case {
    const char* what;
    bool accepted;
    QStringList lines;
    const char* answers;
  } cases[] = {
      {"a process that is not the player", false, {"start 4000 4000 2 178", "render"}, "closed | closed"},
      {"the player naming more than its shared object holds, and nonsense",
       true,
       {"render", "start 4000 4000 2 178", "render", "start 100000 100000 2 178", "start 64 48 4 133",
        "start 63 48 2 133", "start 64 48 2", "start -64 48 2 133", "ontop", "ontop", "render", "stop"},
       "ok | 1 | ok | 0 | 0 | 0 | 0 | 0 | ok | ok | ok | ok"},
      {"a line no call is that long", true, {QString(200, u'x'), "render"}, "closed | closed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QByteArray name = uniqueName();
    setPreviewBufferName(name);
    VideoOpenGLView view;
    ASSERT_TRUE(view.isServing());
    EXPECT_EQ(runLocalClient(view, name, c.lines, c.accepted), c.answers);
    QTest::qWait(50);
    EXPECT_TRUE(view.currentImage().isNull());
    EXPECT_FALSE(view.ontopActive());
  }
}

TEST(VideoOpenGLView, AnObjectCutShortAfterTheStartIsReadAsNoFrame) {
  const QByteArray name = uniqueName();
  setPreviewBufferName(name);
  VideoOpenGLView view;
  view.acceptPlayer(::getpid());
  TestPlayer player(name, 64, 48);
  player.fill(81, 90, 240);
  ASSERT_EQ(player.call("start 64 48 2 133"), "1");
  ASSERT_EQ(player.call("render"), "ok");
  ASSERT_TRUE(waitUntil([&] { return !view.currentImage().isNull(); }));
  const int object = ::shm_open(previewchannel::sharedMemoryName(name).constData(), O_RDWR, 0600);
  ASSERT_GE(object, 0);
  ASSERT_EQ(::ftruncate(object, 0), 0);
  ::close(object);
  // Copied out of a mapping, this render would end the program with SIGBUS.
  EXPECT_EQ(player.call("render"), "ok");
  QTest::qWait(50);
  EXPECT_TRUE(near(view.currentImage().pixel(32, 24), qRgb(255, 0, 0)));
}
