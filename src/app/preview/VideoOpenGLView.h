#pragma once
// The preview window's picture. The player child decodes; this view serves the video
// channel under the preview's buffer name (on a thread of its own, see
// VideoChannelServer) and draws the latest frame as one quad keeping the picture's
// aspect, with black bands where the view's shape differs.
#include <QImage>
#include <QOpenGLWidget>
#include <QThread>

namespace zuvo {

class VideoChannelServer;

// The quad's corners in view coordinates (y grows downwards): x0, y0, x1, y1.
struct TextureFrame {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  friend bool operator==(const TextureFrame&, const TextureFrame&) = default;
};

// Where a picture `imageHeight` rows high, shown at `aspect` (width / height), goes in
// a `viewWidth` x `viewHeight` view: the whole width with bands above and below when it
// fits so, else the whole height with bands at the sides.
TextureFrame textureFrameForView(double viewWidth, double viewHeight, quint32 imageHeight, float aspect);

class VideoOpenGLView : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit VideoOpenGLView(QWidget* parent = nullptr);
  ~VideoOpenGLView() override;

  // Whether this platform gives OpenGL contexts. Qt crashes when it flushes a window
  // holding an OpenGL widget without one, so the view must then stay out of windows.
  static bool openGLAvailable();

  // False when another view serves the current buffer name.
  bool isServing() const { return serving_; }
  // Serves the calls of process `pid` alone: the player child the preview started.
  void acceptPlayer(qint64 pid);
  bool playing() const { return isPlaying; }
  bool ontopActive() const { return isOntop; }
  float aspect() const { return image_aspect; }
  quint32 imageWidth() const { return image_width; }
  quint32 imageHeight() const { return image_height; }
  quint32 imageBytes() const { return image_bytes; }
  TextureFrame frameRect() const { return textureFrame; }
  // The picture of the last frame, as drawn.
  QImage currentImage() const { return picture_; }

  // Calls of the video channel (they arrive from the channel's thread).
  void startWithWidth(quint32 width, quint32 height, quint32 bytes, float aspect);
  void render();
  void stop();
  void toggleFullscreen();
  void ontop();
  void adaptSize();

 signals:
  // A new picture (or none, after a stop) is ready.
  void pictureChanged();

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool isFullscreen = false;
  bool switchingToFullscreen = false;
  bool switchingInProgress = false;
  bool isOntop = false;
  bool isPlaying = false;
  const bool keepAspect = true;
  const bool panScan = false;
  const bool hideMouse = false;
  TextureFrame textureFrame;
  quint32 image_width = 0, image_height = 0, image_bytes = 0;
  float image_aspect = 0, org_image_aspect = 0;
  float zoomFactor = 1.0f;
  bool init_player = false;
  bool serving_ = false;
  QImage picture_;
  QThread channelThread_;
  VideoChannelServer* channel_ = nullptr;
};

}  // namespace zuvo
