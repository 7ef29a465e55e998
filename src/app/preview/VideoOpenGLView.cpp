#include "app/preview/VideoOpenGLView.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <cmath>

#include "app/preview/PreviewState.h"
#include "app/preview/VideoChannelServer.h"
#include "app/preview/YuvsImage.h"
#include "platform/NotificationCenter.h"

namespace zuvo {

TextureFrame textureFrameForView(double W, double H, quint32 imageHeight, float aspect) {
  TextureFrame f;
  const double w = std::trunc(imageHeight * aspect);
  const double h = imageHeight;
  if (w <= 0 || h <= 0) return f;
  double s = W / w;
  if (h * s <= H) {
    f.x0 = 0;
    f.x1 = w * s;
    f.y0 = std::trunc((H - h * s) / 2);
    f.y1 = h * s + f.y0;
  } else {
    s = H / h;
    f.y0 = 0;
    f.y1 = h * s;
    f.x0 = std::trunc((W - w * s) / 2);
    f.x1 = f.x0 + w * s;
  }
  return f;
}

VideoOpenGLView::VideoOpenGLView(QWidget* parent) : QOpenGLWidget(parent) {
  channel_ = new VideoChannelServer;
  channel_->moveToThread(&channelThread_);
  connect(&channelThread_, &QThread::finished, channel_, &QObject::deleteLater);
  // The channel's calls reach the view on the GUI thread, in the order the player made them.
  connect(channel_, &VideoChannelServer::started, this, &VideoOpenGLView::startWithWidth,
          Qt::QueuedConnection);
  connect(channel_, &VideoChannelServer::rendered, this, &VideoOpenGLView::render, Qt::QueuedConnection);
  connect(channel_, &VideoChannelServer::stopped, this, &VideoOpenGLView::stop, Qt::QueuedConnection);
  connect(channel_, &VideoChannelServer::toggleFullscreenRequested, this, &VideoOpenGLView::toggleFullscreen,
          Qt::QueuedConnection);
  connect(channel_, &VideoChannelServer::ontopRequested, this, &VideoOpenGLView::ontop, Qt::QueuedConnection);
  channelThread_.start();
  // The name is the one the preview window chose before making this view.
  QMetaObject::invokeMethod(channel_, "listen", Qt::BlockingQueuedConnection, Q_RETURN_ARG(bool, serving_),
                            Q_ARG(QString, previewBufferName()));
}

VideoOpenGLView::~VideoOpenGLView() {
  QMetaObject::invokeMethod(channel_, "close", Qt::BlockingQueuedConnection);
  channelThread_.quit();
  channelThread_.wait();
}

void VideoOpenGLView::acceptPlayer(qint64 pid) {
  QMetaObject::invokeMethod(channel_, "acceptPeer", Qt::BlockingQueuedConnection, Q_ARG(qint64, pid));
}

bool VideoOpenGLView::openGLAvailable() {
  static const bool available = [] {
    QOpenGLContext context;
    return context.create();
  }();
  return available;
}

void VideoOpenGLView::startWithWidth(quint32 width, quint32 height, quint32 bytes, float aspect) {
  image_width = width;
  image_height = height;
  image_bytes = bytes;
  image_aspect = aspect;
  org_image_aspect = aspect;
  isPlaying = true;
  init_player = true;
  adaptSize();
  update();
}

void VideoOpenGLView::render() {
  if (!isPlaying) return;
  const QByteArray frame = channel_->frame();
  if (frame.size() < qsizetype(image_width) * image_height * 2 || image_bytes != 2) return;
  picture_ =
      imageFromYuvs(reinterpret_cast<const uchar*>(frame.constData()), int(image_width), int(image_height));
  init_player = false;
  update();
  emit pictureChanged();
}

void VideoOpenGLView::stop() {
  isPlaying = false;
  if (isFullscreen) toggleFullscreen();
  picture_ = QImage();
  update();
  emit pictureChanged();
}

void VideoOpenGLView::toggleFullscreen() {
  // Full screen is not offered: the request is noted and the view stays in its window.
  if (isFullscreen) {
    isFullscreen = false;
    switchingToFullscreen = false;
  } else {
    switchingToFullscreen = true;
  }
}

void VideoOpenGLView::ontop() {
  isOntop = !isOntop;
  QWidget* w = window();
  const bool visible = w->isVisible();
  w->setWindowFlag(Qt::WindowStaysOnTopHint, isOntop);
  if (visible) w->show();
}

void VideoOpenGLView::adaptSize() {
  textureFrame = textureFrameForView(width(), height(), image_height, image_aspect);
}

void VideoOpenGLView::initializeGL() { adaptSize(); }

void VideoOpenGLView::resizeGL(int, int) { adaptSize(); }

void VideoOpenGLView::paintGL() {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!isPlaying || picture_.isNull()) return;
  const QRectF target(QPointF(int(textureFrame.x0), int(textureFrame.y0)),
                      QPointF(int(textureFrame.x1), int(textureFrame.y1)));
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, picture_);
}

void VideoOpenGLView::mousePressEvent(QMouseEvent* event) {
  NotificationCenter::defaultCenter().post("MouseOnWindow", this);
  event->accept();
}

}  // namespace zuvo
