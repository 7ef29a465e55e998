#include "app/notices/DockIcon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <cmath>
#include <functional>

#include "app/notices/ApplicationIcon.h"
#include "app/support/WidgetApplication.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

// A plain 200 x 200 grey icon: every fraction of the drawing lands on whole pixels.
constexpr int kSize = 200;
const QColor kGrey(128, 128, 128);

QString greyIcon() {
  const QString path = test::freshFolder("icon") + "/zuvoiconac.png";
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(kGrey);
  image.save(path);
  return path;
}

QColor at(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

// Image coordinates (top left origin) of places the drawing must cover:
const QPoint kBarLeft(60, 155);    // inside the green part at 40 %
const QPoint kBarRight(150, 155);  // inside the bar, green only when nearly full
const QPoint kBarEnd(168, 155);    // right of the widest green part, still inside the bar
const QPoint kAboveBar(100, 130);
const QPoint kPendingInside(145, 40);   // inside the white circle, left of its text
const QPoint kPendingRing(166, 64);     // on its outline
const QPoint kConvertedInside(12, 40);  // inside the green circle
const QPoint kFailedInside(144, 135);   // inside the red circle, above the bar's top edge

// The leftmost and topmost pixels of a counter's digits: `ink` tells digits from the
// circle; only pixels well inside the circle's outline count.
struct Ink {
  int left = -1;
  int top = -1;
};
Ink inkOf(const QImage& image, QPoint centre, const std::function<bool(QColor)>& ink) {
  Ink found;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (std::hypot(x - centre.x(), y - centre.y()) > 26 || !ink(at(image, x, y))) continue;
      if (found.left < 0 || x < found.left) found.left = x;
      if (found.top < 0 || y < found.top) found.top = y;
    }
  return found;
}
bool darkInk(QColor c) { return c.red() < 100 && c.green() < 100 && c.blue() < 100; }
bool whiteInk(QColor c) { return c.green() > 150; }

const QPoint kPendingCentre(166, 34);
const QPoint kConvertedCentre(34, 34);
const QPoint kFailedCentre(166, 149);

}  // namespace

TEST(DockIcon, BarFollowsProgressAndShowsFullOnceWhenItDropsToZero) {
  DockIcon icon(greyIcon());
  struct Step {
    float progress;
    int lastProgress;
    QColor left, right, end;
  } steps[] = {
      {40.7f, 40, Qt::green, Qt::black, Qt::black},
      {0, 0, Qt::green, Qt::green, Qt::black},  // the conversion ended: full bar, once
      {0, 0, kGrey, kGrey, kGrey},
      {150, 150, Qt::green, Qt::green, Qt::black},  // never wider than the bar
      {0.5f, 0, Qt::black, Qt::black, Qt::black},   // a bar, almost empty
      {0, 0, kGrey, kGrey, kGrey},                  // last drawn was 0: no full bar
  };
  int n = 0;
  for (const Step& s : steps) {
    const QImage image = icon.setZuvoIcon(s.progress, 0, 0, 0);
    ASSERT_EQ(image.size(), QSize(kSize, kSize));
    EXPECT_EQ(icon.lastProgress(), s.lastProgress) << "step " << n;
    EXPECT_EQ(at(image, kBarLeft.x(), kBarLeft.y()), s.left) << "step " << n;
    EXPECT_EQ(at(image, kBarRight.x(), kBarRight.y()), s.right) << "step " << n;
    EXPECT_EQ(at(image, kBarEnd.x(), kBarEnd.y()), s.end) << "step " << n;
    EXPECT_EQ(at(image, kAboveBar.x(), kAboveBar.y()), kGrey) << "step " << n;
    ++n;
  }
}

TEST(DockIcon, CountersSitInTheirCornersAndFailuresHideWhileABarIsDrawn) {
  DockIcon icon(greyIcon());
  struct Step {
    const char* name;
    float progress;
    int pending, converted, failed;
    QColor pendingInside, convertedInside, failedInside;
  } steps[] = {
      {"converting", 40, 2, 3, 1, Qt::white, Qt::green, kGrey},
      {"full bar after the end", 0, 1, 4, 1, Qt::white, Qt::green, kGrey},
      {"idle with failures", 0, 0, 4, 1, kGrey, Qt::green, Qt::red},
      {"nothing to count", 0, 0, 0, 0, kGrey, kGrey, kGrey},
  };
  for (const Step& s : steps) {
    const QImage image = icon.setZuvoIcon(s.progress, s.pending, s.converted, s.failed);
    EXPECT_EQ(at(image, kPendingInside.x(), kPendingInside.y()), s.pendingInside) << s.name;
    EXPECT_EQ(at(image, kConvertedInside.x(), kConvertedInside.y()), s.convertedInside) << s.name;
    EXPECT_EQ(at(image, kFailedInside.x(), kFailedInside.y()), s.failedInside) << s.name;
    if (s.pending > 0) {
      EXPECT_EQ(at(image, kPendingRing.x(), kPendingRing.y()), QColor(Qt::black)) << s.name;
    }
  }
}

TEST(DockIcon, TwoDigitCountsStartFurtherLeft) {
  DockIcon icon(greyIcon());
  struct Counter {
    const char* name;
    QPoint centre;
    std::function<bool(QColor)> ink;
    int textTop;  // top of the text rectangle in image rows
    std::function<QImage(int)> draw;
  } counters[] = {
      {"pending", kPendingCentre, darkInk, 15, [&](int n) { return icon.setZuvoIcon(0, n, 0, 0); }},
      {"converted", kConvertedCentre, darkInk, 15, [&](int n) { return icon.setZuvoIcon(0, 0, n, 0); }},
      {"failed", kFailedCentre, whiteInk, 130, [&](int n) { return icon.setZuvoIcon(0, 0, 0, n); }},
  };
  for (const Counter& c : counters) {
    const Ink one = inkOf(c.draw(1), c.centre, c.ink);
    const Ink ten = inkOf(c.draw(10), c.centre, c.ink);
    ASSERT_GE(one.left, 0) << c.name;
    // 0.04 of the width, the same "1" leading both.
    EXPECT_NEAR(one.left - ten.left, 8, 1) << c.name;
    EXPECT_EQ(one.top, ten.top) << c.name;
    EXPECT_GE(one.top, c.textTop) << c.name;
    EXPECT_LE(one.top, c.textTop + 17) << c.name;
  }
}

TEST(DockIcon, ShippedApplicationIconIsDrawnOn) {
  const QImage shipped = applicationIcon();
  ASSERT_FALSE(shipped.isNull()) << applicationIconPath().toStdString();
  DockIcon icon(applicationIconPath());
  const QImage drawn = icon.setZuvoIcon(50, 1, 0, 0);
  EXPECT_EQ(drawn.size(), shipped.size());
  EXPECT_NE(drawn.convertToFormat(QImage::Format_ARGB32), shipped.convertToFormat(QImage::Format_ARGB32));
  EXPECT_TRUE(DockIcon(test::freshFolder("none") + "/missing.png").setZuvoIcon(50, 1, 1, 1).isNull());
}
