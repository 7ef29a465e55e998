// The saved lists with many items or large artwork: how long the window stalls when the
// lists are read at launch, when a row's tick box is clicked, and when the program quits,
// and how much memory the lists take.
// Usage: lists_bench ITEMS [posters]   (posters: every item carries a 680x1000 JPEG)
//
// The program first has a child of itself write the lists as an earlier session left them
// (so that none of the fixture is in this process's memory), then starts the controller
// with its real windows (offscreen, or QT_QPA_PLATFORM), reads them back, clicks the first row's tick box
// through the files table and quits. A 5 ms timer on the GUI thread measures the longest
// gap between its ticks (the longest stall) in each phase.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "../tests/app/support/TopLevelWindows.h"
#include "GuiBench.h"
#include "app/controller/Controller.h"
#include "app/controller/ListsSaver.h"
#include "app/controller/RestorableState.h"
#include "app/files/FilesTableModel.h"
#include "app/tables/BCTableView.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using zuvo::bench::StallMeter;

namespace {

// A poster with about the detail of a photograph: soft shapes over a gradient with a
// little grain, so that its JPEG weighs what a poster of this size from the services
// weighs (about 150 KB).
QByteArray poster(int seed) {
  QImage image(680, 1000, QImage::Format_RGB32);
  QRandomGenerator random(quint32(seed) + 1);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, 1000);
  sky.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 160, 220));
  sky.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 200, 60));
  painter.fillRect(image.rect(), sky);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int shape = 0; shape < 40; ++shape) {
    painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 180, int(random.bounded(256)), 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(random.bounded(680), random.bounded(1000)), random.bounded(20, 200),
                        random.bounded(20, 200));
  }
  painter.setFont(QFont(QStringLiteral("Sans"), 48, QFont::Bold));
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 780, 680, 120), Qt::AlignCenter, QStringLiteral("Show %1").arg(seed));
  painter.end();
  for (int y = 0; y < 1000; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < 680; ++x) {
      const int grain = int(random.bounded(17)) - 8;
      line[x] = qRgb(std::clamp(qRed(line[x]) + grain, 0, 255), std::clamp(qGreen(line[x]) + grain, 0, 255),
                     std::clamp(qBlue(line[x]) + grain, 0, 255));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 85);
  return bytes;
}

int makeLists(const QString& support, const QString& videos, int count, bool posters) {
  registerSettingDefaults();
  QList<MediaFilePtr> files;
  qint64 artworkBytes = 0;
  for (int i = 0; i < count; ++i) {
    auto m = std::make_shared<MediaFile>();
    const QString path = QStringLiteral("%1/Show.S01E%2.mkv").arg(videos).arg(i, 5, 10, QLatin1Char('0'));
    QFile touch(path);
    touch.open(QIODevice::WriteOnly);
    m->setFullpath(path);
    m->setFilename(QFileInfo(path).fileName());
    m->setSeriesname(QStringLiteral("Show"));
    m->setEpisodename(QStringLiteral("Episode %1").arg(i));
    m->setDescription(
        QStringLiteral("A description of the episode, about as long as the look-up gives one."));
    m->setDidlookup(true);
    m->setState(MediaState::InFilesTable);
    if (posters) {
      m->setArtwork(Artwork::fromData(poster(i)));
      artworkBytes += m->artwork().data().size();
    }
    files << m;
  }
  QDir().mkpath(support);
  if (!RestorableState(support).write(files, {})) return 1;
  std::printf("fixture: %d items, %.1f MB of artwork (%.0f KB a poster), state file %.1f MB\n", count,
              artworkBytes / 1e6, count ? artworkBytes / 1e3 / count : 0.0,
              QFileInfo(RestorableState(support).path()).size() / 1e6);
  return 0;
}

double statusValue(const char* key) {
  QFile status(QStringLiteral("/proc/self/status"));
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(qstrlen(key)).trimmed().split(' ').first().toDouble() / 1024;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && QByteArray(argv[1]) == "--make") {
    QGuiApplication app(argc, argv);  // the posters' titles need fonts
    return makeLists(argv[2], argv[3], atoi(argv[4]), argc > 5);
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: lists_bench ITEMS [posters]\n");
    return 2;
  }
  const int count = atoi(argv[1]);
  const bool posters = argc > 2;
  QTemporaryDir home(QDir::tempPath() + QStringLiteral("/lists-bench-XXXXXX"));
  bench::liveIn(home.path());
  const QString support = home.path() + QStringLiteral("/data/Zuvo"),
                videos = home.path() + QStringLiteral("/videos");
  QDir().mkpath(videos);
  QStringList make{QStringLiteral("--make"), support, videos, QString::number(count)};
  if (posters) make << QStringLiteral("posters");
  if (QProcess::execute(QString::fromLocal8Bit(argv[0]), make) != 0) return 1;

  QApplication app(argc, argv);
  Controller::initialize();
  Defaults& defaults = Defaults::standard();
  defaults.setBool(false, QStringLiteral("FirstRunWithDevices"));
  defaults.setBool(false, QStringLiteral("ShowStatusItem"));
  std::printf("memory before start-up: %.0f MB\n", statusValue("VmRSS:"));

  StallMeter stalls;
  QElapsedTimer clock;
  clock.start();
  Controller controller;
  if (!controller.awakeFromNib()) return 1;
  const double windowShown = clock.elapsed() / 1000.0;
  QCoreApplication::processEvents();
  stalls.reset();
  controller.applicationDidFinishLaunching();
  runloop::waitUntil([&] { return controller.launched(); }, 600, 1);
  std::printf(
      "start-up: window at %.2f s, lists at %.2f s (%lld rows); longest stall while reading %lld ms\n",
      windowShown, clock.elapsed() / 1000.0, qlonglong(controller.state().files.size()), stalls.longest());
  std::printf("memory with the lists shown: %.0f MB (peak so far %.0f MB)\n", statusValue("VmRSS:"),
              statusValue("VmHWM:"));

  auto* table = test::anywhere<QTableView>(QStringLiteral("FilesTableView"));
  const QModelIndex box = table->model()->index(0, FilesTableModel::column(QStringLiteral("MediaSelected")));
  for (int click = 0; click < 3; ++click) {
    QCoreApplication::processEvents();
    stalls.reset();
    clock.restart();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(box).center());
    const qint64 clicked = clock.elapsed();
    runloop::waitUntil([&] { return !controller.listsWritten(); }, 5, 1);
    runloop::waitUntil([&] { return controller.listsWritten(); }, 600, 1);
    std::printf("tick-box click %d: handled in %lld ms, written after %.2f s; longest stall %lld ms\n",
                click + 1, clicked, clock.elapsed() / 1000.0, stalls.longest());
  }

  clock.restart();
  QCoreApplication::processEvents();
  stalls.reset();
  QTimer::singleShot(0, &controller, [&] {
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(box).center());
    controller.QuitButtonPress();
  });
  runloop::waitUntil([&] { return controller.terminated(); }, 600, 1);
  std::printf("click then quit: ended after %.2f s; longest stall %lld ms\n", clock.elapsed() / 1000.0,
              stalls.longest());
  std::printf("memory peak: %.0f MB\n", statusValue("VmHWM:"));
  const RestoredLists saved = RestorableState(support).read({});
  const bool kept = saved.FileTable && saved.FileTable->size() == count &&
                    saved.FileTable->first()->selected() == controller.state().files.first()->selected();
  std::printf("lists after the quit: %s\n", kept ? "saved" : "NOT SAVED");
  return kept ? 0 : 1;
}
