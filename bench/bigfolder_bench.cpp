// A big folder opened from the command line: how soon the window is drawn, how long the GUI
// thread is held while the folder's files are added, when the last one is in the list, and
// when every probe has ended and the lists are saved.
// Usage: bigfolder_bench [EMPTY GARBAGE REAL]   (default 2000 2500 500)
//
// The folder mixes, in name order, empty files, files of random bytes and short real videos
// (a few made with ffmpeg's lavfi sources, the rest hard links to them), all with video
// extensions. The program starts the controller with its real windows (offscreen, or
// QT_QPA_PLATFORM) in a home of its own, with every online service at a loopback port nobody
// listens on, and opens the folder as the command line does. A 5 ms timer on the GUI thread
// gives the longest gap between its ticks: the longest time the window could not answer.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "../tests/app/support/TopLevelWindows.h"
#include "GuiBench.h"
#include "app/controller/Controller.h"
#include "app/controller/ListsSaver.h"
#include "app/files/FileLists.h"
#include "app/files/IncomingPaths.h"
#include "media/ProbeMediaFile.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using zuvo::bench::StallMeter;

namespace {

// Every tenth file is a real video, four in ten are empty, the rest garbage (for the
// default mix); the kinds are spread evenly through the name order.
struct Mix {
  int empty = 2000, garbage = 2500, real = 500;
  int total() const { return empty + garbage + real; }
};

bool makeVideo(const QString& path, int seconds, const QString& size) {
  return QProcess::execute(
             "ffmpeg",
             {"-y",        "-nostdin",
              "-loglevel", "error",
              "-f",        "lavfi",
              "-i",        QStringLiteral("testsrc=size=%1:rate=25:duration=%2").arg(size).arg(seconds),
              "-f",        "lavfi",
              "-i",        QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds),
              "-c:v",      "libx264",
              "-preset",   "ultrafast",
              "-c:a",      "aac",
              "-b:a",      "64k",
              path}) == 0;
}

