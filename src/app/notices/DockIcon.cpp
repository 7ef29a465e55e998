#include "app/notices/DockIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "app/notices/ApplicationIcon.h"

namespace zuvo {
namespace {

// Helvetica Bold's counterpart on a Debian desktop.
constexpr const char* kCounterFont = "DejaVu Sans";

// The geometry below is in fractions of the icon's width and height with the origin at
// the lower left; `flipped` turns such a rectangle into the image's top-left system.
struct Canvas {
  QPainter& painter;
  double w;
  double h;

  QRectF flipped(double x, double y, double width, double height) const {
    return QRectF(x, h - y - height, width, height);
  }
};

void drawBar(const Canvas& c, double progress) {
  const double radius = 0.04 * c.w;
  c.painter.setPen(QPen(Qt::black, 1));
  c.painter.setBrush(Qt::black);
  c.painter.drawRoundedRect(c.flipped(0.15 * c.w, 0.15 * c.h, 0.7 * c.w, 0.15 * c.h), radius, radius);
  const double fraction = std::clamp(progress, 0.0, 100.0) / 100.0;
  QPainterPath green;
  green.addRoundedRect(c.flipped(0.17 * c.w, 0.17 * c.w, 0.66 * c.w * fraction, 0.11 * c.h), radius, radius);
  c.painter.fillPath(green, Qt::green);
}

// One counter: a circle filling the 0.34w by 0.34h square at `corner`, the number in
// the text rectangle at `text` (moved left for two or more digits).
void drawCounter(const Canvas& c, int count, QPointF corner, QPointF text, double wideTextX, QColor fill,
                 QColor ink) {
  c.painter.setPen(QPen(Qt::black, 10));
  c.painter.setBrush(fill);
  c.painter.drawEllipse(c.flipped(corner.x(), corner.y(), 0.34 * c.w, 0.34 * c.h));
  c.painter.setPen(ink);
  const double x = count > 9 ? wideTextX : text.x();
  c.painter.drawText(c.flipped(x, text.y(), 0.34 * c.w, 0.245 * c.h), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(count));
}

}  // namespace

DockIcon& DockIcon::shared() {
  static DockIcon icon(applicationIconPath());
  return icon;
}

DockIcon::DockIcon(QString iconPath) : iconPath_(std::move(iconPath)) {}

QImage DockIcon::setZuvoIcon(float progress, int pending, int convertedsucess, int convertedfail) {
  bool drawbar = true;
  double shown = progress;
  if (progress == 0 && lastprogress_ != 0) {
    lastprogress_ = 0;
    shown = 100;
  } else if (progress == 0) {
    drawbar = false;
  } else {
    lastprogress_ = static_cast<int>(std::trunc(progress));
  }

  QImage image(iconPath_);
  if (image.isNull()) return image;
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const Canvas c{painter, double(image.width()), double(image.height())};
  const double w = c.w;
  const double h = c.h;

  if (drawbar) drawBar(c, shown);
  QFont font(QString::fromLatin1(kCounterFont));
  font.setBold(true);
  font.setPixelSize(std::max(1, int(std::lround(0.17 * w))));
  painter.setFont(font);
  if (pending > 0)
    drawCounter(c, pending, {w - 0.34 * w, h - 0.34 * h}, {0.79 * w, 0.68 * h}, 0.75 * w, Qt::white,
                Qt::black);
  if (convertedsucess > 0)
    drawCounter(c, convertedsucess, {0, h - 0.34 * h}, {0.125 * w, 0.68 * h}, 0.085 * w, Qt::green,
                Qt::black);
  if (convertedfail > 0 && !drawbar)
    drawCounter(c, convertedfail, {w - 0.34 * w, 0.085 * h}, {0.79 * w, 0.105 * h}, 0.75 * w, Qt::red,
                Qt::white);
  painter.end();
  return image;
}

}  // namespace zuvo