bool makeFolder(const QString& folder, const Mix& mix) {
  QDir().mkpath(folder);
  QStringList originals;
  const char* sizes[] = {"160x120", "320x240", "240x160", "176x144", "320x180"};
  for (int i = 0; i < 5; ++i) {
    const QString path = QStringLiteral("%1/../original%2.%3").arg(folder).arg(i).arg(i % 2 ? "mp4" : "mkv");
    if (!makeVideo(path, 1 + i % 2, QString::fromLatin1(sizes[i]))) return false;
    originals << QDir::cleanPath(path);
  }
  QRandomGenerator random(33);
  int empty = 0, garbage = 0, real = 0;
  const char* garbageExtensions[] = {"avi", "mkv", "mp4", "mpg", "wmv"};
  for (int i = 0; i < mix.total(); ++i) {
    // Spread each kind evenly: take the kind that is furthest behind its share.
    const double at = double(i + 1) / mix.total();
    const double lagEmpty = mix.empty * at - empty, lagGarbage = mix.garbage * at - garbage,
                 lagReal = mix.real * at - real;
    if (lagReal >= lagEmpty && lagReal >= lagGarbage && real < mix.real) {
      const QString original = originals[real % originals.size()];
      const QString path = QStringLiteral("%1/Some Show S%2E%3.%4")
                               .arg(folder)
                               .arg(1 + real / 100, 2, 10, QChar('0'))
                               .arg(real % 100, 2, 10, QChar('0'))
                               .arg(QFileInfo(original).suffix());
      if (::link(QFile::encodeName(original).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
      ++real;
    } else if (lagEmpty >= lagGarbage && empty < mix.empty) {
      QFile f(QStringLiteral("%1/Empty Clip %2.mkv").arg(folder).arg(empty, 5, 10, QChar('0')));
      if (!f.open(QIODevice::WriteOnly)) return false;
      ++empty;
    } else {
      QFile f(QStringLiteral("%1/Broken Recording %2.%3")
                  .arg(folder)
                  .arg(garbage, 5, 10, QChar('0'))
                  .arg(garbageExtensions[garbage % 5]));
      if (!f.open(QIODevice::WriteOnly)) return false;
      QByteArray bytes(int(random.bounded(1024, 65536)), Qt::Uninitialized);
      random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
      f.write(bytes);
      ++garbage;
    }
  }
  return true;
}

// Notes when a widget of the main window is first painted.
class FirstPaint : public QObject {
 public:
  FirstPaint(QWidget* window, const QElapsedTimer& clock) : window_(window), clock_(clock) {
    qApp->installEventFilter(this);
  }
  qint64 at() const { return at_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (at_ < 0 && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_)
      at_ = clock_.elapsed();
    return false;
  }

 private:
  QWidget* window_;
  const QElapsedTimer& clock_;
  qint64 at_ = -1;
};

bool settled(Controller& controller) {
  const ControllerState& state = controller.state();
  if (RunningProbeCount() != 0 || probeThreadPool().activeThreadCount() != 0) return false;
  for (const QList<MediaFilePtr>* list : {&state.files, &state.queue})
    for (const MediaFilePtr& item : *list)
      if (!item->didlookup()) return false;
  return controller.listsWritten();
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Mix mix;
  if (argc >= 4) mix = Mix{atoi(argv[1]), atoi(argv[2]), atoi(argv[3])};
  QTemporaryDir home(QDir::tempPath() + QStringLiteral("/bigfolder-bench-XXXXXX"));
  bench::liveIn(home.path());
  const QString folder = home.path() + QStringLiteral("/videos/Big Folder");
  QElapsedTimer making;
  making.start();
  if (!makeFolder(folder, mix)) {
    std::fprintf(stderr, "could not make the folder\n");
    return 1;
  }
  std::printf("folder: %d files (%d empty, %d garbage, %d real), made in %.1f s\n", mix.total(), mix.empty,
              mix.garbage, mix.real, making.elapsed() / 1000.0);

  QApplication app(argc, argv);
  Controller::initialize();
  Defaults& defaults = Defaults::standard();
  defaults.setBool(false, QStringLiteral("FirstRunWithDevices"));
  defaults.setBool(false, QStringLiteral("ShowStatusItem"));

  QElapsedTimer clock;
  clock.start();
  StallMeter stalls;
  Controller controller;
  FirstPaint painted(test::anywhere(QStringLiteral("MainWindow")), clock);
  if (!controller.awakeFromNib()) return 1;
  const qint64 startedUp = clock.elapsed();
  // The controller's own probe starter, noting when each file comes in.
  QList<qint64> addedAt;
  controller.setProbeStarter([&](const MediaFilePtr& media, bool autoprocess) {
    media->setAutoprocess(autoprocess);
    startProbe(media);
    addedAt << clock.elapsed();
  });
  stalls.reset();
  // As main() does with the paths of the command line.
  controller.applicationDidFinishLaunching({normalisedPath(folder)});
  const qint64 returned = clock.elapsed();

  runloop::waitUntil([&] { return addedAt.size() >= mix.total(); }, 3600, 1);
  const qint64 allAdded = addedAt.isEmpty() ? -1 : addedAt.last();
  const qint64 stallAdding = stalls.longest();
  const double stallAddingCpu = stalls.longestCpu();
  const qint64 firstPaint = painted.at();
  std::printf("start-up done at %.2f s; the opened folder handed in, call returned at %.2f s\n",
              startedUp / 1000.0, returned / 1000.0);
  std::printf("window first drawn at %.2f s\n", firstPaint / 1000.0);
  std::printf(
      "all %lld added at %.2f s; longest GUI stall while adding %lld ms (%.0f ms of it the GUI thread's own "
      "work)\n",
      qlonglong(addedAt.size()), allAdded / 1000.0, stallAdding, stallAddingCpu);
  // The time each thousand took, to show how the cost grows with the list.
  QStringList perThousand;
  qint64 previous = startedUp;
  for (qsizetype i = 999; i < addedAt.size(); i += 1000) {
    perThousand << QString::number((addedAt[i] - previous) / 1000.0, 'f', 2);
    previous = addedAt[i];
  }
  std::printf("each thousand added in (s): %s\n", qPrintable(perThousand.join(QStringLiteral(", "))));

  stalls.reset();
  runloop::waitUntil([&] { return settled(controller); }, 7200, 20);
  const qint64 settledAt = clock.elapsed();
  const qint64 stallProbing = stalls.longest();
  std::printf(
      "settled (every probe ended, lists saved) at %.2f s; longest GUI stall meanwhile %lld ms (%.0f ms own "
      "work)\n",
      settledAt / 1000.0, stallProbing, stalls.longestCpu());
  std::printf("probe throughput: %.1f files/s over the whole run\n",
              mix.total() / ((settledAt - returned) / 1000.0));

  controller.QuitButtonPress();
  return 0;
}
